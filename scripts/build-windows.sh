#!/bin/sh
# Builds Lumaris.scr for Windows with MinGW-w64: the 32-bit product in
# build-win32 and the 64-bit build that the tests run under Wine in
# build-win64. Installs what it needs first.
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
for arch in i686 x86_64; do
    # The product is optimised and stripped; the test build keeps symbols.
    case $arch in i686) dir=build-win32 type=Release ;; *) dir=build-win64 type=RelWithDebInfo ;; esac
    cmake -S . -B $dir -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-$arch.cmake -DCMAKE_BUILD_TYPE=$type >/dev/null
    cmake --build $dir -j"$(nproc)"
done
