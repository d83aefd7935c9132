#!/bin/sh
# Configures and builds everything into ./build (the default preset: warnings are errors).
set -eu
cd "$(dirname "$0")/.."
scripts/configure.sh default
cmake --build --preset default --parallel "$(nproc 2>/dev/null || echo 2)"
