#pragma once
// The elementary functions of the calculator on complex values. Each one
// runs under the operation kind its caller has set (see COperationScope),
// makes its checks before and after the computation and reports every
// problem through ReportStatus; the caller reads the run state's continue
// flag afterwards. Circular functions convert their argument from the
// current trigonometric units, inverse circular functions convert their
// result back.

#include <cmath>

#include "numeric/complex.h"

// If the continue flag is still set and a part of value is not finite,
// reports Overflow with value 0.
void CheckResultOverflow(const CComplex& value);

// Argument into radians / result out of radians by the run state's units,
// with the checked multiplication and division.
CComplex ToRadians(const CComplex& z);
CComplex FromRadians(const CComplex& z);

CComplex CalcSin(const CComplex& z);
CComplex CalcCos(const CComplex& z);
CComplex CalcTg(const CComplex& z);
CComplex CalcCtg(const CComplex& z);
CComplex CalcSec(const CComplex& z);
CComplex CalcCosec(const CComplex& z);
CComplex CalcArcSin(const CComplex& z);
CComplex CalcArcCos(const CComplex& z);
CComplex CalcArcTg(const CComplex& z);
// The principal arctangent of z (not ±i) in radians, as CalcArcTg computes
// it, without its checks: for a real z it reports nothing and is finite.
CComplex PrincipalArctangent(const CComplex& z);
CComplex CalcArcCtg(const CComplex& z);
CComplex CalcArcSec(const CComplex& z);
CComplex CalcArcCosec(const CComplex& z);

CComplex CalcSh(const CComplex& z);
CComplex CalcCh(const CComplex& z);
CComplex CalcTh(const CComplex& z);
CComplex CalcCth(const CComplex& z);
CComplex CalcSech(const CComplex& z);
CComplex CalcCsch(const CComplex& z);
CComplex CalcArSh(const CComplex& z);
CComplex CalcArCh(const CComplex& z);
CComplex CalcArTh(const CComplex& z);
CComplex CalcArCth(const CComplex& z);
CComplex CalcArSch(const CComplex& z);
CComplex CalcArCsch(const CComplex& z);

CComplex CalcExp(const CComplex& z);
CComplex CalcLn(const CComplex& z);
CComplex CalcLg(const CComplex& z);
CComplex CalcPower(const CComplex& a, const CComplex& b);
// A real base to a whole exponent k (|k| < 2^31), unchecked: the square as
// one correctly rounded product, any other exponent by the library's power.
// CalcPower takes real bases to whole exponents with this.
inline double RealIntegerPower(double x, double k)
{
    return k == 2 ? x * x : std::pow(x, k);
}
CComplex CalcSqrt(const CComplex& z);

// The sign of cos x (cosine) or of sin x, where it is clear without either:
// for |x| < 2^20, u = x · 2/π is within 2^-32 of its exact value and its
// remainder modulo 4 is exact, so when that remainder lies farther than
// 2^-20 from the points where the function changes its sign (1 and 3 for
// the cosine, 0 and 2 for the sine) the exact function has the sign seen
// there, and is not zero. The library's sin and cos are within an ulp of
// the exact values, so their results have that sign too. False when it is
// not clear. (The sign of a zero imaginary part of sin or cos of a real
// argument follows from it, without the other function.)
inline bool ClearCircularSign(double x, bool cosine, bool& positive)
{
    constexpr double kTwoOverPi = 0.6366197723675814;
    constexpr double kMargin = 1.0 / 1048576;  // 2^-20
    if (!(std::fabs(x) < 1048576.0))
        return false;
    const double u = x * kTwoOverPi;
    // The floor of u / 4 through a whole number, which holds it exactly.
    const double q = u / 4;
    double whole = static_cast<double>(static_cast<long long>(q));
    if (whole > q)
        whole -= 1;
    const double g = u - 4 * whole;  // in [0, 4)
    if (cosine) {
        if (std::fabs(g - 1) < kMargin || std::fabs(g - 3) < kMargin)
            return false;
        positive = g < 1 || g > 3;
    } else {
        if (g < kMargin || g > 4 - kMargin || std::fabs(g - 2) < kMargin)
            return false;
        positive = g < 2;
    }
    return true;
}

CComplex CalcAbs(const CComplex& z);
CComplex CalcSign(const CComplex& z);
CComplex CalcNegate(const CComplex& z);
CComplex CalcConj(const CComplex& z);
CComplex CalcRe(const CComplex& z);
CComplex CalcIm(const CComplex& z);
CComplex CalcArg(const CComplex& z);
CComplex CalcFloor(const CComplex& z);
CComplex CalcCeil(const CComplex& z);
