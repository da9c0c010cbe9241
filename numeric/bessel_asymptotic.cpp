// I_ν(z) for large |z| by the Hankel asymptotic expansion
//   I_ν(z) ≈ e^z/sqrt(2πz) Σ (−1)^k a_k(ν)/z^k
//          + i·e^(±iπν)·e^(−z)/sqrt(2πz) Σ a_k(ν)/z^k,
// the upper sign for Im z >= 0.

#include <cmath>

#include "numeric/bessel_internal.h"

namespace NBessel {

int AsymptoticI(const CComplex& z, double nu, CComplex& y, bool expScaled)
{
    const CMachine& m = Machine();
    constexpr double kOneOverTwoPi = 0.159154943091895336;
    y = 0;
    const double az = std::abs(z);
    const double rtr1 = std::sqrt(m.ufl);
    if (!expScaled && std::fabs(z.real()) > m.elim)
        return -1;
    const double raz = 1 / az;
    CComplex ak1 = std::sqrt(kOneOverTwoPi * std::conj(z) * raz * raz);
    ak1 *= expScaled ? std::polar(1.0, z.imag()) : std::exp(z);

    const double dnu2 = nu + nu;
    const double mu = dnu2 > rtr1 ? dnu2 * dnu2 : 0;  // 4ν²
    const CComplex ez = 8.0 * z;
    const double aez = 8 * az;
    const double s = m.tol / aez;
    const int jl = static_cast<int>(m.rl + m.rl) + 2;

    // i·e^(±iπν) for the recessive term; 0 on the real axis.
    CComplex p1 = 0;
    if (z.imag() != 0)
        p1 = CComplex(0, 1) * ExpIPiNu(nu, z.imag() < 0 ? -1 : 1);
    if (z.imag() < 0)
        p1 = -p1;

    double sqk = mu - 1;
    const double atol = s * std::fabs(sqk);
    double sgn = 1;
    CComplex cs1 = 1;
    CComplex cs2 = 1;
    CComplex ck = 1;
    double ak = 0;
    double aa = 1;
    double bb = aez;
    CComplex dk = ez;
    bool converged = false;
    for (int j = 1; j <= jl; ++j) {
        ck = ck * sqk / dk;
        cs2 += ck;
        sgn = -sgn;
        cs1 += ck * sgn;
        dk += ez;
        aa = aa * std::fabs(sqk) / bb;
        bb += aez;
        ak += 8;
        sqk -= ak;
        if (aa <= atol) {
            converged = true;
            break;
        }
    }
    if (!converged)
        return kNoConvergence;
    CComplex s2 = cs1;
    if (z.real() + z.real() < m.elim)
        s2 += std::exp(-2.0 * z) * p1 * cs2;
    y = s2 * ak1;
    return 0;
}

}  // namespace NBessel
