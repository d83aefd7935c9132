#!/bin/sh
# Configures and builds everything into ./build (warnings are errors).
set -eu
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRINE_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build build --parallel "$(nproc 2>/dev/null || echo 2)"
