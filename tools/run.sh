#!/usr/bin/env bash
# Installs what is missing, builds the program and runs it with the given
# arguments. Without arguments it opens the window; on a machine without a
# display it says how to start the window and calculates the example file
# on the command line instead. It prints one line a step; the output of the
# package manager and of the build shows only when that step fails.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh --quiet
mkdir -p build
log=build/run-build.log
step() {
  # step TEXT COMMAND...: runs the command with its output in the log.
  local text=$1
  shift
  echo "$text"
  if ! "$@" >"$log" 2>&1; then
    cat "$log" >&2
    echo "Failed: $text (the output above is in $log)" >&2
    exit 1
  fi
}
step "Configuring the build in build/" cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
# The build's progress on one line that counts up on a terminal, one line
# at its end otherwise.
echo "Building the program (every file's line in $log)"
progress() {
  local line last=""
  while IFS= read -r line; do
    printf '%s\n' "$line" >>"$log"
    if [[ $line =~ ^\[\ *([0-9]+)%\] ]] || [[ $line =~ ^\[([0-9]+/[0-9]+)\] ]]; then
      last=${BASH_REMATCH[1]}
      [ -t 1 ] && printf '\r  %s' "$last"
    fi
  done
  [ -t 1 ] && [ -n "$last" ] && printf '\r'
  return 0
}
: >"$log"
# pipefail: the pipeline fails when the build does.
if ! cmake --build build -j"$(nproc)" --target calculator-ka-vm 2>&1 | progress; then
  cat "$log" >&2
  echo "Failed: the build (the output above is in $log)" >&2
  exit 1
fi
echo "The program: $(pwd)/build/calculator-ka-vm"
if [ $# -eq 0 ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: start the window with 'xvfb-run ./build/calculator-ka-vm' or on a desktop." >&2
  echo "The example file, calculated on the command line:" >&2
  set -- --calculate resources/examples/example.vcl
fi
exec ./build/calculator-ka-vm "$@"
