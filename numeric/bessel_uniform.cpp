// Parameters of the uniform asymptotic expansions for large orders: the
// Debye-type expansion of I_ν(νt) and K_ν(νt) for |arg t| <= π/3, the
// Airy-type expansion of J_ν(νt) (Olver) for the rest of the right
// half-plane, and the over- and underflow pre-test built on their leading
// terms.

#include <cmath>

#include "numeric/bessel_internal.h"
#include "numeric/bessel_tables.h"

namespace NBessel {

namespace {
constexpr double kOneOverSqrtTwoPi = 3.98942280401432678e-01;
constexpr double kSqrtHalfPi = 1.25331413731550025;
// ln(2·sqrt(π)), the constant of the Airy function's leading term.
constexpr double kLogTwoSqrtPi = 1.265512123484645396;
}  // namespace

CDebye DebyeExpansion(const CComplex& z, double nu, int ikflg, bool parametersOnly)
{
    const CMachine& m = Machine();
    CDebye d;
    const double rfn = 1 / nu;
    // z/ν so small that the exponent is out of range: a value that makes
    // the callers see underflow of I (overflow of K).
    const double test = m.ufl;
    const double ac = nu * test;
    if (std::fabs(z.real()) <= ac && std::fabs(z.imag()) <= ac) {
        d.zeta1 = 2 * std::fabs(std::log(test)) + nu;
        d.zeta2 = nu;
        d.phi = 1;
        d.sum = 1;
        return d;
    }
    const CComplex t = z * rfn;
    const CComplex s = 1.0 + t * t;
    const CComplex sr = std::sqrt(s);
    d.zeta1 = nu * std::log((1.0 + sr) / t);
    d.zeta2 = nu * sr;
    const CComplex p = 1.0 / sr;
    const CComplex pn = p * rfn;
    const CComplex root = std::sqrt(pn);
    d.phi = root * (ikflg == 1 ? kOneOverSqrtTwoPi : kSqrtHalfPi);
    if (parametersOnly)
        return d;
    // u_k(p)/ν^k, k = 0..14, until the terms fall below tol.
    const CComplex t2 = 1.0 / s;
    CComplex terms[15];
    terms[0] = 1;
    int count = 15;
    CComplex power = 1;
    double bound = 1;
    int l = 0;
    for (int k = 1; k < 15; ++k) {
        CComplex poly = 0;
        for (int j = 0; j <= k; ++j)
            poly = poly * t2 + kDebye[++l];
        power *= pn;
        terms[k] = power * poly;
        bound *= rfn;
        if (bound < m.tol && std::abs(terms[k]) < m.tol) {
            count = k + 1;
            break;
        }
    }
    CComplex sum = 0;
    double sign = 1;
    for (int k = 0; k < count; ++k) {
        sum += sign * terms[k];
        if (ikflg == 2)
            sign = -sign;
    }
    d.sum = sum;
    return d;
}

CAiryExpansion AiryExpansion(const CComplex& z, double nu, bool parametersOnly)
{
    const CMachine& m = Machine();
    CAiryExpansion a;
    const double rfnu = 1 / nu;
    const double test = m.ufl;
    const double ac = nu * test;
    if (std::fabs(z.real()) <= ac && std::fabs(z.imag()) <= ac) {
        a.zeta1 = 2 * std::fabs(std::log(test)) + nu;
        a.zeta2 = nu;
        a.phi = 1;
        a.arg = 1;
        a.asum = 1;
        a.bsum = 0;
        return a;
    }
    const CComplex zb = z * rfnu;
    const double rfnu2 = rfnu * rfnu;
    const double fn13 = std::cbrt(nu);
    const double fn23 = fn13 * fn13;
    const double rfn13 = 1 / fn13;
    CComplex w2 = 1.0 - zb * zb;
    // On the real axis the argument is the limit from the fourth quadrant:
    // w2 then lies on the upper side of its cut.
    if (w2.imag() == 0)
        w2.imag(0.0);
    const double aw2 = std::abs(w2);

    if (aw2 <= 0.25) {
        // Near the turning point: power series in w2 = 1 − t².
        CComplex p[30];
        double ap[30];
        p[0] = 1;
        ap[0] = 1;
        CComplex suma = kZetaSeries[0];
        int kmax = 1;
        if (aw2 >= m.tol) {
            for (int k = 1; k < 30; ++k) {
                p[k] = p[k - 1] * w2;
                suma += p[k] * kZetaSeries[k];
                ap[k] = ap[k - 1] * aw2;
                kmax = k + 1;
                if (ap[k] < m.tol)
                    break;
            }
        }
        const CComplex zeta = w2 * suma;
        a.arg = zeta * fn23;
        CComplex za = std::sqrt(suma);
        a.zeta2 = std::sqrt(w2) * nu;
        a.zeta1 = a.zeta2 * (1.0 + zeta * za * (2.0 / 3.0));
        za = za + za;
        a.phi = std::sqrt(za) * rfn13;
        if (parametersOnly)
            return a;
        CComplex sumb = 0;
        for (int k = 0; k < kmax; ++k)
            sumb += p[k] * kBSeries[k];
        CComplex asum = 0;
        CComplex bsum = sumb;
        const double btol = m.tol * std::abs(bsum);
        double pp = 1;
        bool aDone = false;
        bool bDone = false;
        if (rfnu2 >= m.tol) {
            for (int is = 1; is < 7; ++is) {
                pp *= rfnu2;
                if (!aDone) {
                    CComplex s = 0;
                    for (int k = 0; k < kmax; ++k)
                        s += p[k] * kASeries[(is - 1) * 30 + k];
                    asum += s * pp;
                    if (pp < m.tol)
                        aDone = true;
                }
                if (!bDone) {
                    CComplex s = 0;
                    for (int k = 0; k < kmax; ++k)
                        s += p[k] * kBSeries[is * 30 + k];
                    bsum += s * pp;
                    if (pp < btol)
                        bDone = true;
                }
                if (aDone && bDone)
                    break;
            }
        }
        a.asum = asum + 1.0;
        a.bsum = bsum * (rfnu * rfn13);
        return a;
    }

    // Away from the turning point: ζ from (2/3)ζ^(3/2) = ln((1+w)/t) − w,
    // the branches chosen for t in the fourth quadrant.
    CComplex w = std::sqrt(w2);
    if (w.real() < 0)
        w.real(0);
    if (w.imag() < 0)
        w.imag(0);
    CComplex zc = std::log((1.0 + w) / zb);
    if (zc.imag() < 0)
        zc.imag(0);
    if (zc.imag() > kHalfPi)
        zc.imag(kHalfPi);
    if (zc.real() < 0)
        zc.real(0);
    const CComplex zth = (zc - w) * 1.5;  // ζ^(3/2)
    a.zeta1 = zc * nu;
    a.zeta2 = w * nu;
    const double azth = std::abs(zth);
    double ang = 3 * kHalfPi;
    if (!(zth.real() >= 0 && zth.imag() < 0)) {
        ang = kHalfPi;
        if (zth.real() != 0) {
            ang = std::atan(zth.imag() / zth.real());
            if (zth.real() < 0)
                ang += kPi;
        }
    }
    const double pp0 = std::pow(azth, 2.0 / 3.0);
    ang *= 2.0 / 3.0;
    CComplex zeta(pp0 * std::cos(ang), pp0 * std::sin(ang));
    if (zeta.imag() < 0)
        zeta.imag(0);
    a.arg = zeta * fn23;
    const CComplex rtzta = zth / zeta;  // ζ^(1/2)
    const CComplex za = rtzta / w;
    a.phi = std::sqrt(za + za) * rfn13;
    if (parametersOnly)
        return a;

    // Olver's A_k and B_k from the Debye polynomials u_k(1/w).
    const CComplex tfn = rfnu / w;
    const CComplex rzth = rfnu / zth;
    const CComplex zcb = rzth * kLambda[1];
    const CComplex t2 = 1.0 / w2;
    CComplex up[14];
    up[0] = 1;
    up[1] = (t2 * kDebye[1] + kDebye[2]) * tfn;
    CComplex bsum = up[1] + zcb;
    CComplex asum = 0;
    if (rfnu >= m.tol) {
        CComplex przth = rzth;
        CComplex ptfn = tfn;
        CComplex cr[14];
        CComplex dr[14];
        const double btol = m.tol * (std::fabs(bsum.real()) + std::fabs(bsum.imag()));
        int ks = -1;
        int kp1 = 1;
        int l = 2;
        bool aDone = false;
        bool bDone = false;
        double pp = 1;
        for (int lr = 2; lr <= 12; lr += 2) {
            const int lrp1 = lr + 1;
            for (int k = lr; k <= lrp1; ++k) {
                ++ks;
                ++kp1;
                ++l;
                CComplex poly = kDebye[l];
                for (int j = 1; j <= kp1; ++j) {
                    ++l;
                    poly = poly * t2 + kDebye[l];
                }
                ptfn *= tfn;
                up[kp1] = ptfn * poly;
                cr[ks] = przth * kMu[ks + 1];
                przth *= rzth;
                dr[ks] = przth * kLambda[ks + 2];
            }
            pp *= rfnu2;
            if (!aDone) {
                CComplex suma = up[lr];
                int ju = lr;
                for (int jr = 0; jr < lr; ++jr) {
                    --ju;
                    suma += cr[jr] * up[ju];
                }
                asum += suma;
                if (pp < m.tol && std::abs(suma) < m.tol)
                    aDone = true;
            }
            if (!bDone) {
                CComplex s;
                // B term: u_{lr+1}, then u_{lr}·λ-term and the rest.
                s = up[lr + 1] + up[lr] * zcb;
                int ju = lr;
                for (int jr = 0; jr < lr; ++jr) {
                    --ju;
                    s += dr[jr] * up[ju];
                }
                bsum += s;
                if (pp < btol && std::abs(s) < btol)
                    bDone = true;
            }
            if (aDone && bDone)
                break;
        }
    }
    a.asum = asum + 1.0;
    a.bsum = -bsum * rfn13 / rtzta;
    return a;
}

int UniformOverflowTest(const CComplex& z, double nu, int ikflg, int n)
{
    const CMachine& m = Machine();
    const CComplex zr = z.real() < 0 ? -z : z;
    const bool airyForm = std::fabs(zr.imag()) > std::fabs(zr.real()) * 1.7321;
    double gnu = std::fmax(nu, 1.0);
    if (ikflg == 2)
        gnu = std::fmax(nu + n - 1, static_cast<double>(n));
    // Only the modulus of φ and the real part of the exponent matter.
    CComplex cz;
    CComplex phi;
    CComplex arg;
    if (!airyForm) {
        const CDebye d = DebyeExpansion(zr, gnu, ikflg, true);
        cz = -d.zeta1 + d.zeta2;
        phi = d.phi;
    } else {
        CComplex zn(zr.imag(), -zr.real());
        if (!(z.imag() > 0))
            zn.real(-zn.real());
        const CAiryExpansion a = AiryExpansion(zn, gnu, true);
        cz = -a.zeta1 + a.zeta2;
        phi = a.phi;
        arg = a.arg;
    }
    if (ikflg == 2)
        cz = -cz;
    const double aphi = std::abs(phi);
    double rcz = cz.real();
    auto refine = [&](double x) {
        x += std::log(aphi);
        if (airyForm)
            x -= 0.25 * std::log(std::abs(arg)) + kLogTwoSqrtPi;
        return x;
    };
    if (rcz > m.elim)
        return -1;
    if (rcz >= m.alim) {
        rcz = refine(rcz);
        return rcz > m.elim ? -1 : 0;
    }
    if (rcz < -m.elim)
        return n;
    if (rcz > -m.alim)
        return 0;
    rcz = refine(rcz);
    if (rcz <= -m.elim)
        return n;
    // Close to the underflow limit: form the leading term and look at it.
    CComplex lead = cz + std::log(phi);
    if (airyForm)
        lead -= 0.25 * std::log(arg) + kLogTwoSqrtPi;
    const CComplex value = std::exp(rcz) / m.tol * std::polar(1.0, lead.imag());
    return Underflowed(value, m.ascle) ? n : 0;
}

}  // namespace NBessel
