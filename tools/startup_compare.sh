#!/usr/bin/env bash
# Start-up of the window against SpeedCrunch (Debian's package, the
# reference Qt calculator), both started the same way on one virtual X
# server (Xvfb) with a session bus (dbus-run-session), as on a desktop.
#
#   bash tools/startup_compare.sh [-n STARTS] [PROGRAM...]
#
# PROGRAM defaults to build/calculator-ka-vm; more than one (say an old
# build beside the new) are all measured in the same run. Each program
# starts STARTS times (default 9), interleaved with the others, after one
# start that is not counted, so that its settings (and, for ours, the
# desktop registration) are warm and the files are in the page cache.
# A start is timed by tools/map_watch.cpp, a small X client that starts
# the program and waits for the MapNotify of its first top-level window
# (from fork to the map), then closes the window with WM_DELETE_WINDOW.
# Settings live in a temporary HOME for each program, so the user's own
# stay untouched.
# Prints each program's medians (and ranges) to the map and to the first
# picture (the first time the program has drawn into its window), and
# their ratios to SpeedCrunch's.
set -euo pipefail
cd "$(dirname "$0")/.."
starts=9
if [ "${1:-}" = "-n" ]; then
  starts="$2"
  shift 2
fi
programs=("$@")
[ ${#programs[@]} -gt 0 ] || programs=(build/calculator-ka-vm)

if [ "${STARTUP_COMPARE_INNER:-}" != 1 ]; then
  for tool in Xvfb xvfb-run dbus-run-session speedcrunch; do
    command -v "$tool" >/dev/null || { echo "startup_compare: $tool is missing (apt-get install xvfb dbus-x11 speedcrunch)" >&2; exit 2; }
  done
  mkdir -p build
  c++ -O2 -o build/map_watch tools/map_watch.cpp -lX11
  for program in "${programs[@]}"; do
    [ -x "$program" ] || { echo "startup_compare: $program is not built" >&2; exit 2; }
  done
  export STARTUP_COMPARE_INNER=1
  exec xvfb-run -a -s "-screen 0 1920x1080x24 -nolisten tcp" dbus-run-session -- bash "$0" -n "$starts" "${programs[@]}"
fi

homes="$(mktemp -d)"
trap 'rm -rf "$homes"' EXIT
export QT_QPA_PLATFORM=xcb LANG=C.UTF-8 LANGUAGE=en
# Each program has a home of its own: two builds of ours in one home would
# take turns rewriting the desktop entry that names them.
start() {
  local home="$homes/$1"
  shift
  mkdir -p "$home/config" "$home/data" "$home/cache" "$home/runtime"
  chmod 700 "$home/runtime"
  HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" XDG_CACHE_HOME="$home/cache" \
    XDG_RUNTIME_DIR="$home/runtime" build/map_watch "$@"
}

names=(speedcrunch "${programs[@]}")
commands=(speedcrunch)
for program in "${programs[@]}"; do
  commands+=("$(cd "$(dirname "$program")" && pwd)/$(basename "$program")")
done

declare -A times pictures
for round in $(seq 0 "$starts"); do
  # Alternate the order from round to round, so neither always follows
  # the other.
  order=($(seq 0 $((${#commands[@]} - 1))))
  if [ $((round % 2)) -eq 1 ]; then
    order=($(printf '%s\n' "${order[@]}" | tac))
  fi
  for i in "${order[@]}"; do
    # The virtual X server now and then refuses a client's connection:
    # such a start is made again, up to twice, and reported.
    for try in 1 2 3; do
      ms=""
      read -r ms painted <<<"$(start "$i" "${commands[$i]}" 2>/dev/null)" || true
      [ -z "${ms:-}" ] || break
      echo "startup_compare: ${names[$i]} showed no window (try $try)" >&2
    done
    [ -n "${ms:-}" ] || { echo "startup_compare: ${names[$i]} showed no window" >&2; exit 1; }
    if [ "$round" -ne 0 ]; then
      times[$i]="${times[$i]:-} $ms"
      pictures[$i]="${pictures[$i]:-} $painted"
    fi
  done
done

median() { tr ' ' '\n' | grep . | sort -g | awk '{v[NR]=$1} END {m = NR % 2 ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2; printf "%.0f %.0f %.0f", m, v[1], v[NR]}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }
read -r reference low high <<<"$(echo "${times[0]}" | median)"
read -r pictureReference pictureLow pictureHigh <<<"$(echo "${pictures[0]}" | median)"
printf '%-40s median %5s ms (%s-%s) to the map, %5s ms (%s-%s) to the first picture, %s starts\n' "speedcrunch" \
  "$reference" "$low" "$high" "$pictureReference" "$pictureLow" "$pictureHigh" "$starts"
for i in $(seq 1 $((${#commands[@]} - 1))); do
  read -r value low high <<<"$(echo "${times[$i]}" | median)"
  read -r picture pictureLow pictureHigh <<<"$(echo "${pictures[$i]}" | median)"
  printf '%-40s median %5s ms (%s-%s) to the map, %5s ms (%s-%s) to the first picture; %sx, %sx speedcrunch\n' \
    "${names[$i]}" "$value" "$low" "$high" "$picture" "$pictureLow" "$pictureHigh" \
    "$(ratio "$value" "$reference")" "$(ratio "$picture" "$pictureReference")"
done
