#!/bin/sh
# Compiles every platform-neutral source file (everything under src/ but the
# Unix host folders of src/platform) with the 32-bit Windows compiler,
# warnings as errors: once as it stands, once with <windows.h> included
# first, so that no name of the core clashes with the system's macros.
# Usage: check-portable.sh [FOLDER...]; the folders default to the
# LUMARIS_UNIX_FOLDERS that CMakeLists.txt builds for Linux only.
# CXX_WINDOWS in the environment names another compiler.
set -eu
cd "$(dirname "$0")/.."
cxx=${CXX_WINDOWS:-i686-w64-mingw32-g++-posix}
if ! command -v "$cxx" >/dev/null 2>&1; then
    echo "check-portable: $cxx not found (scripts/install-deps.sh installs it)" >&2
    exit 1
fi
folders="$*"
if [ -z "$folders" ]; then
    folders=$(sed -n 's/^set(LUMARIS_UNIX_FOLDERS \(.*\))$/\1/p' CMakeLists.txt)
fi
if [ -z "$folders" ]; then
    echo "check-portable: no Unix folders named" >&2
    exit 1
fi
skip=""
for folder in $folders; do
    [ -d "src/platform/$folder" ] || { echo "check-portable: no folder src/platform/$folder" >&2; exit 1; }
    skip="$skip -not -path src/platform/$folder/*"
done
# The patterns go to find as they stand, not expanded by the shell.
set -f
# shellcheck disable=SC2086
files=$(find src -name '*.cpp' $skip | sort)
set +f
[ -n "$files" ] || { echo "check-portable: no files to compile" >&2; exit 1; }
# One compilation per line: "FILE" or "FILE windows.h".
jobs=$(for f in $files; do echo "$f -"; echo "$f windows.h"; done)
echo "$jobs" | xargs -P "$(nproc)" -n 2 sh -c '
    if [ "$2" = "-" ]; then first=""; else first="-include $2"; fi
    "$0" -std=c++20 -Wall -Wextra -Werror -fsyntax-only -DNOMINMAX $first -Isrc "$1" ||
        { echo "check-portable: $1 does not compile for Windows${first:+ after <windows.h>}" >&2; exit 255; }
' "$cxx"
echo "check-portable: $(echo "$jobs" | wc -l) compilations of $(echo "$files" | wc -w) files passed (all but src/platform/{$(echo $folders | tr ' ' ,)})"
