# Debian packages the project needs, and a function that installs the missing ones.
# Sourced by scripts/test, scripts/demo and scripts/bench.

QFN_PACKAGES=(
  build-essential cmake pkg-config
  libsdl1.2-dev libsdl1.2-compat libsqlite3-dev sqlite3 libx11-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  zenity xdg-utils xvfb xdotool imagemagick desktop-file-utils
  clang libclang-rt-14-dev valgrind util-linux
)

qfn_ensure_packages() {
  local missing=()
  local pkg
  for pkg in "${QFN_PACKAGES[@]}"; do
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
