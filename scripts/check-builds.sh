#!/usr/bin/env bash
# Builds every target (program, tests, benchmarks) in the three build types
# with GCC and with Clang, warnings as errors, and reports each combination.
# Usage: scripts/check-builds.sh [jobs]
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh test || exit 1

jobs=${1:-$(nproc)}
failed=0
for compiler in gcc clang; do
    case $compiler in
        gcc) cc=gcc cxx=g++ ;;
        clang) cc=clang-14 cxx=clang++-14 ;;
    esac
    for type in Release RelWithDebInfo Debug; do
        dir=build/check-$compiler-$type
        log=$dir.log
        mkdir -p "$dir"
        start=$SECONDS
        if cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=$type -DCMAKE_C_COMPILER=$cc \
            -DCMAKE_CXX_COMPILER=$cxx -DPETITORA_WERROR=ON -DPETITORA_BENCH=ON >"$log" 2>&1 &&
            cmake --build "$dir" -j "$jobs" >>"$log" 2>&1; then
            echo "ok      $compiler $type ($((SECONDS - start)) s)"
        else
            echo "FAILED  $compiler $type ($((SECONDS - start)) s): see $log"
            grep -E 'error|warning:' "$log" | head -n 20
            failed=1
        fi
    done
done
exit $failed
