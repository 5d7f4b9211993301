#!/bin/sh
# Runs a command on a nested X server (Xephyr, in the X server of DISPLAY)
# started with the options before "--": several monitors on a machine that
# has one. Usage: with-xephyr.sh OPTION... -- COMMAND...
set -eu
options=
while [ $# -gt 0 ] && [ "$1" != -- ]; do options="$options $1"; shift; done
[ $# -gt 0 ] || { echo "usage: with-xephyr.sh OPTION... -- COMMAND..." >&2; exit 2; }
shift
number=$(mktemp)
# shellcheck disable=SC2086
Xephyr -displayfd 3 -nolisten tcp -noreset $options 3>"$number" 2>/dev/null &
server=$!
trap 'kill $server 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -s "$number" ] && break; sleep 0.1; done
[ -s "$number" ] || { echo "with-xephyr: the server did not start" >&2; exit 1; }
DISPLAY=:$(head -n1 "$number")
rm -f "$number"
export DISPLAY
"$@"
