#!/usr/bin/env bash
# Builds the program, starts it under a virtual X server (Xvfb) as a person
# would see it, and saves pictures of its main window as PNG files: an empty
# calculation, the example file, and the keypad in each of its four styles
# and with custom colours; the example again in a dark palette, and both
# palettes at scale 2 (QT_SCALE_FACTOR=2, as on a high-density screen), and
# the example with the interface in German. Each run of the program has
# fresh settings and desktop folders in a temporary directory, so the user's
# own stay untouched. Without Xvfb (and no way to install it) the pictures are drawn
# on Qt's offscreen platform instead.
#
#   bash tools/screenshot.sh [OUTPUT_FOLDER]      (default build/screenshots)
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-build/screenshots}"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target calculator-ka-vm
mkdir -p "$out"
out="$(cd "$out" && pwd)"

if ! command -v xvfb-run >/dev/null && [ "$(id -u)" -eq 0 ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends xvfb xauth >/dev/null 2>&1 || true
fi
if command -v xvfb-run >/dev/null; then
  run=(xvfb-run -a -s "-screen 0 3840x2160x24")
  platform=xcb
else
  echo "screenshot: no Xvfb, drawing offscreen" >&2
  run=()
  platform=offscreen
fi

# shoot FILE SETTINGS [ARGUMENTS...]: SETTINGS is the text of the settings
# file the program starts with; the variable SCALE (default 1) is the
# scale factor of the screen, SHOT_LANGUAGE (default en) the language of the
# interface whatever the locale of the caller, and SHOT_LOCALE a locale for
# the program (its number formats in the dialogs).
shoot() {
  local file="$1" settings="$2"; shift 2
  local home
  home="$(mktemp -d)"
  mkdir -p "$home/config/Vantrel"
  printf '%s\n' "$settings" > "$home/config/Vantrel/Calculator Ka-Vm.conf"
  HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" \
    XDG_RUNTIME_DIR="$home" QT_QPA_PLATFORM="$platform" QT_SCALE_FACTOR="${SCALE:-1}" \
    LANGUAGE="${SHOT_LANGUAGE:-en}" env ${SHOT_LOCALE:+"LC_ALL=$SHOT_LOCALE"} \
    timeout 60 "${run[@]}" ./build/calculator-ka-vm --screenshot "$out/$file" "$@" 2>/dev/null
  rm -rf "$home"
  echo "$out/$file"
}

example="$PWD/resources/examples/example.vcl"
shoot window-empty.png ""
shoot window-example.png "" "$example"
# Keypad styles: 1 our own pill, 2 and 3 the themed ones; 0, the classic
# frame, draws only while no themed application style is active, so it
# runs with Qt's plain "Windows" style.
names=(2000 vantrel xp vista)
for style in 1 2 3; do
  shoot "keypad-${names[$style]}.png" "$(printf '[GUI]\nKeypad\\Style=%s' "$style")" "$example"
done
shoot keypad-2000.png "$(printf '[GUI]\nKeypad\\Style=0')" "$example" -style Windows
# Custom colours (0xBBGGRR): green functions, orange digits, dark service keys.
colours='Keypad\ColorFunction=9498256\nKeypad\ColorDigit=3381759\nKeypad\ColorService=6316128\nKeypad\ColorTextService=16777215'
shoot keypad-vantrel-colours.png "$(printf "[GUI]\nKeypad\\\\Style=1\n$colours")" "$example"
shoot keypad-vista-colours.png "$(printf "[GUI]\nKeypad\\\\Style=3\n$colours")" "$example"

# Palettes and scales: light and dark, at scale 1 and 2.
shoot window-example-dark.png "" "$example" --palette dark
SCALE=2 shoot window-example-scale2.png "" "$example"
SCALE=2 shoot window-example-dark-scale2.png "" "$example" --palette dark

# The interface in German (the calculation text and results stay as written).
SHOT_LANGUAGE=de SHOT_LOCALE=de_DE.UTF-8 shoot window-example-de.png "" "$example"

# The plots: J(0,x) over a line, gamma(z) over the plane and the statistics
# picture; the definitions in the Memory pane, in the completion list and
# its hint, and a defined function plotted; in the light and the dark
# palette (fresh settings each time).
cmake --build build -j2 --target plot_screenshots
for palette in light dark; do
  home="$(mktemp -d)"
  HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" XDG_RUNTIME_DIR="$home" \
    QT_QPA_PLATFORM="$platform" LANGUAGE=en timeout 120 "${run[@]}" \
    ./build/windows/plot_screenshots "$out" "$palette" 2>/dev/null
  rm -rf "$home"
done
ls "$out"/plot-*.png "$out"/statistics-*.png "$out"/memory-*.png "$out"/completion-*.png "$out"/hint-*.png
