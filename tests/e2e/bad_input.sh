#!/bin/bash
# Bad command lines and environments against the real program, one row a
# case: it never crashes or hangs, never spins the processor while it waits
# (under 10% of a core), says what is wrong (a titled box on a display, a
# line on standard error without one), and ends with status 0 on SIGTERM
# while a box waits. Then saves on a full and on a read-only file system
# (as root, in a mount namespace of its own), and the end signals.
set -u
lumaris=$1
if [ "$(id -u)" -eq 0 ] && [ -z "${LUMARIS_OWN_MOUNTS:-}" ] && unshare -m true 2>/dev/null; then
    LUMARIS_OWN_MOUNTS=1 exec unshare -m --propagation private "$0" "$@"
fi
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
# signalEnds SIGNAL PID TENTHS LABEL: the signal ends the process within
# TENTHS tenths of a second, with status 0.
signalEnds() {
    kill -"$1" "$2"
    for _ in $(seq "$3"); do kill -0 "$2" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$2" 2>/dev/null; then
        fail "$4: SIG$1 did not end it within $(($3 / 10)).$(($3 % 10)) s"
        kill -9 "$2"
    fi
    wait "$2"
    local status=$?
    [ $status -eq 0 ] || fail "$4: status $status after SIG$1"
}

# A window of another client (the settings dialog of another process), and
# one that is gone.
"$lumaris" /c &
host=$!
other=$(timeout 20 xdotool search --sync --onlyvisible --name '^Configuration$' | head -n 1)
gone=$((16#3fffff0))
root=$(printf %d "$(xwininfo -root | awk '/Window id/ { print $4 }')")
long="/$(head -c 100000 /dev/zero | tr '\0' 'a')"

# expect ARGS...: the row's outcome is one of
#   ends:N      the process ends by itself with status N within 3 s
#   box:TITLE   a box titled TITLE waits; SIGTERM ends the process with 0
#   runs        it keeps running (a preview, the scene); SIGTERM ends it with 0
check() {
    local want=$1 label=$2; shift 2
    env ${row_env:-} "$lumaris" "$@" >"$work/out" 2>&1 &
    local pid=$!
    local status=-1
    for _ in $(seq 30); do
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
            ends:*) fail "$label: still running after 3 s" ;;
        esac
        signalEnds TERM "$pid" 30 "$label"
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
# Again under a window manager, which frames a window that ends up on its
# own: the frame is no host.
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
sleep 1
for handle in 0 -1 "$root" "$gone" 12345; do check ends:0 "/p $handle under a window manager" /p "$handle"; done
check runs "/p in another client's window under a window manager" /p "$other"
kill $wm
wait $wm 2>/dev/null
check box:"Error in function sub Main" "/a 2^32+5" /a 4294967301
# The password change with no tool for it on the path: the box that says how
# to change the password, whatever the window.
row_env=PATH=/nonexistent
for handle in 0 -1 "$root" "$gone" "$other"; do check box:Lumaris "/a $handle" /a "$handle"; done
row_env=
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

# Saving from the dialog (Enter is Ok) where the file cannot be replaced:
# the titled message, the old file whole, no temporary file left.
if [ -n "${LUMARIS_OWN_MOUNTS:-}" ]; then
    for row in full read-only; do
        dir=$work/$row
        mkdir -p "$dir"
        mount -t tmpfs -o size=64k,mode=700 lumaris-test "$dir"
        printf '[Settings]\nSPEED=130\n' >"$dir/QN Vesmire Lumaris.ini"
        if [ $row = full ]; then
            dd if=/dev/zero of="$dir/filler" bs=4k 2>/dev/null
        else
            mount -o remount,ro "$dir"
        fi
        XDG_CONFIG_HOME=$dir "$lumaris" /c &
        pid=$!
        timeout 20 xdotool search --sync --onlyvisible --pid $pid --name '^Configuration$' >/dev/null
        sleep 0.5
        xdotool key Return
        timeout 5 xdotool search --sync --onlyvisible --name '^Error in main sub saveconfig$' >/dev/null ||
            fail "save on a $row file system: no message"
        [ "$(cat "$dir/QN Vesmire Lumaris.ini")" = "$(printf '[Settings]\nSPEED=130')" ] ||
            fail "save on a $row file system: the old file changed"
        [ "$(ls -A "$dir" | grep -cv '^filler$')" -eq 1 ] || fail "save on a $row file system: files left: $(ls -A "$dir")"
        kill -TERM $pid
        wait $pid || fail "save on a $row file system: status $? after SIGTERM"
        umount "$dir"
        echo "ok: save on a $row file system"
    done
else
    echo "skipped: saves on full and read-only file systems (they need root for a tmpfs)"
fi

# The end signals in every mode that shows a window: status 0, no window
# and no child process left behind. (The shell starts these with SIGINT and
# SIGQUIT ignored: the program catches them all the same.)
for args in /s /c "/p $other"; do
    for signal in TERM INT HUP QUIT; do
        "$lumaris" $args 2>/dev/null &
        pid=$!
        case $args in
            /s) timeout 10 xdotool search --sync --onlyvisible --name '^QNVesmire Saver Running$' >/dev/null ;;
            /c) timeout 10 xdotool search --sync --onlyvisible --pid $pid --name '^Configuration$' >/dev/null ;;
            *) sleep 1 ;;  # the preview's window is a child of its host's
        esac
        sleep 0.5
        children=$(pgrep -P $pid)
        signalEnds $signal $pid 30 "$args"
        for child in $children; do kill -0 "$child" 2>/dev/null && fail "$args: child $child left after SIG$signal"; done
        xdotool search --pid $pid >/dev/null 2>&1 && fail "$args: a window left after SIG$signal"
        echo "ok: $args on SIG$signal"
    done
done

# Two scenes started at the same moment: one runs, and a key ends it. A
# copy of the program elsewhere is another program: both start, and still
# no key goes unheard.
cp "$lumaris" "$work/copy"
for second in "$lumaris" "$work/copy"; do
    "$lumaris" /s 2>/dev/null &
    a=$!
    "$second" /s 2>/dev/null &
    b=$!
    sleep 2.5
    running=0
    for p in $a $b; do kill -0 $p 2>/dev/null && running=$((running + 1)); done
    [ "$second" != "$lumaris" ] || [ $running -eq 1 ] || fail "two scenes at once: $running running"
    for _ in 1 2; do
        xdotool key x
        sleep 1.5
    done
    for p in $a $b; do
        kill -0 $p 2>/dev/null && { fail "two scenes at once ($second): one ignores its keys"; kill -9 $p; }
        wait $p
    done
    echo "ok: two scenes at once ($second)"
done
rm -f "$work/copy"

# Damaged songs in the display mode: the decoder's own notes never reach
# standard error (one line per message, and a damaged song is no news).
mkdir "$work/damaged"
head -c 400000 /dev/urandom | lame --quiet -r -s 44.1 --bitwidth 16 - "$work/damaged/song.mp3" 2>/dev/null
for offset in 3000 9000 15000 21000 27000; do
    head -c 300 /dev/urandom | dd of="$work/damaged/song.mp3" bs=1 seek=$offset conv=notrunc 2>/dev/null
done
head -c 4000 "$work/damaged/song.mp3" >"$work/damaged/half.mp3"
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$work/sound.raw "$lumaris" --root --music --music-dir "$work/damaged" 2>"$work/err" &
pid=$!
sleep 4
kill -TERM $pid
wait $pid || fail "damaged songs: status $?"
said=$(grep -v '^CRITICAL: \(You are using the SDL disk i/o audio driver!\|.Writing to file \)' "$work/err")
[ -z "$said" ] || fail "damaged songs: on standard error: $(echo "$said" | head -n 3)"
echo "ok: damaged songs in the display mode"

# A display server that stops answering (SIGSTOP) holds the program in a
# call: SIGTERM still ends it within a second or so, with status 0.
exec 3>"$work/frozen-display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
server=$!
exec 3>&-
for _ in $(seq 50); do [ -s "$work/frozen-display" ] && break; sleep 0.1; done
frozen=:$(head -n 1 "$work/frozen-display")
for args in /s --root; do
    DISPLAY=$frozen "$lumaris" $args 2>/dev/null &
    pid=$!
    sleep 1.5
    kill -STOP $server
    sleep 0.3
    signalEnds TERM $pid 15 "$args on a frozen server"
    kill -CONT $server
    echo "ok: $args on a frozen server"
done
kill $server
wait $server 2>/dev/null

[ "$failures" -eq 0 ] && echo "bad input: all passed"
exit "$failures"
