#!/usr/bin/env python3
"""Read a DXF file that Tibrel wrote with a DXF library that is not ours
(ezdxf, Debian package python3-ezdxf) and check that it sees the closed
outlines that were saved:

    python3 tests/data/read_back_with_ezdxf.py FILE.dxf LOOPS

Every end of a LINE or ARC must meet the end of exactly one other entity (to
1e-9 of the drawing's size, far inside Tibrel's chaining tolerance), and the
LINEs, ARCs and CIRCLEs must make LOOPS closed outlines (an ARC whose
angles are equal, as Tibrel writes a full circle, is one by itself).  Exit
status 0 when they do, 1 when they do not, 77 (ctest's "skipped") when ezdxf
is missing.  Like the fixture scripts it runs under Debian's python3 when the
one first on PATH has no ezdxf (scripts/ezdxf_python.py).
"""

import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "scripts"))
from ezdxf_python import run_with_ezdxf  # noqa: E402

SKIPPED = 77  # ctest's "skipped"
run_with_ezdxf(fixed_hash_seed=False, missing_status=SKIPPED)

import ezdxf  # noqa: E402


def ends_of(doc):
    """(start, end) of every LINE and ARC, and the number of CIRCLEs."""
    ends, circles = [], 0
    for e in doc.modelspace():
        kind = e.dxftype()
        if kind == "LINE":
            ends.append((e.dxf.start, e.dxf.end))
        elif kind == "ARC" and e.dxf.start_angle % 360 != e.dxf.end_angle % 360:
            ends.append((e.start_point, e.end_point))
        elif kind in ("CIRCLE", "ARC"):  # an ARC with equal angles: a full circle
            circles += 1
        else:
            sys.exit(f"unexpected entity {kind}")
    return ends, circles


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    path, loops = sys.argv[1], int(sys.argv[2])
    ends, circles = ends_of(ezdxf.readfile(path))
    points = [p for pair in ends for p in pair]
    size = max([1.0] + [max(abs(p.x), abs(p.y)) for p in points])
    tol = 1e-9 * size
    # Union-find over entities joined at their ends.
    parent = list(range(len(ends)))

    def root(k):
        while parent[k] != k:
            parent[k] = parent[parent[k]]
            k = parent[k]
        return k

    failures = 0
    for i, p in enumerate(points):
        partners = [j for j, q in enumerate(points)
                    if j // 2 != i // 2 and abs(p.x - q.x) <= tol and abs(p.y - q.y) <= tol]
        if len(partners) != 1:
            failures += 1
            print(f"end ({p.x!r}, {p.y!r}) meets {len(partners)} other ends")
            continue
        parent[root(i // 2)] = root(partners[0] // 2)
    found = len({root(k) for k in range(len(ends))}) + circles
    print(f"{path}: {len(ends)} lines and arcs, {circles} circles, {found} closed outlines")
    if failures or found != loops:
        print(f"expected {loops} closed outlines")
        sys.exit(1)


if __name__ == "__main__":
    main()
