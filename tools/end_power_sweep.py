#!/usr/bin/env python3
"""Moves a power singularity (x-a)^p, p from -0.5 to -0.99, to ends a other
than 0 and counts per family the silent misses: values more than 1e-12
(relative) off with nothing in the log, and of the values that come with
"Result inexact", those whose actual error exceeds the estimate the
warning states. Near such an end the doubles are an ulp of the end apart,
so the part of the integral nearer the end than that (a quarter of it for
p = -0.9 at 1) is only reached by extrapolating the sums towards the end.

Families, each at every p and a (references in closed form, by mpmath,
with every number taken as the double the calculator computes with):
  segment    (x-a)^p*g(x) over [a, b], b = a+1, g = exp(-x), 1 or cos(x)
  mirrored   (b-x)^p*g(x) over [a, b], b the end, a = b-1
  half-line  (x-a)^p*exp(-x) over [a, inf) and (a-x)^p*exp(x) over (-inf, a]
  both       (x-a)^p*(b-x)^p over [a, b], b = a+1
  interior   abs(x-c)^p and sign(x-c)*abs(x-c)^p over [a, a+1], c inside
             (at the middle, where a node falls on it, and elsewhere)
(exp(-x) becomes exp(a-x) where e^-a would leave the doubles.)

Run: python3 tools/end_power_sweep.py [path/to/calculator-ka-vm] [family ...]
Prints each miss and dishonest warning, per family the rows, silent
misses, warnings (and how many of them hold), the largest error without a
warning and the largest ratio of actual error to stated estimate.
"""
import math
import os
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor

import mpmath as mp

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
mp.mp.dps = 30
POWERS = ["-0.5", "-0.6", "-0.7", "-0.75", "-0.8", "-0.85", "-0.9", "-0.93", "-0.95", "-0.97", "-0.99"]
ENDS = ["1", "2", "0.5", "-1", "3.7", "1e3"]
MISS = 1e-12


def num(text):
    return mp.mpf(float(text))


def shifted(a, sign):
    """x-a (sign 1) or a-x (sign -1) as calculator text."""
    if sign > 0:
        return "(x-%s)" % a if not a.startswith("-") else "(x+%s)" % a[1:]
    return "(%s-x)" % a


def plus_one(a, delta):
    v = float(a) + delta
    return repr(v) if v != int(v) or abs(v) >= 1e3 else str(int(v))


def lower_end(p, length, kind, at, sign):
    """The integral of u^p*g(at + sign*u) over u in [0, length], g = exp(-x)
    (kind "exp"), 1 ("one"), cos(x) ("cos"), or exp(at - x) ("expshift")."""
    base = length ** (p + 1) / (p + 1)
    if kind == "one":
        return base
    if kind == "exp":
        return mp.exp(-at) * base * mp.hyp1f1(p + 1, p + 2, -sign * length)
    if kind == "expshift":
        return base * mp.hyp1f1(p + 1, p + 2, -sign * length)
    if kind == "cos":
        return mp.re(mp.exp(1j * at) * base * mp.hyp1f1(p + 1, p + 2, 1j * sign * length))
    raise ValueError(kind)


def family_rows(name):
    rows = []
    for a in ENDS:
        big = abs(float(a)) >= 100
        for ptext in POWERS:
            p = num(ptext)
            power = "^(%s)" % ptext
            if name == "segment" or name == "mirrored":
                if name == "segment":
                    lo, hi = a, plus_one(a, 1)
                    end, sign, factor = lo, 1, shifted(a, 1)
                else:
                    lo, hi = plus_one(a, -1), a
                    end, sign, factor = hi, -1, shifted(a, -1)
                length = num(hi) - num(lo)
                for kind in ["exp", "one", "cos"]:
                    if kind == "exp" and big:
                        kind, g = "expshift", "*exp(%s-x)" % a
                    else:
                        g = {"exp": "*exp(-x)", "one": "", "cos": "*cos(x)"}[kind]
                    text = "integral(x,%s,%s,%s%s%s)" % (lo, hi, factor, power, g)
                    rows.append((text, lower_end(p, length, kind, num(end), sign)))
            elif name == "half-line":
                g = "exp(%s-x)" % a if big else "exp(-x)"
                value = mp.gamma(p + 1) * (1 if big else mp.exp(-num(a)))
                rows.append(("integral(x,%s,inf,%s%s*%s)" % (a, shifted(a, 1), power, g), value))
                g = "exp(x-%s)" % a if big else "exp(x)"
                value = mp.gamma(p + 1) * (1 if big else mp.exp(num(a)))
                rows.append(("integral(x,-inf,%s,%s%s*%s)" % (a, shifted(a, -1), power, g), value))
            elif name == "both":
                hi = plus_one(a, 1)
                length = num(hi) - num(a)
                value = length ** (2 * p + 1) * mp.beta(p + 1, p + 1)
                rows.append(("integral(x,%s,%s,%s%s*%s%s)" % (a, hi, shifted(a, 1), power, shifted(hi, -1), power),
                             value))
    return rows


def interior_rows():
    rows = []
    for a in ["0", "-1", "2"]:
        lo, hi = num(a), num(plus_one(a, 1))
        for offset in ["0.5", "0.3", "0.123", "0.25", "0.9"]:
            c = plus_one(a, float(offset))
            centre = num(c)
            for ptext in POWERS:
                p = num(ptext)
                left = (centre - lo) ** (p + 1) / (p + 1)
                right = (hi - centre) ** (p + 1) / (p + 1)
                part = shifted(c, 1)
                rows.append(("integral(x,%s,%s,abs%s^(%s))" % (a, plus_one(a, 1), part, ptext), left + right))
                if offset != "0.5":  # (there the integral is 0)
                    rows.append(("integral(x,%s,%s,sign%s*abs%s^(%s))" % (a, plus_one(a, 1), part, part, ptext),
                                 right - left))
    return rows


def ours(program, text):
    """The value (None on an error), the log and the estimate it states."""
    run = subprocess.run([program, "--calculate", "-"], input=(text + "=").encode("utf-8"), capture_output=True)
    out = run.stdout.decode("utf-8").strip()
    log = run.stderr.decode("utf-8").strip()
    stated = None
    if "estimated error" in log:
        stated = float(log.split("estimated error", 1)[1].split()[0].rstrip(","))
    if "=" not in out:
        return None, log, stated
    try:
        return float(out.split("=", 1)[1]), log, stated
    except ValueError:
        return None, log, stated


def main():
    args = sys.argv[1:]
    program = os.path.join(ROOT, "build", "calculator-ka-vm")
    if args and os.path.sep in args[0]:
        program = args.pop(0)
    families = args or ["segment", "mirrored", "half-line", "both", "interior"]
    total_misses = total_dishonest = 0
    for name in families:
        rows = interior_rows() if name == "interior" else family_rows(name)
        with ThreadPoolExecutor(max_workers=2) as pool:
            results = list(pool.map(lambda row: ours(program, row[0]), rows))
        misses = warned = honest = errors = 0
        worst_silent = 0.0
        worst_ratio = 0.0
        for (text, reference), (value, log, stated) in zip(rows, results):
            if value is None:
                errors += 1
                print("  error: %s: %s" % (text, log))
                continue
            off = float(abs(mp.mpf(value) - reference) / abs(reference))
            if stated is not None:
                warned += 1
                actual = float(abs(mp.mpf(value) - reference))
                ratio = actual / stated if stated > 0 else math.inf
                worst_ratio = max(worst_ratio, ratio)
                if ratio <= 1:
                    honest += 1
                else:
                    print("  dishonest warning: %s = %r, %.2g off, stated %.2g (%.2g times)" %
                          (text, value, actual, stated, ratio))
            elif log:
                print("  other log: %s: %s" % (text, log))
            else:
                worst_silent = max(worst_silent, off)
                if off > MISS:
                    misses += 1
                    print("  silent miss: %s = %r, %.2g off" % (text, value, off))
        total_misses += misses
        total_dishonest += warned - honest
        print("%-9s %3d rows: %d silent misses, %d warnings (%d honest), %d errors; "
              "largest error without a warning %.2g, largest actual/stated %.2g" %
              (name, len(rows), misses, warned, honest, errors, worst_silent, worst_ratio))
        sys.stdout.flush()
    return 1 if total_misses or total_dishonest else 0


if __name__ == "__main__":
    sys.exit(main())
