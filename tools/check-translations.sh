#!/usr/bin/env bash
# Checks that the translation files hold every text the windows translate,
# and no text they no longer have: lupdate runs over the window sources into
# a copy of each .ts file, and any change it makes fails the check. After
# changing texts: `cmake --build build --target update_translations`, then
# translate what lupdate marked unfinished (Qt Linguist, or the file itself).
#
#   bash tools/check-translations.sh [LUPDATE]
set -euo pipefail
cd "$(dirname "$0")/.."
lupdate="${1:-}"
if [ -z "$lupdate" ]; then
  lupdate="$(command -v lupdate || true)"
  [ -x /usr/lib/qt6/bin/lupdate ] && lupdate=/usr/lib/qt6/bin/lupdate
fi
[ -n "$lupdate" ] || { echo "check-translations: lupdate not found" >&2; exit 2; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
sources=(windows/*/*.cpp windows/*/*.h document/qt/*.cpp document/qt/*.h)
status=0
for ts in resources/translations/*.ts; do
  copy="$work/$(basename "$ts")"
  cp "$ts" "$copy"
  "$lupdate" -silent -locations none -no-obsolete "${sources[@]}" -ts "$copy" 2>/dev/null
  if ! cmp -s "$ts" "$copy"; then
    echo "check-translations: $ts does not match the texts of the code:" >&2
    diff -u "$ts" "$copy" >&2 || true
    status=1
  fi
  if grep -q 'type="unfinished"' "$ts"; then
    echo "check-translations: $ts has texts still to translate:" >&2
    grep -B2 'type="unfinished"' "$ts" >&2
    status=1
  fi
done
[ "$status" -eq 0 ] && echo "check-translations: every translation file is complete and current"
exit "$status"
