#!/bin/sh
# Builds Lumaris.scr for Windows with MinGW-w64: the 32-bit product in
# build-win32 and the 64-bit build that the tests run under Wine in
# build-win64, and with NSIS the installer of each:
# build-win32/Lumaris-2.01-setup.exe, the one to hand out, and
# build-win64/Lumaris-2.01-setup-amd64.exe for the tests. Installs what it
# needs first.
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
for arch in i686 x86_64; do
    # The product is optimised and stripped; the test build keeps symbols.
    case $arch in i686) dir=build-win32 type=Release ;; *) dir=build-win64 type=RelWithDebInfo ;; esac
    cmake -S . -B $dir -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-$arch.cmake -DCMAKE_BUILD_TYPE=$type >/dev/null
    cmake --build $dir -j"$(nproc)"
    case $arch in i686) nsis=x86 setup=Lumaris-2.01-setup.exe ;; *) nsis=amd64 setup=Lumaris-2.01-setup-amd64.exe ;; esac
    makensis -V2 -DARCH=$nsis -DSCR="$(pwd)/$dir/Lumaris.scr" -DREADME="$(pwd)/assets/lumzreadme.txt" \
        -DOUTFILE="$(pwd)/$dir/$setup" src/platform/win32/installer.nsi
done
