#!/bin/sh
# Checks a built Lumaris.scr without running it: a GUI executable for the
# given processor (the 32-bit one large-address-aware), importing only
# libraries every Windows has, with the version 2.01, the product name,
# string 1 "Lumaris" and the manifest among its resources.
# Usage: check-scr.sh Lumaris.scr i686|x86_64
set -eu
scr=$1
arch=$2
fail() { echo "check-scr: $*" >&2; exit 1; }
case $arch in
    i686) expected="PE32 executable (GUI) Intel 80386" ;;
    *) expected="PE32+ executable (GUI) x86-64" ;;
esac
file -b "$scr" | grep -q "^$expected" || fail "not a $expected: $(file -b "$scr")"

# Library names are matched without regard to case, as Windows does.
allowed="advapi32.dll comctl32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll oleaut32.dll shell32.dll user32.dll winmm.dll"
for dll in $($arch-w64-mingw32-objdump -p "$scr" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z'); do
    case " $allowed " in *" $dll "*) ;; *) fail "imports $dll, which is not a system library" ;; esac
done

resources=$(mktemp)
trap 'rm -f "$resources"' EXIT
$arch-w64-mingw32-windres -i "$scr" -O rc -o "$resources" 2>/dev/null || fail "its resources cannot be read"
grep -q 'VALUE "FileVersion", "2.01"' "$resources" || fail "no file version 2.01"
grep -q 'VALUE "ProductVersion", "2.01"' "$resources" || fail "no product version 2.01"
grep -q 'VALUE "ProductName", "Lumaris"' "$resources" || fail "no product name"
grep -Eq '^ *1, *"Lumaris"' "$resources" || fail "string 1 is not \"Lumaris\""
for name in SKYPICSOURCE WATERPICSOURCE PICDARKWATER PICMOON PICCIVILSOURCE SPLASHPIC PICBALLOON; do
    grep -q "^\"$name\" 2 /\* RT_BITMAP" "$resources" || fail "no bitmap $name"
done
grep -q '^"TIDEMAR" "WAVE"' "$resources" || fail "no sound TIDEMAR of type WAVE"
# The manifest, resource 1 of type 24: the common controls 6, every Windows
# from Vista to 11, drawing for each monitor's pixel density, and no request
# for administrator rights.
manifest=$(awk '/^1 24 /,/^END/' "$resources" | sed -n 's/^ *"\(.*\)"$/\1/p' | sed 's/""/"/g; s/\\r//g; s/\\n//g' | tr '\n' ' ')
[ -n "$manifest" ] || fail "no manifest (resource 1 of type 24)"
for want in 'name="Microsoft.Windows.Common-Controls"' 'version="6.0.0.0"' 'level="asInvoker"' \
    '>true/pm</dpiAware>' '>PerMonitorV2, PerMonitor</dpiAwareness>' \
    e2011457-1546-43c5-a5fe-008deee3d3f0 35138b9a-5d96-4fbd-8e2d-a2440225f93a 4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 \
    1f676c76-80e1-4239-95bb-83d0f6d0da78 8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a; do
    case $manifest in *"$want"*) ;; *) fail "the manifest lacks $want" ;; esac
done
if [ "$arch" = i686 ]; then
    $arch-w64-mingw32-objdump -p "$scr" | grep -q 'large address aware' || fail "not large-address-aware"
fi
# Every resource is American English (language 1033).
[ "$(grep '^LANGUAGE' "$resources" | sort -u)" = "LANGUAGE 9, 1" ] || fail "a resource is not in language 1033"
echo "check-scr: $scr is a $expected with its resources, importing only $allowed"
