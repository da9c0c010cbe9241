#!/usr/bin/env python3
"""Prints, for every integral of tests/data/calculus_references.txt, the
relative error of the calculator beside that of scipy.integrate.quad on the
same integrand, and lists the rows where quad comes out closer.

The calculator's values come from its command-line program (built with the
core: build/calculator-ka-vm), which calculates all rows in one run; quad is
asked for full precision (epsabs 0, epsrel 1.5e-14, the least it takes, up to
500 subintervals) without the breakpoints the reference script knows, since
the calculator is not told them either. A complex integrand is integrated as its real and
imaginary parts, a complex path through its parameter t in [0, 1].

Run: python3 tools/quadrature_side_by_side.py [path/to/calculator-ka-vm]
(needs numpy and scipy: apt-get install python3-scipy)
"""
import math
import os
import re
import subprocess
import sys
import warnings

import numpy as np
import scipy.integrate
import scipy.special

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")


def sech(z):
    return 1 / np.cosh(z)


NAMES = {
    "sin": np.sin, "cos": np.cos, "tan": np.tan, "exp": np.exp, "ln": np.log, "sqrt": np.sqrt,
    "abs": np.abs, "atan": np.arctan, "asin": np.arcsin, "sinh": np.sinh, "cosh": np.cosh, "tanh": np.tanh,
    "sech": sech, "floor": np.floor, "sign": np.sign, "gamma": scipy.special.gamma,
    "j": scipy.special.jv, "y": scipy.special.yv, "re": np.real, "im": np.imag, "conj": np.conj,
    "pi": math.pi, "e": math.e, "i": 1j,
}


def split_arguments(text):
    """The four elements of integral(VAR,A,B,TERM), split at the top-level commas."""
    inner = text[text.index("(") + 1:-1]
    parts, depth, start = [], 0, 0
    for k, c in enumerate(inner):
        if c in "([":
            depth += 1
        elif c in ")]":
            depth -= 1
        elif c == "," and depth == 0:
            parts.append(inner[start:k])
            start = k + 1
    parts.append(inner[start:])
    return parts


def python_text(term):
    return term.replace("^", "**")


def limit(text):
    sign = -1 if text.startswith("-") else 1
    bare = text.lstrip("+-")
    if bare in ("inf", "infinity", "\u221e"):
        return sign * math.inf
    return complex(eval(python_text(text), dict(NAMES)))


def scipy_value(var, a, b, term):
    code = compile(python_text(term), term, "eval")

    def f(x):
        ns = dict(NAMES)
        ns[var] = x
        with np.errstate(all="ignore"):
            v = complex(eval(code, ns))
            if v != v and not isinstance(x, complex):
                # ln or sqrt of a negative number: the complex value, as
                # the calculator gives it.
                ns[var] = complex(x)
                v = complex(eval(code, ns))
        return v

    options = dict(epsabs=0, epsrel=1.5e-14, limit=500)
    if isinstance(a, complex) and isinstance(b, complex) and (a.imag != 0 or b.imag != 0):
        d = b - a

        def g(t):
            return f(a + d * t) * d

        lo, hi = 0.0, 1.0
    else:
        g = f
        lo = a.real if isinstance(a, complex) else a
        hi = b.real if isinstance(b, complex) else b
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        re_part = scipy.integrate.quad(lambda x: g(x).real, lo, hi, **options)[0]
        im_part = scipy.integrate.quad(lambda x: g(x).imag, lo, hi, **options)[0]
    return complex(re_part, im_part)


NUMBER = re.compile(r"^([^=]*)=(.*)$")


def parse_result(text):
    """A result text of the calculator (17 digits, "−" or "-", "e-017",
    "+i×b", "i", "−i×b") as a complex number, or None."""
    t = text.replace("\u2212", "-").replace("\u00d7", "*").replace(" ", "")
    t = re.sub(r"e([+-]?)0*(\d)", r"e\1\2", t)
    m = re.fullmatch(r"([+-]?[0-9.]+(?:e[+-]?\d+)?)?(?:([+-])i(?:\*([0-9.]+(?:e[+-]?\d+)?))?)?", t)
    if not m or (m.group(1) is None and m.group(2) is None):
        m2 = re.fullmatch(r"([+-]?)i(?:\*([0-9.]+(?:e[+-]?\d+)?))?", t)
        if not m2:
            return None
        im = float(m2.group(2) or 1)
        return complex(0, -im if m2.group(1) == "-" else im)
    re_part = float(m.group(1)) if m.group(1) else 0.0
    im = 0.0
    if m.group(2):
        im = float(m.group(3) or 1)
        if m.group(2) == "-":
            im = -im
    return complex(re_part, im)


def our_values(program, texts):
    source = "".join(t + "=\n" for t in texts)
    run = subprocess.run([program, "--calculate"], input=source.encode("utf-8"), capture_output=True)
    values = []
    for line in run.stdout.decode("utf-8").splitlines():
        m = NUMBER.match(line)
        values.append(parse_result(m.group(2)) if m and m.group(2) else None)
    return values


def relative(value, reference):
    if value is None:
        return math.inf
    size = abs(reference)
    return abs(value - reference) / (size if size > 1e-30 else 1.0)


def main():
    program = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build", "calculator-ka-vm")
    rows = []
    with open(os.path.join(ROOT, "tests", "data", "calculus_references.txt"), encoding="utf-8") as f:
        for n, line in enumerate(f, 1):
            if not line.startswith("integral("):
                continue
            fields = line.rstrip("\n").split("|")
            rows.append((n, fields[0], complex(float(fields[1]), float(fields[2])), float(fields[3]), fields[5]))
    ours = our_values(program, [r[1] for r in rows])
    if len(ours) != len(rows):
        raise SystemExit("the calculator gave %d lines for %d rows" % (len(ours), len(rows)))
    print("%-5s %-62s %10s %10s" % ("line", "integral", "ours", "scipy"))
    beaten = []
    for (n, text, reference, bound, source), value in zip(rows, ours):
        var, a, b, term = split_arguments(text)
        try:
            theirs = scipy_value(var, limit(a), limit(b), term)
        except Exception:  # a term numpy cannot evaluate
            theirs = None
        e_ours = relative(value, reference)
        e_theirs = relative(theirs, reference)
        mark = ""
        # Closer by more than the noise of the last digits.
        if e_theirs < e_ours and e_ours > 4e-16 and e_theirs < 0.5 * e_ours:
            mark = "  <- scipy closer"
            beaten.append((n, text, e_ours, e_theirs))
        print("%-5d %-62s %10.2g %10.2g%s" % (n, text[:62], e_ours, e_theirs, mark))
    print()
    print("rows where scipy.integrate.quad comes out closer: %d of %d" % (len(beaten), len(rows)))
    for n, text, e_ours, e_theirs in beaten:
        print("  line %d %s: ours %.2g, scipy %.2g" % (n, text, e_ours, e_theirs))


if __name__ == "__main__":
    sys.exit(main())
