#!/bin/sh
# Runs a Windows test program under Wine in a prefix of the build's own
# (WINEPREFIX, default <build>/wine-prefix): made once, then kept.
# Usage: wine-test.sh PROGRAM.exe [ARGUMENT...]
set -eu
program=$1
shift
: "${WINEPREFIX:=$(cd "$(dirname "$program")" && pwd)/wine-prefix}"
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
    /usr/lib/wine/wineserver -w
fi
exec /usr/lib/wine/wine64 "$program" "$@"
