#!/bin/sh
# Installs what is needed, builds Lumaris for Linux and Windows and runs
# every test: the unit tests, the end-to-end tests of the real program under
# Xvfb, the Windows program's tests under Wine, and the 32-bit Windows
# program in a virtual machine (made once, in ~/.cache/lumaris/vm, and kept:
# LUMARIS_VM names another folder).
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build-windows.sh
vm=${LUMARIS_VM:-$HOME/.cache/lumaris/vm}
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
$sudo ./scripts/make-vm.sh "$vm"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMARIS_WINDOWS_BUILD="$(pwd)/build-win64" \
    -DLUMARIS_WINDOWS_BUILD32="$(pwd)/build-win32" -DLUMARIS_VM="$vm" >/dev/null
cmake --build build -j"$(nproc)"
ctest --test-dir build -j"$(nproc)" --output-on-failure
for dir in build-win32 build-win64; do
    ctest --test-dir $dir --output-on-failure
done
