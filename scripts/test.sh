#!/bin/sh
# Installs what is needed, builds Lumaris for Linux and Windows and runs
# every test: the unit tests, the end-to-end tests of the real program under
# Xvfb, and the Windows program's tests under Wine.
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build-windows.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMARIS_WINDOWS_BUILD="$(pwd)/build-win64" >/dev/null
cmake --build build -j"$(nproc)"
ctest --test-dir build -j"$(nproc)" --output-on-failure
for dir in build-win32 build-win64; do
    ctest --test-dir $dir --output-on-failure
done
