// The Airy function Ai(z) and its derivative for complex z, optionally
// scaled by e^ζ, ζ = (2/3)z^(3/2): the Maclaurin series for |z| <= 1, and
//   Ai(z) = sqrt(z)/(π√3)·K_{1/3}(ζ),  Ai'(z) = −z/(π√3)·K_{2/3}(ζ)
// beyond, with K continued analytically where Re ζ < 0 (|arg z| > π/3).

#include <cmath>

#include "numeric/bessel_internal.h"

namespace NBessel {

namespace {

constexpr double kAiZero = 0.355028053887817239;      // Ai(0)
constexpr double kMinusAiPrimeZero = 0.258819403792806798;  // −Ai'(0)
constexpr double kOneOverPiSqrt3 = 0.183776298473930683;

CComplex Series(const CComplex& z, bool derivative, bool scaled)
{
    const CMachine& m = Machine();
    const double az = std::abs(z);
    const double fid = derivative ? 1 : 0;
    CComplex s1 = 1;
    CComplex s2 = 1;
    CComplex value;
    if (az < m.tol) {
        if (!derivative)
            value = kAiZero - (az > m.ufl ? kMinusAiPrimeZero * z : CComplex(0));
        else
            value = -kMinusAiPrimeZero + (az > std::sqrt(m.ufl) ? z * z * 0.5 * kAiZero : CComplex(0));
        return value;
    }
    const double aa = az * az;
    if (aa >= m.tol / az) {
        CComplex trm1 = 1;
        CComplex trm2 = 1;
        double atrm = 1;
        const CComplex z3 = z * z * z;
        const double az3 = az * aa;
        double ak = 2 + fid;
        double bk = 3 - fid - fid;
        const double ck = 4 - fid;
        const double dk = 3 + fid + fid;
        double d1 = ak * dk;
        double d2 = bk * ck;
        double ad = std::fmin(d1, d2);
        ak = 24 + 9 * fid;
        bk = 30 - 9 * fid;
        for (int k = 0; k < 25; ++k) {
            trm1 = trm1 * z3 / d1;
            s1 += trm1;
            trm2 = trm2 * z3 / d2;
            s2 += trm2;
            atrm = atrm * az3 / ad;
            d1 += ak;
            d2 += bk;
            ad = std::fmin(d1, d2);
            if (atrm < m.tol * ad)
                break;
            ak += 18;
            bk += 18;
        }
    }
    if (!derivative)
        value = s1 * kAiZero - z * s2 * kMinusAiPrimeZero;
    else
        value = -s2 * kMinusAiPrimeZero + z * z * s1 * kAiZero / (1 + fid);
    if (scaled)
        value *= std::exp(z * std::sqrt(z) * (2.0 / 3.0));
    return value;
}

// e^ζ·K_ν(ζ) for Re ζ < 0 from w = −ζ: with ζ = w·e^(iπm),
//   e^ζ K_ν(ζ) = e^(−iπνm)·e^(−2w)·(e^w K_ν(w)) − iπm·e^(−w) I_ν(w).
int ContinuedScaledK(const CComplex& zeta, double nu, int mr, CComplex& value)
{
    const CMachine& m = Machine();
    const CComplex w = -zeta;
    const double aw = std::abs(w);
    CComplex iv;
    int nw;
    if (aw <= 2 || aw * aw * 0.25 <= nu + 1) {
        nw = SeriesI(w, nu, iv);
        if (nw < 0)
            nw = 0;
        iv *= std::exp(-w);
    } else if (aw < m.rl) {
        nw = MillerI(w, nu, iv);
        iv *= std::exp(-w);
    } else {
        nw = AsymptoticI(w, nu, iv, true);
        iv *= std::polar(1.0, -w.imag());
    }
    if (nw < 0)
        return nw;
    CComplex kv;
    nw = KRightHalf(w, nu, 1, &kv, true);
    if (nw < 0)
        return nw;
    const double sgn = mr > 0 ? -kPi : kPi;
    const CComplex cspn = ExpIPiNu(nu, sgn < 0 ? -1 : 1);
    CComplex kPart = 0;
    if (kv != CComplex(0)) {
        const CComplex lk = std::log(kv) - 2.0 * w;
        if (lk.real() > -m.elim)
            kPart = std::exp(lk);
    }
    value = cspn * kPart + CComplex(0, sgn) * iv;
    return 0;
}

}  // namespace

int Airy(const CComplex& z, bool derivative, bool scaled, CComplex& value)
{
    value = 0;
    if (std::abs(z) <= 1) {
        value = Series(z, derivative, scaled);
        return 0;
    }
    const CComplex csq = std::sqrt(z);
    CComplex zeta = z * csq * (2.0 / 3.0);
    if (z.real() < 0)
        zeta.real(-std::fabs(zeta.real()));
    if (z.imag() == 0 && z.real() <= 0)
        zeta.real(0);
    const double order = derivative ? 2.0 / 3.0 : 1.0 / 3.0;
    CComplex k;
    int nw;
    if (zeta.real() >= 0 && z.real() > 0)
        nw = KRightHalf(zeta, order, 1, &k, true);
    else
        nw = ContinuedScaledK(zeta, order, z.imag() < 0 ? -1 : 1, k);
    if (nw < 0)
        return nw;
    const CComplex s1 = k * kOneOverPiSqrt3;
    value = derivative ? -z * s1 : csq * s1;
    if (!scaled)
        value *= std::exp(-zeta);
    return 0;
}

}  // namespace NBessel
