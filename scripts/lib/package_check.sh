# The Debian package of the demo game, as a packager makes it: a build folder for /usr without
# tests and without the uninstaller, "cpack -G DEB", lintian (no error), the dependencies
# checked against this machine (apt-get --simulate), then "dpkg -i" into a throw-away root
# (the package's files and the dpkg database live there only), the installed game run from
# there, and "dpkg -r". Nothing is installed on this machine. Sourced by scripts/test.

qfn_package_check() {
  local jobs=$1
  cmake -S . -B build-deb -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
    -DCMAKE_INSTALL_PREFIX=/usr -DQFN_UNINSTALLER=OFF -DQFN_WERROR=ON >/dev/null
  cmake --build build-deb -j"$jobs" >/dev/null
  rm -f build-deb/quarn-demo_*.deb
  (cd build-deb && cpack -G DEB >/dev/null 2>&1)
  local deb
  deb=$(ls build-deb/quarn-demo_*.deb)
  echo "package: $deb"
  local report
  if ! report=$(lintian --fail-on error "$deb" 2>&1); then
    echo "$report" >&2
    echo "lintian reports errors" >&2
    return 1
  fi
  echo "$report" | grep -v "running with root privileges" || true
  apt-get install --simulate -q "./$deb" | grep -q "^Inst quarn-demo" ||
    { echo "the package's dependencies cannot be met on this machine" >&2; return 1; }

  local root status=0
  root=$(mktemp -d)
  mkdir -p "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/info" "$root/home"
  touch "$root/var/lib/dpkg/status"
  # The dependencies are this machine's packages, which the empty root's database lacks.
  dpkg --root="$root" --force-depends --force-not-root -i "$deb" >/dev/null 2>&1 || status=1
  local game="$root/usr/games/quarn-demo"
  local entry="$root/usr/share/applications/com.quillfen.QuarnDemo.desktop"
  if [ $status -eq 0 ]; then
    if [ ! -x "$game" ] || [ ! -f "$entry" ] || grep -q "Uninstall" "$entry" ||
      find "$root/usr" -name uninstall.log | grep -q .; then
      echo "the package lacks the game or still has its uninstaller" >&2
      status=1
    elif ! env HOME="$root/home" XDG_DATA_HOME="$root/home/data" XDG_CONFIG_HOME="$root/home/config" \
      QFN_SYSTEM_PREFS="$root/home/system-prefs.db" SDL_VIDEODRIVER=dummy "$game" >/dev/null; then
      echo "the packaged game did not play" >&2
      status=1
    fi
  fi
  dpkg --root="$root" --force-depends --force-not-root -r quarn-demo >/dev/null 2>&1 || status=1
  [ -e "$game" ] && { echo "dpkg -r left the game behind" >&2; status=1; }
  rm -rf "$root"
  [ $status -eq 0 ] && echo "package: lintian clean, installs with dpkg -i and plays"
  return $status
}
