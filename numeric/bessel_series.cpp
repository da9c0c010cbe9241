// I_ν(z) by its power series
//   I_ν(z) = (z/2)^ν / Γ(ν+1) · Σ_k (z²/4)^k / (k! (ν+1)_k),
// used where |z| is small against sqrt(ν+1).
//
// Where the published routine forms the leading factor as
// e^(ν·ln(z/2) − ln Γ(ν+1)), the rounding of that exponent (several hundred
// for high orders) costs up to 1e-13 of relative accuracy; for orders up to
// 170 the factor is formed instead as a power split into mantissa and
// binary exponent, divided by Γ(ν+1) (the factorial table for integer
// orders). The decisions on under- and overflow still use the logarithm.
// The published routine also gives up below its underflow scale |z| < 1e3·
// tiny (only order 0 keeping the value 1); the series itself holds there
// and gives every value that is a normal double, for example of small
// orders.

#include <cmath>

#include "numeric/double_double.h"
#include "numeric/gamma.h"
#include "numeric/gamma_tables.h"
#include "numeric/bessel_internal.h"

namespace NBessel {

NDoubleDouble::CDD Argument(const CComplex& z)
{
    using namespace NDoubleDouble;
    const double x = z.real();
    const double y = z.imag();
    const CDD quarter = {kPiDD.hi / 2, kPiDD.lo / 2};
    // The axes first, without the double-double quotient and arctangent:
    // a real argument, or the imaginary one J of a real argument becomes.
    if (x == 0)
        return y == 0 ? CDD{} : (y < 0 ? -quarter : quarter);
    if (y == 0)
        return x > 0 ? CDD{} : (std::signbit(y) ? -kPiDD : kPiDD);
    // The angle from the nearer axis, atan of a ratio at most 1, then its
    // quadrant.
    const double ax = std::fabs(x);
    const double ay = std::fabs(y);
    CDD a;
    if (ay > ax) {
        const CDD t = ArcTanOfRatio(ax, ay);
        a = x > 0 ? quarter - t : quarter + t;
    } else {
        const CDD t = ArcTanOfRatio(ay, ax);
        a = x > 0 ? t : kPiDD - t;
    }
    return y < 0 ? -a : a;
}

CComplex HalfPower(const CComplex& z, double a, const NDoubleDouble::CDD& arg, int& exponent)
{
    using namespace NDoubleDouble;
    // z = 2^k·(xs + i·ys) exactly, |z/2|^a = 2^((k−1)a)·s^(a/2) with
    // s = xs² + ys² in [1, 8) in double-double.
    const int k = std::ilogb(std::fmax(std::fabs(z.real()), std::fabs(z.imag())));
    const double xs = std::ldexp(z.real(), -k);
    const double ys = std::ldexp(z.imag(), -k);
    const CDD s = TwoProduct(xs, xs) + TwoProduct(ys, ys);
    const double modulus = std::pow(s.hi, a / 2) * (1 + (a / 2) * (s.lo / s.hi));
    // 2^((k−1)a) = 2^n · 2^f with (k−1)·a = n + f exactly in hi and lo.
    const CDD p = TwoProduct(k - 1, a);
    const double n = std::floor(p.hi);
    const double f = (p.hi - n) + p.lo;
    exponent = static_cast<int>(n);
    const double m = modulus * std::exp2(f);
    if (arg.hi == 0)
        return CComplex(m, 0);
    // The phase a·arg reduced by whole turns in double-double: in double
    // its rounding alone (half an ulp of a·arg, 7e-15 at 100) would be the
    // relative error of the value.
    const CDD phase = arg * a;
    const CDD turn = {2 * kPiDD.hi, 2 * kPiDD.lo};
    const double turns = std::nearbyint(phase.hi / turn.hi);
    const CDD r = phase - (TwoProduct(turns, turn.hi) + turns * turn.lo);
    const double c = std::cos(r.hi);
    const double sn = std::sin(r.hi);
    return m * CComplex(c - sn * r.lo, sn + c * r.lo);
}

namespace {

// From this order on Γ(ν+1) comes from Stirling's series, below from the
// product, whose steps then cost less than the series' logarithm.
constexpr double kStirlingFrom = 40;

}  // namespace

double GammaOfNext(double nu)
{
    using namespace NDoubleDouble;
    // The product takes a step per unit of the order, most of the time of
    // the series at high order; a plot, an integral or a root runs one
    // order over many arguments, so the last order's value is kept.
    thread_local double lastOrder = -1;
    thread_local double lastValue = 0;
    if (nu == lastOrder)
        return lastValue;
    // Γ of the rounded ν + 1 directly, or of a large argument at all,
    // costs up to 3e-14 near 64: the rounding of ν + 1 magnified by
    // ψ(ν+1), and the exponent of the power in the Lanczos form.
    if (nu >= kStirlingFrom) {
        // Stirling's series for ln Γ(z), z = ν + 1 exactly in
        // double-double: (z − ½)·ln z − z + ½·ln 2π in double-double, the
        // sum Σ B_2k / (2k(2k−1)·z^(2k−1)) (below 0.007, its first omitted
        // term below 1e-20) in double; then e^ of it reduced by multiples
        // of ln 2, so that the exponential's argument carries no rounding
        // of size. About as exact as the product and a fixed cost, where
        // the product takes a step per unit of the order.
        static constexpr double kStirling[8] = {
            1.0 / 12, -1.0 / 360, 1.0 / 1260, -1.0 / 1680, 1.0 / 1188, -691.0 / 360360, 1.0 / 156, -3617.0 / 122400,
        };
        constexpr CDD kHalfLnTwoPi = {0.9189385332046728, -3.8782941580672414e-17};
        const CDD z = TwoSum(nu, 1.0);
        const double r = 1 / z.hi;
        const double r2 = r * r;
        double sum = kStirling[7];
        for (int k = 6; k >= 0; --k)
            sum = sum * r2 + kStirling[k];
        sum *= r;
        const CDD lnGamma = (z + (-0.5)) * Log(z) - z + kHalfLnTwoPi + sum;
        const double n = std::nearbyint(lnGamma.hi / kLn2.hi);
        const CDD rest = lnGamma - (TwoProduct(n, kLn2.hi) + n * kLn2.lo);
        lastValue = std::ldexp(std::exp(rest.hi) * (1 + rest.lo), static_cast<int>(n));
        lastOrder = nu;
        return lastValue;
    }
    // Below, Γ(ν+1) = Γ(f+1)·(f+1)(f+2)…(f+n) for ν = n + f, 0 < f < 1,
    // the product carried to about twice double precision (each f + j is
    // exact, being at most ν).
    const double n = std::floor(nu);
    const double f = nu - n;
    // A compensated product: the exact error of each rounded step (fma)
    // carried along in a second double, without renormalising.
    double hi = 1;
    double lo = 0;
    for (double j = 1; j <= n; ++j) {
        const double t = f + j;
        const double p = hi * t;
        lo = lo * t + std::fma(hi, t, -p);
        hi = p;
    }
    lastValue = Gamma(f + 1) * (hi + lo);
    lastOrder = nu;
    return lastValue;
}

int SeriesI(const CComplex& z, double nu, CComplex& y)
{
    const CMachine& m = Machine();
    y = 0;
    const double az = std::abs(z);
    if (az == 0) {
        if (nu == 0)
            y = 1;
        return 0;
    }
    const double arm = m.ufl;
    const CComplex hz = 0.5 * z;
    const CComplex cz = az > std::sqrt(arm) ? hz * hz : CComplex(0);
    const double acz = std::abs(cz);
    const double fnup = nu + 1;

    // The leading factor (z/2)^ν / Γ(ν+1), tested for underflow in its
    // logarithm; between −alim and −elim it is kept scaled by 1/tol.
    const CComplex lead = std::log(hz) * nu;
    const double leadRe = lead.real() - LogGammaPositive(fnup);
    if (leadRe <= -m.elim)
        return acz > nu ? -1 : 1;
    bool scaled = false;
    double scale = 1;
    if (leadRe <= -m.alim) {
        scaled = true;
        scale = 1 / m.tol;
    }
    CComplex coef;
    if (nu > 0 && nu <= kFactorialCount - 1) {
        int exponent;
        const double gamma = nu == std::floor(nu) ? kFactorialTable[static_cast<int>(nu)] : GammaOfNext(nu);
        const CComplex power = HalfPower(z, nu, Argument(z), exponent) / gamma;
        exponent += std::ilogb(scale);  // scale is a power of 2
        coef = {std::ldexp(power.real(), exponent), std::ldexp(power.imag(), exponent)};
    } else {
        coef = std::exp(leadRe) * scale * std::polar(1.0, lead.imag());
    }

    CComplex sum = 1;
    if (acz >= m.tol * fnup) {
        const double atol = m.tol * acz / fnup;
        CComplex term = 1;
        double denominator = fnup;  // k(ν+k)
        double step = fnup + 2;
        double bound = 2;
        do {
            const double rs = 1 / denominator;
            term = term * cz * rs;
            sum += term;
            denominator += step;
            step += 2;
            bound = bound * acz * rs;
        } while (bound > atol);
    }
    const CComplex value = sum * coef;
    if (scaled) {
        if (Underflowed(value, arm * scale))
            return acz > nu ? -1 : 1;
        y = value * m.tol;
        return 0;
    }
    y = value;
    return 0;
}

}  // namespace NBessel
