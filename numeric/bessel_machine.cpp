// Machine parameters and small helpers shared by the Bessel routines.

#include <cfloat>
#include <cmath>
#include <limits>

#include "numeric/bessel_internal.h"

namespace NBessel {

const CMachine& Machine()
{
    static const CMachine machine = [] {
        using limits = std::numeric_limits<double>;
        CMachine m{};
        m.tol = std::fmax(limits::epsilon(), 1.0e-18);
        m.r1m5 = std::log10(static_cast<double>(limits::radix));
        const int k = std::min(-limits::min_exponent, limits::max_exponent);
        m.elim = 2.303 * (k * m.r1m5 - 3.0);
        const double digits = m.r1m5 * (limits::digits - 1);
        m.dig = std::fmin(digits, 18.0);
        m.alim = m.elim + std::fmax(-2.303 * digits, -41.45);
        m.rl = 1.2 * m.dig + 3.0;
        m.fnul = 10.0 + 6.0 * (m.dig - 3.0);
        m.tiny = limits::min();
        m.huge = limits::max();
        m.ufl = 1.0e3 * m.tiny;
        m.ascle = m.ufl / m.tol;
        m.aa = 0.5 / m.tol;
        m.sqrtaa = std::sqrt(m.aa);
        return m;
    }();
    return machine;
}

bool Underflowed(const CComplex& y, double ascle)
{
    const double wr = std::fabs(y.real());
    const double wi = std::fabs(y.imag());
    const double small = std::fmin(wr, wi);
    if (small > ascle)
        return false;
    return std::fmax(wr, wi) < small / Machine().tol;
}

double LogGammaPositive(double x)
{
    // Exact factorials for small integers, Stirling's series beyond 15 and
    // the recurrence Γ(x+1) = xΓ(x) below.
    if (x == std::floor(x) && x <= 25) {
        double f = 1;
        for (double k = 2; k < x; ++k)
            f *= k;
        return std::log(f);
    }
    double shift = 1;
    while (x < 15) {
        shift *= x;
        x += 1;
    }
    static const double kStirling[] = {
        1.0 / 12, -1.0 / 360, 1.0 / 1260, -1.0 / 1680, 1.0 / 1188,
        -691.0 / 360360, 1.0 / 156, -3617.0 / 122400,
    };
    const double r = 1 / x;
    const double r2 = r * r;
    double s = 0;
    for (int k = 7; k >= 0; --k)
        s = s * r2 + kStirling[k];
    s *= r;
    constexpr double kHalfLogTwoPi = 0.91893853320467274178;
    return (x - 0.5) * std::log(x) - x + kHalfLogTwoPi + s - std::log(shift);
}

CComplex MultiplyScaled(const CComplex& y, const CComplex& c)
{
    const CMachine& m = Machine();
    const double ascle = m.ufl / m.tol;
    if (std::fmax(std::fabs(y.real()), std::fabs(y.imag())) <= ascle)
        return (y / m.tol) * c * m.tol;
    return y * c;
}

CComplex ExpIPiNu(double nu, double sign)
{
    // ν mod 2 is exact; split it into quarter turns and a remainder below ½.
    const double f = std::fmod(nu, 2.0);
    const double quarters = std::floor(2 * f);
    const double r = f - 0.5 * quarters;
    double c = 1;
    double s = 0;
    if (r != 0) {
        c = std::cos(kPi * r);
        s = std::sin(kPi * r);
    }
    CComplex w(c, s);
    switch (static_cast<int>(quarters)) {
    case 1:
        w = CComplex(-s, c);
        break;
    case 2:
        w = CComplex(-c, -s);
        break;
    case 3:
        w = CComplex(s, -c);
        break;
    default:
        break;
    }
    return sign < 0 ? std::conj(w) : w;
}

CComplex ExpIHalfPiNu(double nu, double sign)
{
    return ExpIPiNu(0.5 * nu, sign);
}

}  // namespace NBessel
