#!/bin/bash
# Starts and ends the scene RUNS times (default 100) on one X server, with
# the sea sound off and on (SDL's disk driver) and ended by a key, a mouse
# click, a mouse move, SIGTERM and SIGINT in turn: every end has status 0 and
# nothing on standard error. An end that raced with something still talking
# to the display (an X error) would show here as status 1.
#   start_end_loop.sh LUMARIS [RUNS]
set -u
lumaris=$1
runs=${2:-${LUMARIS_LOOP_RUNS:-100}}
if [ "${3:-}" != "--on-display" ]; then
    exec "$(cd "$(dirname "$0")" && pwd)/with-xvfb.sh" "$0" "$lumaris" "$runs" --on-display
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work XDG_CONFIG_HOME=$work GSETTINGS_BACKEND=memory SDL_AUDIODRIVER=disk
failures=0
ends=(key click move TERM INT)
for i in $(seq "$runs"); do
    sound=$([ $((i % 2)) -eq 0 ] && echo True || echo False)
    how=${ends[$(((i / 2) % 5))]}
    printf '[Settings]\nSound=%s\n' "$sound" >"$work/QN Vesmire Lumaris.ini"
    SDL_DISKAUDIOFILE=$work/sound.raw "$lumaris" /s 2>"$work/err" &
    pid=$!
    window=$(timeout 20 xdotool search --sync --onlyvisible --name '^QNVesmire Saver Running$' | head -n 1)
    # Past the half second after the start in which input is not an end,
    # at a different point of the frame each time.
    sleep "0.$((6 + RANDOM % 4))$((RANDOM % 10))"
    case $how in
        key) xdotool key x ;;
        click) xdotool click 1 ;;
        move) xdotool mousemove --window "$window" $((RANDOM % 500)) 300 mousemove_relative 40 40 ;;
        *) kill -$how $pid ;;
    esac
    for _ in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.05; done
    kill -0 $pid 2>/dev/null && { echo "run $i ($how, sound $sound): still running"; kill -9 $pid; }
    wait $pid
    status=$?
    # SDL's disk driver announces itself; anything else is ours.
    said=$(grep -v '^CRITICAL: \(You are using the SDL disk i/o audio driver!\|.Writing to file \)' "$work/err")
    if [ $status -ne 0 ] || [ -n "$said" ]; then
        echo "FAIL: run $i ($how, sound $sound): status $status"
        [ -n "$said" ] && echo "$said"
        failures=$((failures + 1))
    fi
done
echo "$((runs - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
