#include "numeric/epsilon_table.h"
#include "numeric/complex_size.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

using NComplexSize::Abs;
using NComplexSize::Finite;

// The epsilon table built whole from all the sums, column by column, up to
// the first column where two neighbours of the column before are equal: the
// limit and error the incremental table must give bit for bit.
CComplex WholeTable(const std::vector<CComplex>& sums, double& error)
{
    const std::size_t n = sums.size();
    std::vector<CComplex> previous(n + 1);
    std::vector<CComplex> current(sums);
    CComplex best = sums.back();
    error = n >= 2 ? Abs(sums[n - 1] - sums[n - 2]) : std::numeric_limits<double>::infinity();
    for (std::size_t k = 1; current.size() >= 2; ++k) {
        std::vector<CComplex> next(current.size() - 1);
        for (std::size_t j = 0; j + 1 < current.size(); ++j) {
            const CComplex d = current[j + 1] - current[j];
            if (d == CComplex(0))
                return best;
            next[j] = previous[j + 1] + 1.0 / d;
        }
        previous = current;
        current = next;
        const std::size_t m = current.size();
        if (k % 2 == 0 && m >= 3) {
            const double e = Abs(current[m - 1] - current[m - 2]) + Abs(current[m - 1] - current[m - 3]);
            if (Finite(current[m - 1]) && e < error) {
                error = e;
                best = current[m - 1];
            }
        }
    }
    return best;
}

bool SameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Adds the sums one by one and compares with the whole table after each.
void ExpectAsWholeTable(CEpsilonTable& table, const std::vector<CComplex>& sums)
{
    table.Clear();
    std::vector<CComplex> added;
    for (const CComplex& sum : sums) {
        table.Add(sum);
        added.push_back(sum);
        ASSERT_EQ(table.Size(), added.size());
        double error = 0;
        double wholeError = 0;
        const CComplex limit = table.Limit(error);
        const CComplex whole = WholeTable(added, wholeError);
        const std::size_t n = added.size();
        EXPECT_TRUE(SameBits(limit.real(), whole.real()) && SameBits(limit.imag(), whole.imag()))
            << "after " << n << " sums: " << limit.real() << "+" << limit.imag() << "i against " << whole.real()
            << "+" << whole.imag() << "i";
        EXPECT_TRUE(SameBits(error, wholeError)) << "after " << n << " sums: " << error << " against " << wholeError;
    }
}

std::vector<CComplex> PartialSums(const std::vector<CComplex>& terms)
{
    std::vector<CComplex> sums;
    CComplex sum;
    for (const CComplex& term : terms) {
        sum += term;
        sums.push_back(sum);
    }
    return sums;
}

TEST(EpsilonTable, SameNumbersAsTheWholeTable)
{
    CEpsilonTable table;
    std::vector<CComplex> terms;
    // ln 2 by its alternating series: slow, every column in play.
    for (int k = 1; k <= 40; ++k)
        terms.push_back(CComplex((k % 2 ? 1.0 : -1.0) / k, 0.0));
    ExpectAsWholeTable(table, PartialSums(terms));
    // A complex ratio near 1 with a second, faster term beside it.
    terms.clear();
    for (int k = 0; k < 60; ++k)
        terms.push_back(std::pow(CComplex(0.9, 0.3), k) + 0.5 * std::pow(CComplex(-0.4, 0.1), k));
    ExpectAsWholeTable(table, PartialSums(terms));
    // A power at the end: pieces shrinking by 2^(p + 1) for p = −0.95.
    terms.clear();
    for (int k = 0; k < 57; ++k)
        terms.push_back(CComplex(std::pow(2.0, -0.05 * k) * (1 + std::ldexp(1.0, -k)), 0.0));
    ExpectAsWholeTable(table, PartialSums(terms));
}

TEST(EpsilonTable, EqualNeighboursEndTheColumnsAsTheWholeTableDoes)
{
    CEpsilonTable table;
    // Two equal sums in a row: the first column ends the table at once.
    ExpectAsWholeTable(table, {1.0, 1.5, 1.75, 1.75, 1.8, 1.9, 1.95, 1.97, 1.99});
    // An exactly geometric series: column 2 reaches the limit exactly and
    // the column after it has equal neighbours from then on.
    std::vector<CComplex> terms;
    for (int k = 0; k < 20; ++k)
        terms.push_back(CComplex(std::ldexp(1.0, -k), 0.0));
    ExpectAsWholeTable(table, PartialSums(terms));
    // Equal neighbours only late, after columns beyond them have begun.
    ExpectAsWholeTable(table, {0.0, 1.0, 0.5, 0.75, 0.625, 0.6875, 0.65625, 0.671875, 0.671875, 0.7, 0.68, 0.69});
}

TEST(EpsilonTable, SumsThatAreNotFinite)
{
    CEpsilonTable table;
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    ExpectAsWholeTable(table, {1.0, 0.5, 0.75, CComplex(nan, 0.0), 0.7, 0.69, 0.695, 0.693, 0.6935});
    ExpectAsWholeTable(table, {1.0, 0.5, 0.75, 0.625, CComplex(inf, 0.0), 0.69, 0.695, 0.693, 0.6935});
}

TEST(EpsilonTable, ClearedTableForgetsTheSequenceBefore)
{
    CEpsilonTable table;
    std::vector<CComplex> terms;
    for (int k = 1; k <= 30; ++k)
        terms.push_back(CComplex((k % 2 ? 4.0 : -4.0) / (2 * k - 1), 0.0));
    const std::vector<CComplex> pi = PartialSums(terms);
    ExpectAsWholeTable(table, pi);
    // A shorter sequence in the same table, then the long one again.
    ExpectAsWholeTable(table, {3.0, 2.0, 2.5, 2.25, 2.375});
    ExpectAsWholeTable(table, pi);
    // And the extrapolation does what it is for: π from 30 terms of
    // Leibniz's series, whose last sum is off by about 0.03.
    double error = 0;
    const CComplex limit = table.Limit(error);
    EXPECT_GT(std::fabs(pi.back().real() - M_PI), 1e-2);
    EXPECT_LT(std::fabs(limit.real() - M_PI), 1e-12);
    EXPECT_LT(std::fabs(limit.real() - M_PI), 10 * error + 1e-15);
}

}  // namespace
