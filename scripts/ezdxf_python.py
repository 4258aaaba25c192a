"""The Python the ezdxf scripts of this project run under.

ezdxf (Debian package python3-ezdxf) installs for Debian's /usr/bin/python3;
a python3 found first on PATH (a pyenv or venv one) may lack it.  And ezdxf
writes part of a file's OBJECTS section in set order, which follows Python's
per-run string hashing, so files are the same on every run only under a
fixed hash seed.  Call run_with_ezdxf() before importing ezdxf.
"""

import importlib.util
import os
import sys

DEBIAN_PYTHON = "/usr/bin/python3"  # where python3-ezdxf installs to


def run_with_ezdxf(fixed_hash_seed=True, missing_status=None):
    """Returns when ezdxf can be imported (and the hash seed is 0, when
    asked); otherwise runs the calling script again under Debian's python3
    or with the seed set.  Without ezdxf anywhere the script ends: with
    missing_status when one is given, else with a message."""
    have = importlib.util.find_spec("ezdxf") is not None
    if have and (not fixed_hash_seed or os.environ.get("PYTHONHASHSEED") == "0"):
        return
    exe = sys.executable
    if not have:
        if not os.path.exists(DEBIAN_PYTHON) or os.path.realpath(
            DEBIAN_PYTHON
        ) == os.path.realpath(sys.executable):
            message = f"{os.path.basename(sys.argv[0])} needs ezdxf: apt-get install python3-ezdxf"
            if missing_status is None:
                sys.exit(message)
            print(message)
            sys.exit(missing_status)
        exe = DEBIAN_PYTHON
    env = dict(os.environ, PYTHONHASHSEED="0") if fixed_hash_seed else dict(os.environ)
    os.execve(exe, [exe] + sys.argv, env)
