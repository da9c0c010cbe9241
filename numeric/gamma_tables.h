#pragma once
// Exact tables for integer arguments of Γ and ln Γ.

inline constexpr int kFactorialCount = 171;     // 0! to 170!
inline constexpr int kLogFactorialCount = 329;  // ln Γ(1) to ln Γ(329)

extern const double kFactorialTable[kFactorialCount];
extern const double kLogFactorialTable[kLogFactorialCount];
