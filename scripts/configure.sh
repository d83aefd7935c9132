#!/bin/sh
# Configures one of the builds CMakePresets.json names (default, asan-ubsan, fuzz),
# through ccache where it is installed. Configure warnings are shown.
#
#   scripts/configure.sh PRESET [CMAKE OPTIONS...]
set -eu
cd "$(dirname "$0")/.."
preset=${1:?give a preset: default, asan-ubsan or fuzz}
shift
if command -v ccache >/dev/null 2>&1; then
  set -- -DCMAKE_CXX_COMPILER_LAUNCHER=ccache "$@"
fi
cmake --preset "$preset" "$@"
