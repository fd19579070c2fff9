# Starts a headless Wayland compositor for SDL programs to draw on, and stops it.
# Sourced by tests/sdl12compat/run_launcher_wayland.sh and scripts/sdl_programs.
# The compositor is sway on wlroots' headless backend with the pixman renderer (no GPU, no
# input devices, no Xwayland). Weston's headless backend is not used: Debian 12's SDL2 crashes
# in SDL_Init on it, alone as under the launcher. sway refuses to run as root, so under root
# it runs as nobody; root's clients reach its socket all the same.

# qfn_wayland_start: starts sway and waits for its socket. On success sets QFN_WAYLAND_SOCKET
# (the socket's full path, for WAYLAND_DISPLAY) and returns 0; otherwise prints why and
# returns 1. Call qfn_wayland_stop afterwards in either case.
qfn_wayland_start() {
  command -v sway >/dev/null || { echo "wayland: sway is not installed (package sway)" >&2; return 1; }
  QFN_WAYLAND_RUNTIME=$(mktemp -d /tmp/qfn-wayland-XXXXXX)
  local runtime=$QFN_WAYLAND_RUNTIME
  printf 'xwayland disable\n' >"$runtime.conf"
  chmod 644 "$runtime.conf"
  local as_user=()
  if [ "$(id -u)" -eq 0 ]; then
    chown 65534:65534 "$runtime"
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
  fi
  chmod 700 "$runtime"
  (cd /tmp && exec "${as_user[@]}" env -i PATH=/usr/bin:/bin HOME=/nonexistent \
    XDG_RUNTIME_DIR="$runtime" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 \
    WLR_RENDERER=pixman sway -c "$runtime.conf") >"$runtime.log" 2>&1 &
  QFN_WAYLAND_PID=$!
  QFN_WAYLAND_SOCKET=""
  local _
  for _ in $(seq 300); do
    QFN_WAYLAND_SOCKET=$(find "$runtime" -maxdepth 1 -type s -name 'wayland-*' 2>/dev/null | head -1)
    [ -n "$QFN_WAYLAND_SOCKET" ] && return 0
    sleep 0.1
  done
  echo "wayland: sway did not start" >&2
  cat "$runtime.log" >&2
  return 1
}

# qfn_wayland_stop: ends the compositor qfn_wayland_start started and removes its files.
qfn_wayland_stop() {
  if [ -n "${QFN_WAYLAND_PID:-}" ]; then
    kill "$QFN_WAYLAND_PID" 2>/dev/null || true
    { wait "$QFN_WAYLAND_PID"; } 2>/dev/null || true
    QFN_WAYLAND_PID=""
  fi
  if [ -n "${QFN_WAYLAND_RUNTIME:-}" ]; then
    rm -rf "$QFN_WAYLAND_RUNTIME" "$QFN_WAYLAND_RUNTIME.log" "$QFN_WAYLAND_RUNTIME.conf"
    QFN_WAYLAND_RUNTIME=""
  fi
}
