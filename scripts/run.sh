#!/bin/sh
# Installs what is needed, builds Lumaris and starts it. Arguments go to the
# program; without any it starts the full-screen scene (/s).
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target lumaris
if [ "$#" -eq 0 ]; then set -- /s; fi
exec ./build/lumaris "$@"
