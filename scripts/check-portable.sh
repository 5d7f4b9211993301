#!/bin/sh
# Compiles every platform-neutral source file (everything under src/ but the
# Linux and Wayland back ends) with the 32-bit Windows compiler, warnings as errors: once
# as it stands, once with <windows.h> included first, so that no name of the
# core clashes with the system's macros. Usage: check-portable.sh [CXX]
set -eu
cd "$(dirname "$0")/.."
cxx=${1:-i686-w64-mingw32-g++-posix}
if ! command -v "$cxx" >/dev/null 2>&1; then
    echo "check-portable: $cxx not found (scripts/install-deps.sh installs it)" >&2
    exit 1
fi
files=$(find src -name '*.cpp' -not -path 'src/platform/linux/*' -not -path 'src/platform/wayland/*' | sort)
# One compilation per line: "FILE" or "FILE windows.h".
jobs=$(for f in $files; do echo "$f -"; echo "$f windows.h"; done)
echo "$jobs" | xargs -P "$(nproc)" -n 2 sh -c '
    if [ "$2" = "-" ]; then first=""; else first="-include $2"; fi
    "$0" -std=c++20 -Wall -Wextra -Werror -fsyntax-only -DNOMINMAX $first -Isrc "$1" ||
        { echo "check-portable: $1 does not compile for Windows${first:+ after <windows.h>}" >&2; exit 255; }
' "$cxx"
echo "check-portable: $(echo "$jobs" | wc -l) compilations of $(echo "$files" | wc -w) files passed"
