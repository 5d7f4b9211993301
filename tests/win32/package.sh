#!/bin/sh
# Makes the zip of a Windows build (cpack) and checks that it holds
# Lumaris.scr and the read-me, and nothing else. Usage: package.sh BUILD
set -eu
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
(cd "$build" && cpack -G ZIP -B "$out" >/dev/null)
zip=$(ls "$out"/Lumaris-2.01-win*.zip)
listed=$(cd "$out" && cmake -E tar tf "$zip" | sort | tr '\n' ' ')
[ "$listed" = "Lumaris.scr lumzreadme.txt " ] || { echo "package: $zip holds: $listed" >&2; exit 1; }
echo "package: $(basename "$zip") holds $listed"
