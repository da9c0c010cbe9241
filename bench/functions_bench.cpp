// The calculator's functions beside the nearest standard-library function,
// in one run.
#include <benchmark/benchmark.h>

#include <cmath>
#include <complex>
#include <vector>

#include "numeric/elementary.h"
#include "numeric/gamma.h"
#include "numeric/status.h"

namespace {

std::vector<CComplex> Arguments()
{
    std::vector<CComplex> values;
    for (int i = 1; i <= 32; ++i)
        values.emplace_back(0.37 * i - 5, 0.11 * i - 1.5);
    return values;
}

template <typename F>
void Run(benchmark::State& state, F function)
{
    const auto values = Arguments();
    CCalcRunState run;
    const CRunStateBinding binding(run);
    COperationScope scope(run, None);
    for (auto _ : state)
        for (const CComplex& z : values)
            benchmark::DoNotOptimize(function(z));
    state.SetItemsProcessed(state.iterations() * static_cast<long>(values.size()));
}

void BM_Sin(benchmark::State& s) { Run(s, CalcSin); }
void BM_StdSin(benchmark::State& s) { Run(s, [](const CComplex& z) { return std::sin(z); }); }
void BM_Tg(benchmark::State& s) { Run(s, CalcTg); }
void BM_StdTan(benchmark::State& s) { Run(s, [](const CComplex& z) { return std::tan(z); }); }
void BM_ArcSin(benchmark::State& s) { Run(s, CalcArcSin); }
void BM_StdAsin(benchmark::State& s) { Run(s, [](const CComplex& z) { return std::asin(z); }); }
void BM_ArcTg(benchmark::State& s) { Run(s, CalcArcTg); }
void BM_StdAtan(benchmark::State& s) { Run(s, [](const CComplex& z) { return std::atan(z); }); }
void BM_PowerComplex(benchmark::State& s) { Run(s, [](const CComplex& z) { return CalcPower(z, CComplex(0.5, 1.25)); }); }
void BM_StdPow(benchmark::State& s) { Run(s, [](const CComplex& z) { return std::pow(z, CComplex(0.5, 1.25)); }); }
void BM_Gamma(benchmark::State& s) { Run(s, [](const CComplex& z) { return Gamma(z); }); }
void BM_LogGamma(benchmark::State& s) { Run(s, [](const CComplex& z) { return LogGamma(z); }); }
void BM_StdLgammaReal(benchmark::State& s) { Run(s, [](const CComplex& z) { return CComplex(std::lgamma(z.real())); }); }

BENCHMARK(BM_Sin);
BENCHMARK(BM_StdSin);
BENCHMARK(BM_Tg);
BENCHMARK(BM_StdTan);
BENCHMARK(BM_ArcSin);
BENCHMARK(BM_StdAsin);
BENCHMARK(BM_ArcTg);
BENCHMARK(BM_StdAtan);
BENCHMARK(BM_PowerComplex);
BENCHMARK(BM_StdPow);
BENCHMARK(BM_Gamma);
BENCHMARK(BM_LogGamma);
BENCHMARK(BM_StdLgammaReal);

}  // namespace
