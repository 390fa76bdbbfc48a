#!/usr/bin/env bash
# Builds the Petitora desktop program and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh run
cmake -S . -B build/app -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPETITORA_TESTS=OFF >/dev/null
cmake --build build/app -j "$(nproc)" --target petitora
exec build/app/petitora "$@"
