#!/usr/bin/env python3
"""Writes tests/data/bessel_references.txt: reference values of the Bessel
functions J, Y, I, K of a real order and a complex argument, computed with
mpmath at high precision (each value is computed at two precisions and kept
only when they agree to 25 digits).

Line format (fields separated by "|"):
  kind|order|re z|im z|re value|im value|indicator|bound[|family]
The inputs are written as the shortest decimal that reads back as the same
double and are converted exactly (mpmath takes the double itself); the
values carry 20 significant digits. bound is the relative error allowed,
|computed − reference| / |reference|: 2e-14 where the function is well
conditioned, widened by the condition number |z f'(z)/f(z)| of the point
(near zeros) and by the size of the order, at least 1e-13 for orders from
40 or |z| > 50, and 1e-13 for huge arguments (beyond 1e6). Among these
rows are J of orders −2.3 to 16 at the doubles nearest their zeros and
around them, where the widened bound holds the absolute error to about
2e-14·|z·J'(z)|.

The rows with a ninth field belong to a named family of edge cases, held
to a fixed bound: I of orders 20 to 100 at arguments 1e-3 to 1 (power
series) and K of orders 0 and 0.5 at subnormal and tiny arguments, to
4e-15; I of orders 9 to 83 at |z| 9 to 25 in every direction (series,
Miller's algorithm and where the Wronskian was used) and J of orders ±15
to ±17 at |z| 1e-4 to 0.01 (series; Y by K for the negative orders), to
1e-14. These last two families are
computed at 30 digits and checked at 50, with a real argument passed as
a real number (mpmath returns 0 for an integer order at a complex number
with imaginary part 0), and leave out the points within reach of a zero,
where the condition number |z f'(z)/f(z)| exceeds 10·√(ν² + |z|²), ten
times its size away from zeros (I on the imaginary axis is J there): no
double method holds 1e-14 at those.
"""
import cmath
import math
import os
import signal
import sys

import mpmath as mp

FUNCS = {'J': mp.besselj, 'Y': mp.bessely, 'I': mp.besseli, 'K': mp.besselk}


def value(kind, nu, z, dps):
    if kind == 'K':
        nu = abs(nu)  # K is even in the order; mpmath is slow for negative ones
    with mp.workdps(dps):
        try:
            return FUNCS[kind](mp.mpf(nu), z)
        except mp.libmp.NoConvergence:
            return FUNCS[kind](mp.mpf(nu), z, maxterms=10**5, maxprec=4 * mp.prec + 2000)


class SlowCase(BaseException):
    pass


def on_alarm(signum, frame):
    raise SlowCase()


def derivative(kind, nu, z, dps):
    # f'_ν from the next order up: J, Y: −f_{ν+1} + (ν/z)f_ν; I: +I_{ν+1};
    # K (even in ν): −K_{|ν|+1} + (|ν|/z)K_{|ν|}.
    with mp.workdps(dps):
        if kind == 'K':
            nu = abs(nu)
        nu = mp.mpf(nu)
        upper = value(kind, nu + 1, z, dps)
        f = value(kind, nu, z, dps)
        if kind == 'I':
            return upper + nu / z * f
        return -upper + nu / z * f


def reference(kind, nu, zc):
    z = mp.mpc(mp.mpf(zc.real), mp.mpf(zc.imag))
    for dps in (50, 80):
        a = value(kind, nu, z, dps)
        b = value(kind, nu, z, dps + 30)
        if b == 0:
            return mp.mpc(0), z
        if abs(a - b) <= abs(b) * mp.mpf(10) ** -25:
            with mp.workdps(dps + 30):
                return b, z
    raise RuntimeError('no agreement for %s %r %r' % (kind, nu, zc))


def fmt_double(x):
    return repr(float(x))


def fmt_ref(x):
    return mp.nstr(x, 20, min_fixed=-5, max_fixed=5) if x != 0 else '0'


def cases():
    radii = [1e-3, 0.3, 1.7, 7.5, 16.0, 30.0, 95.0, 180.0, 330.0]
    angles = [0.0, 0.45, 1.2, math.pi / 2, 2.1, 2.75, math.pi, -0.45, -math.pi / 2, -2.1]
    orders = [0, 0.5, 1, 1.5, 2.5, 10, 50, 100, 200, -0.5, -1, -2.3, -60.25]
    for kind in 'JYIK':
        for nu in orders:
            for r in radii:
                for a in angles:
                    z = cmath.rect(r, a)
                    if a == 0.0:
                        z = complex(r, 0.0)
                    if a == math.pi:
                        z = complex(-r, 0.0)
                    yield kind, float(nu), z, 0
    # Just below and just above the negative real axis.
    for kind in 'JYIK':
        for nu in (0.0, 1.5, 2.5, 7.0):
            for z in (complex(-2, -1e-10), complex(-2, -1e-300), complex(-0.5, -1e-15), complex(-10, -1e-12),
                      complex(-2, 1e-10), complex(-0.5, 1e-15)):
                yield kind, nu, z, 0
    # Hankel-based Y and K of large order at small arguments.
    for nu, z in ((10.0, complex(1e-3, 1e-3)), (50.0, complex(0.1, 0)), (100.0, complex(1.0, 0.5)),
                  (200.0, complex(10.0, -3.0)), (30.0, complex(0, 1e-3)), (90.0, complex(-2.0, 0.01)),
                  (150.0, complex(0.5, 0))):
        for kind in 'YK':
            yield kind, nu, z, 0
    # Huge arguments: partial loss of precision above sqrt(2^51).
    for kind in 'JYIK':
        for nu in (0.0, 1.0, 2.5):
            for z in (complex(1e15, 0), complex(-2e15, 0), complex(3e7, 0), complex(6e7, 0), complex(0, 5e7),
                      complex(2e15, 3.0), complex(1e9, -1.0)):
                if kind == 'I' and z.real != 0:
                    continue
                if kind == 'K' and abs(z.real) > 1e3:
                    continue
                if kind in 'JY' and abs(z.imag) > 500:
                    continue
                yield kind, nu, z, 3 if abs(z) > 47453132.81212578 else 0
    # Zeros of J and their neighbourhood, where a method that divides by
    # the value or by a ratio of neighbouring orders fails; the bound,
    # widened by the condition number, holds the absolute error there to
    # about 2e-14·|z·J'(z)|.
    for kind, z in zero_neighbourhoods():
        yield kind, z[0], complex(z[1], 0.0), 0


def real_zeros(nu, count):
    """The first count positive zeros of J_ν, as doubles: sign changes on a
    grid of step 0.05 (zeros of J are about π apart), each refined by
    bisection at 40 digits."""
    zeros = []
    with mp.workdps(40):
        f = lambda t: mp.besselj(mp.mpf(nu), t)
        x = mp.mpf('0.05')
        fx = f(x)
        while len(zeros) < count:
            y = x + mp.mpf('0.05')
            fy = f(y)
            if fx * fy < 0:
                zeros.append(float(mp.findroot(f, (x, y), solver='bisect', tol=mp.mpf(10) ** -36)))
            x, fx = y, fy
    return zeros


def zero_neighbourhoods():
    """J_ν at the doubles nearest its zeros (the first three, and one
    beyond |z| = 21 where the recurrences of the larger arguments take
    over), at the doubles next to them and at relative distances 1e-12,
    1e-6 and 1e-3."""
    for nu, ks in ((0.0, (1, 2, 3, 10)), (1.0, (1, 2, 3, 8)), (2.5, (1, 2, 7)), (5.0, (1, 2, 3, 6)),
                   (10.0, (1, 2, 4)), (16.0, (1, 2, 3)), (-0.5, (1, 2)), (-2.3, (1, 2))):
        zeros = real_zeros(nu, max(ks))
        for k in ks:
            x = zeros[k - 1]
            points = [x, math.nextafter(x, 0), math.nextafter(x, math.inf)]
            for d in (1e-12, 1e-6, 1e-3):
                points += [x * (1 - d), x * (1 + d)]
            for p in points:
                yield 'J', (nu, p)


EDGE_BOUND = 4e-15


def edge_cases():
    for nu in (20.0, 22.0, 25.5, 30.0, 40.0, 50.0, 60.25, 75.0, 86.0, 99.0, 100.0):
        for x in (1e-3, 2e-3, 5e-3, 0.01, 0.03, 0.1, 0.3, 0.5, 1.0):
            yield 'I', nu, complex(x, 0.0), 'I high order'
    tiny = (5e-324, 1e-320, 1e-315, 1e-310, 2.2250738585072014e-308, 1e-307, 1e-306, 2.2e-305, 1e-300)
    for nu, family in ((0.0, 'K0 tiny'), (0.5, 'K0.5 tiny')):
        for x in tiny:
            yield 'K', nu, complex(x, 0.0), family


WIDE_BOUND = 1e-14
WIDE_CONDITION = 10


def wide_cases():
    angles = [0.0, 0.45, 1.2, math.pi / 2, 2.1, math.pi, -0.45, -math.pi / 2, -2.75]
    for nu in (9.0, 9.5, 12.25, 16.0, 20.7, 27.0, 33.5, 41.0, 48.25, 56.0, 63.552, 70.0, 77.5, 83.0):
        for r in (9.0, 11.3, 14.1, 16.7, 19.0, 21.5, 23.8, 25.0):
            for a in angles:
                yield 'I', nu, r, a, 'I orders 9-83'
    for nu in (15.0, 15.5, 15.9, 16.0, 16.3, 17.0, -15.5, -15.9, -16.3, -17.0):
        for r in (1e-4, 4e-4, 1e-3, 3.7e-3, 6e-3, 8.5e-3, 0.01):
            for a in angles:
                yield 'J', nu, r, a, 'J orders 15-17'


def wide_reference(kind, nu, r, a):
    """The point, its reference value and its condition number, or None."""
    z = complex(r, 0.0) if a == 0.0 else (complex(-r, 0.0) if a == math.pi else cmath.rect(r, a))
    zm = mp.mpf(z.real) if z.imag == 0 else mp.mpc(mp.mpf(z.real), mp.mpf(z.imag))
    f = FUNCS[kind]
    with mp.workdps(30):
        v = mp.mpc(f(mp.mpf(nu), zm))
    with mp.workdps(50):
        check = mp.mpc(f(mp.mpf(nu), zm))
        upper = mp.mpc(f(mp.mpf(nu) + 1, zm))
        d = (upper if kind == 'I' else -upper) + mp.mpf(nu) / zm * check
        cond = abs(zm * d / check)
    if check == 0 or abs(v - check) > abs(check) * mp.mpf(10) ** -25:
        raise RuntimeError('no agreement for %s %r %r' % (kind, nu, z))
    if cond > WIDE_CONDITION * math.hypot(nu, r) or abs(check) < mp.mpf('1e-300'):
        return None
    return z, check


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..')
    lines = ['# Bessel function references (tools/generate_bessel_references.py):',
             '# kind|order|re z|im z|re value|im value|indicator|relative error bound']
    signal.signal(signal.SIGALRM, on_alarm)
    skipped = 0
    for count, (kind, nu, z, indicator) in enumerate(cases()):
        if count % 200 == 0:
            print(count, flush=True)
        signal.alarm(3)
        try:
            ref, zm = reference(kind, nu, z)
            if abs(z) <= 1e6 and ref != 0:
                d = derivative(kind, nu, zm, 30)
        except SlowCase:
            skipped += 1
            continue
        finally:
            signal.alarm(0)
        if ref == 0 or abs(ref) > mp.mpf('1e300') or abs(ref) < mp.mpf('1e-300'):
            continue
        if abs(ref.real) < mp.mpf('1e-300') and ref.real != 0:
            continue
        if abs(ref.imag) < mp.mpf('1e-300') and ref.imag != 0:
            continue
        if abs(z) > 1e6:
            # The argument is an exact double and the phase reduction exact,
            # so even huge arguments keep their digits here.
            bound = 1e-13
        else:
            with mp.workdps(40):
                cond = float(abs(zm * d / ref)) if zm != 0 else 1.0
            order_scale = 1 + abs(nu) / 50
            bound = 2e-14 * order_scale * max(1.0, cond)
            if abs(nu) >= 40 or abs(z) > 50:
                bound = max(bound, 1e-13)  # the uniform and large-argument expansions
            bound = float('%.1g' % bound)
        lines.append('%s|%s|%s|%s|%s|%s|%d|%s' % (kind, fmt_double(nu), fmt_double(z.real), fmt_double(z.imag),
                                                  fmt_ref(ref.real), fmt_ref(ref.imag), indicator, repr(bound)))
    for kind, nu, z, family in edge_cases():
        ref, zm = reference(kind, nu, z)
        if abs(ref) < mp.mpf('1e-300'):
            continue  # not a normal double
        lines.append('%s|%s|%s|%s|%s|%s|0|%s|%s' % (kind, fmt_double(nu), fmt_double(z.real), fmt_double(z.imag),
                                                  fmt_ref(ref.real), fmt_ref(ref.imag), repr(EDGE_BOUND), family))
    for kind, nu, r, a, family in wide_cases():
        found = wide_reference(kind, nu, r, a)
        if found is None:
            continue
        z, ref = found
        lines.append('%s|%s|%s|%s|%s|%s|0|%s|%s' % (kind, fmt_double(nu), fmt_double(z.real), fmt_double(z.imag),
                                                  fmt_ref(ref.real), fmt_ref(ref.imag), repr(WIDE_BOUND), family))
    with open(os.path.join(root, 'tests', 'data', 'bessel_references.txt'), 'w') as f:
        f.write('\n'.join(lines) + '\n')
    print(len(lines) - 2, 'references,', skipped, 'slow cases left out')


if __name__ == '__main__':
    sys.exit(main())
