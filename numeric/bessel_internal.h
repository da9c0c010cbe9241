#pragma once
// Building blocks of the Bessel functions of a complex argument (Amos'
// algorithm): machine parameters, the I function by power series, Miller
// recurrence, Wronskian and asymptotic expansions, the K function in the
// right half-plane with its continuation to the left, the uniform
// asymptotic expansions for large orders with the Airy functions they need,
// and the over- and underflow pre-tests. Each routine returns an underflow
// count (members set to 0), or −1 for overflow and −2 when an iteration did
// not converge. Values are unscaled unless a routine says otherwise.

#include "numeric/complex.h"
#include "numeric/double_double.h"

namespace NBessel {

struct CMachine {
    double tol;        // relative accuracy, max(2^-52, 1e-18)
    double r1m5;       // log10 2
    double elim;       // exponent limit of exp
    double alim;       // elim less the digits of accuracy: scaling starts here
    double dig;        // decimal digits
    double rl;         // lower limit of |z| for the large-argument expansion
    double fnul;       // lower limit of the order for the uniform expansion
    double tiny;       // smallest normal double
    double huge;       // largest double
    double ufl;        // 1000 · tiny, the underflow limit
    double ascle;      // ufl / tol, the on-scale limit
    double aa;         // 2^51: beyond it every digit is lost
    double sqrtaa;     // sqrt(2^51): beyond it half the digits are lost
};

const CMachine& Machine();

constexpr double kHalfPi = 1.57079632679489662;
constexpr int kNoConvergence = -2;

// True when y underflowed while being formed from a scaled value: its
// smaller part is below ascle and the larger one does not carry it.
bool Underflowed(const CComplex& y, double ascle);

// ln Γ(x) for x > 0.
double LogGammaPositive(double x);

// Multiplies y by c, scaling small values up first so that no digits are
// lost to gradual underflow.
CComplex MultiplyScaled(const CComplex& y, const CComplex& c);

// e^(iπν·sign) with the order reduced exactly, so that integers and
// half-integers give exact values.
CComplex ExpIPiNu(double nu, double sign);
// e^(i(π/2)ν·sign), the same way.
CComplex ExpIHalfPiNu(double nu, double sign);

// arg z in (−π, π] in double-double.
NDoubleDouble::CDD Argument(const CComplex& z);
// (z/2)^a for z != 0 and real a (|a| up to a few thousand) as
// mantissa · 2^exponent, with arg z given in double-double: the modulus
// from |z|² in double-double raised by pow on a mantissa and exp2 on the
// binary exponent, a few ulps where e^(a·ln|z/2|) loses |a·ln|z/2||·1e-16;
// the phase a·arg likewise reduced in double-double.
CComplex HalfPower(const CComplex& z, double a, const NDoubleDouble::CDD& arg, int& exponent);

// Γ(ν+1) for ν > 0 not an integer, to a few ulps for ν up to 170.
double GammaOfNext(double nu);
// I_ν(z) by its power series; −1 when the series underflowed but |z| is
// too large for the series.
int SeriesI(const CComplex& z, double nu, CComplex& y);
// I_ν(z) by Miller's backward recurrence normalised with the Neumann sum.
int MillerI(const CComplex& z, double nu, CComplex& y);
// I_ν(z) for large |z| by the asymptotic expansion; expScaled gives
// e^(−|Re z|)·I_ν(z).
int AsymptoticI(const CComplex& z, double nu, CComplex& y, bool expScaled = false);
// I_{ν+1}(z)/I_ν(z) by backward recurrence.
CComplex RatioI(const CComplex& z, double nu);
// I_ν(z) from the ratio and the Wronskian with K_ν and K_{ν+1}.
int WronskianI(const CComplex& z, double nu, CComplex& y);
// I_ν(z) for Re z >= 0, choosing among the methods above and the uniform
// expansions.
int ComputeI(const CComplex& z, double nu, CComplex& y);

// K_ν(z) (n = 1) or K_ν, K_{ν+1} (n = 2) for Re z >= 0: Temme's series for
// |z| <= 2, Miller's algorithm for the confluent hypergeometric function
// beyond, then forward recurrence in the order. expScaled: e^z·K instead.
int KRightHalf(const CComplex& z, double nu, int n, CComplex* y, bool expScaled = false);
// K_ν(z) for Re z < 0 by continuation from −z: mr = +1 for Im z >= 0,
// −1 below the axis.
int ContinueK(const CComplex& z, double nu, int mr, CComplex& y);

// Over- and underflow test on the leading term of the uniform expansion:
// ikflg 1 for I_ν, 2 for K_ν (and K_{ν+n−1}). Returns 0 on scale,
// n when the function underflows, −1 on overflow.
int UniformOverflowTest(const CComplex& z, double nu, int ikflg, int n);

// Debye-type uniform expansion for |arg z| <= π/3 (ikflg 1 for I, 2 for K):
// ζ1, ζ2 with I ≈ φ·e^(ζ2−ζ1)·sum and K ≈ φ·e^(ζ1−ζ2)·sum.
struct CDebye {
    CComplex phi, zeta1, zeta2, sum;
};
// parametersOnly skips the sum.
CDebye DebyeExpansion(const CComplex& z, double nu, int ikflg, bool parametersOnly);

// Airy-type uniform expansion of J_ν(z):
// J_ν ≈ φ·(Ai(arg)·asum + Ai'(arg)·bsum), and (2/3)·ν·ζ^(3/2) = ζ1 − ζ2.
struct CAiryExpansion {
    CComplex phi, arg, zeta1, zeta2, asum, bsum;
};
CAiryExpansion AiryExpansion(const CComplex& z, double nu, bool parametersOnly);

// Ai(z) (derivative false) or Ai'(z), multiplied by e^((2/3)z^(3/2)) when
// scaled. Returns 0, or an error indicator of the entry routines.
int Airy(const CComplex& z, bool derivative, bool scaled, CComplex& value);

// I_ν(z) for large orders by the uniform expansions; needOther is set when
// the expansion at the shifted order underflowed and the caller must use
// another method.
int UniformI(const CComplex& z, double nu, CComplex& y, bool& needOther);
// K_ν(z) for large orders by the uniform expansions; mr as ContinueK, 0 in
// the right half-plane.
int UniformK(const CComplex& z, double nu, int mr, CComplex& y);

// The entry routines for one member without scaling: the value, the
// underflow count and the error indicator 0 to 5.
struct CRoutineResult {
    CComplex value;
    int nz = 0;
    int ierr = 0;
};
CRoutineResult BesselI(const CComplex& z, double nu);
CRoutineResult BesselJ(const CComplex& z, double nu);
CRoutineResult BesselK(const CComplex& z, double nu);
// The Hankel function H^(kind)_ν(z), kind 1 or 2.
CRoutineResult Hankel(const CComplex& z, double nu, int kind);
CRoutineResult BesselY(const CComplex& z, double nu);

}  // namespace NBessel
