// Time per call of the Bessel functions in the regimes of the algorithm:
// power series, Miller recurrence, Wronskian, large-argument expansion,
// Temme's K, continuation to the left half-plane, the Hankel pair behind Y,
// the uniform expansions for large orders and a negative order.
#include <benchmark/benchmark.h>

#include "numeric/bessel.h"

namespace {

void Run(benchmark::State& state, EBesselKind kind, double order, CComplex z)
{
    for (auto _ : state) {
        CBesselResult r = ComputeBessel(kind, order, z);
        benchmark::DoNotOptimize(r);
        benchmark::ClobberMemory();
    }
}

BENCHMARK_CAPTURE(Run, J0_series, EBesselKind::J, 0.0, CComplex(0.7, 0.4));
BENCHMARK_CAPTURE(Run, J2_5_miller, EBesselKind::J, 2.5, CComplex(6.0, 3.0));
BENCHMARK_CAPTURE(Run, I1_wronskian, EBesselKind::I, 12.0, CComplex(25.0, 10.0));
BENCHMARK_CAPTURE(Run, J0_asymptotic, EBesselKind::J, 0.0, CComplex(60.0, 8.0));
BENCHMARK_CAPTURE(Run, K1_5_temme, EBesselKind::K, 1.5, CComplex(1.2, 0.6));
BENCHMARK_CAPTURE(Run, K0_3_miller, EBesselKind::K, 0.3, CComplex(8.0, -3.0));
BENCHMARK_CAPTURE(Run, K1_5_left_half, EBesselKind::K, 1.5, CComplex(-3.0, 2.0));
BENCHMARK_CAPTURE(Run, Y2_hankel, EBesselKind::Y, 2.0, CComplex(5.0, 1.0));
BENCHMARK_CAPTURE(Run, J100_uniform_debye, EBesselKind::J, 100.0, CComplex(20.0, 110.0));
BENCHMARK_CAPTURE(Run, J100_uniform_airy, EBesselKind::J, 100.0, CComplex(95.0, -5.0));
BENCHMARK_CAPTURE(Run, Y200_uniform, EBesselKind::Y, 200.0, CComplex(150.0, 30.0));
BENCHMARK_CAPTURE(Run, Jneg_2_3, EBesselKind::J, -2.3, CComplex(4.0, 1.0));

}  // namespace
