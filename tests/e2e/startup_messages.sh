#!/bin/bash
# The real binary's start-up messages: unknown arguments and a missing window
# handle open titled message boxes on a display, and the process ends once the
# box is dismissed; without a display the text goes to standard error and the
# process exits with a failure status.
set -u
lumaris=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Find the box by its title, dismiss it with Enter, and see the process end.
check_box() {
    local title=$1; shift
    "$lumaris" "$@" &
    local pid=$!
    local window
    window=$(timeout 20 xdotool search --sync --onlyvisible --name "^${title}\$" | head -n 1)
    if [ -z "$window" ]; then
        fail "no window titled [$title] for $*"
        kill "$pid" 2>/dev/null
        return
    fi
    # Press Enter until the box goes (the first press may come before the
    # box takes keyboard input).
    for _ in $(seq 10); do
        xdotool windowfocus --sync "$window" 2>/dev/null
        xdotool key --window "$window" Return 2>/dev/null
        for _ in $(seq 10); do
            kill -0 "$pid" 2>/dev/null || break 2
            sleep 0.1
        done
    done
    if kill -0 "$pid" 2>/dev/null; then
        fail "process for $* still runs after the box was dismissed"
        kill "$pid"
    fi
    wait "$pid" 2>/dev/null
    echo "ok: box [$title] for $*"
}

# True when the process has ended within five seconds.
ends_within_5s() {
    for _ in $(seq 50); do
        kill -0 "$1" 2>/dev/null || return 0
        sleep 0.1
    done
    return 1
}

# An end signal ends the dialog with success (GTK's loop reads no SDL events).
check_signal() {
    local signal=$1
    "$lumaris" /c &
    local pid=$!
    if [ -z "$(timeout 20 xdotool search --sync --onlyvisible --name '^Configuration$' | head -n 1)" ]; then
        fail "no dialog for the $signal check"
    fi
    kill "-$signal" "$pid"
    if ! ends_within_5s "$pid"; then
        fail "the dialog still runs after $signal"
        kill -9 "$pid"
    fi
    wait "$pid"
    local status=$?
    [ "$status" -eq 0 ] || fail "the dialog ended with status $status after $signal"
    echo "ok: the dialog ends on $signal"
}

# With the lock option on, an account whose password no answer could match
# (locked, "*", empty) is never asked: a key ends the scene, and one line
# says why. As root: root itself (its own shadow entry) and a test user
# locked with passwd -l (its own `passwd -S`).
check_unaskable() {
    local user=$1 home=$work/home-$1
    mkdir -p "$home"
    printf 'lock: True\n' >"$home/.xscreensaver"
    cp "$lumaris" "$home/lumaris"
    cp "$XAUTHORITY" "$home/xauthority"
    chmod 755 "$work"
    chown -R "$user" "$home"
    setpriv --reuid="$user" --regid="$user" --clear-groups \
        env HOME="$home" XDG_CONFIG_HOME="$home" XAUTHORITY="$home/xauthority" "$home/lumaris" /s 2>"$work/err" &
    local pid=$!
    if [ -z "$(timeout 20 xdotool search --sync --onlyvisible --name '^QNVesmire Saver Running$' | head -n 1)" ]; then
        fail "no scene for $user"
    fi
    sleep 1
    xdotool key x
    if ! ends_within_5s "$pid"; then
        fail "$user was asked for a password that cannot be right"
        kill "$pid"
    fi
    wait "$pid" || fail "the scene of $user ended with status $?"
    grep -q "^lumaris: no password for this run: the password of $user is locked" "$work/err" ||
        fail "no line on why $user is not asked: [$(cat "$work/err")]"
    echo "ok: $user with a locked password is not asked"
}

if [ "${2:-}" = "--on-display" ]; then
    export SDL_AUDIODRIVER=dummy GSETTINGS_BACKEND=memory HOME=$work
    if [ "$(id -u)" -eq 0 ] && [ "$(getent shadow root | cut -d: -f2)" = "*" ]; then check_unaskable root; fi
    if [ "$(id -u)" -eq 0 ]; then
        id lumaris-test >/dev/null 2>&1 ||
            useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin lumaris-test
        passwd -l lumaris-test >/dev/null
        check_unaskable lumaris-test
    fi
    check_box "Lumaris" /x
    check_box "Error in function sub Main" /p
    for signal in TERM INT HUP; do check_signal $signal; done
    exit "$failures"
fi

# Without a display.
for args in "/x" "/p" "/s" "/c"; do
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY timeout 10 "$lumaris" $args 2>&1 >/dev/null)
    status=$?
    case "$args" in
        /x) want="Lumaris: Unknown command-line arguments: [/x]" ;;
        /p) want="Error in function sub Main: 13-Type mismatch" ;;
        /s) want="Error in function sub Main: 429-No display: x11 not available" ;;
        /c) want="Error in function sub Main: 429-No display for the settings dialog" ;;
    esac
    { [ "$status" -ne 0 ] && [ "$status" -ne 124 ]; } || fail "$args without display: status $status"
    [ "$out" = "$want" ] || fail "$args without display printed [$out], want [$want]"
    echo "ok: $args without display"
done

"$here/with-xvfb.sh" "$0" "$lumaris" --on-display || failures=$((failures + 1))
[ "$failures" -eq 0 ] && echo "startup messages: all passed"
exit "$failures"
