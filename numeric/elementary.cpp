#include "numeric/elementary.h"

#include <algorithm>
#include <cmath>

#include "numeric/double_double.h"
#include "numeric/realmath.h"
#include "numeric/status.h"

namespace {

constexpr double kHalfPi = 1.5707963267948966;
constexpr double kTwoPi = 6.283185307179586;
constexpr double kTwoPow53 = 9007199254740992.0;
constexpr double kAsinTiny = 2.5809568279517847e-08;   // sqrt(3·2^-52)
constexpr double kAtanTiny = 1.8250120749944284e-08;   // sqrt(3·2^-53)
constexpr double kRootEpsilon = 1.4901161193847656e-08;  // sqrt(2^-52)
constexpr double kSmallProduct = 2.220446049250313e-15;
constexpr double kSeriesStart = 0.1;

bool Continues()
{
    return CurrentRunState().continueFlag;
}

CComplex Singularity(const CComplex& at)
{
    ReportStatus(eSingularity, at.real(), at.imag());
    return {};
}

bool IsPlusMinusI(const CComplex& z)
{
    return z.real() == 0 && (z.imag() == 1 || z.imag() == -1);
}

bool IsPlusMinusOne(const CComplex& z)
{
    return z.imag() == 0 && (z.real() == 1 || z.real() == -1);
}

double Sgn(double x)
{
    return x > 0 ? 1.0 : (x < 0 ? -1.0 : 0.0);
}

// The plain complex product, without the checks of Multiply.
CComplex Product(const CComplex& a, const CComplex& b)
{
    return {a.real() * b.real() - a.imag() * b.imag(), a.imag() * b.real() + a.real() * b.imag()};
}

CComplex Square(const CComplex& z)
{
    return {z.real() * z.real() - z.imag() * z.imag(), 2 * z.real() * z.imag()};
}

int SeriesTerms()
{
    return MachineConstants().seriesLength;
}

// ---- circular and hyperbolic tangent and cotangent -------------------------

CComplex TangentOf(const CComplex& z)
{
    const CMachineConstants& c = MachineConstants();
    const double x = z.real();
    const double y = z.imag();
    if (std::fabs(y) > c.lnLargest)
        return {0.0, y >= 0 ? 1.0 : -1.0};
    const double t = NRealMath::Tan(x);
    const double beta = t * t + 1;
    if (std::fabs(y) > c.lnRootLargest) {
        const double s = NRealMath::Sinh(y);
        return {t / beta / s / s, y >= 0 ? 1.0 : -1.0};
    }
    if (y == 0)
        return {t, 0.0};
    const double s = NRealMath::Sinh(y);
    const double f = s * (beta * s) + 1;
    if (std::isinf(f))  // just below the threshold β·s² can still overflow
        return {t / beta / s / s, y >= 0 ? 1.0 : -1.0};
    return {t / f, std::sqrt(s * s + 1) * (beta * s) / f};
}

CComplex HyperbolicTangentOf(const CComplex& z)
{
    const CMachineConstants& c = MachineConstants();
    const double x = z.real();
    const double y = z.imag();
    if (std::fabs(x) > c.lnLargest)
        return {x >= 0 ? 1.0 : -1.0, 0.0};
    const double t = NRealMath::Tan(y);
    const double beta = t * t + 1;
    if (std::fabs(x) > c.lnRootLargest) {
        const double s = NRealMath::Sinh(x);
        return {x >= 0 ? 1.0 : -1.0, t / beta / s / s};
    }
    if (x == 0)
        return {0.0, t};
    const double s = NRealMath::Sinh(x);
    const double f = s * (beta * s) + 1;
    if (std::isinf(f))  // just below the threshold β·s² can still overflow
        return {x >= 0 ? 1.0 : -1.0, t / beta / s / s};
    return {std::sqrt(s * s + 1) * (beta * s) / f, t / f};
}

CComplex CotangentOf(const CComplex& z)
{
    const CMachineConstants& c = MachineConstants();
    const double x = z.real();
    const double y = z.imag();
    if (std::fabs(y) > c.lnLargest)
        return {0.0, y < 0 ? 1.0 : -1.0};
    const double t = NRealMath::Tan(x);
    const double beta = t * t + 1;
    if (std::fabs(y) > c.lnRootLargest) {
        const double s = NRealMath::Sinh(-y);
        return {t / beta / s / s, y < 0 ? 1.0 : -1.0};
    }
    if (y == 0)
        return {1 / t, 0.0};
    const double s = NRealMath::Sinh(-y);
    const double tiny = c.rootSmallestDenormal;
    if (std::fabs(t) >= tiny) {
        const double m = t * t + s * (beta * s);
        if (std::isinf(m))  // just below the threshold β·s² can still overflow
            return {t / beta / s / s, y < 0 ? 1.0 : -1.0};
        return {t / m, std::sqrt(s * s + 1) * (beta * s) / m};
    }
    if (std::fabs(s) >= tiny)
        return {t / s / s, std::sqrt(s * s + 1) / s};
    if (t == 0)
        return {0.0, 1 / s};
    const double m = t + s * (s / t);
    return {1 / m, (t + s / t) / m};
}

CComplex HyperbolicCotangentOf(const CComplex& z)
{
    const CMachineConstants& c = MachineConstants();
    const double x = z.real();
    const double y = z.imag();
    if (std::fabs(x) > c.lnLargest)
        return {x >= 0 ? 1.0 : -1.0, 0.0};
    const double t = NRealMath::Tan(y);
    const double beta = t * t + 1;
    if (std::fabs(x) > c.lnRootLargest) {
        const double s = NRealMath::Sinh(x);
        return {x >= 0 ? 1.0 : -1.0, -t / beta / s / s};
    }
    if (x == 0)
        return {0.0, -1 / t};
    const double s = NRealMath::Sinh(x);
    const double tiny = c.rootSmallestDenormal;
    if (std::fabs(t) >= tiny) {
        const double m = t * t + s * (beta * s);
        if (std::isinf(m))  // just below the threshold β·s² can still overflow
            return {x >= 0 ? 1.0 : -1.0, -t / beta / s / s};
        return {std::sqrt(s * s + 1) * (beta * s) / m, -t / m};
    }
    if (std::fabs(s) >= tiny)
        return {std::sqrt(s * s + 1) / s, -t / s / s};
    if (t == 0)
        return {1 / s, 0.0};
    const double l = t + s * (s / t);
    return {(t + s / t) / l, -1 / l};
}

// ---- inverse circular functions --------------------------------------------

// The pieces shared by arcsine and arccosine for |z| > 0.1: u is z moved
// into the right half-plane, L = ln(u + w) with w = ±sqrt(u² − 1).
CComplex ArcLogarithm(const CComplex& z)
{
    const CComplex u = z.real() >= 0 ? z : -z;
    const double x = u.real();
    const double y = u.imag();
    CComplex w;
    if (x > 1 || std::fabs(y) > MachineConstants().rootLargest)
        w = Product(Sqrt(u - 1.0), Sqrt(u + 1.0));
    else
        w = Sqrt(CComplex(x * x - y * y - 1, 2 * x * y));
    // w takes the sign that keeps u + w free of cancellation: on the real
    // axis a non-negative imaginary part, elsewhere the sign of u's
    // imaginary part (also on the imaginary axis, where u = −iy and w = +i·…
    // would cancel to 0 for large y).
    if (y == 0) {
        if (w.imag() < 0)
            w = -w;
    } else if ((w.imag() < 0) != (y < 0)) {
        w = -w;
    }
    CComplex l = Ln(u + w);
    // On the real segment [0, 1] u + w lies on the unit circle: its
    // logarithm has no real part, whatever the rounding of |u + w| says.
    if (y == 0 && x <= 1)
        l.real(0.0);
    return l;
}

// Horner sum of the arcsine series: arcsin z = z·acc.
CComplex ArcsineSeries(const CComplex& z)
{
    const CComplex z2 = Square(z);
    CComplex acc;
    for (int f = 2 * SeriesTerms() - 1; f >= 1; f -= 2)
        acc = Product(acc, z2) * (static_cast<double>(f) / (f + 1)) + 1.0 / f;
    return Product(z, acc);
}

CComplex ArcsineOf(const CComplex& z)
{
    const double m = Magnitude(z);
    if (m > kSeriesStart) {
        const CComplex l = ArcLogarithm(z);
        double a = l.imag() + kHalfPi;
        double b = -l.real();
        if (a > kHalfPi) {
            a = kPi - a;
            b = -b;
        }
        if (a <= -kHalfPi) {
            a = -kPi - a;
            b = -b;
        }
        return z.real() < 0 ? CComplex(-a, -b) : CComplex(a, b);
    }
    if (m < kAsinTiny)
        return z;
    return ArcsineSeries(z);
}

CComplex ArccosineOf(const CComplex& z)
{
    const double m = Magnitude(z);
    if (m > kSeriesStart) {
        const CComplex l = ArcLogarithm(z);
        double a = -l.imag();
        double b = l.real();
        if (a < 0) {
            a = l.imag();
            b = -l.real();
        }
        if (a >= kPi) {
            a = kTwoPi - a;
            b = -b;
        }
        return z.real() >= 0 ? CComplex(a, b) : CComplex(kPi - a, -b);
    }
    if (m < kAsinTiny)
        return {kHalfPi - z.real(), -z.imag()};
    const CComplex s = ArcsineSeries(z);
    return {kHalfPi - s.real(), -s.imag()};
}

// arcsin(1/z), the common core of arccosec and arcsec (z ≠ 0).
CComplex ArcsineOfReciprocal(const CComplex& z)
{
    return ArcsineOf(Reciprocal(1.0, z));
}

// ln(1 + v) for a real v, by its series near 0.
double Log1p(double v)
{
    if (std::fabs(v) > kSeriesStart)
        return NRealMath::Log(v + 1);
    // Every term of the series below vanishes, and their sum is +0; the
    // loop would take all its turns to find that out (the arctangent of a
    // huge real value asks for it).
    if (v == 0)
        return 0.0;
    double sum = 0;
    double power = v;
    for (int n = 1; n < 1000; ++n) {
        const double term = power / n;
        sum += (n % 2 == 1) ? term : -term;
        if (std::fabs(term) < MachineConstants().halfEpsilon * std::fabs(sum))
            break;
        power *= v;
    }
    return sum;
}

// The arctangent series: arctg z = z·acc.
CComplex ArctangentSeries(const CComplex& z)
{
    const CComplex z2 = Square(z);
    CComplex acc;
    for (int l = 2 * SeriesTerms() - 1; l >= 1; l -= 2)
        acc = 1.0 / l - Product(z2, acc);
    return Product(z, acc);
}

// The two atan2 arguments (q, b) of the large regime and the imaginary part.
struct CLargeArctangent {
    double q;
    double b;
    double im;
};

CLargeArctangent LargeArctangent(double x, double y)
{
    if (std::fabs(x) > std::fabs(y)) {
        const double f = y / x;
        const double sx = Sgn(x);
        return {2 * sx, sx * (1 / x - x - y * f), 0.25 * Log1p(4 * f / x / (f * f + 1))};
    }
    const double r = x / y;
    const double sy = Sgn(y);
    const double im = 0.25 * Log1p((4 / y) / (r * r + 1));
    if (x == 0)
        return {std::copysign(0.0, y), sy * (1 / y - y), im};
    return {2 * r * sy, sy * (1 / y - r * x - y), im};
}

// The imaginary part of the middle regime: ¼·(ln P − ln Q).
double MiddleArctangentImaginary(double x, double y, double h)
{
    const double p = x * x + (y + 1) * (y + 1);
    const double q = x * x + (1 - y) * (1 - y);
    if (std::fabs(h) <= kRootEpsilon && (p < kSmallProduct || q < kSmallProduct)) {
        if ((y + 1) * (y + 1) == 0)
            return 0.25 * (2 * NRealMath::Log(std::fabs(x)) - NRealMath::Log(q));
        if ((1 - y) * (1 - y) == 0)
            return 0.25 * (NRealMath::Log(p) - 2 * NRealMath::Log(std::fabs(x)));
    }
    // P − Q = 4y exactly in real arithmetic, so ln P − ln Q = ln(1 + 4y/Q).
    // Where P and Q are close (small y, or a large |z|) the difference of
    // the two logarithms would cancel most of its digits; the logarithm of
    // 1 + 4y/Q keeps them.
    const double ratio = 4 * y / q;
    if (std::fabs(ratio) <= 0.5)
        return 0.25 * std::log1p(ratio);
    return 0.25 * (NRealMath::Log(p) - NRealMath::Log(q));
}

CComplex ArctangentOf(const CComplex& z)
{
    const double x = z.real();
    const double y = z.imag();
    const double m = Magnitude(z);
    if (m > kTwoPow53) {
        const CLargeArctangent l = LargeArctangent(x, y);
        return {0.5 * NRealMath::Atan2(l.q, l.b), l.im};
    }
    if (m > kSeriesStart) {
        const double h = 1 - (x * x + y * y);
        const double xs = x == 0 ? (y < 0 ? -0.0 : 0.0) : x;
        return {0.5 * NRealMath::Atan2(2 * xs, h), MiddleArctangentImaginary(x, y, h)};
    }
    if (m < kAtanTiny)
        return z;
    return ArctangentSeries(z);
}

CComplex ArccotangentOf(const CComplex& z)
{
    const double x = z.real();
    const double y = z.imag();
    const double m = Magnitude(z);
    // π/2 − ½·atan2(q, b), or ½·atan2(q, −b) where that is more accurate.
    auto realPart = [](double q, double b) {
        if (q > 0 && b < -q)
            return 0.5 * NRealMath::Atan2(q, -b);
        return kHalfPi - 0.5 * NRealMath::Atan2(q, b);
    };
    if (m > kTwoPow53) {
        const CLargeArctangent l = LargeArctangent(x, y);
        return {realPart(l.q, l.b), -l.im};
    }
    if (m > kSeriesStart) {
        const double h = 1 - (x * x + y * y);
        double re;
        if (x == 0 && h < 0)
            re = y < 0 ? kPi : 0.0;
        else
            re = realPart(2 * x, h);
        return {re, -MiddleArctangentImaginary(x, y, h)};
    }
    if (m < kAtanTiny)
        return {kHalfPi - x, -y};
    const CComplex s = ArctangentSeries(z);
    return {kHalfPi - s.real(), -s.imag()};
}

// ---- shared schemes ----------------------------------------------------------

// A function with no unit conversion: compute, then the overflow check.
CComplex Checked(const CComplex& value)
{
    CheckResultOverflow(value);
    return value;
}

// A circular function: argument into radians, compute, overflow check.
template <typename F>
CComplex Circular(const CComplex& z, F function)
{
    const CComplex a = ToRadians(z);
    if (!Continues())
        return a;
    return Checked(function(a));
}

// An inverse circular function: compute, overflow check, else the result
// out of radians.
CComplex InverseCircular(const CComplex& value)
{
    if (!Continues())
        return value;
    if (!IsFinite(value)) {
        ReportStatus(eOverflow);
        return value;
    }
    return FromRadians(value);
}

// sec, cosec, sech, csch: 1 ÷ g(a) with g computed in quiet-overflow mode;
// an overflowing g makes the result vanish.
template <typename F>
CComplex ReciprocalScheme(const CComplex& a, F inner)
{
    CCalcRunState& state = CurrentRunState();
    const ECalcStatus before = state.lastStatus;
    state.lastStatus = eNone;
    state.quietOverflow = true;
    const CComplex g = inner(a);
    state.quietOverflow = false;
    const bool overflowed = state.lastStatus == eOverflow;
    if (state.lastStatus == eNone)
        state.lastStatus = before;
    if (overflowed) {
        ReportStatus(eUnderflow, 0.0);
        return {};
    }
    if (!Continues())
        return {};
    if (!IsFinite(g)) {
        ReportStatus(eUnderflow, 0.0);
        return {};
    }
    if (IsZero(g))
        return Singularity(a);
    return Divide(1.0, g);
}

}  // namespace

void CheckResultOverflow(const CComplex& value)
{
    if (Continues() && !IsFinite(value))
        ReportStatus(eOverflow);
}

CComplex ToRadians(const CComplex& z)
{
    const int units = CurrentRunState().trigonometricUnits;
    if (units != 1 && units != 2)
        return z;
    const CComplex scaled = Multiply(z, kPi);
    if (!Continues())
        return scaled;
    return Divide(scaled, units == 1 ? 180.0 : 200.0);
}

CComplex FromRadians(const CComplex& z)
{
    const int units = CurrentRunState().trigonometricUnits;
    if (units != 1 && units != 2)
        return z;
    const CComplex scaled = Multiply(z, units == 1 ? 180.0 : 200.0);
    if (!Continues())
        return scaled;
    return Divide(scaled, kPi);
}

CComplex CalcSin(const CComplex& z)
{
    return Circular(z, [](const CComplex& a) { return Sin(a); });
}

CComplex CalcCos(const CComplex& z)
{
    return Circular(z, [](const CComplex& a) { return Cos(a); });
}

CComplex CalcTg(const CComplex& z)
{
    return Circular(z, TangentOf);
}

CComplex CalcCtg(const CComplex& z)
{
    if (IsZero(z))
        return Singularity(z);
    return Circular(z, CotangentOf);
}

CComplex CalcSec(const CComplex& z)
{
    const CComplex a = ToRadians(z);
    if (!Continues())
        return a;
    return ReciprocalScheme(a, [](const CComplex& v) { return Cos(v); });
}

CComplex CalcCosec(const CComplex& z)
{
    const CComplex a = ToRadians(z);
    if (!Continues())
        return a;
    return ReciprocalScheme(a, [](const CComplex& v) { return Sin(v); });
}

CComplex CalcArcSin(const CComplex& z)
{
    return InverseCircular(ArcsineOf(z));
}

CComplex CalcArcCos(const CComplex& z)
{
    return InverseCircular(ArccosineOf(z));
}

CComplex CalcArcTg(const CComplex& z)
{
    if (IsPlusMinusI(z))
        return Singularity(z);
    return InverseCircular(ArctangentOf(z));
}

CComplex PrincipalArctangent(const CComplex& z)
{
    return ArctangentOf(z);
}

CComplex CalcArcCtg(const CComplex& z)
{
    if (IsPlusMinusI(z))
        return Singularity(z);
    return InverseCircular(ArccotangentOf(z));
}

CComplex CalcArcSec(const CComplex& z)
{
    if (IsZero(z))
        return Singularity(0.0);
    const CComplex s = ArcsineOfReciprocal(z);
    return InverseCircular(CComplex(kHalfPi - s.real(), -s.imag()));
}

CComplex CalcArcCosec(const CComplex& z)
{
    if (IsZero(z))
        return Singularity(0.0);
    return InverseCircular(ArcsineOfReciprocal(z));
}

CComplex CalcSh(const CComplex& z)
{
    return Checked(Sinh(z));
}

CComplex CalcCh(const CComplex& z)
{
    return Checked(Cosh(z));
}

CComplex CalcTh(const CComplex& z)
{
    return Checked(HyperbolicTangentOf(z));
}

CComplex CalcCth(const CComplex& z)
{
    if (IsZero(z))
        return Singularity(0.0);
    return Checked(HyperbolicCotangentOf(z));
}

CComplex CalcSech(const CComplex& z)
{
    return ReciprocalScheme(z, [](const CComplex& v) { return Cosh(v); });
}

CComplex CalcCsch(const CComplex& z)
{
    return ReciprocalScheme(z, [](const CComplex& v) { return Sinh(v); });
}

CComplex CalcArSh(const CComplex& z)
{
    // −i·arcsin(i·z)
    const CComplex a = ArcsineOf(CComplex(-z.imag(), z.real()));
    return Checked(CComplex(a.imag(), -a.real()));
}

CComplex CalcArCh(const CComplex& z)
{
    // i·arccos z, or −i·arccos z where that has the non-negative real part
    // of the principal value.
    const CComplex a = ArccosineOf(z);
    CComplex r(-a.imag(), a.real());
    if (r.real() < 0)
        r = CComplex(a.imag(), -a.real());
    return Checked(r);
}

CComplex CalcArTh(const CComplex& z)
{
    if (IsPlusMinusOne(z))
        return Singularity(z);
    // −i·arctg(i·z)
    const CComplex a = ArctangentOf(CComplex(-z.imag(), z.real()));
    return Checked(CComplex(a.imag(), -a.real()));
}

CComplex CalcArCth(const CComplex& z)
{
    if (IsPlusMinusOne(z))
        return Singularity(z);
    // On the real axis outside [−1, 1] the value is real:
    // arcth x = ½·ln((|x| + 1)/(|x| − 1)) with the sign of x, where |x| − 1
    // is exact. The general form below would put x < −1 on the branch that
    // adds iπ.
    if (z.imag() == 0 && std::fabs(z.real()) > 1) {
        const double a = std::fabs(z.real());
        const double v = 0.5 * std::log1p(2.0 / (a - 1.0));
        return Checked(CComplex(std::copysign(v, z.real()), 0.0));
    }
    // i·arcctg(i·z)
    const CComplex a = ArccotangentOf(CComplex(-z.imag(), z.real()));
    return Checked(CComplex(-a.imag(), a.real()));
}

CComplex CalcArSch(const CComplex& z)
{
    if (IsZero(z))
        return Singularity(0.0);
    if (z.imag() == 0 && z.real() < 0) {
        // sech(w + iπ) = −sech(w): the value for −z moved up by iπ keeps a
        // non-negative real part.
        const CComplex r = CalcArSch(-z);
        return CComplex(r.real(), r.imag() + kPi);
    }
    const double x = z.real();
    const double y = z.imag();
    CComplex w;
    if (std::fabs(x) > 1 || std::fabs(y) > MachineConstants().rootLargest)
        w = Product(Sqrt(1.0 + z), Sqrt(1.0 - z));
    else
        w = Sqrt(CComplex(1 - (x * x - y * y), -2 * x * y));
    return Checked(Ln(1.0 + w) - Ln(z));
}

CComplex CalcArCsch(const CComplex& z)
{
    if (IsZero(z))
        return Singularity(0.0);
    // i·arccosec(i·z)
    const CComplex a = ArcsineOfReciprocal(CComplex(-z.imag(), z.real()));
    return Checked(CComplex(-a.imag(), a.real()));
}

CComplex CalcExp(const CComplex& z)
{
    return Checked(Exp(z));
}

CComplex CalcLn(const CComplex& z)
{
    if (IsZero(z))
        return Singularity(0.0);
    return Checked(Ln(z));
}

CComplex CalcLg(const CComplex& z)
{
    if (IsZero(z))
        return Singularity(0.0);
    return Checked(Lg(z));
}

namespace {

using NDoubleDouble::CDD;

// A complex number in double-double parts times 2^exponent, the parts kept
// near 1 so that no intermediate overflows or vanishes.
struct CScaledComplex {
    CDD re;
    CDD im;
    long long exponent = 0;

    void Normalize()
    {
        const double size = std::fmax(std::fabs(re.hi), std::fabs(im.hi));
        if (size == 0 || !std::isfinite(size))
            return;
        const int shift = std::ilogb(size);
        re = {std::ldexp(re.hi, -shift), std::ldexp(re.lo, -shift)};
        im = {std::ldexp(im.hi, -shift), std::ldexp(im.lo, -shift)};
        exponent += shift;
    }
};

CScaledComplex operator*(const CScaledComplex& a, const CScaledComplex& b)
{
    CScaledComplex r;
    r.re = a.re * b.re - a.im * b.im;
    r.im = a.re * b.im + a.im * b.re;
    r.exponent = a.exponent + b.exponent;
    r.Normalize();
    return r;
}

double ScaleToDouble(double x, long long exponent)
{
    // Beyond these bounds every non-zero part is infinite or vanishes.
    constexpr long long kLimit = 4000;
    return std::ldexp(x, static_cast<int>(std::clamp(exponent, -kLimit, kLimit)));
}

// z^k for a complex z and a 32-bit k by repeated squaring in double-double
// arithmetic: the rounding errors of the squarings stay far below the
// final rounding to doubles, so the result is within a few units in the
// last place of the exact power of z.
CComplex ComplexIntegerPower(const CComplex& z, long long k)
{
    unsigned long long n = k < 0 ? 0ULL - static_cast<unsigned long long>(k) : static_cast<unsigned long long>(k);
    if (!IsFinite(z)) {
        // Nothing to keep accurate: plain products give the infinite or
        // undefined parts that the overflow check reports.
        CComplex base = z;
        CComplex t = 1.0;
        for (; n; n >>= 1) {
            if (n & 1)
                t = Product(t, base);
            base = Product(base, base);
        }
        return k < 0 ? Reciprocal(1.0, t) : t;
    }
    CScaledComplex base;
    base.re.hi = z.real();
    base.im.hi = z.imag();
    base.Normalize();
    CScaledComplex t;
    t.re.hi = 1;
    while (n) {
        if (n & 1)
            t = t * base;
        n >>= 1;
        if (n)
            base = base * base;
    }
    const CComplex mantissa(t.re.hi + t.re.lo, t.im.hi + t.im.lo);
    if (k >= 0)
        return {ScaleToDouble(mantissa.real(), t.exponent), ScaleToDouble(mantissa.imag(), t.exponent)};
    const CComplex inverse = Reciprocal(1.0, mantissa);
    return {ScaleToDouble(inverse.real(), -t.exponent), ScaleToDouble(inverse.imag(), -t.exponent)};
}

}  // namespace

CComplex CalcPower(const CComplex& a, const CComplex& b)
{
    if (IsZero(a) && (b.imag() != 0 || b.real() <= 0))
        return Singularity(0.0);

    CComplex result;
    const double k = b.real();
    if (b.imag() == 0 && k >= -2147483648.0 && k < 2147483648.0 && k == std::trunc(k)) {
        // Integer exponent, any 32-bit integer including -2^31. A real base
        // goes to the library's power, which rounds the exact power of the
        // base; repeated squaring in doubles would lose about a bit at every
        // squaring. The square is the one power a single product rounds
        // correctly, and it is taken that way (RealIntegerPower). Neither reports anything here: a result too big for a
        // double is caught by the overflow check below, and a vanished one
        // is 0 without a warning.
        if (a.imag() == 0)
            result = CComplex(RealIntegerPower(a.real(), k), 0.0);
        else
            result = ComplexIntegerPower(a, static_cast<long long>(k));
    } else if (b.imag() == 0) {
        if (a.imag() == 0 && a.real() > 0) {
            if (k == 0.5)
                result = NRealMath::Sqrt(a.real());
            else if (k == -0.5)
                result = 1 / NRealMath::Sqrt(a.real());
            else
                result = NRealMath::Pow(a.real(), k);
        } else if (k == 0.5) {
            result = Sqrt(a);
        } else if (k == -0.5) {
            result = Reciprocal(1.0, Sqrt(a));
        } else {
            const CComplex l = Ln(a);
            result = Exp(CComplex(k * l.real(), k * l.imag()));
        }
    } else if (a.imag() == 0 && a.real() > 0) {
        const double l = NRealMath::Log(a.real());
        result = Exp(CComplex(b.real() * l, b.imag() * l));
    } else {
        result = Exp(Product(b, Ln(a)));
    }
    return Checked(result);
}

CComplex CalcSqrt(const CComplex& z)
{
    return Checked(Sqrt(z));
}

CComplex CalcAbs(const CComplex& z)
{
    const double m = Magnitude(z);
    if (!std::isfinite(m))
        ReportStatus(eOverflow, m);
    return {m, 0.0};
}

CComplex CalcSign(const CComplex& z)
{
    return {Sgn(z.real()), Sgn(z.imag())};
}

CComplex CalcNegate(const CComplex& z)
{
    // 0 − x keeps zero parts +0, so that sqrt(−4) stays +2i.
    return {0.0 - z.real(), 0.0 - z.imag()};
}

CComplex CalcConj(const CComplex& z)
{
    return {z.real(), -z.imag()};
}

CComplex CalcRe(const CComplex& z)
{
    return {z.real(), 0.0};
}

CComplex CalcIm(const CComplex& z)
{
    return {z.imag(), 0.0};
}

CComplex CalcArg(const CComplex& z)
{
    return {Argument(z), 0.0};
}

CComplex CalcFloor(const CComplex& z)
{
    return {std::floor(z.real()), std::floor(z.imag())};
}

CComplex CalcCeil(const CComplex& z)
{
    return {std::ceil(z.real()), std::ceil(z.imag())};
}
