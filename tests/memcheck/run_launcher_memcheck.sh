#!/usr/bin/env bash
# Runs the launcher's black-box scenarios (normal run, restart loop, held messages, missing or
# incomplete engine, SDL failure, uninstall, second instance, desktop launches, installed
# launcher) once more with every launcher process under valgrind memcheck, and fails on any
# invalid read or write, use of uninitialised memory or definitely lost block.
# Usage: run_launcher_memcheck.sh <plain build folder> [parallel jobs]
set -euo pipefail
build=$(cd "$1" && pwd)
jobs=${2:-2}
here=$(cd "$(dirname "$0")" && pwd)
logs=$(mktemp -d /tmp/qfn-memcheck-XXXXXX)
[ -n "${QFN_MEMCHECK_KEEP:-}" ] || trap 'rm -rf "$logs"' EXIT

# The scenarios that start the built launcher as a process carry the CTest label "launcher".
# Those labelled "launcher_timed" are left out: they wait for the launcher against fixed
# deadlines (the game's window on a real X server, races between launchers) that a launcher
# under valgrind does not meet (desktop launches are covered by Shell).

# Forked children that end without exec (the browser's middle process, the dialogs' watcher)
# are left out: they hold a copy of the heap without the threads whose stacks own part of it,
# so their leak reports would be false.
export QFN_LAUNCHER_WRAPPER="valgrind --error-exitcode=1 --errors-for-leak-kinds=definite \
--leak-check=full --show-leak-kinds=definite --track-origins=no --child-silent-after-fork=yes \
--suppressions=$here/valgrind.supp --log-file=$logs/%p.log"
export QFN_WRAPPER_TIME_SCALE=10

status=0
(cd "$build" && ctest -L '^launcher$' -j"$jobs" --output-on-failure --timeout 600) || status=1

runs=0
reports=0
unfinished=0
for log in "$logs"/*.log; do
  [ -e "$log" ] || continue
  runs=$((runs + 1))
  # Leak reports of the kinds asked for count as errors in the summary.
  if grep -qE 'ERROR SUMMARY: [1-9]' "$log"; then
    echo "---- $(basename "$log")" >&2
    cat "$log" >&2
    reports=$((reports + 1))
  elif ! grep -q 'ERROR SUMMARY: 0' "$log"; then
    # No summary: either a forked child that went on to exec another program (a dialog, the
    # browser), which ends valgrind's watch, or a launcher killed before it could report.
    parent=$(grep -m1 -o 'Parent PID: [0-9]*' "$log" | grep -o '[0-9]*$' || true)
    if [ -z "$parent" ] || [ ! -e "$logs/$parent.log" ]; then
      echo "---- $(basename "$log") ended without a report" >&2
      unfinished=$((unfinished + 1))
    fi
  fi
done
echo "memcheck: $runs processes under valgrind, $reports with errors, $unfinished launchers ended without a report"
[ "$runs" -gt 0 ] || { echo "memcheck: no launcher process ran under valgrind" >&2; exit 1; }
[ "$reports" -eq 0 ] && [ "$unfinished" -eq 0 ] && [ "$status" -eq 0 ]
