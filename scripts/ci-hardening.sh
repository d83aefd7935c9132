#!/bin/sh
# The hostile-input pass of CI, after scripts/test.sh: the whole test suite once
# more, built with clang under AddressSanitizer and UndefinedBehaviorSanitizer
# (the asan-ubsan preset, build-asan/), then every fuzz harness built with
# libFuzzer (the fuzz preset, build-fuzz/) and run for a while from its corpus
# kept in fuzz/corpus/. Warnings are errors in both builds.
#
#   scripts/ci-hardening.sh [SECONDS PER HARNESS, default 30]
#
# Installs clang and its sanitizer runtimes first when they are missing. Prints
# how long each stage took. Any sanitizer report, failed test or fuzzer finding
# fails it; a finding is kept as fuzz-findings/<harness>/crash-* (or timeout-*).
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-30}
jobs=$(nproc 2>/dev/null || echo 2)

stage_start=$(date +%s)
stage() {
  now=$(date +%s)
  echo "ci-hardening: $1 took $((now - stage_start)) s"
  stage_start=$now
}

scripts/install-deps.sh clang libclang-rt-dev
stage "installing clang"

# Any report fails its test and names its line; leaks are looked for too (the Qt
# tests run clean of them as they stand, so nothing is suppressed). The same
# options as the asan-ubsan test preset, here for the fuzzers too.
export ASAN_OPTIONS="detect_leaks=1:detect_stack_use_after_return=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
if command -v llvm-symbolizer-14 >/dev/null 2>&1; then
  export ASAN_SYMBOLIZER_PATH="$(command -v llvm-symbolizer-14)"
fi

scripts/configure.sh asan-ubsan
cmake --build --preset asan-ubsan --parallel "$jobs"
stage "sanitizer build"
ctest --preset asan-ubsan --parallel "$jobs"
stage "sanitizer tests"

scripts/configure.sh fuzz
cmake --build --preset fuzz --parallel "$jobs"
stage "fuzz build"

# libFuzzer adds what it finds to the folder it is given: each harness works on a copy.
# A harness still running two minutes after its time is up fails too: it must end by itself.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fuzz() {
  harness=$1
  corpus=$2
  shift 2
  cp -r "fuzz/corpus/$corpus" "$work/$corpus"
  mkdir -p "fuzz-findings/$harness"
  if ! (cd "fuzz-findings/$harness" && timeout $((seconds + 120)) "$root/build-fuzz/fuzz/$harness" \
        -max_total_time="$seconds" -print_final_stats=1 "$@" "$work/$corpus" >"$work/$harness.log" 2>&1); then
    tail -n 60 "$work/$harness.log"
    echo "ci-hardening: $harness found a fault; the input is in fuzz-findings/$harness/" >&2
    exit 1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$harness.log")
  echo "ci-hardening: $harness: ${runs:-?} runs in $seconds s, no finding"
  rmdir "fuzz-findings/$harness" 2>/dev/null || true
}
fuzz fuzz_config_document config_document -max_len=12000 -dict="$root/fuzz/config_document.dict"
fuzz fuzz_search_reply search_reply -max_len=12000
fuzz fuzz_device_replies device_replies -max_len=12000 -timeout=20
fuzz fuzz_request_reader request_reader -max_len=12000
fuzz fuzz_stream_analyser stream_datagrams -max_len=20000
rmdir fuzz-findings 2>/dev/null || true
stage "fuzz smoke"
