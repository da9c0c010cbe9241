#!/usr/bin/env bash
# Installs what is missing, builds the program and runs it with the given
# arguments. Without arguments it opens the window; on a machine without a
# display it says how to start the window and calculates the example file
# on the command line instead.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target calculator-ka-vm
if [ $# -eq 0 ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: start the window with 'xvfb-run ./build/calculator-ka-vm' or on a desktop." >&2
  echo "The example file, calculated on the command line:" >&2
  set -- --calculate resources/examples/example.vcl
fi
exec ./build/calculator-ka-vm "$@"
