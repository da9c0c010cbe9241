// Formatting and the checked arithmetic beside the plain standard-library
// operations, in one run.
#include <benchmark/benchmark.h>

#include <complex>
#include <vector>

#include "document/number_format.h"
#include "numeric/complex.h"
#include "numeric/status.h"

namespace {

std::vector<CComplex> Operands()
{
    std::vector<CComplex> values;
    for (int i = 1; i <= 64; ++i)
        values.emplace_back(1.0 / i + i * 0.37, -2.5 / i + 0.01 * i);
    return values;
}

void BM_FormatComplex(benchmark::State& state)
{
    const CComplex value(-2.718281828459045, 3.141592653589793e-7);
    for (auto _ : state)
        benchmark::DoNotOptimize(FormatComplex(value, kFormatLower, u'i'));
}
BENCHMARK(BM_FormatComplex);

void BM_CheckedMultiply(benchmark::State& state)
{
    const auto values = Operands();
    for (auto _ : state)
        for (std::size_t i = 1; i < values.size(); ++i)
            benchmark::DoNotOptimize(Multiply(values[i - 1], values[i]));
}
BENCHMARK(BM_CheckedMultiply);

void BM_StdMultiply(benchmark::State& state)
{
    const auto values = Operands();
    for (auto _ : state)
        for (std::size_t i = 1; i < values.size(); ++i)
            benchmark::DoNotOptimize(values[i - 1] * values[i]);
}
BENCHMARK(BM_StdMultiply);

void BM_CheckedDivide(benchmark::State& state)
{
    const auto values = Operands();
    for (auto _ : state)
        for (std::size_t i = 1; i < values.size(); ++i)
            benchmark::DoNotOptimize(Divide(values[i - 1], values[i]));
}
BENCHMARK(BM_CheckedDivide);

void BM_StdDivide(benchmark::State& state)
{
    const auto values = Operands();
    for (auto _ : state)
        for (std::size_t i = 1; i < values.size(); ++i)
            benchmark::DoNotOptimize(values[i - 1] / values[i]);
}
BENCHMARK(BM_StdDivide);

}  // namespace
