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

CComplex CalcAbs(const CComplex& z);
CComplex CalcSign(const CComplex& z);
CComplex CalcNegate(const CComplex& z);
CComplex CalcConj(const CComplex& z);
CComplex CalcRe(const CComplex& z);
CComplex CalcIm(const CComplex& z);
CComplex CalcArg(const CComplex& z);
CComplex CalcFloor(const CComplex& z);
CComplex CalcCeil(const CComplex& z);
