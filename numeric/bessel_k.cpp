// K_ν(z) for Re z >= 0: with d the order reduced to |d| <= ½, K_d and
// K_{d+1} come from Temme's series for |z| <= 2 and from Miller's algorithm
// for the confluent hypergeometric function (Temme) beyond; the forward
// recurrence K_{μ+1} = (2μ/z)K_μ + K_{μ−1} then reaches ν, rescaling near
// the ends of the exponent range. And the continuation to Re z < 0:
//   K_ν(z) = e^(−iπνm) K_ν(−z) − iπm I_ν(−z),  m = ±1.

#include <cfloat>
#include <cmath>

#include "numeric/bessel_internal.h"
#include "numeric/double_double.h"
#include "numeric/gamma.h"

namespace NBessel {

namespace {

// Taylor coefficients c_1, c_3, ..., c_15 of 1/Γ(1+x): for small d,
// (1/Γ(1−d) − 1/Γ(1+d))/(2d) = −Σ c_{2j+1} d^{2j}.
const double kInverseGammaOdd[8] = {
    5.77215664901532861e-01, -4.20026350340952355e-02, -4.21977345555443367e-02,
    7.21894324666309954e-03, -2.15241674114950973e-04, -2.01348547807882387e-05,
    1.13302723198169588e-06, 6.11609510448141582e-09,
};

constexpr double kSqrtHalfPi = 1.25331413731550025;
constexpr double kSixOverPi = 1.90985931710274403;
// Constant of Temme's estimate of the backward starting index.
constexpr double kStartIndex = 1.89769999331517738;

// y[i] ← e^(−zd)·y[i] computed through logarithms; members that underflow
// become 0 and are counted.
int ScaleDown(const CComplex& zd, int n, CComplex* y, double ascle)
{
    const CMachine& m = Machine();
    int nz = 0;
    int ic = 0;
    for (int i = 0; i < n; ++i) {
        const CComplex s1 = y[i];
        y[i] = 0;
        ++nz;
        const double acs = -zd.real() + std::log(std::abs(s1));
        if (acs < -m.elim)
            continue;
        CComplex cs = -zd + std::log(s1);
        cs = std::exp(cs.real()) / m.tol * std::polar(1.0, cs.imag());
        if (Underflowed(cs, ascle))
            continue;
        y[i] = cs;
        --nz;
        ic = i + 1;
    }
    if (n == 2 && ic <= 1) {
        y[0] = 0;
        nz = 2;
    }
    return nz;
}

}  // namespace

int KRightHalf(const CComplex& z, double nu, int n, CComplex* y, bool expScaled)
{
    const CMachine& m = Machine();
    const double tol = m.tol;
    const double caz = std::abs(z);
    const double css[3] = {1 / tol, 1, tol};
    const double csr[3] = {tol, 1, 1 / tol};
    const double bry[3] = {m.ascle, 1 / m.ascle, m.huge};
    for (int i = 0; i < n; ++i)
        y[i] = 0;
    const CComplex rz = 2.0 * (std::conj(z) / caz) / caz;  // 2/z without underflow in caz²
    double inu = std::floor(nu + 0.5);
    const double dnu = nu - inu;
    double dnu2 = 0;
    if (std::fabs(dnu) > tol)
        dnu2 = dnu * dnu;
    int kflag = 1;
    bool scaled = false;  // values carry the factor e^z until the end
    CComplex s1;
    CComplex s2;
    CComplex zd = z;
    // The members of the scaled form, scaled back down where they
    // underflow; returns how many were set to zero.
    auto scaledResult = [&] {
        y[0] = s1;
        if (n > 1)
            y[1] = s2;
        const int nz = ScaleDown(zd, n, y, bry[0]);
        for (int k = nz; k < n; ++k)
            y[k] *= csr[0];
        return nz;
    };

    if (std::fabs(dnu) != 0.5 && caz <= 2) {
        // Temme's series.
        double fc = 1;
        // ln(2/z); below |z| = 1.2e-308 2/z itself may overflow.
        CComplex smu = caz >= 1.2e-308 ? std::log(rz) : std::log(2.0) - std::log(z);
        const CComplex fmu = smu * dnu;
        const CComplex csh = std::sinh(fmu);
        const CComplex cch = std::cosh(fmu);
        if (dnu != 0) {
            fc = dnu * kPi;
            fc /= std::sin(fc);
            smu = csh / dnu;
        }
        // t1 = 1/Γ(1−d), t2 = 1/Γ(1+d); Γ itself rather than e^(−ln Γ),
        // whose ln Γ cancels to 5e-15 of the value.
        const double t2 = 1 / Gamma(1 + dnu);
        const double t1 = 1 / (t2 * fc);
        double g1;
        if (std::fabs(dnu) > 0.1) {
            g1 = (t1 - t2) / (dnu + dnu);
        } else {
            double ak = 1;
            double s = kInverseGammaOdd[0];
            for (int k = 1; k < 8; ++k) {
                ak *= dnu2;
                const double tm = kInverseGammaOdd[k] * ak;
                s += tm;
                if (std::fabs(tm) < tol)
                    break;
            }
            g1 = -s;
        }
        const double g2 = (t1 + t2) * 0.5;
        CComplex f = fc * (cch * g1 + smu * g2);
        const CComplex pt = std::exp(fmu);
        CComplex p = (0.5 / t2) * pt;
        CComplex q = (0.5 / t1) / pt;
        s1 = f;
        s2 = p;
        double ak = 1;
        double a1 = 1;
        CComplex ck = 1;
        double bk = 1 - dnu2;
        const bool both = inu > 0 || n > 1;
        if (caz >= tol) {
            const CComplex cz = z * z * 0.25;
            const double t1s = 0.25 * caz * caz;
            do {
                f = (f * ak + p + q) / bk;
                p /= ak - dnu;
                q /= ak + dnu;
                const double rak = 1 / ak;
                ck = ck * cz * rak;
                s1 += ck * f;
                if (both)
                    s2 += ck * (p - f * ak);
                a1 = a1 * t1s * rak;
                bk += ak + ak + 1;
                ak += 1;
            } while (a1 > tol);
        }
        if (!both) {
            y[0] = expScaled ? s1 * std::exp(z) : s1;
            return 0;
        }
        if ((nu + 1) * std::fabs(smu.real()) > m.alim)
            kflag = 2;
        const double str = css[kflag];
        s2 = s2 * str * rz;
        s1 *= str;
        if (expScaled) {
            const CComplex ez = std::exp(z);
            s1 *= ez;
            s2 *= ez;
        }
    } else {
        // Miller's algorithm for |z| > 2 (or half-odd orders, exact).
        CComplex coef = kSqrtHalfPi / std::sqrt(z);
        kflag = 1;
        if (expScaled) {
            // The caller wants e^z·K: nothing to take out.
        } else if (z.real() > m.alim) {
            // e^(−z) would underflow: carry e^z and take it out at the end.
            scaled = true;
        } else {
            coef = coef * (std::exp(-z.real()) * css[kflag]) * std::polar(1.0, -z.imag());
        }
        const double fhs0 = std::fabs(0.25 - dnu2);
        double akc = std::fabs(std::cos(kPi * dnu));
        if (std::fabs(dnu) == 0.5 || akc == 0 || fhs0 == 0) {
            s1 = coef;
            s2 = coef;
        } else {
            double fhs = fhs0;
            // The recurrence length: e from 2^(−e) = tol, kept in [12, 60].
            double t1 = (std::numeric_limits<double>::digits - 1) * m.r1m5 * 3.321928094;
            t1 = std::fmin(std::fmax(t1, 12.0), 60.0);
            const double t2 = 2.0 / 3.0 * t1 - 6.0;
            const double theta = z.real() == 0 ? kHalfPi : std::fabs(std::atan(z.imag() / z.real()));
            double fk;
            if (t2 <= caz) {
                // Forward recurrence until the error test holds.
                const double etest = akc / (kPi * caz * tol);
                fk = 1;
                if (etest >= 1) {
                    double fks = 2;
                    double ckr = caz + caz + 2;
                    double p1r = 0;
                    double p2r = 1;
                    bool converged = false;
                    for (int i = 0; i < 30; ++i) {
                        const double ak = fhs / fks;
                        const double cbr = ckr / (fk + 1);
                        const double ptr = p2r;
                        p2r = cbr * p2r - p1r * ak;
                        p1r = ptr;
                        ckr += 2;
                        fks += fk + fk + 2;
                        fhs += fk + fk;
                        fk += 1;
                        if (etest < std::fabs(p2r) * fk) {
                            converged = true;
                            break;
                        }
                    }
                    if (!converged)
                        return kNoConvergence;
                    fk += kSixOverPi * theta * std::sqrt(t2 / caz);
                    fhs = fhs0;
                }
            } else {
                // Temme's estimate of the backward index for smaller |z|.
                const double a2 = std::sqrt(caz);
                double ak = kStartIndex * akc / (tol * std::sqrt(a2));
                const double aa = 3 * theta / (1 + caz);
                const double bb = 14.7 * theta / (28 + caz);
                ak = (std::log(ak) + caz * std::cos(aa) / (1 + 0.008 * caz)) / std::cos(bb);
                fk = 0.12125 * ak * ak / caz + 1.5;
            }
            // Backward recurrence.
            const double kmax = std::floor(fk);
            fk = kmax;
            double fks = fk * fk;
            CComplex p1 = 0;
            CComplex p2 = tol;
            CComplex cs = p2;
            for (double i = kmax; i > 0; --i) {
                const double a1 = fks - fk;
                const double ak = (fks + fk) / (a1 + fhs);
                const double rak = 2 / (fk + 1);
                const CComplex cb = (fk + z) * rak;
                const CComplex pt = p2;
                p2 = (pt * cb - p1) * ak;
                p1 = pt;
                cs += p2;
                fks = a1 - fk + 1;
                fk -= 1;
            }
            // p2/cs through the modulus of cs, for scaling.
            const double rcs = 1 / std::abs(cs);
            s1 = coef * (p2 * rcs) * (std::conj(cs) * rcs);
            if (inu > 0 || n > 1) {
                const double rp2 = 1 / std::abs(p2);
                const CComplex ratio = (p1 * rp2) * (std::conj(p2) * rp2);
                s2 = s1 * ((dnu + 0.5 - ratio) / z + 1.0);
            } else {
                if (scaled) {
                    y[0] = s1;
                    const int nz = ScaleDown(zd, 1, y, bry[0]);
                    if (nz == 0)
                        y[0] *= csr[0];
                    return nz;
                }
                y[0] = s1 * csr[kflag];
                return 0;
            }
        }
    }

    // Forward recurrence from the orders d, d+1 to ν (and ν+1). Its
    // coefficients (d + i)·2/z carry the rounding of 2/z along in the same
    // direction for every step, to ν times its 1e-16 at the end; so the
    // rest of 2/z, −rz·ε with rz·z = 2(1 − ε) from the residual in
    // double-double, is added as a separate term. (The rounding of each
    // product is different at every step and does not add up so.)
    using namespace NDoubleDouble;
    CComplex rzLo = 0;
    if (IsFinite(rz)) {
        const double residualRe =
            (TwoProduct(rz.real(), z.real()) - TwoProduct(rz.imag(), z.imag()) + (-2.0)).hi;
        const double residualIm = (TwoProduct(rz.real(), z.imag()) + TwoProduct(rz.imag(), z.real())).hi;
        rzLo = rz * (-0.5 * CComplex(residualRe, residualIm));
        if (!IsFinite(rzLo))
            rzLo = 0;
    }
    CComplex ckLo;
    // (d + i)·2/z as its rounded value; the rest in ckLo. d + i is exact.
    auto coefficient = [&](double i) {
        const double t = dnu + i;
        ckLo = t * rzLo;
        return t * rz;
    };
    if (n == 1)
        inu -= 1;
    if (inu > 0) {
        double start = 1;
        bool plain = !scaled;
        if (scaled) {
            // Recur on the scaled values until two consecutive members are
            // on scale without e^z, dropping e^(−elim) factors as needed.
            const double helim = 0.5 * m.elim;
            const double celm = std::exp(-m.elim);
            CComplex cy[2];
            int j = 1;
            double ic = -1;
            double i = 1;
            for (; i <= inu; i += 1) {
                const CComplex st = s2;
                const CComplex ck = coefficient(i);
                s2 = st * ck + s1 + ckLo * st;
                s1 = st;
                const double alas = std::log(std::abs(s2));
                if (-zd.real() + alas >= -m.elim) {
                    CComplex p2 = -zd + std::log(s2);
                    p2 = std::exp(p2.real()) / tol * std::polar(1.0, p2.imag());
                    if (!Underflowed(p2, bry[0])) {
                        j = 1 - j;
                        cy[j] = p2;
                        if (ic == i - 1) {
                            // On scale: continue unscaled with kflag 0.
                            kflag = 0;
                            start = i + 1;
                            s2 = cy[j];
                            s1 = cy[1 - j];
                            plain = true;
                            scaled = false;
                            break;
                        }
                        ic = i;
                        continue;
                    }
                }
                if (alas < helim)
                    continue;
                zd -= m.elim;
                s1 *= celm;
                s2 *= celm;
            }
            if (scaled) {
                if (n == 1)
                    s1 = s2;
                return scaledResult();
            }
        }
        if (plain) {
            double p1r = csr[kflag];
            double ascle = bry[kflag];
            for (double i = start; i <= inu; i += 1) {
                const CComplex st = s2;
                const CComplex ck = coefficient(i);
                s2 = ck * s2 + s1 + ckLo * st;
                s1 = st;
                if (kflag >= 2)
                    continue;
                const CComplex p2 = s2 * p1r;
                const double p2m = std::fmax(std::fabs(p2.real()), std::fabs(p2.imag()));
                if (p2m <= ascle)
                    continue;
                ++kflag;
                ascle = bry[kflag];
                s1 *= p1r;
                s2 = p2;
                s1 *= css[kflag];
                s2 *= css[kflag];
                p1r = csr[kflag];
            }
        }
        if (n == 1)
            s1 = s2;
    } else if (n == 1) {
        s1 = s2;
    }
    if (scaled)
        return scaledResult();
    y[0] = s1 * csr[kflag];
    if (n > 1)
        y[1] = s2 * csr[kflag];
    return 0;
}

int ContinueK(const CComplex& z, double nu, int mr, CComplex& y)
{
    y = 0;
    const CComplex zn = -z;
    CComplex iv;
    int nw = ComputeI(zn, nu, iv);
    if (nw < 0)
        return nw == kNoConvergence ? kNoConvergence : -1;
    CComplex kv;
    nw = KRightHalf(zn, nu, 1, &kv);
    if (nw != 0)
        return nw == kNoConvergence ? kNoConvergence : -1;
    const double sgn = mr > 0 ? -kPi : kPi;
    const CComplex cspn = ExpIPiNu(nu, sgn < 0 ? -1 : 1);
    y = cspn * kv + CComplex(0, sgn) * iv;
    return 0;
}

}  // namespace NBessel
