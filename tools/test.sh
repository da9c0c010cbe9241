#!/usr/bin/env bash
# Installs what is missing, builds everything and runs all tests: the normal
# build and its Debian package, then the core tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

# The Debian package and the desktop files it installs.
bash tools/check-package.sh build

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DKAVM_SANITIZE=ON -DKAVM_GUI=OFF -DKAVM_BENCH=OFF
cmake --build build-sanitize -j"$jobs" --target core_tests
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-sanitize --output-on-failure -j"$jobs"

# A bounded fuzzing run of the calculation run, the memory-file loader and
# the open-request parser.
bash tools/fuzz.sh
