#include "numeric/double_double.h"

#include "numeric/gamma_tables.h"

namespace NDoubleDouble {

CDD Log(const CDD& a)
{
    int k = std::ilogb(a.hi);
    CDD m = {std::ldexp(a.hi, -k), std::ldexp(a.lo, -k)};  // exact: [1, 2)
    if (m.hi > 1.4142135623730951) {
        m = {m.hi / 2, m.lo / 2};
        ++k;
    }
    const CDD s = (m + (-1.0)) / (m + 1.0);
    const double s2 = s.hi * s.hi;
    // (2/3)s³ + (2/5)s⁵ + … with s² <= 0.0295: terms to s²⁷ reach 1e-20.
    double p = 2.0 / 27;
    for (int j = 25; j >= 3; j -= 2)
        p = p * s2 + 2.0 / j;
    const double tail = s.hi * s2 * p + 2 * s2 * s.lo;
    const CDD twoS = {2 * s.hi, 2 * s.lo};
    const CDD kLn = TwoProduct(k, kLn2.hi) + k * kLn2.lo;
    return kLn + (twoS + tail);
}

CDD ArcTan(const CDD& q)
{
    const bool negative = q.hi < 0;
    CDD x = negative ? -q : q;
    const bool inverted = x.hi > 1;
    if (inverted)
        x = CDD{1, 0} / x;
    const int j = static_cast<int>(std::nearbyint(x.hi * 8));
    const double c = j / 8.0;
    // u = (x − c)/(1 + x·c): |u| <= (1/16)/(1 + c·(c − 1/16)) < 1/15.
    const CDD u = (x + (-c)) / (x * c + 1.0);
    const double u2 = u.hi * u.hi;
    // −u³/3 + u⁵/5 − …: u¹⁹ is below 1e-22 of u.
    double p = -1.0 / 19;
    for (int n = 17; n >= 3; n -= 2)
        p = p * u2 + ((n / 2) % 2 == 0 ? 1.0 : -1.0) / n;
    const double tail = u.hi * u2 * p;
    CDD result = CDD{kArcTanEighths[j][0], kArcTanEighths[j][1]} + (u + tail);
    if (inverted)
        result = CDD{kPiDD.hi / 2, kPiDD.lo / 2} - result;
    return negative ? -result : result;
}

CDD ArcTanOfRatio(double p, double q)
{
    const int j = static_cast<int>(std::nearbyint(8 * (p / q)));
    const double c = j / 8.0;
    // c·q and c·p exactly, so that numerator and denominator carry no
    // rounding into the division.
    const CDD cq = TwoProduct(c, q);
    const CDD cp = TwoProduct(c, p);
    const CDD u = (TwoSum(p, -cq.hi) + (-cq.lo)) / (TwoSum(q, cp.hi) + cp.lo);
    const double u2 = u.hi * u.hi;
    double t = -1.0 / 19;
    for (int n = 17; n >= 3; n -= 2)
        t = t * u2 + ((n / 2) % 2 == 0 ? 1.0 : -1.0) / n;
    const double tail = u.hi * u2 * t;
    return CDD{kArcTanEighths[j][0], kArcTanEighths[j][1]} + (u + tail);
}

}  // namespace NDoubleDouble
