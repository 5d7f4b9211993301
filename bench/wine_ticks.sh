#!/bin/sh
# The scene's ticks per second under Wine at speeds 100 and 150, against
# 1000 / (151 - speed): the 64-bit Lumaris.scr full screen on Xvfb for a
# few seconds, ended by a key, its tick rate read from LUMARIS_STATS. Needs
# a quiet machine; prints each speed's rate and whether it is within 10%.
# Usage: bench/wine_ticks.sh [WINDOWS-BUILD] [SECONDS]
set -eu
build=$(cd "${1:-build-win64}" && pwd)
seconds=${2:-6}
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d /tmp/lumaris-wineticks.XXXXXX)
n=$(( 150 + $$ % 50 ))
Xvfb ":$n" -screen 0 1024x768x24 -noreset -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$tmp"' EXIT INT TERM
export DISPLAY=":$n" HOME="$tmp" XDG_CONFIG_HOME="$tmp" GSETTINGS_BACKEND=memory
sleep 1
cat >"$tmp/run.sh" <<'RUN'
set -eu
wine=/usr/lib/wine/wine64
key='HKCU\Software\QN Vesmire Lumaris\Settings'
status=0
for speed in 100 150; do
    $wine reg add "$key" /v SPEED /d "$speed" /f >/dev/null 2>&1
    $wine reg add "$key" /v SOUND /d False /f >/dev/null 2>&1
    $wine reg add "$key" /v MUSIC /d False /f >/dev/null 2>&1
    LUMARIS_STATS=1 $wine "$SCR" /s 2>"$TMP/err.$speed" &
    pid=$!
    sleep "$SECONDS_RUN"
    xdotool key space
    wait $pid 2>/dev/null || true
    rate=$(awk '/^tick-rate/ { print $2 }' "$TMP/err.$speed")
    awk -v speed="$speed" -v rate="${rate:-0}" 'BEGIN {
        want = 1000 / (151 - speed); off = (rate - want) / want
        printf "speed %d: %.1f ticks/s, %.1f wanted (%+.1f%%) %s\n", speed, rate, want, off * 100,
               (off < 0.1 && off > -0.1) ? "ok" : "OFF"
        exit !(off < 0.1 && off > -0.1) }' || status=1
done
exit $status
RUN
SCR="$build/Lumaris.scr" TMP="$tmp" SECONDS_RUN="$seconds" \
    sh "$here/../tests/win32/with-wine.sh" "$tmp/prefix" sh "$tmp/run.sh"
