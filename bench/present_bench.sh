#!/bin/sh
# The whole program's cost on screen: `lumaris /s` under Xvfb at three screen
# sizes for a fixed time, beside two bare presenters built in bench/ (SDL's
# software renderer uploading a whole frame, and Xlib copying a new frame
# into a shared-memory image and putting the whole window, or only the
# 1024 x 760 strip) and
# a display mode of XScreenSaver where installed, all at the same interval,
# interleaved A B C A B C. Prints CPU ms per frame, frames per second, RSS,
# the first frame's time after the start and the ratio to each baseline.
# Also the scene by night, the display mode on the root window (--root), and
# the preview (/p) in a 565 x 317 host window. At 3840x2160 (the scene
# doubled) also the bare presenter putting a 2048 x 1520 frame, and one that
# has the X server double the strip (RENDER). The X server's own CPU time is
# counted beside each program's: work moved into the server is not saved.
# BENCH_BEFORE=PROGRAM adds another build of lumaris /s ("lumaris-before").
# Usage: [BENCH_SIZES="1024x768 ..."] bench/present_bench.sh [BUILD] [SECONDS] [ROUNDS]
set -eu
build=$(cd "${1:-build}" && pwd)
seconds=${2:-10}
rounds=${3:-2}
interval=51   # the default speed, 151 - 100
hack=/usr/libexec/xscreensaver/interference
tmp=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$tmp"' EXIT INT TERM
export HOME="$tmp" XDG_CONFIG_HOME="$tmp" GSETTINGS_BACKEND=memory SDL_AUDIODRIVER=dummy
printf '[Settings]\nSOUND=False\nMUSIC=False\n' >"$tmp/QN Vesmire Lumaris.ini"
mkdir "$tmp/night"
printf '[Settings]\nSOUND=False\nMUSIC=False\nNIGHTMODE=True\n' >"$tmp/night/QN Vesmire Lumaris.ini"

# Processor time of all the process's threads in microseconds, from the
# scheduler's nanosecond counts (the clock ticks of /proc/PID/stat are 10 ms).
cpu() { cat /proc/"$1"/task/*/schedstat | awk '{ ns += $1 } END { printf "%d\n", ns / 1000 }'; }
rss() { awk '/VmRSS/ { print $2 }' "/proc/$1/status"; }

# measure NAME COMMAND...: one run; appends "NAME cpu_us frames seconds rss_kb first_ms allocs server_us" to $tmp/runs.
measure() {
    name=$1; shift
    case $name in lumaris*) preload="$build/bench/libcount_malloc.so" ;; *) preload="" ;; esac
    LD_PRELOAD=$preload LUMARIS_STATS=1 "$@" 2>"$tmp/err" &
    pid=$!
    sleep 2
    c0=$(cpu $pid); s0=$(cpu $xvfb); t0=$(date +%s.%N)
    if [ -n "$preload" ]; then kill -USR2 $pid; fi
    sleep "$seconds"
    if [ -n "$preload" ]; then kill -USR2 $pid; fi
    c1=$(cpu $pid); s1=$(cpu $xvfb); t1=$(date +%s.%N); r=$(rss $pid)
    kill -TERM $pid; wait $pid 2>/dev/null || true
    frames=$(awk '/^frames/ { print $2 }' "$tmp/err")
    first=$(awk '/^first-frame-ms/ { print $2 }' "$tmp/err")
    allocs=$(awk '/^allocations/ { a[n++] = $2 } END { if (n >= 2) print a[n-1] - a[n-2]; else print "-" }' "$tmp/err")
    echo "$name $(( c1 - c0 )) ${frames:--} $(echo "$t1 - $t0" | bc) $r ${first:--} $allocs $(( s1 - s0 ))" >>"$tmp/runs"
}

summary() {
    awk -v interval=$interval -v secs="$seconds" '
        # The median first-frame time of the runs, "-" where there are none.
        function median(k,    i, j, v, m, tmp) {
            m = 0
            for (i = 0; i < n[k]; i++) if (firsts[k, i] != "-") v[m++] = firsts[k, i] + 0
            if (m == 0) return "-"
            for (i = 1; i < m; i++) for (j = i; j > 0 && v[j - 1] > v[j]; j--) { tmp = v[j]; v[j] = v[j - 1]; v[j - 1] = tmp }
            return m % 2 ? v[int(m / 2)] : (v[m / 2 - 1] + v[m / 2]) / 2
        }
        { cpu[$1] += $2; t[$1] += $4; rss[$1] = $5; firsts[$1, n[$1] + 0] = $6; alloc[$1] += ($7 == "-" ? 0 : $7)
          srv[$1] += $8; seen[$1] = 1; n[$1]++ }
        END {
            for (k in seen) {
                # Frames in the measured stretch, at the interval every program keeps.
                f = t[k] * 1000 / interval
                per[k] = cpu[k] / 1000 / f
                server[k] = srv[k] / 1000 / f
                sum[k] = per[k] + server[k]
            }
            # The whole system (program and server) against the bare
            # presenters: the same frame size, or the doubled strip.
            base = ("xshm-big" in seen) ? "xshm-big" : "xshm-strip"
            printf "%-22s %8s %8s %8s %6s %8s %9s %9s %9s %9s\n", "program", "cpu ms/f", "srv ms/f", "sum ms/f", "fps",
                   "RSS MB", "first ms", "x xshm", "x " base, "allocs/f"
            for (k in seen) {
                printf "%-22s %8.3f %8.3f %8.3f %6.1f %8.1f %9s %9.2f %9.2f %9s\n", k, per[k], server[k], sum[k],
                       1000 / interval, rss[k] / 1024, median(k), sum[k] / sum["xshm"], sum[k] / sum[base],
                       (k ~ /^lumaris/ ? sprintf("%.2f", alloc[k] / (t[k] * 1000 / interval)) : "-")
            }
        }' "$tmp/runs" | sort
}

for size in ${BENCH_SIZES:-1024x768 1920x1080 3840x2160}; do
    Xvfb :77 -screen 0 "${size}x24" -noreset -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    sleep 1
    export DISPLAY=:77
    : >"$tmp/runs"
    # The server's first frames of a screen cost more (its memory is touched
    # for the first time): a presenter warms it up before the runs count.
    "$build/bench/bare_xshm_presenter" $interval >/dev/null 2>&1 &
    warm=$!
    sleep 2
    kill $warm; wait $warm 2>/dev/null || true
    i=0
    while [ $i -lt "$rounds" ]; do
        measure lumaris "$build/lumaris" /s
        measure lumaris-root "$build/lumaris" --root
        measure lumaris-night env XDG_CONFIG_HOME="$tmp/night" "$build/lumaris" /s
        measure sdl "$build/bench/bare_sdl_presenter" $interval
        measure xshm "$build/bench/bare_xshm_presenter" $interval
        measure xshm-strip "$build/bench/bare_xshm_presenter" $interval strip
        if [ -n "${BENCH_BEFORE:-}" ]; then measure lumaris-before "$BENCH_BEFORE" /s; fi
        if [ "$size" = 3840x2160 ]; then
            measure xshm-big "$build/bench/bare_xshm_presenter" $interval big
            measure xshm-render2x "$build/bench/bare_xshm_presenter" $interval render2x
        fi
        if [ -x "$hack" ]; then measure interference "$hack" -root -delay $((interval * 1000)); fi
        i=$((i + 1))
    done
    if [ "$size" = 1024x768 ]; then
        host_out="$tmp/host"
        "$build/bench/bare_xshm_presenter" 0 host >"$host_out" &
        host=$!
        sleep 0.5
        measure lumaris-preview "$build/lumaris" /p "$(cat "$host_out")"
        kill $host
    fi
    echo "== $size, ${seconds} s a run, $rounds rounds"
    summary
    kill $xvfb; wait $xvfb 2>/dev/null || true
done
