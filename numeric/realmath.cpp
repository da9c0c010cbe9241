#include "numeric/realmath.h"

#include <cfloat>
#include <cmath>

#include "numeric/status.h"

// Which condition each function reports:
//   Exp, Pow        overflow (infinite result of finite arguments), underflow
//                   (result below the normal range from finite arguments)
//   Pow             also domain (negative base, non-integer exponent) and
//                   singularity (zero base, negative exponent)
//   Log, Log10      domain (x < 0), singularity (x = 0)
//   Sqrt            domain (x < 0)
//   Asin, Acos      domain (|x| > 1)
//   Sin, Cos, Tan   domain (infinite x), total loss (|x| >= 2^63: the
//                   argument's spacing exceeds the period, so the result
//                   carries no information)
//   Sinh, Cosh      overflow
//   Hypot           overflow
//   Atan, Atan2     nothing
// A NaN argument passes through without a report.

namespace NRealMath {
namespace {

double CheckOverflow(double result, bool argumentsFinite)
{
    if (argumentsFinite && std::isinf(result))
        ReportStatus(eOverflow, result);
    return result;
}

double CheckRange(double result, bool argumentsFinite, bool canVanish)
{
    if (!argumentsFinite || std::isnan(result))
        return result;
    if (std::isinf(result))
        ReportStatus(eOverflow, result);
    else if (canVanish && std::fabs(result) < DBL_MIN)
        ReportStatus(eUnderflow, result);
    return result;
}

double Circular(double (*function)(double), double x)
{
    if (std::isinf(x)) {
        ReportStatus(eDomain, x);
        return std::nan("");
    }
    const double result = function(x);
    if (std::fabs(x) >= kTotalLossLimit)
        ReportStatus(eTotalLoss, result);
    return result;
}

bool Finite(double x, double y)
{
    return std::isfinite(x) && std::isfinite(y);
}

}  // namespace

double Exp(double x)
{
    return CheckRange(std::exp(x), std::isfinite(x), true);
}

double Log(double x)
{
    if (x < 0) {
        ReportStatus(eDomain, x);
        return std::nan("");
    }
    if (x == 0) {
        ReportStatus(eSingularity, x);
        return -HUGE_VAL;
    }
    return std::log(x);
}

double Log10(double x)
{
    if (x < 0) {
        ReportStatus(eDomain, x);
        return std::nan("");
    }
    if (x == 0) {
        ReportStatus(eSingularity, x);
        return -HUGE_VAL;
    }
    return std::log10(x);
}

double Pow(double x, double y)
{
    if (x < 0 && std::isfinite(x) && std::isfinite(y) && y != std::trunc(y)) {
        ReportStatus(eDomain, x);
        return std::nan("");
    }
    if (x == 0 && y < 0) {
        ReportStatus(eSingularity, x);
        return HUGE_VAL;
    }
    const double result = std::pow(x, y);
    return CheckRange(result, Finite(x, y), x != 0 && !std::isinf(y));
}

double Sqrt(double x)
{
    if (x < 0) {
        ReportStatus(eDomain, x);
        return std::nan("");
    }
    return std::sqrt(x);
}

double Sin(double x)
{
    return Circular(static_cast<double (*)(double)>(std::sin), x);
}

double Cos(double x)
{
    return Circular(static_cast<double (*)(double)>(std::cos), x);
}

double Tan(double x)
{
    return Circular(static_cast<double (*)(double)>(std::tan), x);
}

double Sinh(double x)
{
    return CheckOverflow(std::sinh(x), std::isfinite(x));
}

double Cosh(double x)
{
    return CheckOverflow(std::cosh(x), std::isfinite(x));
}

double Atan(double x)
{
    return std::atan(x);
}

double Atan2(double y, double x)
{
    return std::atan2(y, x);
}

double Asin(double x)
{
    if (std::fabs(x) > 1) {
        ReportStatus(eDomain, x);
        return std::nan("");
    }
    return std::asin(x);
}

double Acos(double x)
{
    if (std::fabs(x) > 1) {
        ReportStatus(eDomain, x);
        return std::nan("");
    }
    return std::acos(x);
}

double Hypot(double x, double y)
{
    return CheckOverflow(std::hypot(x, y), Finite(x, y));
}

}  // namespace NRealMath
