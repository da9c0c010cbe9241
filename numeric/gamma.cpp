#include "numeric/gamma.h"

#include <cmath>
#include <limits>

#include "numeric/gamma_tables.h"

// Γ by the Lanczos form with g = 4.7421875 and fourteen coefficients:
//   Γ(x + 1) = sqrt(2π) · t^(x + ½) · e^(−t) · S(x),  t = x + g + ½,
//   S(x) = c0 + c1/(x + 1) + … + c14/(x + 14).
// Integer arguments come from exact tables; arguments left of re = 0 use
// the reflection formula with the sine reduced exactly.

namespace {

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
constexpr double kPi = 3.141592653589793;
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
// half-integers.
double ReducedSinPi(double x)
{
    const double r = -x - 2 * std::floor(-x / 2);  // in [0, 2)
    const double rr = r > 1 ? r - 1 : r;
    const double s = std::sin(kPi * std::fmin(rr, 1 - rr));
    return r <= 1 ? -s : s;
}

// cos(πx) likewise, exactly 0 at the half-integers.
double ReducedCosPi(double x)
{
    const double r = x - 2 * std::floor(x / 2);  // in [0, 2), cos(πx) = cos(πr)
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
