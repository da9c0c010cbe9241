#include "document/memory_statistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/fresh_state.h"
#include "support/log_recorder.h"

namespace {

std::array<CStatistic, eStatisticCount> Compute(std::vector<CComplex> values)
{
    return MemoryStatistics(values);
}

TEST(MemoryStatistics, RealSampleGivesTheUsualStatistics)
{
    const auto s = Compute({1, 2, 3, 4});
    EXPECT_EQ(s[eMean].value, CComplex(2.5, 0));
    EXPECT_DOUBLE_EQ(s[eVariance].value.real(), 5.0 / 3);
    EXPECT_EQ(s[eVariance].value.imag(), 0);
    EXPECT_DOUBLE_EQ(s[eStandardDeviation].value.real(), std::sqrt(5.0 / 3));
    EXPECT_EQ(s[eAverageDeviation].value, CComplex(1, 0));
    EXPECT_EQ(s[eSkewness].value, CComplex(0, 0));
    EXPECT_NEAR(s[eKurtosis].value.real(), -2.0775, 1e-14);
    for (const CStatistic& statistic : s)
        EXPECT_TRUE(statistic.valid);
}

TEST(MemoryStatistics, ZeroVarianceInvalidatesSkewnessAndKurtosisOnly)
{
    CLogRecorder defaults;
    const auto s = Compute({7, 7});
    EXPECT_EQ(StatisticText(s[eMean]), u"7");
    EXPECT_EQ(StatisticText(s[eVariance]), u"0");
    EXPECT_EQ(StatisticText(s[eStandardDeviation]), u"0");
    EXPECT_EQ(StatisticText(s[eAverageDeviation]), u"0");
    EXPECT_EQ(StatisticText(s[eSkewness]), u"Cannot be calculated");
    EXPECT_EQ(StatisticText(s[eKurtosis]), u"Cannot be calculated");
}

TEST(MemoryStatistics, ComplexValuesUseComplexPowers)
{
    CLogRecorder defaults;
    const auto s = Compute({CComplex(0, 1), CComplex(0, -1)});
    EXPECT_EQ(StatisticText(s[eMean]), u"0");
    EXPECT_EQ(s[eVariance].value, CComplex(-2, 0));
    EXPECT_EQ(StatisticText(s[eStandardDeviation]), u"i\u00D71.4142135623730951");
    EXPECT_EQ(s[eAverageDeviation].value, CComplex(1, 0));
}

TEST(MemoryStatistics, OverflowAndUndefinedAreShownPerStatistic)
{
    const CFreshState fresh;
    CLogRecorder defaults;
    // Squares of the deviations overflow; the mean and the average deviation
    // are still representable.
    const auto s = Compute({1e300, -1e300});
    EXPECT_EQ(StatisticText(s[eMean]), u"0");
    EXPECT_EQ(StatisticText(s[eAverageDeviation]), u"1.0000000000000001e+300");
    EXPECT_EQ(StatisticText(s[eVariance]), u"Overflow: too big number");
    EXPECT_EQ(StatisticText(s[eStandardDeviation]), u"Overflow: too big number");
    EXPECT_EQ(StatisticText(s[eSkewness]), u"Undefined");

    Preferences().Set(EPreference::NotationCase, 1);
    Preferences().Set(EPreference::FormatI, 1);
    const auto upper = Compute({CComplex(0, 1e-30), CComplex(0, -1e-30)});
    EXPECT_EQ(StatisticText(upper[eAverageDeviation]), u"1.0000000000000001E-030");
    EXPECT_EQ(StatisticText(upper[eStandardDeviation]), u"j\u00D71.4142135623730951E-030");
}

}  // namespace
