# The Debian packages as a packager makes them: a build folder for /usr without tests, without
# the uninstaller and with the demo's launcher a link to the kit's, "cpack -G DEB" (the demo game and the engine kit, quarn-engine-dev, each with a -dbgsym
# package), the example game's package built from the kit's files alone, "lintian --pedantic"
# on every one of them (no error, no warning), the dependencies checked against this machine
# (apt-get --simulate), then "dpkg -i" of all of them together into a throw-away root (the
# packages' files and the dpkg database live there only), the installed games run from
# there, and "dpkg -r". Nothing is installed on this machine. Sourced by scripts/test.

# lintian --pedantic on one package: fails on an error or a warning, or on binaries that are
# not hardened (not even a warning of it is accepted).
qfn_lintian_clean() {
  local report
  echo "package: $1"
  if ! report=$(lintian --pedantic --fail-on error,warning "$1" 2>&1); then
    echo "$report" >&2
    echo "lintian reports errors or warnings for $1" >&2
    return 1
  fi
  echo "$report" | grep -v "running with root privileges" || true
  if echo "$report" | grep "hardening-no" >/dev/null; then
    echo "lintian finds the binaries of $1 not hardened" >&2
    return 1
  fi
}

qfn_package_check() {
  local jobs=$1
  cmake -S . -B build-deb -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
    -DCMAKE_INSTALL_PREFIX=/usr -DQFN_UNINSTALLER=OFF -DQFN_SHARED_LAUNCHER=ON \
    -DQFN_WERROR=ON >/dev/null
  cmake --build build-deb -j"$jobs" >/dev/null
  rm -f build-deb/quarn-*.deb build-deb/quarn-*.ddeb
  (cd build-deb && cpack -G DEB >/dev/null 2>&1)
  local deb kit
  deb=$(ls build-deb/quarn-demo_*.deb)
  kit=$(ls build-deb/quarn-engine-dev_*.deb)
  ls build-deb/quarn-demo-dbgsym_*.ddeb build-deb/quarn-engine-dev-dbgsym_*.ddeb >/dev/null ||
    { echo "no package of debug symbols" >&2; return 1; }
  apt-get install --simulate -q "./$deb" "./$kit" | grep -q "^Inst quarn-demo" ||
    { echo "the packages' dependencies cannot be met on this machine" >&2; return 1; }
  # A distribution's package: the kit in libdevel with its own documents, the demo's launcher
  # the kit's.
  dpkg-deb -f "$deb" Depends | grep "quarn-engine-dev (= " >/dev/null &&
    dpkg-deb -c "$deb" | grep -- "bin/quarn-demo -> [./]*libexec/quarn/quarn$" >/dev/null ||
    { echo "the demo package carries its own launcher" >&2; return 1; }
  [ "$(dpkg-deb -f "$kit" Section)" = libdevel ] && dpkg-deb -c "$kit" |
    grep "usr/share/doc/quarn-engine-dev/copyright" >/dev/null ||
    { echo "the kit package lacks its section or its copyright" >&2; return 1; }

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
  grep "/usr/games/lantern$" build-deb/lantern/install_manifest.txt >/dev/null ||
    { echo "install_manifest.txt lacks the games/ link" >&2; return 1; }

  local package packages
  packages=$(ls build-deb/quarn-*.deb build-deb/quarn-*.ddeb "$game_deb")
  for package in $packages; do
    qfn_lintian_clean "$package" || return 1
  done

  local root status=0
  root=$(mktemp -d)
  mkdir -p "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/info" "$root/home"
  touch "$root/var/lib/dpkg/status"
  # The dependencies are this machine's packages, which the empty root's database lacks.
  # shellcheck disable=SC2086
  dpkg --root="$root" --force-depends --force-not-root -i $packages >/dev/null 2>&1 || status=1
  local game="$root/usr/games/quarn-demo"
  local entry="$root/usr/share/applications/com.quillfen.QuarnDemo.desktop"
  local home="$root/home"
  if [ $status -eq 0 ]; then
    if [ ! -x "$game" ] || [ ! -f "$entry" ] || grep -q "Uninstall" "$entry" ||
      find "$root/usr" -name uninstall.log | grep -q .; then
      echo "the package lacks the game or still has its uninstaller" >&2
      status=1
    else
      for command in "$game" "$root/usr/games/lantern"; do
        env HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" \
          QFN_SYSTEM_PREFS="$home/system-prefs" SDL_VIDEODRIVER=dummy "$command" >/dev/null ||
          { echo "the packaged game $command did not play" >&2; status=1; }
      done
    fi
  fi
  # shellcheck disable=SC2046
  dpkg --root="$root" --force-depends --force-not-root -r \
    $(dpkg --root="$root" -l | awk '/^ii/ {print $2}') >/dev/null 2>&1 || status=1
  [ -e "$game" ] && { echo "dpkg -r left the game behind" >&2; status=1; }
  rm -rf "$root"
  [ $status -eq 0 ] && echo "packages: lintian clean; all install together with dpkg -i and play"
  return $status
}
