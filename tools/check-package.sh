#!/usr/bin/env bash
# Builds the Debian package (`cpack -G DEB`), unpacks it into a scratch
# root with dpkg-deb -x and checks what a desktop gets from it: the desktop
# entry (desktop-file-validate), the AppStream metadata (appstreamcli), the
# MIME package (xmllint), the icons in every size, the man page, the
# constants that --constants finds, the copyright, the dependencies found
# by dpkg-shlibdeps, one version everywhere, and that the installed
# program writes nothing into a fresh home folder.
#
#   bash tools/check-package.sh [BUILD_FOLDER]      (default build)
#
# Prints one line per failed check and "N passed, N failed" at the end;
# exits 1 when a check failed.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
id=com.vantrel.CalculatorKaVm
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target calculator-ka-vm desktop_files >/dev/null
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
if ! (cd "$build" && cpack -G DEB -B "$work/pkg" >"$work/cpack.log" 2>&1); then
  cat "$work/cpack.log"
  echo "0 passed, 1 failed"
  exit 1
fi
deb="$(ls "$work"/pkg/*.deb)"
dpkg-deb -x "$deb" "$work/root"
share="$work/root/usr/share"

pass=0
fail=0
check() {
  local what="$1"; shift
  if "$@" >"$work/check.log" 2>&1; then
    pass=$((pass + 1))
  else
    fail=$((fail + 1))
    echo "FAIL: $what"
    sed 's/^/    /' "$work/check.log" | head -n 20
  fi
}

version="$(dpkg-deb -f "$deb" Version)"
IFS=. read -r major minor patch <<<"$version"
text="$(printf 'Calculator Ka-Vm %02d.%02d.%03d' "$major" "$minor" "$patch")"

check "the package installs the program" test -x "$work/root/usr/bin/calculator-ka-vm"
check "dpkg-shlibdeps found the Qt libraries" sh -c "dpkg-deb -f '$deb' Depends | grep -q libqt6widgets6"
check "the desktop entry validates" desktop-file-validate "$share/applications/$id.desktop"
check "the desktop entry names the id as icon and window class" \
  sh -c "grep -qx 'Icon=$id' '$share/applications/$id.desktop' && grep -qx 'StartupWMClass=$id' '$share/applications/$id.desktop'"
check "the AppStream metadata validates" appstreamcli validate --no-net "$share/metainfo/$id.metainfo.xml"
check "the AppStream metadata has the package's version" grep -q "<release version=\"$version\"" "$share/metainfo/$id.metainfo.xml"
check "the AppStream id is the desktop id" grep -q "<id>$id</id>" "$share/metainfo/$id.metainfo.xml"
check "the MIME package is well-formed XML" xmllint --noout "$share/mime/packages/$id.xml"
check "the MIME package holds both types" \
  sh -c "grep -q 'pattern=\"\*.vcl\"' '$share/mime/packages/$id.xml' && grep -q 'pattern=\"\*.vcm\"' '$share/mime/packages/$id.xml'"
for size in 16 32 48 64 128 256; do
  check "the ${size} px icon is a ${size} x ${size} PNG" \
    sh -c "file '$share/icons/hicolor/${size}x${size}/apps/$id.png' | grep -q 'PNG image data, $size x $size'"
done
for svg in "apps/$id" mimetypes/application-x-vantrel-calculator-memory mimetypes/application-x-vantrel-calculator-calculation; do
  check "$svg.svg is SVG without text" \
    sh -c "xmllint --noout '$share/icons/hicolor/scalable/$svg.svg' && ! grep -q '<text' '$share/icons/hicolor/scalable/$svg.svg'"
done
man="$share/man/man1/calculator-ka-vm.1.gz"
check "the man page formats without warnings" sh -c "zcat '$man' | groff -man -ww -z 2>&1 | (! grep .)"
check "the man page lists the window words and the batch options" \
  sh -c "zcat '$man' | grep -q Register && zcat '$man' | grep -q 'calculate'"
check "the copyright names the MIT licence" grep -q "Permission is hereby granted" "$share/doc/calculator-ka-vm/copyright"
check "the program's version is the package's" \
  sh -c "'$work/root/usr/bin/calculator-ka-vm' --version | grep -qx '$text'"
check "the package installs the constants in the data folder" test -f "$share/calculator-ka-vm/constants.vcm"
check "the installed program defines the shipped constants" \
  sh -c "echo 'c0*2' | '$work/root/usr/bin/calculator-ka-vm' --constants --calculate - | grep -qx 'c0\*2=599584916'"
check "the man page carries the same version" sh -c "zcat '$man' | grep -q '${text#Calculator Ka-Vm }'"

# The installed program, started with its desktop files beside it, leaves
# the user's data folders alone.
home="$work/home"
mkdir -p "$home"
check "the installed program starts and ends" env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_DATA_HOME -u XDG_CONFIG_HOME \
  HOME="$home" XDG_RUNTIME_DIR="$home" QT_QPA_PLATFORM=offscreen timeout 60 \
  "$work/root/usr/bin/calculator-ka-vm" --screenshot "$work/window.png"
check "the installed program wrote no desktop files for the user" \
  sh -c "[ ! -e '$home/.local/share' ] && [ ! -e '$home/.config/mimeapps.list' ]"

echo "$pass passed, $fail failed"
[ "$fail" -eq 0 ]
