#!/usr/bin/env bash
# tools/install-deps.sh --quiet, as tools/run.sh uses it, against a package
# manager stand-in: one line for what it installs, the package manager's
# whole output only when the installation fails, and nothing at all asked
# of the package manager when everything is installed.
set -uo pipefail
script="$(cd "$(dirname "$0")/../.." && pwd)/tools/install-deps.sh"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/bin"
# dpkg-query: every package missing unless ALL_INSTALLED is set.
cat >"$scratch/bin/dpkg-query" <<'STUB'
#!/usr/bin/env bash
[ -n "${ALL_INSTALLED:-}" ] && printf 'install ok installed'
exit 0
STUB
# apt-get: a thousand lines of progress; "install" fails when APT_FAILS is set.
cat >"$scratch/bin/apt-get" <<'STUB'
#!/usr/bin/env bash
echo "apt-get $*" >>"$CALLS"
for i in $(seq 1000); do echo "Progress line $i"; done
[ "$1" = "install" ] || [ "$2" = "install" ] || [ "$3" = "install" ] || exit 0
[ -n "${APT_FAILS:-}" ] && { echo "E: Unable to locate package"; exit 100; }
exit 0
STUB
printf '#!/usr/bin/env bash\nexec "$@"\n' >"$scratch/bin/sudo"
chmod +x "$scratch/bin/"*
export PATH="$scratch/bin:$PATH" CALLS="$scratch/calls"
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

# Everything there: one line, no call of the package manager.
out=$(ALL_INSTALLED=1 bash "$script" --quiet 2>&1); status=$?
[ $status -eq 0 ] || fail "all installed: status $status"
[ "$(printf '%s\n' "$out" | wc -l)" -eq 1 ] || fail "all installed: more than one line: ${out:0:200}"
[ ! -e "$CALLS" ] || fail "all installed: the package manager was called"

# Missing packages installed: one line naming them.
out=$(bash "$script" --quiet 2>&1); status=$?
[ $status -eq 0 ] || fail "install: status $status"
[ "$(printf '%s\n' "$out" | wc -l)" -eq 1 ] || fail "install: $(printf '%s\n' "$out" | wc -l) lines"
[[ $out == "Packages: installing "*"cmake"* ]] || fail "install: the line does not name the packages: ${out:0:200}"
grep -q 'apt-get install' "$CALLS" || fail "install: apt-get install was not called"

# A failing installation shows the package manager's whole output.
out=$(APT_FAILS=1 bash "$script" --quiet 2>&1); status=$?
[ $status -ne 0 ] || fail "failure: status 0"
[[ $out == *"Progress line 1000"* && $out == *"E: Unable to locate package"* ]] ||
  fail "failure: the package manager's output is not shown"

# Without --quiet the output passes through as before.
out=$(bash "$script" 2>&1); status=$?
[ "$(printf '%s\n' "$out" | grep -c 'Progress line')" -eq 2000 ] || fail "plain: the output does not pass through"

[ $failures -eq 0 ] && echo "install-deps: all checks passed"
exit $((failures > 0))
