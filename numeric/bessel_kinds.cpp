// The entry routines for J, I, K, the Hankel functions and Y of a complex
// argument and a non-negative order: range checks, the rotations that
// reduce J and the Hankel functions to I and K of an argument in the right
// half-plane, and the error indicators.

#include <cmath>

#include "numeric/bessel_internal.h"
#include "numeric/gamma.h"
#include "numeric/gamma_tables.h"

namespace NBessel {

namespace {

enum { eNormal = 0, eInput = 1, eOverflowed = 2, ePartial = 3, eTotal = 4, eNoConverge = 5 };

// Input and range checks common to all entries; true when the caller may go
// on (with r.ierr 0 or 3).
bool CheckRange(const CComplex& z, double nu, CRoutineResult& r)
{
    const CMachine& m = Machine();
    r = CRoutineResult{};
    if (std::isnan(nu) || std::isnan(z.real()) || std::isnan(z.imag()) || nu < 0) {
        r.ierr = eInput;
        return false;
    }
    const double az = std::abs(z);
    if (az > m.aa || nu > m.aa) {
        r.ierr = eTotal;
        return false;
    }
    if (az > m.sqrtaa || nu > m.sqrtaa)
        r.ierr = ePartial;
    return true;
}

// Turns a negative routine status into the indicator.
void Fail(CRoutineResult& r, int nw)
{
    r.value = 0;
    r.nz = 0;
    r.ierr = nw == kNoConvergence ? eNoConverge : eOverflowed;
}

// K_ν(z) for ½ < ν and |z| below the underflow scale, where the published
// routine reports overflow for every order. There K_ν(z) = ½Γ(ν)(z/2)^(−ν)
// to a relative 1e-300 (DLMF 10.30.2; the other terms of DLMF 10.27.4 and
// 10.31.1 are smaller by |z/2|^(2ν) or |z|² ln|z|), which is a finite value
// for orders near 1 down to |z| = 5.6e-309 and overflows beyond. The
// left half-plane has the same leading term with arg z taken on the side
// mr of the continuation. Orders up to ½ go the published way: their
// formulas stay finite there (K_0 is −ln(z/2) − γ).
bool TinyK(const CComplex& z, double nu, bool leftHalf, int mr, CRoutineResult& r)
{
    if (nu >= kFactorialCount) {
        Fail(r, -1);
        return false;
    }
    int exponent;
    CComplex power;
    if (leftHalf && z.imag() == 0) {
        // On the negative axis the phase e^(−iπν·mr) is exact.
        power = HalfPower(z, -nu, NDoubleDouble::CDD{}, exponent) * ExpIPiNu(nu, -mr);
    } else {
        using NDoubleDouble::kPiDD;
        const NDoubleDouble::CDD arg =
            leftHalf ? Argument(-z) + (mr > 0 ? kPiDD : -kPiDD) : Argument(z);
        power = HalfPower(z, -nu, arg, exponent);
    }
    power *= 0.5 * Gamma(nu);
    r.value = {std::ldexp(power.real(), exponent), std::ldexp(power.imag(), exponent)};
    if (!IsFinite(r.value)) {
        Fail(r, -1);
        return false;
    }
    r.nz = 0;
    return true;
}

// K_ν(z) for any z ≠ 0 with the order tests of the K and Hankel entries;
// continuation side mr for the left half-plane. Returns false on failure.
bool ComputeK(const CComplex& z, double nu, bool leftHalf, int mr, CRoutineResult& r)
{
    const CMachine& m = Machine();
    const double az = std::abs(z);
    if (az < m.ufl && nu > 0.5)
        return TinyK(z, nu, leftHalf, mr, r);
    if (nu > m.fnul) {
        const int nw = UniformK(z, nu, leftHalf ? mr : 0, r.value);
        if (nw < 0) {
            Fail(r, nw);
            return false;
        }
        r.nz = nw;
        return true;
    }
    if (nu > 1) {
        if (nu > 2) {
            const int nuf = UniformOverflowTest(z, nu, 2, 1);
            if (nuf < 0) {
                Fail(r, -1);
                return false;
            }
            if (nuf > 0) {
                // Underflow on the right is overflow after continuation.
                if (leftHalf) {
                    Fail(r, -1);
                    return false;
                }
                r.value = 0;
                r.nz = nuf;
                return true;
            }
        } else if (az <= m.tol) {
            if (-nu * std::log(0.5 * az) > m.elim) {
                Fail(r, -1);
                return false;
            }
        }
    }
    int nw;
    if (!leftHalf)
        nw = KRightHalf(z, nu, 1, &r.value);
    else
        nw = ContinueK(z, nu, mr, r.value);
    if (nw < 0) {
        Fail(r, nw);
        return false;
    }
    r.nz = nw;
    return true;
}

}  // namespace

CRoutineResult BesselI(const CComplex& z, double nu)
{
    CRoutineResult r;
    if (!CheckRange(z, nu, r))
        return r;
    CComplex zn = z;
    CComplex csgn = 1;
    if (z.real() < 0) {
        // I_ν(−w) = e^(±iπν) I_ν(w).
        zn = -z;
        csgn = ExpIPiNu(nu, z.imag() < 0 ? -1 : 1);
    }
    const int nz = ComputeI(zn, nu, r.value);
    if (nz < 0) {
        Fail(r, nz);
        return r;
    }
    r.nz = nz;
    if (nz == 0 && z.real() < 0)
        r.value = MultiplyScaled(r.value, csgn);
    return r;
}

CRoutineResult BesselJ(const CComplex& z, double nu)
{
    CRoutineResult r;
    if (!CheckRange(z, nu, r))
        return r;
    // J_ν(z) = e^(iπν/2) I_ν(−iz) above the real axis, e^(−iπν/2) I_ν(iz)
    // below.
    CComplex zn(z.imag(), -z.real());
    CComplex csgn = ExpIHalfPiNu(nu, 1);
    if (z.imag() < 0) {
        zn = -zn;
        csgn = std::conj(csgn);
    }
    const int nz = ComputeI(zn, nu, r.value);
    if (nz < 0) {
        Fail(r, nz);
        return r;
    }
    r.nz = nz;
    if (nz == 0)
        r.value = MultiplyScaled(r.value, csgn);
    return r;
}

CRoutineResult BesselK(const CComplex& z, double nu)
{
    CRoutineResult r;
    if (!CheckRange(z, nu, r))
        return r;
    if (z == CComplex(0)) {
        r.ierr = eInput;
        return r;
    }
    const int ierr = r.ierr;
    if (!ComputeK(z, nu, z.real() < 0, z.imag() < 0 ? -1 : 1, r))
        return r;
    r.ierr = ierr;
    return r;
}

CRoutineResult Hankel(const CComplex& z, double nu, int kind)
{
    CRoutineResult r;
    if (!CheckRange(z, nu, r))
        return r;
    if (z == CComplex(0) || (kind != 1 && kind != 2)) {
        r = CRoutineResult{};
        r.ierr = eInput;
        return r;
    }
    const int ierr = r.ierr;
    // H^(m)_ν(z) = −fm·(i/(π/2))·e^(−fm·iπν/2)·K_ν(zn), zn = −fm·i·z,
    // fm = 3 − 2m.
    const double fm = kind == 1 ? 1 : -1;
    const CComplex zn(fm * z.imag(), -fm * z.real());
    const bool leftHalf = zn.real() < 0 || (zn.real() == 0 && zn.imag() < 0 && kind == 2);
    const int mr = -static_cast<int>(fm);
    if (!ComputeK(zn, nu, leftHalf, mr, r))
        return r;
    r.ierr = ierr;
    const CComplex factor = CComplex(0, -fm / kHalfPi) * ExpIHalfPiNu(nu, -fm);
    r.value = MultiplyScaled(r.value, factor);
    return r;
}

CRoutineResult BesselY(const CComplex& z, double nu)
{
    CRoutineResult r;
    if (!CheckRange(z, nu, r))
        return r;
    if (z == CComplex(0)) {
        r.ierr = eInput;
        return r;
    }
    const CRoutineResult h1 = Hankel(z, nu, 1);
    if (h1.ierr != eNormal && h1.ierr != ePartial)
        return CRoutineResult{0, 0, h1.ierr};
    const CRoutineResult h2 = Hankel(z, nu, 2);
    if (h2.ierr != eNormal && h2.ierr != ePartial)
        return CRoutineResult{0, 0, h2.ierr};
    r.value = CComplex(0, 0.5) * (h2.value - h1.value);
    r.nz = std::min(h1.nz, h2.nz);
    r.ierr = h2.ierr;
    return r;
}

}  // namespace NBessel
