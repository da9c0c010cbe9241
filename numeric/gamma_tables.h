#pragma once
// Exact tables for integer arguments of Γ and ln Γ, the Taylor coefficients
// of ln Γ about its zero 2, and atan(j/8) in double-double.

inline constexpr int kFactorialCount = 171;     // 0! to 170!
inline constexpr int kLogFactorialCount = 329;  // ln Γ(1) to ln Γ(329)
inline constexpr int kLogGammaSeriesTerms = 40;

extern const double kFactorialTable[kFactorialCount];
extern const double kLogFactorialTable[kLogFactorialCount];
// ln Γ(2 + e) = Σ_{k≥1} kLogGammaAtTwo[k−1]·e^k for |e| < 2.
extern const double kLogGammaAtTwo[kLogGammaSeriesTerms];
// {high, low} parts of atan(j/8), j = 0 to 8.
extern const double kArcTanEighths[9][2];
