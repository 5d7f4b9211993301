#!/bin/bash
# Bad command lines and environments against the real program, one row a
# case: it never crashes or hangs, never spins the processor while it waits
# (under 10% of a core), says what is wrong (a titled box on a display, a
# line on standard error without one), and ends with status 0 on SIGTERM
# while a box waits.
set -u
lumaris=$1
if [ "${2:-}" != "--on-display" ]; then
    exec "$(cd "$(dirname "$0")" && pwd)/with-xvfb.sh" "$0" "$lumaris" --on-display
fi
work=$(mktemp -d)
trap 'rm -rf "$work"; [ -n "${host:-}" ] && kill "$host" 2>/dev/null' EXIT
export HOME=$work XDG_CONFIG_HOME=$work GSETTINGS_BACKEND=memory SDL_AUDIODRIVER=dummy
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
tick=$(getconf CLK_TCK)
cpu() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo 0; }

# A window of another client (the settings dialog of another process), and
# one that is gone.
"$lumaris" /c &
host=$!
other=$(timeout 20 xdotool search --sync --onlyvisible --name '^Configuration$' | head -n 1)
gone=$((16#3fffff0))
root=$(printf %d "$(xwininfo -root | awk '/Window id/ { print $4 }')")
long="/$(head -c 100000 /dev/zero | tr '\0' 'a')"

# expect ARGS...: the row's outcome is one of
#   ends:N      the process ends by itself with status N within 5 s
#   box:TITLE   a box titled TITLE waits; SIGTERM ends the process with 0
#   runs        it keeps running (a preview, the scene); SIGTERM ends it with 0
check() {
    local want=$1 label=$2; shift 2
    "$lumaris" "$@" >"$work/out" 2>&1 &
    local pid=$!
    local status=-1
    for _ in $(seq 50); do
        if ! kill -0 "$pid" 2>/dev/null; then wait "$pid"; status=$?; break; fi
        sleep 0.1
    done
    if [ "$status" -eq -1 ]; then
        local c0 c1
        c0=$(cpu "$pid"); sleep 2; c1=$(cpu "$pid")
        [ $(( (c1 - c0) * 100 / tick )) -lt 20 ] || fail "$label: $(( (c1 - c0) * 100 / tick ))% of a core while waiting"
        case $want in
            box:*)
                xdotool search --onlyvisible --name "^${want#box:}\$" >/dev/null 2>&1 || fail "$label: no box [${want#box:}]" ;;
            ends:*) fail "$label: still running after 5 s" ;;
        esac
        kill -TERM "$pid"
        for _ in $(seq 30); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        if kill -0 "$pid" 2>/dev/null; then
            fail "$label: SIGTERM did not end it"
            kill -9 "$pid"
        fi
        wait "$pid"; status=$?
        [ "$status" -eq 0 ] || fail "$label: status $status after SIGTERM"
    else
        case $want in
            ends:*) [ "$status" -eq "${want#ends:}" ] || fail "$label: status $status, want ${want#ends:}" ;;
            *) fail "$label: ended by itself with status $status: $(head -c 200 "$work/out")" ;;
        esac
    fi
    echo "ok: $label"
}

check ends:0 "/p 0" /p 0
check ends:0 "/p -1" /p -1
check box:"Error in function sub Main" "/p 2^31" /p 2147483648
check box:"Error in function sub Main" "/p 2^32+5" /p 4294967301
check ends:0 "/p on the root window" /p "$root"
check ends:0 "/p on a window that is gone" /p "$gone"
check runs "/p in another client's window" /p "$other"
check box:"Error in function sub Main" "/a 2^32+5" /a 4294967301
check box:"Error in function sub Main" "100,000 characters" "$long"
check box:"Error in function sub Main" "invalid UTF-8" /p "$(printf '\xc3\x28')"
check runs "/s with invalid UTF-8 after it" /s "$(printf '\xff\xfe')"

# Without a display, and with one that has no server.
for display in unset :9999; do
    for args in /s /c "/p 5"; do
        if [ "$display" = unset ]; then
            out=$(env -u DISPLAY -u WAYLAND_DISPLAY timeout 10 "$lumaris" $args 2>&1 >/dev/null)
        else
            out=$(DISPLAY=$display timeout 10 "$lumaris" $args 2>&1 >/dev/null)
        fi
        status=$?
        { [ "$status" -ne 0 ] && [ "$status" -ne 124 ]; } || fail "$args, display $display: status $status"
        [ -n "$out" ] || fail "$args, display $display: nothing on standard error"
        echo "ok: $args with display $display: $out"
    done
done

[ "$failures" -eq 0 ] && echo "bad input: all passed"
exit "$failures"
