// Integrals: the statement integral(x,0,1,exp(-x^2)) from text to value, the
// battery of tests/data/calculus_references.txt (median time per integral),
// and, when Boost.Math is at hand, our quadrature beside Boost's routines on
// the same integrands written in C++ (no tree), with the relative error each
// reaches printed once.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <complex>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "document/calc_environment.h"
#include "document/utf.h"
#include "language/calculate.h"
#include "numeric/calculus.h"

#if KAVM_HAVE_BOOST_MATH
#include <boost/math/quadrature/exp_sinh.hpp>
#include <boost/math/quadrature/gauss_kronrod.hpp>
#include <boost/math/quadrature/sinh_sinh.hpp>
#include <boost/math/quadrature/tanh_sinh.hpp>
#endif

namespace {

void BM_GaussianIntegralStatement(benchmark::State& state)
{
    NCalculatorText::CCalcContext context = MakeDocumentContext();
    CComplex value;
    for (auto _ : state) {
        if (!NCalculatorText::EvaluateExpression(context, u"integral(x,0,1,exp(-x^2))", value))
            state.SkipWithError("the integral failed");
        benchmark::DoNotOptimize(value);
    }
}
BENCHMARK(BM_GaussianIntegralStatement);

struct CBatteryRow {
    std::u16string text;
};

std::vector<CBatteryRow> BatteryRows()
{
    std::vector<CBatteryRow> rows;
    std::ifstream in(KAVM_BENCH_DATA_DIR "/calculus_references.txt");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#' || line.rfind("integral(", 0) != 0)
            continue;
        rows.push_back({Utf8ToUtf16(line.substr(0, line.find('|')))});
    }
    return rows;
}

// Every integral of the battery once per iteration; the counter is the
// median over the rows of one integral's time.
void BM_IntegralBattery(benchmark::State& state)
{
    const std::vector<CBatteryRow> rows = BatteryRows();
    if (rows.empty()) {
        state.SkipWithError("no battery");
        return;
    }
    NCalculatorText::CCalcContext context = MakeDocumentContext();
    std::vector<double> best(rows.size(), 1e300);
    for (auto _ : state) {
        for (std::size_t k = 0; k < rows.size(); ++k) {
            CComplex value;
            const auto start = std::chrono::steady_clock::now();
            NCalculatorText::EvaluateExpression(context, rows[k].text, value);
            const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
            best[k] = std::min(best[k], took.count());
            benchmark::DoNotOptimize(value);
        }
    }
    std::vector<double> sorted = best;
    std::sort(sorted.begin(), sorted.end());
    state.counters["median_us"] = sorted[sorted.size() / 2];
    state.counters["slowest_us"] = sorted.back();
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * rows.size()));
}
BENCHMARK(BM_IntegralBattery)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------- beside Boost

struct CIntegrand {
    const char* name;
    double (*f)(double);
    double a;
    double b;  // may be infinite
    double reference;
};

const CIntegrand kIntegrands[] = {
    {"exp(-x^2) [0,1]", [](double x) { return std::exp(-x * x); }, 0, 1, 0.74682413281242702539946743613185300535},
    {"x ln(1+x) [0,1]", [](double x) { return x * std::log1p(x); }, 0, 1, 0.25},
    {"sqrt(x) ln x [0,1]", [](double x) { return std::sqrt(x) * std::log(x); }, 0, 1, -4.0 / 9},
    {"ln(x)^2 [0,1]", [](double x) { return std::log(x) * std::log(x); }, 0, 1, 2},
    {"1/sqrt(x) [0,1]", [](double x) { return 1 / std::sqrt(x); }, 0, 1, 2},
    {"x^-0.9 [0,1]", [](double x) { return std::pow(x, -0.9); }, 0, 1, 10},
    {"1/(1+x^2) [0,inf)", [](double x) { return 1 / (1 + x * x); }, 0, HUGE_VAL, 1.5707963267948966192313216916397514421},
    {"exp(-x)/sqrt(x) [0,inf)", [](double x) { return std::exp(-x) / std::sqrt(x); }, 0, HUGE_VAL,
     1.7724538509055160272981674833411451828},
    {"exp(-x^2) (-inf,inf)", [](double x) { return std::exp(-x * x); }, -HUGE_VAL, HUGE_VAL,
     1.7724538509055160272981674833411451828},
    {"abs(x-1/3) [0,1]", [](double x) { return std::fabs(x - 1.0 / 3); }, 0, 1, 5.0 / 18},
    {"1/((x-0.3)^2+1e-4) [0,1]", [](double x) { return 1 / ((x - 0.3) * (x - 0.3) + 1e-4); }, 0, 1,
     (std::atan(70.0) + std::atan(30.0)) * 100},
    {"2/(2+sin(10 pi x)) [0,1]", [](double x) { return 2 / (2 + std::sin(10 * M_PI * x)); }, 0, 1,
     1.1547005383792515290182975610039149112},
};

class CNativeFunction final : public IPointFunction {
public:
    explicit CNativeFunction(double (*f)(double)) : m_f(f) {}
    bool Values(const CComplex* points, std::size_t count, CComplex* values, bool) override
    {
        for (std::size_t k = 0; k < count; ++k)
            values[k] = CComplex(m_f(points[k].real()), 0.0);
        return true;
    }
    bool Stopped() const override { return false; }

private:
    double (*m_f)(double);
};

CIntegralLimit Limit(double x)
{
    return std::isinf(x) ? CIntegralLimit{CComplex(), x > 0 ? 1 : -1} : CIntegralLimit{CComplex(x, 0.0), 0};
}

double Ours(CCalculus& calculus, const CIntegrand& g)
{
    CNativeFunction f(g.f);
    const CCalculusResult result = calculus.Integrate(f, Limit(g.a), Limit(g.b));
    return result.value.real();
}

void BM_OursNative(benchmark::State& state)
{
    const CIntegrand& g = kIntegrands[state.range(0)];
    state.SetLabel(g.name);
    CCalculus calculus;
    // The error from one run; the loop only times (its values are kept
    // from the optimizer, not read).
    const double value = Ours(calculus, g);
    for (auto _ : state) {
        double again = Ours(calculus, g);
        benchmark::DoNotOptimize(&again);
        benchmark::ClobberMemory();
    }
    state.counters["rel_error"] = std::fabs(value - g.reference) / std::fabs(g.reference);
}
BENCHMARK(BM_OursNative)->DenseRange(0, std::size(kIntegrands) - 1);

#if KAVM_HAVE_BOOST_MATH
// The routine Boost offers for the range: tanh-sinh on a segment, exp-sinh
// on a half-line, sinh-sinh on the line.
double BoostDoubleExponential(const CIntegrand& g)
{
    if (std::isinf(g.a) && std::isinf(g.b)) {
        static boost::math::quadrature::sinh_sinh<double> rule;
        return rule.integrate(g.f);
    }
    if (std::isinf(g.b)) {
        static boost::math::quadrature::exp_sinh<double> rule;
        return rule.integrate([&](double x) { return g.f(x + g.a); });
    }
    static boost::math::quadrature::tanh_sinh<double> rule;
    return rule.integrate(g.f, g.a, g.b);
}

double BoostGaussKronrod(const CIntegrand& g)
{
    return boost::math::quadrature::gauss_kronrod<double, 21>::integrate(g.f, g.a, g.b, 15, 1e-15);
}

void BM_BoostDoubleExponential(benchmark::State& state)
{
    const CIntegrand& g = kIntegrands[state.range(0)];
    state.SetLabel(g.name);
    // The error from one run; the loop only times (its values are kept
    // from the optimizer, not read).
    const double value = BoostDoubleExponential(g);
    for (auto _ : state) {
        double again = BoostDoubleExponential(g);
        benchmark::DoNotOptimize(&again);
        benchmark::ClobberMemory();
    }
    state.counters["rel_error"] = std::fabs(value - g.reference) / std::fabs(g.reference);
}
BENCHMARK(BM_BoostDoubleExponential)->DenseRange(0, std::size(kIntegrands) - 1);

void BM_BoostGaussKronrod(benchmark::State& state)
{
    const CIntegrand& g = kIntegrands[state.range(0)];
    state.SetLabel(g.name);
    // The error from one run; the loop only times (its values are kept
    // from the optimizer, not read).
    const double value = BoostGaussKronrod(g);
    for (auto _ : state) {
        double again = BoostGaussKronrod(g);
        benchmark::DoNotOptimize(&again);
        benchmark::ClobberMemory();
    }
    state.counters["rel_error"] = std::fabs(value - g.reference) / std::fabs(g.reference);
}
BENCHMARK(BM_BoostGaussKronrod)->DenseRange(0, std::size(kIntegrands) - 1);
#endif

}  // namespace
