#!/usr/bin/env bash
# Runs the launcher's black-box scenarios that draw with SDL video (the small SDL 1.2 games
# compared with themselves alone, the windows of the restart loop) once more on sdl12-compat
# under a headless Wayland compositor, so that the games draw through SDL2's wayland driver.
# The compositor is started by scripts/lib/wayland.sh.
# Usage: run_launcher_wayland.sh <plain build folder> [parallel jobs]
set -euo pipefail
build=$(cd "$1" && pwd)
jobs=${2:-2}
compat_dir=${QFN_SDL12COMPAT_DIR:-/usr/lib/$(gcc -print-multiarch 2>/dev/null || echo x86_64-linux-gnu)/sdl12-compat}
. "$(dirname "$0")/../../scripts/lib/wayland.sh"
trap qfn_wayland_stop EXIT
qfn_wayland_start
socket=$QFN_WAYLAND_SOCKET
runtime=$QFN_WAYLAND_RUNTIME

export LD_LIBRARY_PATH="$compat_dir${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
# The compositor must serve an SDL 1.2 program alone before the launcher is tried on it.
if ! WAYLAND_DISPLAY="$socket" SDL_VIDEODRIVER=wayland QRN_GAME_FRAMES=2 \
  "$build/engines/games/game_exit_handler" >"$runtime/alone.log" 2>&1; then
  echo "wayland: an SDL 1.2 program alone does not start on this compositor:" >&2
  cat "$runtime/alone.log" >&2
  exit 1
fi

# The restart loop's scenario is left out: Debian 12's sdl12-compat cannot start its wayland
# driver a second time in one process ("wayland not available"), for a program alone as for
# the launcher's restarts.
cd "$build"
QFN_TEST_WAYLAND_DISPLAY="$socket" QFN_SDL_IMPLEMENTATION=compat \
  ctest -R '^(SdlImplementation|Games/SdlGame|SdlGameEvents)\.' \
  -E '^SdlImplementation\.WindowOpensAndClosesOnEveryRestart$' -j"$jobs" --output-on-failure
