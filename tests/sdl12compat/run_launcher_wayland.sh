#!/usr/bin/env bash
# Runs the launcher's black-box scenarios that draw with SDL video (the small SDL 1.2 games
# compared with themselves alone, the windows of the restart loop) once more on sdl12-compat
# under a headless Wayland compositor (weston's headless backend), so that the games draw
# through SDL2's wayland driver. When an SDL 1.2 program alone cannot start video there (the
# SDL2 of Debian 12 crashes in SDL_Init on weston's headless backend), the pass says so and
# runs nothing: the launcher cannot do better than the program alone.
# Usage: run_launcher_wayland.sh <plain build folder> [parallel jobs]
set -euo pipefail
build=$(cd "$1" && pwd)
jobs=${2:-2}
compat_dir=${QFN_SDL12COMPAT_DIR:-/usr/lib/$(gcc -print-multiarch 2>/dev/null || echo x86_64-linux-gnu)/sdl12-compat}
command -v weston >/dev/null || { echo "wayland: weston is not installed (package weston)" >&2; exit 1; }

runtime=$(mktemp -d /tmp/qfn-wayland-XXXXXX)
chmod 700 "$runtime"
XDG_RUNTIME_DIR="$runtime" weston --backend=headless-backend.so --socket=qfn-wayland \
  --idle-time=0 >"$runtime/weston.log" 2>&1 &
weston_pid=$!
trap 'kill "$weston_pid" 2>/dev/null || true; wait "$weston_pid" 2>/dev/null || true; rm -rf "$runtime"' EXIT
for _ in $(seq 300); do
  [ -S "$runtime/qfn-wayland" ] && break
  sleep 0.1
done
if [ ! -S "$runtime/qfn-wayland" ]; then
  echo "wayland: weston did not start" >&2
  cat "$runtime/weston.log" >&2
  exit 1
fi

export LD_LIBRARY_PATH="$compat_dir${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
if ! WAYLAND_DISPLAY="$runtime/qfn-wayland" SDL_VIDEODRIVER=wayland QRN_GAME_FRAMES=2 \
  "$build/engines/games/game_exit_handler" >"$runtime/alone.log" 2>&1; then
  echo "wayland: an SDL 1.2 program alone does not start on this compositor; pass skipped:" >&2
  cat "$runtime/alone.log" >&2
  exit 0
fi

cd "$build"
QFN_TEST_WAYLAND_DISPLAY="$runtime/qfn-wayland" QFN_SDL_IMPLEMENTATION=compat \
  ctest -R '^(SdlImplementation|Games/SdlGame|SdlGameEvents)\.' -j"$jobs" --output-on-failure
