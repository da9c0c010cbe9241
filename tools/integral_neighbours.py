#!/usr/bin/env python3
"""Writes families of neighbouring problems for battery rows whose error is
set by rounding: the integrand and the kind of range stay, an end or a
parameter moves by a small step, so that the rounding of the points and of
the term falls differently for every member of a family. Compared over a
family, the median error of one method against another says which method is
more accurate on that kind of problem; on one row alone, an error at the
rounding floor says as much about the luck of the draw as about the method.

Rows as in tests/data/calculus_references.txt (text | reference | imaginary
part | bound | warns | family), references as there: mpmath, the numbers of
the text taken as the doubles the calculator computes with.

    python3 tools/integral_neighbours.py > /tmp/neighbours.txt
    KAVM_BATTERY_FILE=/tmp/neighbours.txt KAVM_BATTERY_ALL=1 \\
        build/bench/core_bench --benchmark_filter=IntegralBatteryBesideBoost > /tmp/out.txt
    python3 tools/integral_neighbours.py --summary /tmp/out.txt
"""
import math
import re
import statistics
import sys

import mpmath as mp

sys.path.insert(0, __file__.rsplit("/", 1)[0])
import calculus_references as cr  # noqa: E402

MEMBERS = 12


def d(value):
    """A number as the calculator holds it."""
    return mp.mpf(float(value))


def number(value):
    return repr(float(value))


def families():
    """(family, term, a, b, exact value or None) for each member."""
    pi = d(math.pi)
    for k in range(MEMBERS):
        s = 1 + k / 1000
        b = number(s)
        yield ("cos(1000x)", "cos(1000*x)", "0", b, lambda b=d(b): mp.sin(1000 * b) / 1000)
        yield ("cos(100x)", "cos(100*x)", "0", b, lambda b=d(b): mp.sin(100 * b) / 100)
        yield ("sin(100 pi x)/(pi x)", "sin(100*pi*x)/(pi*x)", "0.1", b,
               lambda b=d(b): (mp.si(100 * pi * b) - mp.si(100 * pi * d(0.1))) / pi)
        yield ("4 pi^2 x sin(20 pi x) cos(2 pi x)", "4*pi^2*x*sin(20*pi*x)*cos(2*pi*x)", "0", b, None)
        yield ("x^(-0.95)", "x^(-0.95)", "0", b, lambda b=d(b): b ** (1 + d(-0.95)) / (1 + d(-0.95)))
        yield ("sin(x^2)", "sin(x^2)", "0", number(10 * s),
               lambda b=d(10 * s): mp.sqrt(mp.pi / 2) * mp.fresnels(b * mp.sqrt(2 / mp.pi)))
        yield ("1/((x-0.7)^2+1e-3^2)", "1/((x-0.7)^2+1e-3^2)", "0", b,
               lambda b=d(b): (mp.atan((b - d(0.7)) / d(1e-3)) + mp.atan(d(0.7) / d(1e-3))) / d(1e-3))
        yield ("cos(64 sin x)", "cos(64*sin(x))", "0", "pi*%s" % number(s), None)
        # (pi/2 stands for the zero of cos that its double rounds, as in the
        # battery: the reference runs up to pi/2 itself.)
        a = number(k / 1000)
        yield ("ln(cos x)", "ln(cos(x))", a, "pi/2",
               lambda a=d(a): mp.quad(lambda x: mp.log(mp.cos(x)), [a, mp.pi / 2]))
        # Singular at an end other than 0, where the points near it are
        # rounded to the end's spacing: the end moves with the term.
        yield ("1/(x^2 sqrt(x-a)) [a,inf]", "1/(x^2*sqrt(x-%s))" % b, b, "inf",
               lambda b=d(b): mp.pi / (2 * b ** mp.mpf(1.5)))
        yield ("1/sqrt(b-x)+1/sqrt(x) [0,b]", "1/sqrt(%s-x)+1/sqrt(x)" % b, "0", b,
               lambda b=d(b): 4 * mp.sqrt(b))
        for centre in (30, 100, 131):
            c = number(centre + k / 10)
            yield ("exp(-x)+exp(-(x-%d)^2)" % centre, "exp(-x)+exp(-(x-%s)^2)" % c, "0", "inf",
                   lambda c=d(c): 1 + mp.sqrt(mp.pi) / 2 * (1 + mp.erf(c)))
        c = number(30 + k / 10)
        yield ("exp(-x^2)+exp(-(x-30)^2)", "exp(-x^2)+exp(-(x-%s)^2)" % c, "-inf", "inf",
               lambda: 2 * mp.sqrt(mp.pi))
        # Steps between an end and the outermost node of the first panel.
        a = number(1e-3 * s)
        yield ("sign(x) beside a", "sign(x)", "-" + a, "1", lambda a=d(a): 1 - a)
        yield ("sign(x) exp(x) beside a", "sign(x)*exp(x)", "-" + a, "1",
               lambda a=d(a): (mp.e - 1) - (1 - mp.exp(-a)))
        b = number(0.5 + 1e-4 * s)
        yield ("floor(2x) beside b", "floor(2*x)", "0", b, lambda b=d(b): b - mp.mpf(0.5))
        c = number(1e-9 * s)
        yield ("floor(x-c)+1 beside a", "floor(x-%s)+1" % c, "0", "1", lambda c=d(c): 1 - c)
        # Far peaks on the other half-lines: towards -inf, from an end
        # other than 0, and on either side of the whole line.
        c = number(175 + k / 10)
        yield ("exp(x)+exp(-(x+175)^2)", "exp(x)+exp(-(x+%s)^2)" % c, "-inf", "0",
               lambda c=d(c): 1 + mp.sqrt(mp.pi) / 2 * (1 + mp.erf(c)))
        c = number(90 + k / 10)
        yield ("exp(2-x)+exp(-(x-90)^2) from 2", "exp(2-x)+exp(-(x-%s)^2)" % c, "2", "inf",
               lambda c=d(c): 1 + mp.sqrt(mp.pi) / 2 * (1 + mp.erf(c - 2)))
        for family, centre in (("exp(-x^2)+exp(-(x-147)^2)", 147 + k / 10),
                               ("exp(-x^2)+exp(-(x+250)^2)", -250 - k / 10)):
            yield (family, "exp(-x^2)+exp(-(x-(%s))^2)" % number(centre), "-inf", "inf",
                   lambda: 2 * mp.sqrt(mp.pi))


def reference(term, a, b, exact):
    if exact is not None:
        return cr.checked(exact)
    lo, hi = cr.limit_value(a), cr.limit_value(b)
    # Enough pieces that mpmath's own rule sees a few oscillations at most.
    pieces = 64
    breaks = [lo + (hi - lo) * j / pieces for j in range(1, pieces)]
    f = cr.term_function(term)
    return cr.checked(lambda: mp.quad(f, [lo] + breaks + [hi], maxdegree=10))


def write():
    for family, term, a, b, exact in families():
        sys.stderr.write("%s [%s, %s]\n" % (term, a, b))
        value = reference(term, a, b, exact)
        print(cr.row("integral(x,%s,%s,%s)" % (a, b, term), value, 1e-12, 0, family))


def summary(path):
    """Median and largest error of ours and of every Boost attempt over
    each family, from the bench's listing with KAVM_BATTERY_ALL=1."""
    family_of = {}
    for family, term, a, b, _ in families():
        family_of["integral(x,%s,%s,%s)" % (a, b, term)] = family
    errors = {}
    current = None
    for line in open(path):
        m = re.match(r"\s*\d+ (integral\(.*?\))\s+[\d.]+\s+(\S+)\s+\d+ \|", line)
        if m:
            current = family_of.get(m.group(1))
            if current is not None:
                errors.setdefault(current, {}).setdefault("ours", []).append(float(m.group(2)))
                errors[current].setdefault("best of Boost", []).append(math.inf)
            continue
        m = re.match(r"\s+(\S+@\S+)\s+[\d.]+ us\s+err\s+(\S+)", line)
        if m and current is not None:
            error = float(m.group(2))
            errors[current].setdefault(m.group(1), []).append(error)
            best = errors[current]["best of Boost"]
            best[-1] = min(best[-1], error)
    for family, methods in errors.items():
        print(family)
        for name, values in sorted(methods.items(), key=lambda kv: statistics.median(kv[1])):
            finite = [v for v in values if math.isfinite(v)]
            print("  %-22s median %8.1e  largest %8.1e  %2d/%d rows" %
                  (name, statistics.median(values), max(finite) if finite else math.inf, len(finite), len(values)))


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "--summary":
        summary(sys.argv[2])
    else:
        write()
