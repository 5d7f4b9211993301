#!/bin/sh
# Installs what is needed, builds Lumaris and runs every test: the unit
# tests and the end-to-end tests of the real program under Xvfb.
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
ctest --test-dir build -j"$(nproc)" --output-on-failure
