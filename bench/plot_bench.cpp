// The pictures of a calculation: a 400 x 400 plane picture (160,000
// evaluations and colours) of elementary and special functions, and the
// samples of a line plot.
#include <benchmark/benchmark.h>

#include "document/calc_environment.h"
#include "document/plot/plot_evaluation.h"
#include "document/plot/plot_sampling.h"

namespace {

const char16_t* const kPlaneFunctions[] = {u"z", u"sin(z)/z", u"1/(z^2+1)", u"exp(z)*cos(z)", u"gamma(z)",
                                           u"J(0,z)"};

void BM_PlanePicture400(benchmark::State& state)
{
    const NCalculatorText::CCalcContext user = MakeDocumentContext();
    CPlotStatement statement(user);
    statement.Prepare(kPlaneFunctions[state.range(0)]);
    state.SetLabel(std::string(statement.Text().begin(), statement.Text().end()));
    for (auto _ : state) {
        CPlaneSampler sampler(CPlaneView{-4, 4, -4, 4, 400, 400});
        CPlotStatement::CScope scope(statement);
        while (sampler.Step(statement, 16)) {
        }
        benchmark::DoNotOptimize(sampler.Picture());
    }
    state.SetItemsProcessed(state.iterations() * 160000);
}
BENCHMARK(BM_PlanePicture400)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

const char16_t* const kLineFunctions[] = {u"J(0,x)", u"tan(x)", u"gamma(x)", u"sin(1/x)"};

void BM_LineSamples(benchmark::State& state)
{
    const NCalculatorText::CCalcContext user = MakeDocumentContext();
    CPlotStatement statement(user);
    statement.Prepare(kLineFunctions[state.range(0)]);
    state.SetLabel(std::string(statement.Text().begin(), statement.Text().end()));
    CLineView view;
    view.width = 800;
    view.height = 400;
    std::size_t samples = 0;
    for (auto _ : state) {
        CPlotStatement::CScope scope(statement);
        const CLinePlot plot = SampleLine(statement, view);
        samples = plot.samples.size();
        benchmark::DoNotOptimize(plot);
    }
    state.counters["samples"] = static_cast<double>(samples);
}
BENCHMARK(BM_LineSamples)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

}  // namespace
