#!/usr/bin/env bash
# Builds the benchmarks (optimised) and runs them beside OpenSSL's libcrypto.
# Extra arguments go to every benchmark program, e.g. --benchmark_filter=Md5.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh bench
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DPETITORA_TESTS=OFF \
    -DPETITORA_UI=OFF -DPETITORA_BENCH=ON >/dev/null
cmake --build build/bench -j "$(nproc)"
for b in build/bench/bench/*_bench; do
    [ -x "$b" ] || continue
    echo "=== $(basename "$b") ==="
    "$b" "$@"
done
