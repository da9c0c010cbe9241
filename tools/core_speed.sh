#!/usr/bin/env bash
# The command line's speed against the machine, old and new build side by side in one run:
#   tools/core_speed.sh OLD_PROGRAM NEW_PROGRAM [CORE]
# Runs, interleaved and pinned to one core (1 unless given), best of three CPU times (user + system) of the
# whole process: a series of 10^8 terms (sum(k,1,10^8,k^2)) against a g++ -O2 loop of std::complex
# multiply-adds over as many terms; a batch of 10^6 mixed statements against CPython's eval of the same
# statements (one run of CPython, it takes seconds); the batch's peak memory.
set -eu
old=$(realpath "$1"); new=$(realpath "$2"); core=${3:-1}
t=$(mktemp -d); trap 'rm -rf "$t"' EXIT
export HOME=$t/h XDG_CONFIG_HOME=$t/h/c XDG_DATA_HOME=$t/h/d; mkdir -p "$HOME"; cd "$t"
cat > loop.cpp <<'C'
#include <complex>
#include <cstdio>
int main(int argc, char**) { std::complex<double> s = 0; const long n = 100000000L * argc;
  for (long k = 1; k <= n; ++k) { std::complex<double> x(double(k), 0); s += x * x; } std::printf("%g\n", s.real()); }
C
g++ -O2 -o loop loop.cpp
printf 'sum(k,1,10^8,k^2)' > series.vcl
python3 - <<'P'
import random
random.seed(7)
f = ["%d+%d*%d", "sin(%d)/%d+%d", "sqrt(%d)^2-%d*%d", "(%d-%d)/(%d+0.5)", "exp(-%d/100)*%d-%d"]
rows = [random.choice(f) % (random.randint(1, 99), random.randint(1, 99), random.randint(1, 99)) for _ in range(1000000)]
open("batch.vcl", "w").write(";".join(rows))
open("batch.txt", "w").write(";".join(rows).replace("^", "**"))
open("batch.py", "w").write("from math import *\nfor e in open('batch.txt').read().split(';'):\n    eval(e)\n")
P
# CPU seconds and peak KiB of one run.
run() { /usr/bin/time -f "%U %S %M" -o tm.txt taskset -c "$core" "$@" >/dev/null 2>&1 || true
        tail -n 1 tm.txt | awk '{printf "%.3f %d", $1 + $2, $3}'; }
declare -A best mem
for round in 1 2 3; do
  for who in old new loop; do
    case $who in old) p=$old;; new) p=$new;; esac
    if [ "$who" = loop ]; then r=$(run ./loop); else r=$(run "$p" --calculate series.vcl); fi
    v=${r% *}; b=${best[series_$who]:-999}; best[series_$who]=$(awk -v a="$b" -v c="$v" 'BEGIN{print (c<a)?c:a}')
    [ "$who" = loop ] && continue
    r=$(run "$p" --calculate batch.vcl)
    v=${r% *}; b=${best[batch_$who]:-999}; best[batch_$who]=$(awk -v a="$b" -v c="$v" 'BEGIN{print (c<a)?c:a}')
    mem[$who]=${r#* }
  done
done
py=$(run python3 batch.py); py=${py% *}
awk -v o="${best[series_old]}" -v n="${best[series_new]}" -v l="${best[series_loop]}" 'BEGIN{
  printf "series of 10^8 terms: old %.3f s (%.2fx the loop), new %.3f s (%.2fx the loop), loop %.3f s; new/old %.2f\n",
    o, o / l, n, n / l, l, n / o }'
awk -v o="${best[batch_old]}" -v n="${best[batch_new]}" -v p="$py" 'BEGIN{
  printf "batch of 10^6 statements: old %.3f s (%.1fx faster than CPython), new %.3f s (%.1fx), CPython %.2f s; new/old %.2f\n",
    o, p / o, n, p / n, p, n / o }'
echo "batch peak memory: old ${mem[old]} KiB, new ${mem[new]} KiB"
