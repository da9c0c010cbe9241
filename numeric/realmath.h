#pragma once
// Real elementary functions for the numeric core. Each computes the C
// library's value and reports the conditions a math-error hook would see:
//   domain       (eDomain, first argument)
//   singularity  (eSingularity, first argument)
//   overflow     (eOverflow, returned value)
//   underflow    (eUnderflow, returned value)
//   total loss   (eTotalLoss, returned value)
// under the current operation kind of the run state. See realmath.cpp for
// which function reports which condition.

namespace NRealMath {

// Sin, Cos and Tan report a total loss of precision for arguments of this
// magnitude and beyond (2^63): the spacing of such doubles exceeds the
// period.
inline constexpr double kTotalLossLimit = 9223372036854775808.0;

double Exp(double x);
double Log(double x);
double Log10(double x);
double Pow(double x, double y);
double Sqrt(double x);
double Sin(double x);
double Cos(double x);
double Tan(double x);
double Sinh(double x);
double Cosh(double x);
double Atan(double x);
double Atan2(double y, double x);
double Asin(double x);
double Acos(double x);
double Hypot(double x, double y);

}  // namespace NRealMath
