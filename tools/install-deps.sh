#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
#   --quiet  one line for what is installed; the package manager's own
#            output only when it fails
set -euo pipefail
quiet=0
[ "${1:-}" = "--quiet" ] && quiet=1
packages=(g++ cmake make pkgconf libgtest-dev libgmock-dev libbenchmark-dev
          qt6-base-dev qt6-svg-dev libgl-dev python3 python3-mpmath xauth clang libclang-rt-14-dev
          qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
          poppler-utils libboost-math-dev
          desktop-file-utils appstream libxml2-utils dpkg-dev file groff-base)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  [ $quiet -eq 1 ] && echo "Packages: all ${#packages[@]} needed are installed"
  exit 0
fi
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
install() {
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
if [ $quiet -eq 0 ]; then
  install
  exit 0
fi
echo "Packages: installing ${#missing[@]} (${missing[*]})"
log=$(mktemp "${TMPDIR:-/tmp}/kavm-install.XXXXXX")
if ! install >"$log" 2>&1; then
  cat "$log" >&2
  rm -f "$log"
  echo "Packages: the installation failed (its output above)" >&2
  exit 1
fi
rm -f "$log"
