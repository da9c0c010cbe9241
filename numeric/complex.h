#pragma once
// The value type of the calculator and the primitive complex operations.
// The four arithmetic operations carry the status checks of a calculation;
// the primitives are written over the checked real functions of realmath.h
// so that their domain, overflow and underflow conditions reach the log.

#include <complex>

using CComplex = std::complex<double>;

// π, the double nearest to it.
inline constexpr double kPi = 3.141592653589793;

// Constants derived once from the IEEE double format.
struct CMachineConstants {
    double largest;            // largest finite double
    double lnLargest;          // ln(largest)
    double lnRootLargest;      // ln(sqrt(largest))
    double rootLargest;        // sqrt(largest)
    double rootSmallestDenormal;  // sqrt(smallest positive denormal)
    double epsilon;            // 2^-52
    double halfEpsilon;        // 2^-53
    int seriesLength;          // trunc(1 - ln(2^-53) * 0.4343)
};

const CMachineConstants& MachineConstants();

bool IsFinite(const CComplex& z);
bool IsZero(const CComplex& z);
// True when z is not the real number x (z.re != x or z.im != 0).
bool DiffersFrom(const CComplex& z, double x);

// The plain formulas of the four operations, without any check. The checked
// operations below and the fast evaluation of a series term
// (language/fast_term.h) both compute with these, so that their values agree
// to the bit.
inline CComplex PlainSum(const CComplex& a, const CComplex& b)
{
    return {a.real() + b.real(), a.imag() + b.imag()};
}
inline CComplex PlainDifference(const CComplex& a, const CComplex& b)
{
    return {a.real() - b.real(), a.imag() - b.imag()};
}
inline CComplex PlainProduct(const CComplex& a, const CComplex& b)
{
    return {a.real() * b.real() - a.imag() * b.imag(), a.imag() * b.real() + a.real() * b.imag()};
}

// Checked arithmetic: an infinite or NaN part reports Overflow (value 0);
// a product or quotient that vanished from non-zero operands reports
// Underflow; division by 0 reports a singularity and forms no quotient.
CComplex Add(const CComplex& a, const CComplex& b);
CComplex Subtract(const CComplex& a, const CComplex& b);
CComplex Multiply(const CComplex& a, const CComplex& b);
CComplex Divide(const CComplex& a, const CComplex& b);

// Smith's division without any status check.
CComplex SmithDivide(const CComplex& a, const CComplex& b);
// x ÷ z by Smith's method, unchecked.
CComplex Reciprocal(double x, const CComplex& z);

double Magnitude(const CComplex& z);
// atan2(im, re) with an imaginary part of -0 taken as +0.
double Argument(const CComplex& z);
CComplex Ln(const CComplex& z);
CComplex Lg(const CComplex& z);
CComplex Exp(const CComplex& z);
CComplex Sqrt(const CComplex& z);
CComplex Sin(const CComplex& z);
CComplex Cos(const CComplex& z);
CComplex Sinh(const CComplex& z);
CComplex Cosh(const CComplex& z);
