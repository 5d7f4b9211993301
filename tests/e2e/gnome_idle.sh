#!/bin/sh
# `lumaris --idle` against GNOME's own compositor: mutter in its headless
# Wayland mode with a virtual monitor, on a session bus of its own. The idle
# monitor starts the scene after the delay; a key (typed through mutter's
# remote-desktop interface, $LUMARIS_GNOME_KEY) ends it with status 0; after
# another idle delay it comes again, told that GNOME locks the screen itself;
# SIGTERM ends --idle and its scene with status 0, nothing left behind. Run as an unprivileged user
# (as-test-user.sh); $LUMARIS_BINARY is the program.
set -eu
t=$(mktemp -d /tmp/lumaris-gnome.XXXXXX)
chmod 700 "$t"
trap 'rm -rf "$t"' EXIT
export XDG_RUNTIME_DIR="$t" HOME="$t" XDG_CONFIG_HOME="$t" GSETTINGS_BACKEND=memory SDL_AUDIODRIVER=dummy
printf '[Settings]\nSOUND=False\nMUSIC=False\n' >"$t/QN Vesmire Lumaris.ini"
unset DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS

cat >"$t/session.sh" <<'SESSION'
set -eu
fail() { echo "gnome_idle.sh: $*" >&2; kill "$idle" "$mutter" 2>/dev/null || true; exit 1; }
mutter --headless --virtual-monitor 1024x768 --wayland --no-x11 --wayland-display=lumaris-gnome \
    >"$XDG_RUNTIME_DIR/mutter.log" 2>&1 &
mutter=$!
for _ in $(seq 100); do [ -S "$XDG_RUNTIME_DIR/lumaris-gnome" ] && break; sleep 0.1; done
[ -S "$XDG_RUNTIME_DIR/lumaris-gnome" ] || { idle=; fail "mutter did not start: $(tail -3 "$XDG_RUNTIME_DIR/mutter.log")"; }
export WAYLAND_DISPLAY=lumaris-gnome
LUMARIS_IDLE_SECONDS=2 "$LUMARIS_BINARY" --idle 2>"$XDG_RUNTIME_DIR/idle.err" &
idle=$!
scene() { cat "/proc/$idle/task/$idle/children" 2>/dev/null | tr -d ' '; }
waitFor() {  # waitFor yes|no SECONDS: until a scene runs (or none does)
    i=0
    while [ $i -lt $(( $2 * 10 )) ]; do
        if [ "$1" = yes ] && [ -n "$(scene)" ]; then return 0; fi
        if [ "$1" = no ] && [ -z "$(scene)" ]; then return 0; fi
        sleep 0.1; i=$((i + 1))
    done
    return 1
}
for cycle in 1 2; do
    waitFor yes 8 || fail "cycle $cycle: no scene after the idle delay"
    sleep 1
    "$LUMARIS_GNOME_KEY" || fail "cycle $cycle: the key was not typed"
    waitFor no 5 || fail "cycle $cycle: the key did not end the scene"
done
waitFor yes 8 || fail "no scene after the second key"
last=$(scene)
# GNOME's lock is the lock: the scene is told the desktop locks itself.
tr '\0' '\n' <"/proc/$last/environ" | grep -qx 'LUMARIS_DESKTOP_LOCKS=1' ||
    fail "the scene was not told that GNOME locks the screen"
kill -TERM "$idle"
status=0; wait "$idle" || status=$?
[ "$status" -eq 0 ] || fail "--idle ended with status $status"
if kill -0 "$last" 2>/dev/null; then fail "the scene $last is left behind"; fi
[ ! -s "$XDG_RUNTIME_DIR/idle.err" ] || fail "--idle said: $(cat "$XDG_RUNTIME_DIR/idle.err")"
kill "$mutter"
echo "gnome_idle.sh: two cycles on mutter's idle monitor, status 0"
SESSION
dbus-run-session -- sh "$t/session.sh"
