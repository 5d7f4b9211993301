#!/bin/sh
# Runs a command with a Wine prefix of its own (made once, then kept) and
# one wine server for the whole run, ended afterwards with every program
# it still runs. Usage: with-wine.sh PREFIX COMMAND...
set -eu
export WINEPREFIX=$1
shift
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
fi
/usr/lib/wine/wineserver -k 2>/dev/null || true
/usr/lib/wine/wineserver -p
trap '/usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT
"$@"
