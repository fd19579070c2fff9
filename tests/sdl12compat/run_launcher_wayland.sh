#!/usr/bin/env bash
# Runs the launcher's black-box scenarios that draw with SDL video (the small SDL 1.2 games
# compared with themselves alone, the windows of the restart loop) once more on sdl12-compat
# under a headless Wayland compositor, so that the games draw through SDL2's wayland driver.
# The compositor is started by scripts/lib/wayland.sh.
# Usage: run_launcher_wayland.sh <plain build folder> [parallel jobs]
set -euo pipefail
build=$(cd "$1" && pwd)
jobs=${2:-2}  # kept for the callers; the scenarios run one at a time
compat_dir=${QFN_SDL12COMPAT_DIR:-/usr/lib/$(gcc -print-multiarch 2>/dev/null || echo x86_64-linux-gnu)/sdl12-compat}
. "$(dirname "$0")/../../scripts/lib/wayland.sh"
trap qfn_wayland_stop EXIT
export LD_LIBRARY_PATH="$compat_dir${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"

# Each scenario gets a compositor of its own: Debian 12's sway crashes now and then at a fixed
# place when a client goes away, and a crashed compositor must not fail the scenarios after it.
run_on_fresh_compositor() {
  qfn_wayland_start || return 1
  local socket=$QFN_WAYLAND_SOCKET runtime=$QFN_WAYLAND_RUNTIME status=0
  # The compositor must serve an SDL 1.2 program alone before the launcher is tried on it.
  if ! WAYLAND_DISPLAY="$socket" SDL_VIDEODRIVER=wayland QRN_GAME_FRAMES=2 \
    "$build/engines/games/game_exit_handler" >"$runtime/alone.log" 2>&1; then
    echo "wayland: an SDL 1.2 program alone does not start on this compositor:" >&2
    cat "$runtime/alone.log" >&2
    qfn_wayland_stop
    return 1
  fi
  (cd "$build" && QFN_TEST_WAYLAND_DISPLAY="$socket" QFN_SDL_IMPLEMENTATION=compat \
    ctest -R "^$1\$" --output-on-failure) || status=1
  qfn_wayland_stop
  return $status
}

# The restart loop's scenario is left out: Debian 12's sdl12-compat cannot start its wayland
# driver a second time in one process ("wayland not available"), for a program alone as for
# the launcher's restarts.
mapfile -t scenarios < <(cd "$build" && ctest -N -R '^(SdlImplementation|Games/SdlGame|SdlGameEvents)\.' \
  -E '^SdlImplementation\.WindowOpensAndClosesOnEveryRestart$' | sed -n 's/^ *Test *#[0-9]*: //p')
[ "${#scenarios[@]}" -gt 0 ] || { echo "wayland: no scenarios found" >&2; exit 1; }
failed=0
for scenario in "${scenarios[@]}"; do
  run_on_fresh_compositor "$scenario" || failed=$((failed + 1))
done
echo "wayland: ${#scenarios[@]} scenarios, $failed failed"
[ "$failed" -eq 0 ]
