#!/usr/bin/env bash
# Builds Petitora and runs every test: a Release build of every target (the
# program, the tests, the benchmarks), an AddressSanitizer +
# UndefinedBehaviorSanitizer build, a bounded run of every fuzz harness, and
# the Debian package, checked unpacked against the programs of the Release build.
# Warnings are errors here (PETITORA_WERROR), never in a user's build.
# FUZZ_SECONDS sets the time per fuzz harness (default 20).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh test

jobs=$(nproc)
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen

build_and_test() {
    local dir=$1 type=$2
    shift 2
    echo "=== $dir ==="
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" -DPETITORA_WERROR=ON "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
    ctest --test-dir "$dir" --output-on-failure -j "$jobs" --timeout 900
}

build_and_test build/release Release -DPETITORA_BENCH=ON
build_and_test build/asan RelWithDebInfo -DPETITORA_SANITIZE=ON

echo "=== build/fuzz ==="
PETITORA_WERROR=ON bash scripts/fuzz.sh "${FUZZ_SECONDS:-20}"

echo "=== Debian package ==="
bash tests/package/check_package.sh build/release build/package
