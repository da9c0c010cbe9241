#!/usr/bin/env bash
# Installs what is missing, builds the program and runs it with the given
# arguments; without arguments it calculates the example file.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target calculator-ka-vm
if [ $# -eq 0 ]; then
  set -- --calculate resources/examples/example.vcl
fi
exec ./build/calculator-ka-vm "$@"
