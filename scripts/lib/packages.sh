# Debian packages the project needs, and a function that installs the missing ones of a list.
# Sourced by scripts/test, scripts/demo and scripts/bench.

# What building and running the demo game needs, and nothing more.
QFN_DEMO_PACKAGES=(
  build-essential cmake pkg-config
  libsdl1.2-dev libx11-dev
)

# What the tests, benchmarks and fuzz targets need on top: test and benchmark libraries, the
# desktop tools the launcher and its install drive, a virtual display and a Wayland compositor,
# clang, valgrind, and the packaging checks (cpack's dependency list, lintian, the AppStream
# validator).
QFN_TEST_PACKAGES=(
  "${QFN_DEMO_PACKAGES[@]}"
  libsdl1.2-compat libsdl-image1.2-dev libsdl-mixer1.2-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  zenity xdg-utils xvfb xdotool imagemagick desktop-file-utils shared-mime-info sway
  gtk-update-icon-cache
  clang libclang-rt-14-dev valgrind util-linux
  dpkg-dev file lintian appstream
)

# qfn_ensure_packages [package...]: installs the missing ones (the test list when none given).
qfn_ensure_packages() {
  local wanted=("$@")
  [ ${#wanted[@]} -eq 0 ] && wanted=("${QFN_TEST_PACKAGES[@]}")
  local missing=()
  local pkg
  for pkg in "${wanted[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$pkg")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages. Run as root:" >&2
    echo "  apt-get update && apt-get install -y ${missing[*]}" >&2
    return 1
  fi
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
}
