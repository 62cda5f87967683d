#!/usr/bin/env bash
# Builds libtarn and runs tarn-info, installing the build tools first when they are missing.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
need_packages cmake ninja-build g++ libc6-dev
cmake -S . -B build/demo -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARN_TESTS=OFF >/dev/null
cmake --build build/demo --target tarn-info >/dev/null
./build/demo/examples/tarn-info
