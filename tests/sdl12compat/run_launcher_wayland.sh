#!/usr/bin/env bash
# Runs the launcher's black-box scenarios that draw with SDL video (the small SDL 1.2 games
# compared with themselves alone, the windows of the restart loop) once more on sdl12-compat
# under a headless Wayland compositor, so that the games draw through SDL2's wayland driver.
# The compositor is sway on wlroots' headless backend with the pixman renderer (no GPU, no
# input devices, no Xwayland). Weston's headless backend is not used: Debian 12's SDL2 crashes
# in SDL_Init on it, alone as under the launcher. sway refuses to run as root, so under root
# it runs as nobody; root's clients reach its socket all the same.
# Usage: run_launcher_wayland.sh <plain build folder> [parallel jobs]
set -euo pipefail
build=$(cd "$1" && pwd)
jobs=${2:-2}
compat_dir=${QFN_SDL12COMPAT_DIR:-/usr/lib/$(gcc -print-multiarch 2>/dev/null || echo x86_64-linux-gnu)/sdl12-compat}
command -v sway >/dev/null || { echo "wayland: sway is not installed (package sway)" >&2; exit 1; }

runtime=$(mktemp -d /tmp/qfn-wayland-XXXXXX)
config="$runtime.conf"
printf 'xwayland disable\n' >"$config"
chmod 644 "$config"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  chown 65534:65534 "$runtime"
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
chmod 700 "$runtime"
(cd /tmp && exec "${as_user[@]}" env -i PATH=/usr/bin:/bin HOME=/nonexistent \
  XDG_RUNTIME_DIR="$runtime" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 \
  WLR_RENDERER=pixman sway -c "$config") >"$runtime.log" 2>&1 &
compositor=$!
trap 'kill "$compositor" 2>/dev/null || true; { wait "$compositor"; } 2>/dev/null || true
      rm -rf "$runtime" "$runtime.log" "$config"' EXIT
socket=""
for _ in $(seq 300); do
  socket=$(find "$runtime" -maxdepth 1 -type s -name 'wayland-*' 2>/dev/null | head -1)
  [ -n "$socket" ] && break
  sleep 0.1
done
if [ -z "$socket" ]; then
  echo "wayland: sway did not start" >&2
  cat "$runtime.log" >&2
  exit 1
fi

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
