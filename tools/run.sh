#!/usr/bin/env bash
# Installs what is missing, builds the program and runs it with the given
# arguments.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target calculator-ka-vm
exec ./build/calculator-ka-vm "$@"
