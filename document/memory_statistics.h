#pragma once
// Descriptive statistics over memory cell values, in complex arithmetic:
// powers of deviations are complex powers, so real data give the usual real
// statistics.

#include <array>
#include <span>
#include <string>

#include "numeric/complex.h"

struct CStatistic {
    CComplex value;
    bool valid = true;
};

enum EStatistic { eMean, eVariance, eStandardDeviation, eAverageDeviation, eSkewness, eKurtosis, eStatisticCount };

// Mean, sample variance (corrected two-pass formula), its principal square
// root, average absolute deviation, skewness and excess kurtosis of at least
// two values. Skewness and kurtosis are invalid when the variance is 0.
std::array<CStatistic, eStatisticCount> MemoryStatistics(std::span<const CComplex> values);

// The text a statistics box shows: "Cannot be calculated", the formatted
// value, "Undefined" (a NaN part) or "Overflow: too big number".
std::u16string StatisticText(const CStatistic& statistic);
