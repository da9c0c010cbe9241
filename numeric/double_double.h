#pragma once
// Double-double arithmetic: a value carried as an unevaluated sum hi + lo of
// two doubles with |lo| <= ½ ulp(hi), about 106 bits. Used where a large
// intermediate (an exponent of several hundred, a power of high order) must
// keep the digits that a double result needs after exp or a long product.
// Error-free transformations after Knuth (TwoSum) and Dekker, the product
// through fma.

#include <cmath>

namespace NDoubleDouble {

struct CDD {
    double hi = 0;
    double lo = 0;
};

// a + b exactly, as a rounded sum and its error.
inline CDD TwoSum(double a, double b)
{
    const double s = a + b;
    const double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

// As TwoSum for |a| >= |b| (or a = 0).
inline CDD FastTwoSum(double a, double b)
{
    const double s = a + b;
    return {s, b - (s - a)};
}

// a · b exactly.
inline CDD TwoProduct(double a, double b)
{
    const double p = a * b;
    return {p, std::fma(a, b, -p)};
}

inline CDD operator+(const CDD& a, const CDD& b)
{
    CDD s = TwoSum(a.hi, b.hi);
    const CDD t = TwoSum(a.lo, b.lo);
    s.lo += t.hi;
    s = FastTwoSum(s.hi, s.lo);
    s.lo += t.lo;
    return FastTwoSum(s.hi, s.lo);
}

inline CDD operator+(const CDD& a, double b)
{
    CDD s = TwoSum(a.hi, b);
    s.lo += a.lo;
    return FastTwoSum(s.hi, s.lo);
}

inline CDD operator-(const CDD& a)
{
    return {-a.hi, -a.lo};
}

inline CDD operator-(const CDD& a, const CDD& b)
{
    return a + (-b);
}

inline CDD operator*(const CDD& a, const CDD& b)
{
    CDD p = TwoProduct(a.hi, b.hi);
    p.lo += a.hi * b.lo + a.lo * b.hi;
    return FastTwoSum(p.hi, p.lo);
}

inline CDD operator*(const CDD& a, double b)
{
    CDD p = TwoProduct(a.hi, b);
    p.lo += a.lo * b;
    return FastTwoSum(p.hi, p.lo);
}

inline CDD operator/(const CDD& a, const CDD& b)
{
    const double q1 = a.hi / b.hi;
    CDD r = a - b * q1;
    const double q2 = r.hi / b.hi;
    r = r - b * q2;
    const double q3 = r.hi / b.hi;
    return FastTwoSum(q1, q2) + q3;
}

// ln 2 and π split into a high and a low double.
inline constexpr CDD kLn2 = {0.6931471805599453, 2.3190468138462996e-17};
inline constexpr CDD kPiDD = {3.141592653589793, 1.2246467991473532e-16};

// ln a for a > 0 finite, about 100 bits: a = 2^k·m with m in [√½, √2), and
// ln m = 2·atanh(s) = 2s + (2/3)s³ + (2/5)s⁵ + …, s = (m − 1)/(m + 1), with s
// in double-double and the tail (below 1% of 2s) in double.
CDD Log(const CDD& a);

// atan(q) for any finite q: reduced to |q| <= 1 by atan q = ±π/2 − atan(1/q),
// then about the nearest j/8, atan q = atan(j/8) + atan((q − j/8)/(1 + q·j/8)),
// where the remaining argument is below 1/15 and a short series suffices.
CDD ArcTan(const CDD& q);

// atan(p/q) for doubles 0 <= p <= q, q > 0, as ArcTan of the quotient but
// with the reduction formed from p and q themselves:
// (p − c·q)/(q + c·p) with c = j/8 takes one double-double division where
// the quotient and then the reduced argument took two.
CDD ArcTanOfRatio(double p, double q);

}  // namespace NDoubleDouble
