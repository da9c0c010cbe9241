// I_ν(z) by its power series
//   I_ν(z) = (z/2)^ν / Γ(ν+1) · Σ_k (z²/4)^k / (k! (ν+1)_k),
// used where |z| is small against sqrt(ν+1).

#include <cmath>

#include "numeric/bessel_internal.h"

namespace NBessel {

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
    if (az < arm) {
        // Only the order 0 survives so tiny an argument.
        if (nu == 0) {
            y = 1;
            return 0;
        }
        return 1;
    }
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
    const CComplex coef = std::exp(leadRe) * scale * std::polar(1.0, lead.imag());

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
