#pragma once
// Bessel functions J, Y, I and K of a real order and a complex argument.

#include "numeric/complex.h"

enum class EBesselKind { J, Y, I, K };

struct CBesselResult {
    CComplex value;
    // 0 normal, 1 input error, 2 overflow, 3 partial loss of precision,
    // 4 total loss of precision, 5 no convergence, 6 underflow.
    int indicator = 0;
};

// Any real order (negative orders by the reflection formulas); the value is
// cleaned on the real axis.
CBesselResult ComputeBessel(EBesselKind kind, double order, const CComplex& z);

// Turns an indicator into its status report, with value as the status value.
void ReportBesselIndicator(int indicator, const CComplex& value);
