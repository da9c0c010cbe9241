#include "numeric/bessel.h"

#include <cmath>
#include <stdexcept>

#include "numeric/status.h"

// Bessel functions of a real order. This version computes real, non-negative
// arguments with the standard library's cylinder functions, J and I of a
// negative real argument by their reflection, and negative orders by the
// reflection formulas. Arguments it cannot compute (off the real axis, and Y
// and K left of 0) give the input-error indicator rather than a wrong value.

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoOverPi = 0.6366197723675814;
constexpr double kTotalLossLimit = 2251799813685248.0;     // 2^51
constexpr double kPartialLossLimit = 47453132.81212578;    // sqrt(2^51)

enum { eIndicatorNormal = 0, eIndicatorInput = 1, eIndicatorOverflow = 2, eIndicatorPartial = 3, eIndicatorTotal = 4 };

// sin(πμ) and cos(πμ) from the fractional part, exact at integers and
// half-integers.
void SinCosPi(double mu, double& s, double& c)
{
    const double whole = std::floor(mu);
    const double f = mu - whole;
    const double angle = kPi * std::fmin(f, 1 - f);
    s = f == 0 ? 0.0 : (f == 0.5 ? 1.0 : std::sin(angle));
    c = f == 0.5 ? 0.0 : (f == 0 ? 1.0 : std::cos(angle));
    if (f > 0.5)
        c = -c;
    if (std::fmod(whole, 2.0) != 0) {
        s = -s;
        c = -c;
    }
}

CBesselResult NonNegativeOrder(EBesselKind kind, double nu, const CComplex& z)
{
    CBesselResult r;
    const double m = std::abs(z);
    if (m > kTotalLossLimit || nu > kTotalLossLimit) {
        r.indicator = eIndicatorTotal;
        return r;
    }
    if (z.imag() != 0 || (z.real() < 0 && (kind == EBesselKind::Y || kind == EBesselKind::K))) {
        r.indicator = eIndicatorInput;
        return r;
    }
    const double x = std::fabs(z.real());
    double value = 0;
    try {
        switch (kind) {
        case EBesselKind::J:
            value = std::cyl_bessel_j(nu, x);
            break;
        case EBesselKind::Y:
            value = std::cyl_neumann(nu, x);
            break;
        case EBesselKind::I:
            value = std::cyl_bessel_i(nu, x);
            break;
        case EBesselKind::K:
            value = std::cyl_bessel_k(nu, x);
            break;
        }
    } catch (const std::exception&) {
        r.indicator = eIndicatorInput;
        return r;
    }
    if (std::isinf(value)) {
        r.value = value;
        r.indicator = eIndicatorOverflow;
        return r;
    }
    if (std::isnan(value)) {
        r.indicator = eIndicatorInput;
        return r;
    }
    r.value = value;
    if (z.real() < 0) {
        // J_ν(−x) = e^(iπν)·J_ν(x), and the same for I.
        double s;
        double c;
        SinCosPi(nu, s, c);
        r.value = CComplex(c * value, s * value);
    }
    if (m > kPartialLossLimit || nu > kPartialLossLimit)
        r.indicator = eIndicatorPartial;
    return r;
}

// Combines a first term with a second one under the indicator rules of the
// negative-order formulas.
bool Usable(int indicator)
{
    return indicator == eIndicatorNormal || indicator == 6;
}

}  // namespace

CBesselResult ComputeBessel(EBesselKind kind, double order, const CComplex& z)
{
    CBesselResult result;
    if (order >= 0) {
        result = NonNegativeOrder(kind, order, z);
    } else {
        const double mu = -order;
        double s;
        double k;
        SinCosPi(mu, s, k);
        if (kind == EBesselKind::K)
            return ComputeBessel(EBesselKind::K, mu, z);
        if (kind == EBesselKind::I) {
            result = NonNegativeOrder(EBesselKind::I, mu, z);
            if (Usable(result.indicator) && s != 0) {
                const CBesselResult second = NonNegativeOrder(EBesselKind::K, mu, z);
                result.value += kTwoOverPi * s * second.value;
                if (result.indicator == eIndicatorNormal)
                    result.indicator = second.indicator;
            }
        } else {
            // J_{−μ} = cos·J_μ − sin·Y_μ;  Y_{−μ} = cos·Y_μ + sin·J_μ.
            const EBesselKind same = kind;
            const EBesselKind other = kind == EBesselKind::J ? EBesselKind::Y : EBesselKind::J;
            const double sign = kind == EBesselKind::J ? -1.0 : 1.0;
            if (k != 0) {
                result = NonNegativeOrder(same, mu, z);
                result.value *= k;
                if (!Usable(result.indicator))
                    return result;
            }
            if (s != 0) {
                const CBesselResult second = NonNegativeOrder(other, mu, z);
                result.value += sign * s * second.value;
                if (result.indicator == eIndicatorNormal)
                    result.indicator = second.indicator;
            }
            order = mu;
        }
    }

    // Cleaning on the real axis.
    if (result.indicator == eIndicatorNormal && z.imag() == 0 && order >= 0) {
        const bool half = order - std::floor(order) == 0.5;
        if (z.real() >= 0)
            result.value.imag(0.0);
        else if (kind == EBesselKind::J || kind == EBesselKind::I) {
            if (order == std::floor(order))
                result.value.imag(0.0);
            else if (half)
                result.value.real(0.0);
        } else if (half) {
            result.value.real(0.0);
        }
    }
    return result;
}

void ReportBesselIndicator(int indicator, const CComplex& value)
{
    switch (indicator) {
    case 1:
        ReportStatus(eDomain, value.real(), value.imag());
        break;
    case 2:
        ReportStatus(eOverflow, value.real());
        break;
    case 3:
        ReportStatus(ePartialLoss, value.real());
        break;
    case 4:
        ReportStatus(eTotalLoss, value.real());
        break;
    case 5:
        ReportStatus(eNoConvergence);
        break;
    case 6:
        ReportStatus(eUnderflow, value.real());
        break;
    default:
        break;
    }
}
