#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ (reply framing, parsers, receive
# path) with clang (AddressSanitizer and UndefinedBehaviorSanitizer) and runs
# each for a bounded time, starting from the seed corpus in fuzz/corpus/
# (one folder per target, named after it without "fuzz_reply_"). Exits non-zero on any finding; the input
# that caused it is kept in the build folder's artifacts/.
#   scripts/fuzz.sh [seconds per target, default 60] [build folder, default build/fuzz]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
seconds=${1:-60}
build=${2:-build/fuzz}
targets=(fuzz_reply_framing fuzz_reply_parsers fuzz_reply_receiver)

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DKX4XX_FUZZ=ON -DKX4XX_WERROR=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"

mkdir -p "$build/artifacts"
for target in "${targets[@]}"; do
    seeds=fuzz/corpus/${target#fuzz_reply_}
    work=$build/corpus/$target  # grows from run to run; the seeds stay untouched
    log=$build/$target.log
    mkdir -p "$work"
    if ! "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" "$work" "$seeds" >"$log" 2>&1; then
        tail -n 60 "$log"
        echo "fuzz: $target found a fault; see $log and $build/artifacts/"
        exit 1
    fi
    done_line=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -n 1)
    echo "fuzz: $target ${seconds}s, no findings: ${done_line}"
done
