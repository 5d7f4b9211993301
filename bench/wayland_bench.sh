#!/bin/sh
# The program's cost on Wayland: on one headless sway output (1024x768, and
# 3840x2160 at scale 2), `lumaris --root` and `lumaris /s` beside the bare
# presenter (bench/bare_wl_presenter.cpp: a layer-shell overlay copying the
# strip of a prepared frame into shared-memory buffers) at the same interval,
# interleaved A B C A B C. The compositor's processor time is counted with
# each program's: work moved into it is not work saved. Prints CPU ms per
# frame of the program, of the compositor and of both, and the ratio of both
# to the bare presenter's. Sway refuses to run as root: as root, this runs
# itself again as the user lumaris-test (which tests/e2e/as-test-user.sh
# makes).
# Usage: [BENCH_SIZES="1024x768 ..."] bench/wayland_bench.sh [BUILD] [SECONDS] [ROUNDS]
set -eu
build=$(cd "${1:-build}" && pwd)
seconds=${2:-10}
rounds=${3:-2}
if [ "$(id -u)" -eq 0 ]; then
    id lumaris-test >/dev/null 2>&1 ||
        useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin lumaris-test
    copy=$(mktemp -d /tmp/lumaris-bench.XXXXXX)
    chmod 755 "$copy"
    cp "$0" "$copy/wayland_bench.sh"
    mkdir -p "$copy/build/bench"
    cp "$build/lumaris" "$copy/build/"
    cp "$build/bench/bare_wl_presenter" "$copy/build/bench/"
    chmod -R a+rX "$copy"
    status=0
    setpriv --reuid=lumaris-test --regid=lumaris-test --clear-groups env BENCH_SIZES="${BENCH_SIZES:-}" \
        sh "$copy/wayland_bench.sh" "$copy/build" "$seconds" "$rounds" || status=$?
    rm -rf "$copy"
    exit $status
fi
interval=51   # the default speed, 151 - 100
tmp=$(mktemp -d /tmp/lumaris-wlbench.XXXXXX)
chmod 700 "$tmp"
trap 'kill $sway 2>/dev/null || true; rm -rf "$tmp"' EXIT INT TERM
export HOME="$tmp" XDG_CONFIG_HOME="$tmp" XDG_RUNTIME_DIR="$tmp" GSETTINGS_BACKEND=memory SDL_AUDIODRIVER=dummy
unset DISPLAY WAYLAND_DISPLAY
printf '[Settings]\nSOUND=False\nMUSIC=False\n' >"$tmp/QN Vesmire Lumaris.ini"

cpu() { cat /proc/"$1"/task/*/schedstat | awk '{ ns += $1 } END { printf "%d\n", ns / 1000 }'; }

# measure NAME COMMAND...: one run; appends "NAME cpu_us frames compositor_us" to $tmp/runs.
measure() {
    name=$1; shift
    LUMARIS_STATS=1 "$@" 2>"$tmp/err" &
    pid=$!
    sleep 2
    c0=$(cpu $pid); s0=$(cpu $sway)
    sleep "$seconds"
    c1=$(cpu $pid); s1=$(cpu $sway)
    kill -TERM $pid; wait $pid 2>/dev/null || true
    frames=$(awk '/^frames/ { print $2 }' "$tmp/err")
    echo "$name $(( c1 - c0 )) ${frames:-0} $(( s1 - s0 ))" >>"$tmp/runs"
}

for size in ${BENCH_SIZES:-1024x768 3840x2160}; do
    scale=1
    [ "$size" = 3840x2160 ] && scale=2
    printf 'output HEADLESS-1 resolution %s scale %s\n' "$size" "$scale" >"$tmp/config"
    WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 WLR_HEADLESS_OUTPUTS=1 \
        sway -c "$tmp/config" >"$tmp/sway.log" 2>&1 &
    sway=$!
    for _ in $(seq 50); do ls "$tmp"/wayland-? >/dev/null 2>&1 && break; sleep 0.1; done
    WAYLAND_DISPLAY=$(basename "$(ls "$tmp"/wayland-? | head -n1)")
    export WAYLAND_DISPLAY
    : >"$tmp/runs"
    round=0
    while [ $round -lt "$rounds" ]; do
        measure bare "$build/bench/bare_wl_presenter" $interval
        measure display-mode "$build/lumaris" --root
        measure full-screen "$build/lumaris" /s
        round=$((round + 1))
    done
    kill $sway; wait $sway 2>/dev/null || true
    echo "== $size (scale $scale), ${seconds} s x $rounds rounds, interval $interval ms"
    awk '{ cpu[$1] += $2; frames[$1] += $3; comp[$1] += $4; if (!($1 in seen)) { order[n++] = $1; seen[$1] = 1 } }
         END {
             base = (cpu["bare"] + comp["bare"]) / frames["bare"]
             printf "%-14s %9s %9s %9s %7s %9s\n", "program", "ms/frame", "sway", "both", "frames", "vs bare"
             for (i = 0; i < n; i++) {
                 k = order[i]
                 if (frames[k] == 0) { printf "%-14s no frames\n", k; continue }
                 both = (cpu[k] + comp[k]) / frames[k]
                 printf "%-14s %9.3f %9.3f %9.3f %7d %8.2fx\n", k, cpu[k] / frames[k] / 1000, comp[k] / frames[k] / 1000,
                        both / 1000, frames[k], both / base
             }
         }' "$tmp/runs"
done
