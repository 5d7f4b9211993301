#!/bin/sh
# The whole system's processor time per second (the program plus the X server
# or the compositor) at speeds 80, 100, 120, 140 and 150, for `lumaris /s`
# and the display mode (`--root`), on Xvfb and on headless sway, at each
# size; beside another build (BENCH_BEFORE=PROGRAM) in the same run,
# interleaved. Also prints ticks and frames per second: ticks follow the
# speed's interval, frames stop at the screen's refresh (Xvfb's 0 Hz mode
# counts as 60 Hz). Sway refuses to run as root: as root, the Wayland part
# runs as the user lumaris-test (which tests/e2e/as-test-user.sh makes).
# Usage: [BENCH_BEFORE=PROGRAM] [BENCH_SIZES="1024x768 ..."] [BENCH_HOSTS="x11 wayland"]
#        [BENCH_SPEEDS="80 ..."] bench/speed_sweep.sh [BUILD] [SECONDS] [ROUNDS]
set -eu
build=$(cd "${1:-build}" && pwd)
seconds=${2:-5}
rounds=${3:-2}
before=${BENCH_BEFORE:-}
sizes=${BENCH_SIZES:-1024x768 3840x2160}
speeds=${BENCH_SPEEDS:-80 100 120 140 150}
hosts=${BENCH_HOSTS:-x11 wayland}

if [ "$(id -u)" -eq 0 ] && [ "${hosts#*wayland}" != "$hosts" ]; then
    # Everything but Wayland here; Wayland as the test user.
    others=$(echo "$hosts" | tr ' ' '\n' | grep -v wayland | tr '\n' ' ')
    if [ -n "${others% }" ]; then BENCH_HOSTS="$others" sh "$0" "$build" "$seconds" "$rounds"; fi
    id lumaris-test >/dev/null 2>&1 ||
        useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin lumaris-test
    copy=$(mktemp -d /tmp/lumaris-sweep.XXXXXX)
    chmod 755 "$copy"
    cp "$0" "$copy/speed_sweep.sh"
    cp "$build/lumaris" "$copy/lumaris"
    if [ -n "$before" ]; then cp "$before" "$copy/lumaris-before"; fi
    chmod -R a+rX "$copy"
    status=0
    setpriv --reuid=lumaris-test --regid=lumaris-test --clear-groups \
        env BENCH_HOSTS=wayland BENCH_SIZES="$sizes" BENCH_SPEEDS="$speeds" \
        BENCH_BEFORE="${before:+$copy/lumaris-before}" BENCH_PROGRAM="$copy/lumaris" \
        sh "$copy/speed_sweep.sh" "$copy" "$seconds" "$rounds" || status=$?
    rm -rf "$copy"
    exit $status
fi
program=${BENCH_PROGRAM:-$build/lumaris}

tmp=$(mktemp -d /tmp/lumaris-sweep.XXXXXX)
chmod 700 "$tmp"
server=""
trap 'if [ -n "$server" ]; then kill $server 2>/dev/null || true; fi; rm -rf "$tmp"' EXIT INT TERM
export XDG_RUNTIME_DIR="$tmp" GSETTINGS_BACKEND=memory SDL_AUDIODRIVER=dummy
for speed in $speeds; do
    mkdir -p "$tmp/$speed"
    printf '[Settings]\nSOUND=False\nMUSIC=False\nSPEED=%s\n' "$speed" >"$tmp/$speed/QN Vesmire Lumaris.ini"
done

cpu() { cat /proc/"$1"/task/*/schedstat | awk '{ ns += $1 } END { printf "%d\n", ns / 1000 }'; }

# measure NAME SPEED COMMAND...: one run; appends "NAME SPEED cpu_us server_us ticks frames" to $tmp/runs.
measure() {
    name=$1 speed=$2; shift 2
    HOME="$tmp/$speed" XDG_CONFIG_HOME="$tmp/$speed" LUMARIS_STATS=1 "$@" 2>"$tmp/err" &
    pid=$!
    sleep 2
    c0=$(cpu $pid); s0=$(cpu $server); k0=$(date +%s%N)
    sleep "$seconds"
    c1=$(cpu $pid); s1=$(cpu $server); k1=$(date +%s%N)
    kill -TERM $pid; wait $pid 2>/dev/null || true
    ticks=$(awk '/^tick-rate/ { printf "%d\n", $2 }' "$tmp/err")
    frames=$(awk '/^frames/ { print $2 }' "$tmp/err")
    # Whole-run counts over the whole run's time (2 s more than measured).
    secs=$(( (k1 - k0) / 1000000 + 2000 ))
    echo "$name $speed $(( (c1 - c0) * 1000 / ((k1 - k0) / 1000000) )) $(( (s1 - s0) * 1000 / ((k1 - k0) / 1000000) )) ${ticks:-0} $(( ${frames:-0} * 1000 / secs ))" >>"$tmp/runs"
}

startServer() {
    host=$1 size=$2
    if [ "$host" = x11 ]; then
        n=$(( 90 + $$ % 100 ))
        Xvfb ":$n" -screen 0 "${size}x24" -noreset -nolisten tcp >"$tmp/server.log" 2>&1 &
        server=$!
        export DISPLAY=":$n"
        unset WAYLAND_DISPLAY
        for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && return; sleep 0.1; done
    else
        scale=1
        [ "$size" = 3840x2160 ] && scale=2
        printf 'output HEADLESS-1 resolution %s scale %s\n' "$size" "$scale" >"$tmp/config"
        unset DISPLAY
        WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 WLR_HEADLESS_OUTPUTS=1 \
            sway -c "$tmp/config" >"$tmp/server.log" 2>&1 &
        server=$!
        for _ in $(seq 50); do ls "$tmp"/wayland-? >/dev/null 2>&1 && break; sleep 0.1; done
        WAYLAND_DISPLAY=$(basename "$(ls "$tmp"/wayland-? | head -n1)")
        export WAYLAND_DISPLAY
    fi
}

for host in $hosts; do
    for size in $sizes; do
        startServer "$host" "$size"
        : >"$tmp/runs"
        round=0
        while [ $round -lt "$rounds" ]; do
            for speed in $speeds; do
                for mode in /s --root; do
                    measure "now$mode" "$speed" "$program" "$mode"
                    if [ -n "$before" ]; then measure "before$mode" "$speed" "$before" "$mode"; fi
                done
            done
            round=$((round + 1))
        done
        kill $server; wait $server 2>/dev/null || true
        server=""
        echo "== $host $size, ${seconds} s x $rounds rounds: processor ms per second (program + server), ticks/s, frames/s"
        awk '{ k = $1 " " $2; cpu[k] += $3; srv[k] += $4; ticks[k] += $5; frames[k] += $6; n[k]++
               if (!($1 in named)) { names[m++] = $1; named[$1] = 1 }
               if (!($2 in sp)) { speeds[s++] = $2; sp[$2] = 1 } }
             END {
                 printf "%-14s %6s %9s %9s %9s %8s %8s %9s\n", "build", "speed", "program", "server", "together", "ticks/s", "frames/s", "vs 100"
                 for (i = 0; i < m; i++) for (j = 0; j < s; j++) {
                     k = names[i] " " speeds[j]; b = names[i] " 100"
                     both = (cpu[k] + srv[k]) / n[k]
                     base = (b in n) ? (cpu[b] + srv[b]) / n[b] : 0
                     printf "%-14s %6s %9.1f %9.1f %9.1f %8d %8d %8s\n", names[i], speeds[j], cpu[k] / n[k] / 1000,
                            srv[k] / n[k] / 1000, both / 1000, ticks[k] / n[k], frames[k] / n[k],
                            (base > 0 ? sprintf("%.2fx", both / base) : "-")
                 }
             }' "$tmp/runs"
    done
done
