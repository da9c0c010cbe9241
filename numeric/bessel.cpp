#include "numeric/bessel.h"

#include <cmath>

#include "numeric/status.h"

// Bessel functions of a real order: the entry routines of the complex
// algorithm for orders >= 0, the reflection formulas for negative orders,
// the cleaning of values on the real axis and the status of the indicator.

#include "numeric/bessel_internal.h"

namespace {

constexpr double kTwoOverPi = 0.6366197723675814;

enum { eIndicatorNormal = 0, eIndicatorPartial = 3, eIndicatorUnderflow = 6 };

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
    NBessel::CRoutineResult r;
    switch (kind) {
    case EBesselKind::J:
        r = NBessel::BesselJ(z, nu);
        break;
    case EBesselKind::Y:
        r = NBessel::BesselY(z, nu);
        break;
    case EBesselKind::I:
        r = NBessel::BesselI(z, nu);
        break;
    case EBesselKind::K:
        r = NBessel::BesselK(z, nu);
        break;
    }
    CBesselResult result;
    result.value = r.value;
    result.indicator = r.ierr;
    // An underflowed member outranks the other indicators.
    if (r.nz > 0)
        result.indicator = eIndicatorUnderflow;
    return result;
}

// Combines a first term with a second one under the indicator rules of the
// negative-order formulas.
// A partial loss of precision still delivers a value, so the second term
// is added to it as well; otherwise the sum would silently lack a term.
bool Usable(int indicator)
{
    return indicator == eIndicatorNormal || indicator == eIndicatorUnderflow || indicator == eIndicatorPartial;
}

}  // namespace

CBesselResult ComputeBessel(EBesselKind kind, double order, const CComplex& z)
{
    CBesselResult result;
    if (std::isnan(order)) {
        // No formula applies; the input-error indicator with value 0.
        result.indicator = 1;
        return result;
    }
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
