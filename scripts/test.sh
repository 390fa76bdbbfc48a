#!/usr/bin/env bash
# Builds Petitora and runs every test twice: a normal optimised build and an
# AddressSanitizer + UndefinedBehaviorSanitizer build. Then builds the Debian
# package and checks it unpacked, against the programs of the optimised build.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh test

jobs=$(nproc)
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen

build_and_test() {
    local dir=$1; shift
    echo "=== $dir ==="
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPETITORA_WERROR=ON "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
    ctest --test-dir "$dir" --output-on-failure -j "$jobs" --timeout 900
}

build_and_test build/release -DPETITORA_BENCH=ON
build_and_test build/asan -DPETITORA_SANITIZE=ON

echo "=== Debian package ==="
bash tests/package/check_package.sh build/release build/package
