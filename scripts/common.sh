# Shared by ./run and ./test: installs the Debian packages the build needs
# (only those missing) and configures build folders.

TIBREL_PACKAGES=(cmake ninja-build g++ clang libclang-rt-14-dev googletest libgtest-dev
  libbenchmark-dev ccache libpolyclipping-dev qt6-base-dev libgl-dev python3-ezdxf
  libfreetype-dev libfontconfig-dev fonts-liberation)
# OpenSCAD writes the STL fixtures (tests/data/make_stl_fixtures.sh).
TIBREL_PACKAGES+=(openscad)

# ccache keys on paths relative to the checkout, so a fresh clone in another
# folder (as CI makes) still finds the objects of earlier builds.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(pwd)}"

tibrel_install_missing() {
  local missing=()
  for p in "${TIBREL_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

# tibrel_configure DIR [cmake options...]: configures DIR unless it already is.
tibrel_configure() {
  local dir=$1
  shift
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S . -B "$dir" -G Ninja "$@"
  fi
}

tibrel_jobs() { nproc 2>/dev/null || echo 2; }
