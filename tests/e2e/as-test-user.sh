#!/bin/sh
# Runs a command as an unprivileged user, since the screensaver daemon runs
# no display modes for root. As root: the system user lumaris-test is made
# when missing, and the test program and the program under test
# ($LUMARIS_BINARY, and the tools $LUMARIS_WL_POINTER and $LUMARIS_GNOME_KEY) are copied where that user can run them when it cannot
# where they are. The user gets a password of this run's own, in
# $LUMARIS_TEST_PASSWORD for the tests that type it, and is locked again
# at the end. As any other user: runs the command as it is.
set -eu
if [ "$(id -u)" -ne 0 ]; then exec "$@"; fi

user=lumaris-test
if ! id "$user" >/dev/null 2>&1; then
    useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$user"
fi
LUMARIS_TEST_PASSWORD=$(tr -dc 'A-Za-z0-9' </dev/urandom | head -c 16)
export LUMARIS_TEST_PASSWORD
echo "$user:$LUMARIS_TEST_PASSWORD" | chpasswd
dir=$(mktemp -d /tmp/lumaris-test-user.XXXXXX)
trap 'rm -rf "$dir"; passwd -l "$user" >/dev/null' EXIT INT TERM
chmod 755 "$dir"
mkdir "$dir/home"
chown "$user" "$dir/home"

runnable() { setpriv --reuid="$user" --regid="$user" --clear-groups test -x "$1"; }
if [ -n "${LUMARIS_BINARY:-}" ] && ! runnable "$LUMARIS_BINARY"; then
    cp "$LUMARIS_BINARY" "$dir/lumaris"
    LUMARIS_BINARY="$dir/lumaris"
fi
export LUMARIS_BINARY
# A test tool likewise.
if [ -n "${LUMARIS_WL_POINTER:-}" ] && ! runnable "$LUMARIS_WL_POINTER"; then
    cp "$LUMARIS_WL_POINTER" "$dir/wl-pointer"
    LUMARIS_WL_POINTER="$dir/wl-pointer"
    export LUMARIS_WL_POINTER
fi
if [ -n "${LUMARIS_GNOME_KEY:-}" ] && ! runnable "$LUMARIS_GNOME_KEY"; then
    cp "$LUMARIS_GNOME_KEY" "$dir/gnome-key"
    LUMARIS_GNOME_KEY="$dir/gnome-key"
    export LUMARIS_GNOME_KEY
fi
# The last argument is the test program.
for last in "$@"; do :; done
if ! runnable "$last"; then
    echo "as-test-user.sh: $user cannot run $last" >&2
    exit 1
fi

status=0
setpriv --reuid="$user" --regid="$user" --clear-groups \
    env HOME="$dir/home" XDG_CONFIG_HOME="$dir/home/.config" XDG_RUNTIME_DIR= USER="$user" LOGNAME="$user" \
    "$@" || status=$?
exit "$status"
