#!/usr/bin/env python3
"""Writes numeric/bessel_tables.cpp: the coefficients of the uniform
asymptotic expansions of the Bessel functions for large orders.

- Debye polynomials u_0 .. u_14 (u_{k+1} = ½t²(1−t²)u_k' + ⅛∫_0^t (1−5s²)u_k),
  each stored as the coefficients of u_k(t)/t^k in t², highest first.
- λ_j·(3/2)^j and μ_j·(3/2)^j, j = 0..13, with λ_0 = 1,
  λ_j = (6j−5)(6j−3)(6j−1)/((2j−1)·216·j)·λ_{j−1}, μ_j = −(6j+1)/(6j−1)·λ_j.
- Near the turning point, w2 = 1 − z²: ζ/w2, A_1..A_6 and B_0..B_6 of the
  Airy-type expansion as power series in w2 (30 terms each), from
  (2/3)ζ^(3/2) = artanh w − w, w = sqrt(w2), and
  A_k = Σ_j (3/2)^j μ_j ζ^(−3j/2) u_{2k−j}(1/w),
  B_k = −ζ^(−1/2) Σ_j (3/2)^j λ_j ζ^(−3j/2) u_{2k+1−j}(1/w).
All series arithmetic is exact (rational Laurent series in w); only the
factors 2^(±1/3), 2^(−2/3) are irrational, applied with mpmath at 40 digits.
"""
from fractions import Fraction as F
import os
import sys

import mpmath as mp

mp.mp.dps = 40
NTERMS = 30


def debye(kmax):
    # polynomials as dicts power -> Fraction
    polys = [{0: F(1)}]
    for k in range(kmax):
        u = polys[-1]
        nxt = {}
        # ½ t²(1−t²) u'
        for p, c in u.items():
            if p == 0:
                continue
            d = c * p
            nxt[p + 1] = nxt.get(p + 1, 0) + d / 2
            nxt[p + 3] = nxt.get(p + 3, 0) - d / 2
        # ⅛ ∫ (1−5s²) u
        for p, c in u.items():
            nxt[p + 1] = nxt.get(p + 1, 0) + c / 8 / (p + 1)
            nxt[p + 3] = nxt.get(p + 3, 0) - 5 * c / 8 / (p + 3)
        polys.append({p: c for p, c in nxt.items() if c != 0})
    return polys


U = debye(14)


def lam_mu(n):
    lam = [F(1)]
    for j in range(1, n):
        lam.append(F((6 * j - 5) * (6 * j - 3) * (6 * j - 1), (2 * j - 1) * 216 * j) * lam[-1])
    mu = [F(1)] + [-F(6 * j + 1, 6 * j - 1) * lam[j] for j in range(1, n)]
    ar = [lam[j] * F(3, 2) ** j for j in range(n)]
    br = [mu[j] * F(3, 2) ** j for j in range(n)]
    return lam, mu, ar, br


LAM, MU, AR, BR = lam_mu(14)

# Laurent series in w: dict power -> Fraction, truncated above TOP.
TOP = 2 * NTERMS + 4


def mul(a, b):
    r = {}
    for p, c in a.items():
        for q, d in b.items():
            if p + q <= TOP:
                r[p + q] = r.get(p + q, 0) + c * d
    return r


def add(a, b, s=1):
    r = dict(a)
    for p, c in b.items():
        r[p] = r.get(p, 0) + s * c
    return r


def inverse_series(a):
    # a is a power series in w with a[0] != 0 (only non-negative powers)
    r = {0: 1 / a[0]}
    for n in range(1, TOP + 1):
        s = sum(a.get(k, 0) * r.get(n - k, 0) for k in range(1, n + 1))
        r[n] = -s / a[0]
    return r


def power_series(a, e):
    # (a)^e for a power series with a[0] == 1, e a Fraction
    # (1+x)^e by the recurrence of the derivative: a·r' = e·a'·r
    r = {0: F(1)}
    for n in range(1, TOP + 1):
        s = F(0)
        for k in range(1, n + 1):
            s += (e * k - (n - k)) * a.get(k, 0) * r.get(n - k, 0)
        r[n] = s / n
    return r


# 3g(w2) in powers of w: 3·Σ_{k>=1} w^(2k−2)/(2k+1)
g3 = {2 * (k - 1): F(3, 2 * k + 1) for k in range(1, TOP // 2 + 2) if 2 * (k - 1) <= TOP}
inv_w3g = mul({-3: F(1)}, {p: 3 * c for p, c in inverse_series(g3).items()})  # 1/(w³g) = 3/(w³·3g)

# (3/2)^j ζ^(−3j/2) = (w³ g)^(−j)
pow_inv = [{0: F(1)}]
for j in range(1, 14):
    pow_inv.append(mul(pow_inv[-1], inv_w3g))


def u_of_inverse_w(k):
    return {-p: c for p, c in U[k].items()}


def series_in_w2(lau, name):
    out = []
    for p, c in lau.items():
        if c != 0 and (p < 0 or p % 2):
            if p < 2 * NTERMS - 2:
                raise SystemExit('%s: term w^%d left: %s' % (name, p, c))
    return [lau.get(2 * n, F(0)) for n in range(NTERMS)]


A = []
for k in range(1, 7):
    acc = {}
    for j in range(0, 2 * k + 1):
        acc = add(acc, mul({p: MU[j] * c for p, c in pow_inv[j].items()}, u_of_inverse_w(2 * k - j)))
    A.append(series_in_w2(acc, 'A%d' % k))

# ζ^(−1/2) = 2^(1/3) · w^(−1) · (3g)^(−1/3)
h = power_series(g3, F(-1, 3))
B = []
for k in range(0, 7):
    acc = {}
    for j in range(0, 2 * k + 2):
        acc = add(acc, mul({p: LAM[j] * c for p, c in pow_inv[j].items()}, u_of_inverse_w(2 * k + 1 - j)))
    acc = mul(mul({-1: F(-1)}, h), acc)
    B.append([mp.cbrt(2) * mp.mpf(c.numerator) / c.denominator for c in series_in_w2(acc, 'B%d' % k)])

# ζ = w2 · 2^(−2/3) (3g)^(2/3)
zeta = power_series(g3, F(2, 3))
GAMMA = [mp.cbrt(2) ** -2 * mp.mpf(zeta[2 * n].numerator) / zeta[2 * n].denominator for n in range(NTERMS)]


def fmt(x):
    if isinstance(x, F):
        x = mp.mpf(x.numerator) / x.denominator
    return mp.nstr(x, 21, min_fixed=1, max_fixed=0).replace('e', 'e') if x != 0 else '0.0'


def block(name, values, per=3, dims=''):
    lines = ['const double %s%s = {' % (name, dims)]
    for i in range(0, len(values), per):
        lines.append('    ' + ', '.join(fmt(v) for v in values[i:i + per]) + ',')
    lines.append('};')
    return '\n'.join(lines)


debye_flat = []
for k in range(15):
    debye_flat += [U[k].get(3 * k - 2 * i, F(0)) for i in range(k + 1)]

root = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..')
out = ['// Generated by tools/generate_bessel_tables.py; do not edit.',
       '// Coefficients of the uniform asymptotic expansions for large orders.',
       '',
       '#include "numeric/bessel_tables.h"',
       '',
       'namespace NBessel {',
       '',
       block('kDebye', debye_flat, dims='[120]'),
       '',
       block('kLambda', AR, dims='[14]'),
       '',
       block('kMu', BR, dims='[14]'),
       '',
       block('kZetaSeries', GAMMA, dims='[30]'),
       '',
       block('kASeries', [x for row in A for x in row], dims='[180]'),
       '',
       block('kBSeries', [x for row in B for x in row], dims='[210]'),
       '',
       '}  // namespace NBessel',
       '']
with open(os.path.join(root, 'numeric', 'bessel_tables.cpp'), 'w') as f:
    f.write('\n'.join(out))
print('written')
