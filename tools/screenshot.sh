#!/usr/bin/env bash
# Builds the program and saves pictures of its main window, drawn on Qt's
# offscreen platform (no display needed): an empty calculation and the
# example file. The program runs with fresh settings and desktop folders in
# a temporary directory, so the pictures show the default layout and the
# user's own settings stay untouched.
#
#   bash tools/screenshot.sh [OUTPUT_FOLDER]      (default build/screenshots)
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-build/screenshots}"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target calculator-ka-vm
mkdir -p "$out"
out="$(cd "$out" && pwd)"
home="$(mktemp -d)"
trap 'rm -rf "$home"' EXIT
shoot() {
  local file="$1"; shift
  HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" \
    XDG_RUNTIME_DIR="$home" QT_QPA_PLATFORM=offscreen \
    timeout 60 ./build/calculator-ka-vm --screenshot "$out/$file" "$@" 2>/dev/null
  echo "$out/$file"
}
shoot window-empty.png
shoot window-example.png "$PWD/resources/examples/example.vcl"
