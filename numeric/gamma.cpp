#include "numeric/gamma.h"

#include <cmath>
#include <limits>

#include "numeric/double_double.h"
#include "numeric/gamma_tables.h"

// Γ by the Lanczos form with g = 4.7421875 and fourteen coefficients:
//   Γ(x + 1) = sqrt(2π) · t^(x + ½) · e^(−t) · S(x),  t = x + g + ½,
//   S(x) = c0 + c1/(x + 1) + … + c14/(x + 14).
// Integer arguments come from exact tables; arguments left of re = 0 use
// the reflection formula with the sine reduced exactly.
//
// Two regions leave the plain Lanczos evaluation, both for accuracy:
// - ln Γ around its zeros 1 and 2 (real x in [0.5, 3.5), complex z within
//   ¾ of 1 or 2) comes from the Taylor series about 2, from DLMF 5.7.3 and
//   ln Γ(2 + e) = ln(1 + e) + ln Γ(1 + e):
//     ln Γ(2 + e) = (1 − γ)e + Σ_{k≥2} (−1)^k (ζ(k) − 1)/k e^k,
//   near 1 ln Γ(1 + e) = ln Γ(2 + e) − ln(1 + e), and near 3
//   ln Γ(3 + e) = ln Γ(2 + e) + ln(2 + e). The Lanczos form is
//   accurate to about 1e-15 absolute there, which is no relative accuracy
//   where ln Γ passes through 0 (and only 1e-14 anywhere between 1 and 2).
// - Γ of a complex argument with |z| > 8 is e^x of Stirling's series (in
//   the right half-plane, by reflection in the left) with the exponent
//   (z − ½)·ln z − z, several hundred in size, carried in double-double and
//   a binary exponent kept apart: in double the rounding of that exponent
//   alone costs |z|·|ln z|·1e-16 of relative accuracy, 1e-13 near
//   |z| = 150.

namespace {

using NDoubleDouble::CDD;

constexpr double kShift = 5.2421875;  // g + ½
constexpr double kLeading = 0.9999999999999971;
constexpr double kCoefficients[14] = {
    57.15623566586292,        -59.59796035547549,      14.136097974741746,     -0.4919138160976202,
    3.399464998481189e-05,    4.652362892704858e-05,   -9.837447530487956e-05, 0.0001580887032249125,
    -0.00021026444172410488,  0.00021743961811521265,  -0.0001643181065367639, 8.441822398385275e-05,
    -2.6190838401581408e-05,  3.6899182659531625e-06,
};
constexpr double kRootTwoPi = 2.5066282746310007;
constexpr double kRootHalfPi = 1.2533141373155003;
constexpr double kLnPiMinusLnRootTwoPi = 0.22579135264472744;
constexpr double kLnRootTwoPi = 0.9189385332046728;
constexpr double kLn4 = 1.3862943611198906;
// Γ(x) exceeds the largest double above x = 171.62437695630272; up to
// there the product form below stays finite.
constexpr double kRealLimit = 171.62437695630272;

const double kNaN = std::numeric_limits<double>::quiet_NaN();

double LanczosSum(double x)
{
    double sum = kLeading;
    for (int k = 0; k < 14; ++k)
        sum += kCoefficients[k] / (x + (k + 1));
    return sum;
}

CComplex LanczosSum(const CComplex& z)
{
    CComplex sum = kLeading;
    for (int k = 0; k < 14; ++k)
        sum += SmithDivide(kCoefficients[k], z + static_cast<double>(k + 1));
    return sum;
}

// sin(πx) from the reduced argument, exactly 0 at the integers and ±1 at the
// half-integers. The reduction runs on |x|, where it is exact: reduced from
// a tiny x of the other sign, 2 − |x| would round to 2 and land on the wrong
// half-period (the sign of Γ just left of the imaginary axis flipped).
double ReducedSinPi(double x)
{
    const double a = std::fabs(x);
    const double r = a - 2 * std::floor(a / 2);  // in [0, 2), exact
    const double rr = r > 1 ? r - 1 : r;
    const double s = std::sin(kPi * std::fmin(rr, 1 - rr));
    const double positive = r <= 1 ? s : -s;  // sin(π|x|)
    return x < 0 ? -positive : positive;
}

// cos(πx) likewise, exactly 0 at the half-integers; even, so reduced from |x|.
double ReducedCosPi(double x)
{
    const double a = std::fabs(x);
    const double r = a - 2 * std::floor(a / 2);  // in [0, 2), cos(πx) = cos(πr)
    const double q = std::fmod(r, 1.0);           // cos(πr) = ±cos(πq)
    const double c = q == 0.5 ? 0.0 : (q < 0.5 ? std::cos(kPi * q) : -std::sin(kPi * (q - 0.5)));
    return r < 1 ? c : -c;
}

// (w + ½)·ln t − t for t = w + g + ½: the logarithm of t^(w+½)·e^(−t).
CComplex LanczosExponent(const CComplex& w)
{
    const CComplex t = w + kShift;
    return (w + 0.5) * Ln(t) - t;
}

// Above this |z|² complex Γ takes Stirling's series with the double-double
// exponent; below 1e8 (|z| = 1e4) so that |z|² stays far from overflow. Beyond, Γ has long
// over- or underflowed and the plain form decides.
constexpr double kLargeNorm = 64;
constexpr double kHugeNorm = 1e8;
// The complex series disks about 1 and 2: there (½)^40 of the series
// remains beyond its 40 terms.
constexpr double kSeriesRadius = 0.75;

// ln Γ(w) − (the Stirling sum) for Re w >= 0, |w| > 8, in double-double:
//   (w − ½)·ln w − w + ½·ln 2π,
//   Re = (x − ½)·ln|w| − y·arg w − x + ½·ln 2π,  Im = (x − ½)·arg w + y·(ln|w| − 1),
// plus the Stirling sum Σ_{k=1}^{10} B_2k / (2k(2k−1)·w^(2k−1)) (DLMF 5.11.1),
// which is below 0.011 and taken in double; its first omitted term is below
// 1e-17 for |w| > 8. Stirling's series rather than the Lanczos form here:
// the latter's own error reaches 3e-15 near the imaginary axis.
void StirlingExponent(const CComplex& w, CDD& re, CDD& im)
{
    using namespace NDoubleDouble;
    static constexpr double kStirling[10] = {
        1.0 / 12, -1.0 / 360, 1.0 / 1260, -1.0 / 1680, 1.0 / 1188,
        -691.0 / 360360, 1.0 / 156, -3617.0 / 122400, 43867.0 / 244188, -174611.0 / 125400,
    };
    constexpr CDD kHalfLnTwoPi = {0.9189385332046728, -3.8782941580672414e-17};
    const double x = w.real();
    const double y = w.imag();
    const CDD lnAbs = Log(TwoProduct(x, x) + TwoProduct(y, y)) * 0.5;
    // arg w in [−π/2, π/2] without dividing by a small or zero x.
    CDD arg;
    if (std::fabs(y) <= x) {
        arg = ArcTan(CDD{y, 0} / CDD{x, 0});
    } else {
        const CDD quarter = {kPiDD.hi / 2, kPiDD.lo / 2};
        arg = (y < 0 ? -quarter : quarter) - ArcTan(CDD{x, 0} / CDD{y, 0});
    }
    const CComplex r = 1.0 / w;
    const CComplex r2 = r * r;
    CComplex sum = kStirling[9];
    for (int k = 8; k >= 0; --k)
        sum = sum * r2 + kStirling[k];
    sum *= r;
    const CDD a = TwoSum(x, -0.5);
    re = a * lnAbs - arg * y + (kHalfLnTwoPi + (-x)) + sum.real();
    im = a * arg + (lnAbs + (-1.0)) * y + sum.imag();
}

// e^(re + i·im) as mantissa · 2^exponent, the mantissa of modulus in
// [0.7, 1.42): both parts reduced in double-double first (re by multiples of
// ln 2, im by multiples of 2π), so the result keeps double accuracy for any
// exponent up to the thousands.
CComplex ExpScaled(const CDD& re, const CDD& im, int& exponent)
{
    using namespace NDoubleDouble;
    const double n = std::nearbyint(re.hi / kLn2.hi);
    const CDD r = re - (TwoProduct(n, kLn2.hi) + n * kLn2.lo);
    const double magnitude = std::exp(r.hi) * (1 + r.lo);
    const double k = std::nearbyint(im.hi / (2 * kPiDD.hi));
    const CDD phase = im - (TwoProduct(k, 2 * kPiDD.hi) + k * (2 * kPiDD.lo));
    const double c = std::cos(phase.hi);
    const double s = std::sin(phase.hi);
    exponent = static_cast<int>(n);
    return {magnitude * (c - s * phase.lo), magnitude * (s + c * phase.lo)};
}

CComplex ScaleBy(const CComplex& v, int exponent)
{
    return {std::ldexp(v.real(), exponent), std::ldexp(v.imag(), exponent)};
}

// Γ(z) for 8 < |z| < 1e4, z.im != 0.
CComplex GammaLarge(const CComplex& z)
{
    using namespace NDoubleDouble;
    CDD re;
    CDD im;
    int exponent;
    if (z.real() >= 0) {
        StirlingExponent(z, re, im);
        const CComplex power = ExpScaled(re, im, exponent);
        return ScaleBy(power, exponent);
    }
    // Γ(z) = −π / (z·sin(πz)·Γ(w)), w = −z, with
    // sin(πz) = sin(πx)·cosh(πy) + i·cos(πx)·sinh(πy) and πy in
    // double-double; beyond |πy| = 20 cosh and sinh are e^|πy|/2 to 4e-18,
    // and that factor joins the exponent.
    StirlingExponent(-z, re, im);
    const double y = z.imag();
    const CDD py = TwoProduct(kPiDD.hi, y) + kPiDD.lo * y;
    const double sinPi = ReducedSinPi(z.real());
    const double cosPi = ReducedCosPi(z.real());
    CComplex sine;
    if (std::fabs(py.hi) <= 20) {
        const double sh = std::sinh(py.hi);
        const double ch = std::cosh(py.hi);
        sine = {sinPi * (ch + sh * py.lo), cosPi * (sh + ch * py.lo)};
    } else {
        re = re + (py.hi < 0 ? -py : py) - kLn2;
        sine = {sinPi, y < 0 ? -cosPi : cosPi};
    }
    const CComplex power = ExpScaled(re, im, exponent);
    return ScaleBy(SmithDivide(-kPi, z * sine * power), -exponent);
}

// ln(1 + e) with the relative accuracy of e for small e: the real part is
// ½·ln|1 + e|² with |1 + e|² − 1 = e_r(2 + e_r) + e_i² formed before the
// logarithm.
CComplex LogOnePlus(const CComplex& e)
{
    return {0.5 * std::log1p(e.real() * (2 + e.real()) + e.imag() * e.imag()), std::atan2(e.imag(), 1 + e.real())};
}

// Σ_{k≥1} c_{k−1}·e^k by Horner's rule.
template <typename T>
T ZeroSeries(const double (&c)[kLogGammaSeriesTerms], const T& e)
{
    T sum = c[kLogGammaSeriesTerms - 1];
    for (int k = kLogGammaSeriesTerms - 2; k >= 0; --k)
        sum = sum * e + c[k];
    return sum * e;
}

}  // namespace

double Gamma(double x)
{
    if (std::isnan(x))
        return x;
    if (x > kRealLimit)
        return std::numeric_limits<double>::infinity();
    if (x > 0) {
        if (x == std::floor(x))
            return kFactorialTable[static_cast<int>(x) - 1];
        // The power is split in two so that no intermediate overflows
        // while Γ itself is representable (Γ(170.5) ≈ 5.6e305).
        const double t = x + kShift;
        const double half = std::pow(t, (x + 0.5) / 2);
        return half * std::exp(-t) * (kRootTwoPi * LanczosSum(x) / x) * half;
    }
    const double s = ReducedSinPi(x);
    if (s == 0)
        return kNaN;
    const double w = -x;
    const double t = w + kShift;
    const double half = std::pow(t, (w + 0.5) / 2);
    return kRootHalfPi / (s * (half * std::exp(-t) * half) * LanczosSum(w));
}

double LogGamma(double x, bool allowNegative)
{
    if (std::isnan(x))
        return x;
    if (x > 0) {
        if (x <= kLogFactorialCount && x == std::floor(x))
            return kLogFactorialTable[static_cast<int>(x) - 1];
        // x − 1 and x − 2 are exact here.
        if (x >= 0.5 && x < 1.5)
            return ZeroSeries(kLogGammaAtTwo, x - 1) - std::log1p(x - 1);
        if (x >= 1.5 && x < 2.5)
            return ZeroSeries(kLogGammaAtTwo, x - 2);
        if (x >= 2.5 && x < 3.5)
            return ZeroSeries(kLogGammaAtTwo, x - 3) + std::log(x - 1);
        const double t = x + kShift;
        return (x + 0.5) * std::log(t) - t + std::log(kRootTwoPi * LanczosSum(x) / x);
    }
    const double s = ReducedSinPi(x);
    if (s == 0 || (s < 0 && !allowNegative))
        return kNaN;
    const double h = kShift - x;
    return (h - std::log(h) * (0.5 - x) + kLnPiMinusLnRootTwoPi) - std::log(LanczosSum(-x) * std::fabs(s));
}

CComplex Gamma(const CComplex& z)
{
    if (z.imag() == 0)
        return Gamma(z.real());
    const double norm = z.real() * z.real() + z.imag() * z.imag();
    if (norm > kLargeNorm && norm < kHugeNorm)
        return GammaLarge(z);
    if (z.real() >= 0)
        return std::exp(LanczosExponent(z)) * kRootTwoPi * LanczosSum(z) / z;

    // Γ(z) = π / (sin(πz)·Γ(1 − z)) with Γ(1 − z) = Γ(w + 1), w = −z.
    const CComplex w = -z;
    const double py = kPi * z.imag();
    const double sh = std::fabs(py) <= 1 ? std::sinh(py) : std::copysign((std::exp(std::fabs(py)) - std::exp(-std::fabs(py))) / 2, py);
    const double ch = std::fabs(py) <= 1 ? std::cosh(py) : (std::exp(std::fabs(py)) + std::exp(-std::fabs(py))) / 2;
    const CComplex sine(ReducedSinPi(z.real()) * ch, ReducedCosPi(z.real()) * sh);
    const CComplex denominator = sine * std::exp(LanczosExponent(w)) * LanczosSum(w);
    if (IsFinite(denominator) && !IsZero(denominator))
        return SmithDivide(kRootHalfPi, denominator);
    // Far from the real axis the pieces over- or underflow on their own;
    // the logarithm keeps them apart.
    return std::exp(LogGamma(z));
}

CComplex LogGamma(const CComplex& z)
{
    const double x = z.real();
    const double y = z.imag();
    if (y == 0) {
        if (x >= 0)
            return {LogGamma(x, false), 0.0};
        const double k = std::floor(-x);
        if (-x == k)
            return {LogGamma(x, false), -k * kPi - kPi / 2};
        return {LogGamma(x, true), -(k + 1) * kPi};
    }
    if (x >= 0) {
        if (std::abs(z - 2.0) <= kSeriesRadius)
            return ZeroSeries(kLogGammaAtTwo, z - 2.0);
        if (std::abs(z - 1.0) <= kSeriesRadius)
            return ZeroSeries(kLogGammaAtTwo, z - 1.0) - LogOnePlus(z - 1.0);
        const CComplex t = z + kShift;
        const CComplex lnT = Ln(t);
        // The real part of (z + ½)·ln t − t in real arithmetic.
        const double re = (x + 0.5) * lnT.real() - y * lnT.imag() - t.real();
        const double im = (x + 0.5) * lnT.imag() + y * lnT.real() - t.imag();
        return CComplex(re + kLnRootTwoPi, im) + Ln(LanczosSum(z)) - Ln(z);
    }

    // Reflection in logarithmic form:
    //   ln Γ(z) = ln π − ln sin(πz) − ln Γ(w + 1),  w = −z,
    // with the branch of ln sin(πz) that is analytic in each half-plane and
    // real on (0, 1): with s the sign of y and Y = |y|,
    //   ln sin(πz) = πY − ln 2 + i·s·(π/2 − πx) + ln(1 − e^(−2πY)·e^(2πisx)).
    const double s = y > 0 ? 1.0 : -1.0;
    const double big = std::fabs(y) * kPi;
    const double decay = std::exp(-2 * big);
    const double sinPi = ReducedSinPi(x);
    const double cosPi = ReducedCosPi(x);
    // e^(2πisx) = (cos 2πx, s·sin 2πx) from the reduced sine and cosine.
    const double cos2 = 1 - 2 * sinPi * sinPi;
    const double sin2 = 2 * sinPi * cosPi;
    const double magnitude = 0.5 * (std::log(1 + decay * decay + (sinPi * sinPi - 0.5) * 4 * decay) - kLn4) + big;
    const double angle = std::atan2(-decay * s * sin2, 1 - decay * cos2);
    // π/2 − πx is formed from the reduction so that it stays exact for
    // large |x|: x = −2R − r with r in [0, 2).
    const double R = std::floor(-x / 2);
    const double r = -x - 2 * R;
    const double lnSinIm = s * (kPi / 2 + kPi * r + 2 * kPi * R) + angle;
    const CComplex lnSin(magnitude, lnSinIm);

    const CComplex w = -z;
    const CComplex lnGammaW1 = LanczosExponent(w) + kLnRootTwoPi + Ln(LanczosSum(w));
    return CComplex(kLnPiMinusLnRootTwoPi + kLnRootTwoPi, 0) - lnSin - lnGammaW1;
}
