#!/usr/bin/env bash
# Runs the launcher's black-box scenarios (CTest labels "launcher" and "launcher_timed": the
# memory check's selection plus the scenarios with fixed deadlines) once more with the
# launcher and the engines loading sdl12-compat, the SDL 1.2 interface on SDL2 that newer
# distributions ship.
# QFN_SDL_IMPLEMENTATION=compat makes SdlImplementation.EngineRunsOnTheLibraryThisPassNames
# fail unless the engine really runs on sdl12-compat's library.
# Usage: run_launcher_sdl12compat.sh <plain build folder> [parallel jobs]
set -euo pipefail
build=$(cd "$1" && pwd)
jobs=${2:-2}
compat_dir=${QFN_SDL12COMPAT_DIR:-/usr/lib/$(gcc -print-multiarch 2>/dev/null || echo x86_64-linux-gnu)/sdl12-compat}
if [ ! -e "$compat_dir/libSDL-1.2.so.0" ]; then
  echo "sdl12-compat: no libSDL-1.2.so.0 in $compat_dir (package libsdl1.2-compat)" >&2
  exit 1
fi

cd "$build"
LD_LIBRARY_PATH="$compat_dir${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}" QFN_SDL_IMPLEMENTATION=compat \
  ctest -L '^launcher' -j"$jobs" --output-on-failure
