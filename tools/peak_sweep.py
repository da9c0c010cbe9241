#!/usr/bin/env python3
"""Moves a narrow peak across the range of an integral and counts, per
family, the silent misses: values more than 1e-10 (relative) off with
nothing in the log. A peak between all the points a rule looks at is the
one way an integral can come out wrong without the error estimate noticing,
so each family puts the peak at every position a grid could miss it.

Families (references in closed form from erf, by mpmath):
  finite     exp(-x^2)+exp(-1e6*(x-c)^2) over [0, 1], c at 200 positions
             in [0.05, 0.95]
  half-line  exp(-(x-c)^2)+exp(-x) over [0, inf), c = 1 .. 250
  mirrored   exp(-(x+c)^2)+exp(x) over (-inf, 0], c = 1 .. 250
  whole line exp(-(x-c)^2)+exp(-x^2) over (-inf, inf), c = 1 .. 250
  steps      sign(x-s)+exp(-w*(x-c)^2) over [a, 1]: a step and a peak
             together (a step beside a point the grid split at, a peak
             beside a step the panels took as two flat sides), 120 rows;
             the peaks are no narrower than about a thousandth: one of
             3e-4 (w = 1e7) can fall between all the grid's samples
  levels     floor(k*x+o)+exp(-1e6*(x-c)^2) over [0, 1], 120 rows

Run: python3 tools/peak_sweep.py [path/to/calculator-ka-vm] [family ...]
Prints each miss and per family: rows, silent misses, warnings, errors.
"""
import os
import subprocess
import sys

import mpmath as mp

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
mp.mp.dps = 30
SQRT_PI = mp.sqrt(mp.pi)


def family_rows(name):
    rows = []
    if name == "finite":
        for k in range(200):
            c = 0.05 + 0.9 * k / 199
            text = "integral(x,0,1,exp(-x^2)+exp(-1e6*(x-%r)^2))" % c
            c = mp.mpf(c)
            value = SQRT_PI / 2 * mp.erf(1) + SQRT_PI / 2000 * (mp.erf(1000 * (1 - c)) + mp.erf(1000 * c))
            rows.append((text, value))
    elif name == "half-line":
        for c in range(1, 251):
            rows.append(("integral(x,0,inf,exp(-(x-%d)^2)+exp(-x))" % c, 1 + SQRT_PI / 2 * (1 + mp.erf(c))))
    elif name == "mirrored":
        for c in range(1, 251):
            rows.append(("integral(x,-inf,0,exp(-(x+%d)^2)+exp(x))" % c, 1 + SQRT_PI / 2 * (1 + mp.erf(c))))
    elif name == "whole-line":
        for c in range(1, 251):
            rows.append(("integral(x,-inf,inf,exp(-(x-%d)^2)+exp(-x^2))" % c, 2 * SQRT_PI))
    elif name == "steps":
        for a in (0, -1e-3):
            for s in (0, 1e-9, 7.46e-4, 2e-3, 0.1, 0.25 + 1e-5, 0.3, 0.5 - 1e-6, 0.61, 0.999):
                for c, w in ((0.6, 1e6), (0.6, 1e4), (0.2, 1e6), (0.7, 1e5), (0.95, 1e6), (0.33, 1e5)):
                    text = "integral(x,%r,1,sign(x-%r)+exp(-%r*(x-%r)^2))" % (a, s, w, c)
                    sa, ss, sc, sw = mp.mpf(a), mp.mpf(s), mp.mpf(c), mp.sqrt(mp.mpf(w))
                    value = (1 - ss) - (ss - sa) + SQRT_PI / (2 * sw) * (mp.erf(sw * (1 - sc)) - mp.erf(sw * (sa - sc)))
                    rows.append((text, value))
    elif name == "levels":
        for k in (2, 3, 5, 7):
            for o in (0, 0.5, 0.123):
                for c in (0.05, 0.2, 0.41, 0.5, 0.63, 0.7, 0.77, 0.86, 0.9, 0.98):
                    text = "integral(x,0,1,floor(%d*x+%r)+exp(-1e6*(x-%r)^2))" % (k, o, c)
                    # floor(k*x+o) over [0, 1]: its jumps where k*x+o is whole.
                    so, sc = mp.mpf(o), mp.mpf(c)
                    value = mp.mpf(0)
                    lo = mp.mpf(0)
                    level = mp.floor(so)
                    while lo < 1:
                        hi = min(mp.mpf(1), (level + 1 - so) / k)
                        value += level * (hi - lo)
                        lo, level = hi, level + 1
                    value += SQRT_PI / 2000 * (mp.erf(1000 * (1 - sc)) + mp.erf(1000 * sc))
                    rows.append((text, value))
    return rows


def ours(program, text):
    """The value (None on an error) and whether the log holds anything."""
    run = subprocess.run([program, "--calculate", "-"], input=(text + "=").encode("utf-8"), capture_output=True)
    out = run.stdout.decode("utf-8").strip()
    logged = run.stderr.decode("utf-8").strip() != ""
    if "=" not in out:
        return None, logged
    try:
        return float(out.split("=", 1)[1]), logged
    except ValueError:
        return None, logged


def main():
    args = sys.argv[1:]
    program = os.path.join(ROOT, "build", "calculator-ka-vm")
    if args and os.path.sep in args[0]:
        program = args.pop(0)
    families = args or ["finite", "half-line", "mirrored", "whole-line"]
    total_misses = 0
    for name in families:
        misses = warned = errors = 0
        rows = family_rows(name)
        for text, reference in rows:
            value, logged = ours(program, text)
            if value is None:
                errors += 1
                continue
            off = abs(mp.mpf(value) - reference) / abs(reference)
            if logged:
                warned += 1
            elif off > 1e-10:
                misses += 1
                print("  silent miss: %s = %r, %.2g off" % (text, value, float(off)))
        total_misses += misses
        print("%-10s %3d rows: %d silent misses, %d with a warning, %d errors" % (name, len(rows), misses, warned, errors))
    return 1 if total_misses else 0


if __name__ == "__main__":
    sys.exit(main())
