# The Debian packages as a packager makes them: a build folder for /usr without tests, without
# the uninstaller, "cpack -G DEB" (the demo game and the engine kit,
# quarn-engine-dev), lintian on both (no error), the dependencies checked against this machine
# (apt-get --simulate), their -dbgsym packages, the example game's package built from the
# kit's files alone (lintian, its install manifest), then "dpkg -i" of the demo into a throw-away root (the package's files
# and the dpkg database live there only), the installed game run from there, and "dpkg -r".
# Nothing is installed on this machine. Sourced by scripts/test.

qfn_package_check() {
  local jobs=$1
  cmake -S . -B build-deb -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
    -DCMAKE_INSTALL_PREFIX=/usr -DQFN_UNINSTALLER=OFF -DQFN_WERROR=ON \
    >/dev/null
  cmake --build build-deb -j"$jobs" >/dev/null
  rm -f build-deb/quarn-*.deb build-deb/quarn-*.ddeb
  (cd build-deb && cpack -G DEB >/dev/null 2>&1)
  local deb kit report
  deb=$(ls build-deb/quarn-demo_*.deb)
  kit=$(ls build-deb/quarn-engine-dev_*.deb)
  for package in "$deb" "$kit"; do
    echo "package: $package"
    if ! report=$(lintian --fail-on error "$package" 2>&1); then
      echo "$report" >&2
      echo "lintian reports errors" >&2
      return 1
    fi
    echo "$report" | grep -v "running with root privileges" || true
    # The launcher is built with a distribution's hardening: no such tag, not even a warning.
    if echo "$report" | grep "hardening-no" >/dev/null; then
      echo "lintian finds the binaries not hardened" >&2
      return 1
    fi
  done
  apt-get install --simulate -q "./$deb" | grep -q "^Inst quarn-demo" ||
    { echo "the package's dependencies cannot be met on this machine" >&2; return 1; }
  apt-get install --simulate -q "./$kit" | grep -q "^Inst quarn-engine-dev" ||
    { echo "the kit package's dependencies cannot be met on this machine" >&2; return 1; }
  # A distribution's package: the kit in libdevel with its own documents.
  [ "$(dpkg-deb -f "$kit" Section)" = libdevel ] && dpkg-deb -c "$kit" |
    grep "usr/share/doc/quarn-engine-dev/copyright" >/dev/null ||
    { echo "the kit package lacks its section or its copyright" >&2; return 1; }
  ls build-deb/quarn-demo-dbgsym_*.ddeb build-deb/quarn-engine-dev-dbgsym_*.ddeb >/dev/null ||
    { echo "no package of debug symbols" >&2; return 1; }

  # A game maker's own package from the installed kit alone: the example game's.
  local kitroot
  kitroot=$(mktemp -d)
  cmake --install build-deb --component kit --prefix "$kitroot" >/dev/null
  rm -rf build-deb/lantern
  cmake -S examples/lantern -B build-deb/lantern -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_PREFIX_PATH="$kitroot" -DLANTERN_PACKAGE=ON >/dev/null
  cmake --build build-deb/lantern >/dev/null
  (cd build-deb/lantern && cpack -G DEB >/dev/null 2>&1)
  rm -rf "$kitroot"
  local game_deb
  game_deb=$(ls build-deb/lantern/lantern_*.deb)
  echo "package: $game_deb"
  if ! report=$(lintian --fail-on error "$game_deb" 2>&1); then
    echo "$report" >&2
    echo "lintian reports errors for the example game's package" >&2
    return 1
  fi
  grep "/usr/games/lantern$" build-deb/lantern/install_manifest.txt >/dev/null ||
    { echo "install_manifest.txt lacks the games/ link" >&2; return 1; }

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
      QFN_SYSTEM_PREFS="$root/home/system-prefs" SDL_VIDEODRIVER=dummy "$game" >/dev/null; then
      echo "the packaged game did not play" >&2
      status=1
    fi
  fi
  dpkg --root="$root" --force-depends --force-not-root -r quarn-demo >/dev/null 2>&1 || status=1
  [ -e "$game" ] && { echo "dpkg -r left the game behind" >&2; status=1; }
  rm -rf "$root"
  [ $status -eq 0 ] && echo "packages: lintian clean; the demo installs with dpkg -i and plays"
  return $status
}
