#!/usr/bin/env bash
# Builds the libFuzzer harnesses (Clang 14, AddressSanitizer + UndefinedBehavior-
# Sanitizer) and runs each one for a bounded time, two at a time, starting from
# its committed seed corpus. Fails on any finding: a crash, a leak, a sanitizer
# report, a broken property or a hang.
#
# Usage: scripts/fuzz.sh [seconds per harness, default 20] [harness names...]
#
# New inputs go to build/fuzz/corpus/<name>/ (kept between runs, so longer runs
# build on earlier ones); findings go to build/fuzz/artifacts/<name>/ and the
# log of each run to build/fuzz/logs/<name>.log. Nothing is written to tests/.
# FUZZ_JOBS sets how many harnesses run at once (default 2); PETITORA_WERROR=ON
# makes warnings errors in this build, as scripts/test.sh does.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh fuzz

seconds=${1:-20}
shift || true
jobs=${FUZZ_JOBS:-2}
dir=build/fuzz

cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
    -DPETITORA_FUZZ=ON -DPETITORA_WERROR="${PETITORA_WERROR:-OFF}" >/dev/null
cmake --build "$dir" -j "$(nproc)"

if [ $# -gt 0 ]; then
    names=("$@")
else
    names=()
    for source in tests/fuzz/*_fuzz.cpp; do names+=("$(basename "$source" .cpp)"); done
fi

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# Runs one harness and records the fuzzer's exit status (0: nothing found).
run_one() {
    local name=$1
    local work=$dir/corpus/$name artifacts=$dir/artifacts/$name log=$dir/logs/$name.log
    mkdir -p "$work" "$artifacts"
    local status=0
    # The scratch folder comes first: new inputs land there, never in the seeds.
    "$dir/tests/fuzz/$name" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 \
        -use_value_profile=1 -print_final_stats=1 -artifact_prefix="$artifacts/" \
        "$work" "tests/fuzz/corpus/$name" >"$log" 2>&1 || status=$?
    echo "$status" >"$dir/logs/$name.status"
}

failed=0
report() {
    local name=$1 log=$dir/logs/$1.log
    local status runs
    status=$(cat "$dir/logs/$name.status" 2>/dev/null || echo "not run")
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    if [ "$status" = 0 ]; then
        printf '%-16s ok       %6s s  %10s executions\n' "$name" "$seconds" "${runs:-?}"
    else
        printf '%-16s FAILED (status %s): see %s\n' "$name" "$status" "$log"
        grep -E 'ERROR|property failed|SUMMARY|Test unit written' "$log" | head -n 20 || true
        failed=1
    fi
}

mkdir -p "$dir/logs"
for name in "${names[@]}"; do
    if [ ! -x "$dir/tests/fuzz/$name" ]; then
        echo "no harness named $name" >&2
        exit 2
    fi
    rm -f "$dir/logs/$name.status"
done
for name in "${names[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
    run_one "$name" &
done
wait
for name in "${names[@]}"; do report "$name"; done
exit $failed
