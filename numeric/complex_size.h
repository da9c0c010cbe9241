#pragma once
// The size |z| the integrals, derivatives and roots measure their values,
// masses and errors in: on a real path the values mostly are real, and
// elsewhere the plain formula is exact enough for masses and estimates; the
// library's hypot, careful to the last bit and about overflow, only where
// the squares would leave the range. Whatever compares with these numbers
// bit for bit (the epsilon table's oracle) uses the same function.

#include <cmath>

#include "numeric/complex.h"

namespace NComplexSize {

// (The rare hypot out of line, so that the common cases inline into the
// loops over grids and nodes.)
double Hypot(double x, double y);

inline double Abs(const CComplex& z)
{
    const double x = std::fabs(z.real());
    const double y = std::fabs(z.imag());
    if (y == 0)
        return x;
    if (x == 0)
        return y;
    if (x < 1e150 && y < 1e150 && x > 1e-150 && y > 1e-150)
        return std::sqrt(x * x + y * y);
    return Hypot(x, y);
}

inline bool Finite(const CComplex& z)
{
    return std::isfinite(z.real()) && std::isfinite(z.imag());
}

}  // namespace NComplexSize
