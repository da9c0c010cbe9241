#pragma once
// The Gamma function and its logarithm, real and complex (Lanczos form with
// exact tables for integer arguments and reflection left of re = 0). These
// compute values only; the pole checks and the overflow report belong to
// the Gamma and factorial operations of the expression tree.

#include "numeric/complex.h"

double Gamma(double x);
// ln|Γ(x)|; NaN at the poles, and where Γ(x) < 0 unless allowNegative.
double LogGamma(double x, bool allowNegative);

// A complex argument with imaginary part 0 takes the real path.
CComplex Gamma(const CComplex& z);
// The analytic log-Gamma: its imaginary part is not reduced to (−π, π].
CComplex LogGamma(const CComplex& z);
