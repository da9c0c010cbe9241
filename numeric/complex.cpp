#include "numeric/complex.h"

#include <cfloat>
#include <cmath>
#include <limits>

#include "numeric/realmath.h"
#include "numeric/status.h"

const CMachineConstants& MachineConstants()
{
    static const CMachineConstants constants = [] {
        CMachineConstants c{};
        c.largest = std::numeric_limits<double>::max();
        c.lnLargest = std::log(c.largest);
        c.rootLargest = std::sqrt(c.largest);
        c.lnRootLargest = std::log(c.rootLargest);
        c.rootSmallestDenormal = std::sqrt(std::numeric_limits<double>::denorm_min());
        c.epsilon = std::numeric_limits<double>::epsilon();
        c.halfEpsilon = c.epsilon / 2;
        c.seriesLength = static_cast<int>(std::trunc(1 - std::log(c.halfEpsilon) * 0.4343));
        return c;
    }();
    return constants;
}

bool IsFinite(const CComplex& z)
{
    return std::isfinite(z.real()) && std::isfinite(z.imag());
}

bool IsZero(const CComplex& z)
{
    return z.real() == 0 && z.imag() == 0;
}

bool DiffersFrom(const CComplex& z, double x)
{
    return z.real() != x || z.imag() != 0;
}

CComplex Add(const CComplex& a, const CComplex& b)
{
    const CComplex r = PlainSum(a, b);
    if (!IsFinite(r))
        ReportStatus(eOverflow);
    return r;
}

CComplex Subtract(const CComplex& a, const CComplex& b)
{
    const CComplex r = PlainDifference(a, b);
    if (!IsFinite(r))
        ReportStatus(eOverflow);
    return r;
}

CComplex Multiply(const CComplex& a, const CComplex& b)
{
    const CComplex r = PlainProduct(a, b);
    if (!IsFinite(r))
        ReportStatus(eOverflow);
    else if (IsZero(r) && !IsZero(a) && !IsZero(b))
        ReportStatus(eUnderflow);
    return r;
}

CComplex SmithDivide(const CComplex& a, const CComplex& b)
{
    if (std::fabs(b.real()) < std::fabs(b.imag())) {
        const double r = b.real() / b.imag();
        const double d = b.imag() + r * b.real();
        return {(a.real() * r + a.imag()) / d, (a.imag() * r - a.real()) / d};
    }
    const double r = b.imag() / b.real();
    const double d = b.real() + r * b.imag();
    return {(a.real() + a.imag() * r) / d, (a.imag() - a.real() * r) / d};
}

CComplex Divide(const CComplex& a, const CComplex& b)
{
    if (IsZero(b)) {
        ReportStatus(eSingularity, 0.0, 0.0);
        return {};
    }
    const CComplex r = SmithDivide(a, b);
    if (!IsFinite(r))
        ReportStatus(eOverflow);
    else if (IsZero(r) && !IsZero(a))
        ReportStatus(eUnderflow);
    return r;
}

CComplex Reciprocal(double x, const CComplex& z)
{
    if (std::fabs(z.real()) < std::fabs(z.imag())) {
        const double r = z.real() / z.imag();
        const double d = z.imag() + r * z.real();
        return {r * x / d, -x / d};
    }
    const double r = z.imag() / z.real();
    const double d = z.real() + r * z.imag();
    return {x / d, -x * r / d};
}

double Magnitude(const CComplex& z)
{
    return std::hypot(z.real(), z.imag());
}

double Argument(const CComplex& z)
{
    const double im = z.imag() == 0 ? 0.0 : z.imag();
    return NRealMath::Atan2(im, z.real());
}

CComplex Ln(const CComplex& z)
{
    // The library's logarithm keeps ln|z| accurate near |z| = 1 and free of
    // overflow for huge parts; the imaginary part follows Argument's rule.
    const CComplex positiveZero(z.real(), z.imag() == 0 ? 0.0 : z.imag());
    return std::log(positiveZero);
}

CComplex Lg(const CComplex& z)
{
    constexpr double kLog10E = 0.4342944819032518;
    const CComplex l = Ln(z);
    return {l.real() * kLog10E, l.imag() * kLog10E};
}

CComplex Exp(const CComplex& z)
{
    const double e = NRealMath::Exp(z.real());
    if (z.imag() == 0)
        return {e, z.imag()};
    return {e * NRealMath::Cos(z.imag()), e * NRealMath::Sin(z.imag())};
}

CComplex Sqrt(const CComplex& z)
{
    return std::sqrt(z);
}

CComplex Sin(const CComplex& z)
{
    const double x = z.real();
    const double y = z.imag();
    return {NRealMath::Sin(x) * NRealMath::Cosh(y), NRealMath::Cos(x) * NRealMath::Sinh(y)};
}

CComplex Cos(const CComplex& z)
{
    const double x = z.real();
    const double y = z.imag();
    return {NRealMath::Cos(x) * NRealMath::Cosh(y), -(NRealMath::Sin(x) * NRealMath::Sinh(y))};
}

CComplex Sinh(const CComplex& z)
{
    const double x = z.real();
    const double y = z.imag();
    return {NRealMath::Sinh(x) * NRealMath::Cos(y), NRealMath::Cosh(x) * NRealMath::Sin(y)};
}

CComplex Cosh(const CComplex& z)
{
    const double x = z.real();
    const double y = z.imag();
    return {NRealMath::Cosh(x) * NRealMath::Cos(y), NRealMath::Sinh(x) * NRealMath::Sin(y)};
}
