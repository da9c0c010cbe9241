#include "document/memory_statistics.h"

#include <cmath>

#include "document/number_format.h"

namespace {

// The plain product formula, without the library's infinity recovery.
CComplex Product(const CComplex& a, const CComplex& b)
{
    return {a.real() * b.real() - a.imag() * b.imag(), a.imag() * b.real() + a.real() * b.imag()};
}

}  // namespace

std::array<CStatistic, eStatisticCount> MemoryStatistics(std::span<const CComplex> values)
{
    std::array<CStatistic, eStatisticCount> result{};
    const double n = static_cast<double>(values.size());

    double sumRe = 0;
    double sumIm = 0;
    for (const CComplex& z : values) {
        sumRe += z.real();
        sumIm += z.imag();
    }
    const CComplex mean(sumRe / n, sumIm / n);

    CComplex s1, s2, s3, s4;
    double absoluteSum = 0;
    for (const CComplex& z : values) {
        const CComplex d(z.real() - mean.real(), z.imag() - mean.imag());
        const CComplex d2 = Product(d, d);
        const CComplex d3 = Product(d2, d);
        s1 += d;
        s2 += d2;
        s3 += d3;
        s4 += Product(d3, d);
        absoluteSum += Magnitude(d);
    }

    const CComplex s1Squared = Product(s1, s1);
    const CComplex variance((s2.real() - s1Squared.real() / n) / (n - 1), (s2.imag() - s1Squared.imag() / n) / (n - 1));
    const CComplex deviation = std::sqrt(variance);

    result[eMean].value = mean;
    result[eVariance].value = variance;
    result[eStandardDeviation].value = deviation;
    result[eAverageDeviation].value = CComplex(absoluteSum / n, 0);

    if (IsZero(variance)) {
        result[eSkewness].valid = false;
        result[eKurtosis].valid = false;
        return result;
    }
    const CComplex nVariance(n * variance.real(), n * variance.imag());
    result[eSkewness].value = SmithDivide(s3, Product(nVariance, deviation));
    CComplex kurtosis = SmithDivide(s4, Product(nVariance, variance));
    kurtosis.real(kurtosis.real() - 3);
    result[eKurtosis].value = kurtosis;
    return result;
}

std::u16string StatisticText(const CStatistic& statistic)
{
    const CComplex& v = statistic.value;
    if (!statistic.valid)
        return u"Cannot be calculated";
    if (IsFinite(v))
        return FormatComplex(v, GetResultFormat(), GetImaginaryUnit());
    if (std::isnan(v.real()) || std::isnan(v.imag()))
        return u"Undefined";
    return u"Overflow: too big number";
}
