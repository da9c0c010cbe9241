#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer included) and runs each for a bounded time from
# the seeds in tests/fuzz/seeds. Any crash, hang or sanitizer report fails.
#   FUZZ_SECONDS  seconds per target (default 30)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-30}
jobs=${JOBS:-$(nproc)}

CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAVM_FUZZ=ON \
  -DKAVM_GUI=OFF -DKAVM_TESTS=OFF -DKAVM_BENCH=OFF >/dev/null
cmake --build build-fuzz -j"$jobs" --target calculate_fuzz memory_file_fuzz open_request_fuzz parser_fuzz

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for target in calculate memory_file open_request parser; do
  mkdir -p "$work/$target"
  echo "fuzzing ${target} for ${seconds} s"
  ./build-fuzz/tests/fuzz/${target}_fuzz "$work/$target" "tests/fuzz/seeds/$target" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
    -print_final_stats=1 -artifact_prefix="$work/" 2>"$work/$target.log" || {
      tail -n 60 "$work/$target.log"
      for artifact in "$work"/crash-* "$work"/timeout-* "$work"/leak-* "$work"/oom-*; do
        [ -e "$artifact" ] && cp "$artifact" build-fuzz/ && echo "kept build-fuzz/$(basename "$artifact")"
      done
      echo "fuzzing ${target} failed"
      exit 1
    }
  grep -E "^stat::number_of_executed_units|^stat::peak_rss_mb" "$work/$target.log" || true
done
echo "fuzzing passed"
