// K_ν(z) for large orders by the uniform expansions: the Debye form for
// |arg z| <= π/3, and beyond it, in the first quadrant,
//   K_ν(z) = −(πi/2) e^(−iπν/2) H2_ν(−iz),
//   H2_ν(νt) ≈ 2e^(iπ/3) φ [Ai(e^(−2πi/3)ν^(2/3)ζ) A + e^(−2πi/3) Ai'(...) B]
// (the fourth quadrant by conjugation). The left half-plane follows by the
// continuation K_ν(z) = e^(−iπνm) K_ν(−z) − iπm I_ν(−z).

#include <cmath>

#include "numeric/bessel_internal.h"

namespace NBessel {

namespace {

constexpr double kLogTwoSqrtPi = 1.265512123484645396;

// K_ν(w) for Re w >= 0; 1 when it underflows, −1 on overflow.
int UniformKRight(const CComplex& w, double nu, bool airyForm, CComplex& k)
{
    const CMachine& m = Machine();
    const double css[3] = {1 / m.tol, 1, m.tol};
    const double csr[3] = {m.tol, 1, 1 / m.tol};
    k = 0;
    CComplex s1;
    CComplex s2;
    double rs1;
    const bool upper = w.imag() >= 0;
    if (!airyForm) {
        const CDebye d = DebyeExpansion(w, nu, 2, false);
        s1 = d.zeta1 - d.zeta2;
        rs1 = s1.real();
        if (std::fabs(rs1) <= m.elim && std::fabs(rs1) >= m.alim)
            rs1 += std::log(std::abs(d.phi));
        s2 = d.phi * d.sum;
    } else {
        const CComplex v = upper ? w : std::conj(w);
        const CComplex zn(v.imag(), -v.real());
        const CAiryExpansion a = AiryExpansion(zn, nu, false);
        s1 = a.zeta1 - a.zeta2;
        rs1 = s1.real();
        if (std::fabs(rs1) <= m.elim && std::fabs(rs1) >= m.alim)
            rs1 += std::log(std::abs(a.phi)) - 0.25 * std::log(std::abs(a.arg)) - kLogTwoSqrtPi;
        const CComplex rotate(-0.5, -0.86602540378443865);  // e^(−2πi/3)
        const CComplex x = rotate * a.arg;
        CComplex ai;
        CComplex dai;
        Airy(x, false, true, ai);
        Airy(x, true, true, dai);
        // −πi·e^(iπ/3)·e^(−iπν/2)·φ·[...]
        const CComplex lead = CComplex(0, -kPi) * CComplex(0.5, 0.86602540378443865) * ExpIHalfPiNu(nu, -1);
        s2 = lead * a.phi * (ai * a.asum + rotate * dai * a.bsum);
    }
    if (std::fabs(rs1) > m.elim)
        return rs1 > 0 ? -1 : 1;
    int kflag = 1;
    if (std::fabs(s1.real()) >= m.alim)
        kflag = rs1 < 0 ? 0 : 2;
    s2 *= std::exp(s1.real()) * css[kflag] * std::polar(1.0, s1.imag());
    if (kflag == 0 && Underflowed(s2, m.ascle))
        return 1;
    if (airyForm && !upper)
        s2 = std::conj(s2);
    k = s2 * csr[kflag];
    return 0;
}

}  // namespace

int UniformK(const CComplex& z, double nu, int mr, CComplex& y)
{
    y = 0;
    const CComplex w = mr == 0 ? z : -z;
    const bool airyForm = std::fabs(w.imag()) > std::fabs(w.real()) * 1.7321;
    CComplex k;
    const int nz = UniformKRight(w, nu, airyForm, k);
    if (nz < 0)
        return nz;
    if (mr == 0) {
        y = k;
        return nz;
    }
    // Underflow of K on the right means overflow of I after continuation.
    if (nz > 0)
        return -1;
    CComplex iv;
    bool needOther = false;
    const int ni = UniformI(w, nu, iv, needOther);
    if (ni < 0)
        return ni;
    const double sgn = mr > 0 ? -kPi : kPi;
    const CComplex cspn = ExpIPiNu(nu, sgn < 0 ? -1 : 1);
    y = cspn * k + CComplex(0, sgn) * iv;
    return 0;
}

}  // namespace NBessel
