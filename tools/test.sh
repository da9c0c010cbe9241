#!/usr/bin/env bash
# Installs what is missing, builds everything and runs all tests: the normal
# build and its Debian package, then the core tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer, and the random walk
# through the window under the same sanitizers.
#   MONKEY_SECONDS  length of the sanitized walk (default 60)
#   MONKEY_SEED     replay the walk of this seed
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
# What system libraries keep until the process ends (fontconfig's cache, the
# display's connection) is no leak of ours; the suppressions name only those
# libraries, so a leak of the program's own still fails the sanitized runs.
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan-suppressions.txt${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
# The window's random walk takes its seed from the commit, so a run of CI can
# be replayed exactly; MONKEY_SEED=N chooses another.
export MONKEY_SEED=${MONKEY_SEED:-$((16#$(git rev-parse --short=12 HEAD 2>/dev/null || echo 1)))}

# Warnings are errors here; the developer's own build only shows them.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAVM_WERROR=ON
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

# The Debian package and the desktop files it installs.
bash tools/check-package.sh build

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DKAVM_SANITIZE=ON -DKAVM_GUI=OFF -DKAVM_BENCH=OFF \
  -DKAVM_WERROR=ON
cmake --build build-sanitize -j"$jobs" --target core_tests
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-sanitize --output-on-failure -j"$jobs"

# The window's random walk under the sanitizers: the GUI built with them,
# only the walk's target, run for a minute on the offscreen platform. It
# prints its seed; MONKEY_SEED=N replays it.
cmake -S . -B build-gui-sanitize -DCMAKE_BUILD_TYPE=Debug -DKAVM_SANITIZE=ON -DKAVM_GUI=ON -DKAVM_BENCH=OFF \
  -DKAVM_WERROR=ON
cmake --build build-gui-sanitize -j"$jobs" --target window_monkey
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 MONKEY_SECONDS=${MONKEY_SECONDS:-60} \
  ./build-gui-sanitize/tests/windows/window_monkey

# A bounded fuzzing run of the calculation run, the memory-file loader, the
# open-request parser and the two expression parsers against each other.
bash tools/fuzz.sh
