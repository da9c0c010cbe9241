// The expression language: "Calculate all" over texts of growing length
// (the time per statement must not grow with the text), a long series, and
// the parse and evaluation of one long expression.
#include <benchmark/benchmark.h>

#include <string>

#include "document/calc_environment.h"
#include "document/memory_store.h"
#include "language/calculate.h"
#include "numeric/status.h"

namespace {

// Short statements of a few kinds, some with an old result to replace and
// some with a comment.
std::u16string StatementText(std::size_t count)
{
    static const char16_t* const kinds[] = {u"1+2*3; ", u"12.5/4-1 = 99; ", u"2^10 // power\r\n; ",
                                            u"sqrt(16)+abs(-3); ", u"(1+2)*(3-4); ", u"7->mem[a]; "};
    std::u16string text;
    for (std::size_t i = 0; i < count; ++i)
        text += kinds[i % (sizeof(kinds) / sizeof(kinds[0]))];
    return text;
}

void BM_CalculateAll(benchmark::State& state)
{
    const std::size_t count = static_cast<std::size_t>(state.range(0));
    const std::u16string source = StatementText(count);
    NCalculatorText::CCalcContext context = MakeDocumentContext();
    for (auto _ : state) {
        std::u16string text = source;
        std::ptrdiff_t cursor = -1;
        if (!NCalculatorText::CalculateText(context, text, cursor))
            state.SkipWithError("the run failed");
        benchmark::DoNotOptimize(text.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(count));
    // Time per statement (shown in seconds with an SI prefix).
    state.counters["per_statement"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * static_cast<double>(count),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    MemoryStore().FreeMemory(EMemorySelection::All);
}
BENCHMARK(BM_CalculateAll)->Arg(1'000)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

void BM_SeriesSumOfSquares(benchmark::State& state)
{
    constexpr double kTurns = 1'000'000;
    NCalculatorText::CCalcContext context = MakeDocumentContext();
    context.run.Reset();
    CComplex value;
    for (auto _ : state) {
        if (!NCalculatorText::EvaluateExpression(context, u"sum(k,1,1000000,k^2)", value))
            state.SkipWithError("the series failed");
        benchmark::DoNotOptimize(value);
    }
    // Time per turn of the series (shown in seconds with an SI prefix).
    state.counters["per_turn"] = benchmark::Counter(static_cast<double>(state.iterations()) * kTurns,
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_SeriesSumOfSquares)->Unit(benchmark::kMillisecond);

// The same series calling a defined function f(x) := x^2, and a defined
// value in the term.
void BM_SeriesDefinedFunction(benchmark::State& state)
{
    constexpr double kTurns = 1'000'000;
    NCalculatorText::CCalcContext context = MakeDocumentContext();
    context.run.Reset();
    CComplex value;
    if (!NCalculatorText::EvaluateExpression(context, u"f(x) := x^2", value) ||
        !NCalculatorText::EvaluateExpression(context, u"c := 2", value))
        state.SkipWithError("the definitions failed");
    const char16_t* const text = state.range(0) == 0 ? u"sum(k,1,1000000,f(k))" : u"sum(k,1,1000000,f(k)*c)";
    for (auto _ : state) {
        if (!NCalculatorText::EvaluateExpression(context, text, value))
            state.SkipWithError("the series failed");
        benchmark::DoNotOptimize(value);
    }
    state.counters["per_turn"] = benchmark::Counter(static_cast<double>(state.iterations()) * kTurns,
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    MemoryStore().FreeMemory(EMemorySelection::All);
}
BENCHMARK(BM_SeriesDefinedFunction)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The same series on the checked path, with and without a defined
// function: the cost of a call where nothing is compiled.
void BM_SeriesCheckedPath(benchmark::State& state)
{
    NCalculatorText::CCalcContext context = MakeDocumentContext();
    context.run.Reset();
    context.fastEvaluation = false;
    CComplex value;
    if (!NCalculatorText::EvaluateExpression(context, u"f(x) := x^2", value))
        state.SkipWithError("the definition failed");
    const char16_t* const text = state.range(0) == 0 ? u"sum(k,1,100000,k^2)" : u"sum(k,1,100000,f(k))";
    for (auto _ : state) {
        if (!NCalculatorText::EvaluateExpression(context, text, value))
            state.SkipWithError("the series failed");
        benchmark::DoNotOptimize(value);
    }
    MemoryStore().FreeMemory(EMemorySelection::All);
}
BENCHMARK(BM_SeriesCheckedPath)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// One hundred terms, each a few functions deep.
std::u16string NestedExpression()
{
    static const char16_t* const terms[] = {u"sin(cos(0.5)*2)", u"sqrt(abs(-3.25)+exp(0.1))", u"ln(1+arctg(0.3))",
                                            u"(2^3-1)/(4+sh(0.2))", u"floor(re(conj(1.5-2*i)))"};
    std::u16string text;
    for (int i = 0; i < 100; ++i) {
        if (i > 0)
            text += i % 3 == 0 ? u" - " : u" + ";
        text += terms[i % 5];
    }
    return text;
}

void BM_NestedExpression(benchmark::State& state)
{
    const std::u16string text = NestedExpression();
    NCalculatorText::CCalcContext context = MakeDocumentContext();
    context.run.Reset();
    CComplex value;
    for (auto _ : state) {
        if (!NCalculatorText::EvaluateExpression(context, text, value))
            state.SkipWithError("the expression failed");
        benchmark::DoNotOptimize(value);
    }
}
BENCHMARK(BM_NestedExpression)->Unit(benchmark::kMicrosecond);

}  // namespace
