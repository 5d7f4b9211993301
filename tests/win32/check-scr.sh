#!/bin/sh
# Checks a built Lumaris.scr without running it: a GUI executable for the
# given processor, importing only libraries every Windows has, with the
# version 2.01, the product name and string 1 "Lumaris" among its
# resources. Usage: check-scr.sh Lumaris.scr i686|x86_64
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
# Every resource is American English (language 1033).
[ "$(grep '^LANGUAGE' "$resources" | sort -u)" = "LANGUAGE 9, 1" ] || fail "a resource is not in language 1033"
echo "check-scr: $scr is a $expected with its resources, importing only $allowed"
