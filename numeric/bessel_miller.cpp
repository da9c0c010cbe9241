// I_ν(z) by backward recurrence: Miller's algorithm normalised with the
// Neumann-type sum
//   (z/2)^f e^z / Γ(1+f) = Σ_k ε_k (f+k) Γ(2f+k) / (k! Γ(2f+1)) · I_{f+k}(z),
// f the fractional part of ν; and the ratio I_{ν+1}/I_ν by backward
// recurrence, normalised by the Wronskian I_ν K_{ν+1} + I_{ν+1} K_ν = 1/z.

#include <cmath>

#include "numeric/bessel_internal.h"
#include "numeric/double_double.h"
#include "numeric/gamma.h"

namespace NBessel {

int MillerI(const CComplex& z, double nu, CComplex& y)
{
    const CMachine& m = Machine();
    y = 0;
    const double scle = m.tiny / m.tol;
    const double az = std::abs(z);
    const double iaz = std::floor(az);
    const double ifnu = std::floor(nu);
    const double inu = ifnu;
    const double raz = 1 / az;
    const CComplex rz = 2.0 * std::conj(z) * raz * raz;

    // Starting index for the relative truncation error of the sum.
    double at = iaz + 1;
    CComplex ck = at * std::conj(z) * raz * raz;
    CComplex p1 = 0;
    CComplex p2 = 1;
    double ack = (at + 1) * raz;
    double rho = ack + std::sqrt(ack * ack - 1);
    const double rho2 = rho * rho;
    double tst = (rho2 + rho2) / ((rho2 - 1) * (rho - 1)) / m.tol;
    double ak = at;
    int i = 1;
    bool converged = false;
    for (; i <= 80; ++i) {
        const CComplex pt = p2;
        p2 = p1 - ck * pt;
        p1 = pt;
        ck += rz;
        if (std::abs(p2) > tst * ak * ak) {
            converged = true;
            break;
        }
        ak += 1;
    }
    if (!converged)
        return kNoConvergence;
    ++i;

    // Starting index for the relative truncation error of the ratios.
    int k = 0;
    if (inu >= iaz) {
        p1 = 0;
        p2 = 1;
        at = inu + 1;
        ck = at * std::conj(z) * raz * raz;
        ack = at * raz;
        tst = std::sqrt(ack / m.tol);
        bool second = false;
        converged = false;
        for (k = 1; k <= 80; ++k) {
            const CComplex pt = p2;
            p2 = p1 - ck * pt;
            p1 = pt;
            ck += rz;
            const double ap = std::abs(p2);
            if (ap < tst)
                continue;
            if (second) {
                converged = true;
                break;
            }
            ack = std::abs(ck);
            const double flam = ack + std::sqrt(ack * ack - 1);
            const double fkap = ap / std::abs(p1);
            rho = std::fmin(flam, fkap);
            tst *= std::sqrt(rho / (rho * rho - 1));
            second = true;
        }
        if (!converged)
            return kNoConvergence;
    }
    ++k;

    // Backward recurrence with the normalising sum, started scaled down so
    // that the growth towards low orders stays in range. The sum's weights
    // bk = Γ(k+2f+1)/(k! Γ(2f+1)) are carried relative to their value at
    // the start, by their ratios, and the sum is divided by the weight at
    // k = 0 at the end: then the weight of a term carries only the rounding
    // of the ratios below it, where forming the start value from ln Γ of
    // orders in the hundreds would cost its 1e-13 to every fractional order.
    const double kk = std::fmax(i + iaz, k + inu);
    double fkk = kk;
    p1 = 0;
    p2 = scle;
    const double fnf = nu - ifnu;
    const double tfnf = fnf + fnf;
    double bk = 1;
    CComplex sum = 0;
    auto step = [&] {
        const CComplex pt = p2;
        p2 = p1 + (fkk + fnf) * rz * pt;
        p1 = pt;
        const double ratio = 1 - tfnf / (fkk + tfnf);
        const double previous = bk * ratio;
        sum += (previous + bk) * p1;
        bk = previous;
        fkk -= 1;
    };
    for (double j = kk - inu; j > 0; --j)
        step();
    const CComplex value = p2;
    const CComplex above = p1;
    for (double j = ifnu; j > 0; --j)
        step();

    // The recurrence runs with the rounded rz = (2/z)(1 − ε), that is for
    // the argument z' = z(1 + ε): the value it gives is I_ν(z')·e^(z−z'),
    // off by ε·(z·I_ν' − z·I_ν) = ε·((ν − z)·I_ν + z·I_{ν+1}), to 1.5e-14
    // of the value for orders near 60 at 16 (DLMF 10.29.2 for the
    // derivative). ε comes from the residual of rz·z − 2 in double-double,
    // I_{ν+1} from the recurrence itself, in the same scale as I_ν. The
    // correction is added rather than applied as the factor
    // 1 − ε(ν − z + z·I_{ν+1}/I_ν): on the imaginary axis I_ν is J_ν, and
    // at its zeros that ratio is unbounded (NaN at a zero the recurrence
    // hits), where the added term is the value's whole first-order part.
    using namespace NDoubleDouble;
    const double residualRe =
        (TwoProduct(rz.real(), z.real()) - TwoProduct(rz.imag(), z.imag()) + (-2.0)).hi;
    const double residualIm = (TwoProduct(rz.real(), z.imag()) + TwoProduct(rz.imag(), z.real())).hi;
    const CComplex eps = -0.5 * CComplex(residualRe, residualIm);
    const CComplex corrected = value - eps * ((nu - z) * value + z * above);

    // e^z·(z'/2)^f/Γ(1+f)/(sum + p2), e^z on its own (|z| is at most a few
    // dozen here): added to the rest of the exponent its rounding, and the
    // cancellation in ln Γ(1+f), would cost 5e-15. The denominator's
    // modulus is taken apart so that it cannot overflow.
    const CComplex lead = fnf == 0 ? CComplex(1) : std::exp(-fnf * std::log(rz)) / Gamma(1 + fnf);
    p2 += sum / bk;
    const double ap = std::abs(p2);
    const CComplex cnorm = std::exp(z) * lead * (1 / ap) * std::conj(p2) * (1 / ap);
    y = corrected * cnorm;
    return 0;
}

CComplex RatioI(const CComplex& z, double nu)
{
    const CMachine& m = Machine();
    const double az = std::abs(z);
    const double idnu = std::floor(nu);
    const double magz = std::floor(az);
    const double fnup = std::fmax(magz + 1, idnu);
    double id = idnu - magz - 1;
    if (id > 0)
        id = 0;
    const double raz = 1 / az;
    const CComplex rz = 2.0 * std::conj(z) * raz * raz;

    // Forward recurrence to find where the backward recurrence must start.
    CComplex t1 = rz * fnup;
    CComplex p2 = -t1;
    CComplex p1 = 1;
    t1 += rz;
    double ap2 = std::abs(p2);
    double ap1 = 1;
    const double test1 = std::sqrt((ap2 + ap2) / (ap1 * m.tol));
    double test = test1;
    bool second = false;
    double k = 1;
    for (int guard = 0; guard < 100000; ++guard) {
        k += 1;
        ap1 = ap2;
        const CComplex pt = p2;
        p2 = p1 - t1 * pt;
        p1 = pt;
        t1 += rz;
        ap2 = std::abs(p2);
        if (ap1 <= test)
            continue;
        if (second)
            break;
        const double ak = std::abs(t1) * 0.5;
        const double flam = ak + std::sqrt(ak * ak - 1);
        const double rho = std::fmin(ap2 / ap1, flam);
        test = test1 * std::sqrt(rho / (rho * rho - 1));
        second = true;
    }

    const double kk = k + 1 - id;
    double t = kk;
    CComplex q1 = 1 / ap2;
    CComplex q2 = 0;
    for (double i = kk; i > 0; --i) {
        const CComplex pt = q1;
        q1 = pt * (rz * (nu + t)) + q2;
        q2 = pt;
        t -= 1;
    }
    if (q1 == CComplex(0))
        q1 = CComplex(m.tol, m.tol);
    return q2 / q1;
}

int WronskianI(const CComplex& z, double nu, CComplex& y)
{
    const CMachine& m = Machine();
    y = 0;
    CComplex cw[2];
    const int nw = KRightHalf(z, nu, 2, cw);
    if (nw != 0)
        return nw == kNoConvergence ? kNoConvergence : -1;
    const CComplex ratio = RatioI(z, nu);

    // K values near either end of the exponent range are scaled first.
    const double acw = std::abs(cw[1]);
    const double ascle = m.ascle;
    double scale = 1;
    if (acw <= ascle)
        scale = 1 / m.tol;
    else if (acw >= 1 / ascle)
        scale = m.tol;
    const CComplex c1 = cw[0] * scale;
    const CComplex c2 = cw[1] * scale;
    // 1/(z(r·K_ν + K_{ν+1})), the reciprocal taken through the modulus.
    const CComplex ct = z * (ratio * c1 + c2);
    const double ract = 1 / std::abs(ct);
    y = std::conj(ct) * ract * ract * scale;
    return 0;
}

}  // namespace NBessel
