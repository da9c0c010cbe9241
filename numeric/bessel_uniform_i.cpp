// I_ν(z) for large orders by the uniform expansions: the Debye form for
// |arg z| <= π/3, and beyond it I_ν(z) = e^(iπν/2) J_ν(−iz) with the Airy
// form of J (Im z > 0; below the axis by conjugation). Orders under the
// large-order limit are raised above it and brought back by backward
// recurrence.

#include <cmath>

#include "numeric/bessel_internal.h"

namespace NBessel {

namespace {

constexpr double kLogTwoSqrtPi = 1.265512123484645396;

// One or two members y[0] = I_ν, y[1] = I_{ν+1}. Returns 0, n when a member
// underflowed (all set to 0), or −1 on overflow.
int UniformMembersI(const CComplex& z, double nu, int n, CComplex* y, bool airyForm)
{
    const CMachine& m = Machine();
    const double css[3] = {1 / m.tol, 1, m.tol};
    const double csr[3] = {m.tol, 1, 1 / m.tol};
    for (int i = 0; i < n; ++i)
        y[i] = 0;
    const bool upper = z.imag() > 0;
    CComplex zn(z.imag(), -z.real());
    if (!upper)
        zn.real(-zn.real());

    // The first member decides whether anything is in range.
    {
        const double fn = std::fmax(nu, 1.0);
        CComplex s1;
        if (!airyForm) {
            const CDebye d = DebyeExpansion(z, fn, 1, true);
            s1 = -d.zeta1 + d.zeta2;
        } else {
            const CAiryExpansion a = AiryExpansion(zn, fn, true);
            s1 = -a.zeta1 + a.zeta2;
        }
        if (std::fabs(s1.real()) > m.elim)
            return s1.real() > 0 ? -1 : n;
    }

    int iflag = 1;
    for (int i = 0; i < n; ++i) {
        const double fn = nu + (n - 1 - i);
        CComplex s1;
        CComplex s2;
        double rs1;
        if (!airyForm) {
            const CDebye d = DebyeExpansion(z, fn, 1, false);
            s1 = -d.zeta1 + d.zeta2;
            rs1 = s1.real();
            if (std::fabs(rs1) <= m.elim && std::fabs(rs1) >= m.alim)
                rs1 += std::log(std::abs(d.phi));
            s2 = d.phi * d.sum;
        } else {
            const CAiryExpansion a = AiryExpansion(zn, fn, false);
            s1 = -a.zeta1 + a.zeta2;
            rs1 = s1.real();
            if (std::fabs(rs1) <= m.elim && std::fabs(rs1) >= m.alim)
                rs1 += std::log(std::abs(a.phi)) - 0.25 * std::log(std::abs(a.arg)) - kLogTwoSqrtPi;
            CComplex ai;
            CComplex dai;
            Airy(a.arg, false, true, ai);
            Airy(a.arg, true, true, dai);
            s2 = a.phi * (ai * a.asum + dai * a.bsum);
        }
        bool fail = std::fabs(rs1) > m.elim;
        if (!fail) {
            if (i == 0) {
                iflag = 1;
                if (std::fabs(s1.real()) >= m.alim)
                    iflag = rs1 < 0 ? 0 : 2;
            }
            s2 *= std::exp(s1.real()) * css[iflag] * std::polar(1.0, s1.imag());
            if (iflag == 0 && Underflowed(s2, m.ascle))
                fail = true;
        }
        if (fail) {
            if (rs1 > 0)
                return -1;
            for (int k = 0; k < n; ++k)
                y[k] = 0;
            return n;
        }
        if (airyForm) {
            if (!upper)
                s2 = std::conj(s2);
            CComplex c2 = ExpIHalfPiNu(fn, 1);
            if (!upper)
                c2 = std::conj(c2);
            s2 *= c2;
        }
        y[n - 1 - i] = s2 * csr[iflag];
    }
    return 0;
}

}  // namespace

int UniformI(const CComplex& z, double nu, CComplex& y, bool& needOther)
{
    const CMachine& m = Machine();
    needOther = false;
    y = 0;
    const bool airyForm = std::fabs(z.imag()) > std::fabs(z.real()) * 1.7321;
    const double nui = std::fmax(std::floor(m.fnul - nu) + 1, 0.0);
    if (nui == 0) {
        CComplex v;
        const int nw = UniformMembersI(z, nu, 1, &v, airyForm);
        if (nw < 0)
            return nw;
        y = v;
        return nw;
    }
    // Raise the order above the limit, then recur down:
    // I_{μ−1} = (2μ/z) I_μ + I_{μ+1}.
    double fnui = nui;
    CComplex cy[2];
    const int nw = UniformMembersI(z, nu + fnui, 2, cy, airyForm);
    if (nw < 0)
        return nw;
    if (nw != 0) {
        needOther = true;
        return 0;
    }
    const double bry[3] = {m.ascle, 1 / m.ascle, 1 / m.ascle};
    const double str = std::abs(cy[0]);
    int iflag = 1;
    double ascle = bry[1];
    double csclr = 1;
    if (str <= bry[0]) {
        iflag = 0;
        ascle = bry[0];
        csclr = 1 / m.tol;
    } else if (str >= bry[1]) {
        iflag = 2;
        ascle = bry[2];
        csclr = m.tol;
    }
    double cscrr = 1 / csclr;
    CComplex s1 = cy[1] * csclr;
    CComplex s2 = cy[0] * csclr;
    const double raz = 1 / std::abs(z);
    const CComplex rz = 2.0 * std::conj(z) * raz * raz;
    for (double i = nui; i > 0; --i) {
        const CComplex st = s2;
        s2 = (nu + fnui) * rz * st + s1;
        s1 = st;
        fnui -= 1;
        if (iflag >= 2)
            continue;
        const CComplex sc = s2 * cscrr;
        if (std::fmax(std::fabs(sc.real()), std::fabs(sc.imag())) <= ascle)
            continue;
        ++iflag;
        ascle = bry[iflag];
        s1 *= cscrr;
        s2 = sc;
        csclr *= m.tol;
        cscrr = 1 / csclr;
        s1 *= csclr;
        s2 *= csclr;
    }
    y = s2 * cscrr;
    return 0;
}

}  // namespace NBessel
