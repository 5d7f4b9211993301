#!/bin/sh
# The Debian package: made with cpack, installed with dpkg, its files where
# the desktop looks for them, and the daemon's test passed against the
# installed program. Removed again afterwards unless it was installed before.
# Needs root (exit 77, a skip, otherwise).
set -eu
build=$1
tests=$2
if [ "$(id -u)" -ne 0 ]; then
    echo "package.sh: not root, so the package cannot be installed here"
    exit 77
fi
here=$(cd "$(dirname "$0")" && pwd)
cd "$build"
rm -f lumaris_*.deb
cpack -G DEB >/dev/null
deb=$(ls lumaris_*_"$(dpkg --print-architecture)".deb)
echo "made $deb"

before=$(dpkg-query -W -f='${Status}' lumaris 2>/dev/null || true)
cleanup() {
    case "$before" in
        *"install ok installed"*) ;;
        *) dpkg -r lumaris >/dev/null ;;
    esac
}
trap cleanup EXIT
dpkg -i --force-confold "$deb" >/dev/null

for f in /usr/bin/lumaris /usr/libexec/xscreensaver/lumaris /usr/share/xscreensaver/config/lumaris.xml \
    /usr/share/applications/lumaris.desktop /usr/share/man/man1/lumaris.1 \
    /usr/share/doc/lumaris/lumzreadme.txt /etc/pam.d/lumaris /etc/xdg/autostart/lumaris-idle.desktop \
    /usr/lib/systemd/user/lumaris-idle.service; do
    if [ ! -e "$f" ]; then
        echo "package.sh: the package does not install $f"
        exit 1
    fi
done
/usr/bin/lumaris --help | grep -q -- "--window-id"
/usr/bin/lumaris --help | grep -q -- "--idle"

LUMARIS_BINARY=/usr/libexec/xscreensaver/lumaris GTEST_FILTER='Daemon.RunsTheMode*' \
    "$here/as-test-user.sh" "$here/with-xvfb.sh" "$tests"
