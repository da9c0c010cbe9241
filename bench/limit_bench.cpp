// How far from the machine: the series term beside a compiled loop of the
// same arithmetic, a chain of a hundred thousand terms beside as many short
// statements, the command-line run over a million statements, and loading
// a memory file.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <complex>
#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "document/batch_text.h"
#include "document/calc_environment.h"
#include "document/memory_store.h"
#include "document/text_file.h"
#include "language/calc_context.h"
#include "language/calculate.h"

namespace {

// The floor for a series term: a compiled loop of complex multiply-adds.
void BM_CompiledLoopPerTerm(benchmark::State& state)
{
    const long n = 10'000'000;
    for (auto _ : state) {
        std::complex<double> sum = 0;
        for (long k = 1; k <= n; ++k) {
            const std::complex<double> x(static_cast<double>(k), 0);
            sum += x * x;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.counters["per_term"] = benchmark::Counter(static_cast<double>(state.iterations()) * static_cast<double>(n),
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_CompiledLoopPerTerm)->Unit(benchmark::kMillisecond);

// The series on the fast path (range 1) and on the checked path alone (0).
void BM_SeriesPerTerm(benchmark::State& state)
{
    const double n = 10'000'000;
    NCalculatorText::CCalcContext context = MakeDocumentContext();
    context.fastEvaluation = state.range(0) != 0;
    context.run.Reset();
    CComplex value;
    for (auto _ : state) {
        if (!NCalculatorText::EvaluateExpression(context, u"sum(k,1,10^7,k^2)", value))
            state.SkipWithError("the series failed");
        benchmark::DoNotOptimize(value);
    }
    state.counters["per_term"] = benchmark::Counter(static_cast<double>(state.iterations()) * n,
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_SeriesPerTerm)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// Calculate all over text, from a fresh copy each time.
void CalculateAllOf(benchmark::State& state, const std::u16string& text)
{
    NCalculatorText::CCalcContext context = MakeDocumentContext();
    for (auto _ : state) {
        std::u16string work = text;
        std::ptrdiff_t cursor = -1;
        if (!NCalculatorText::CalculateText(context, work, cursor))
            state.SkipWithError("the run failed");
        benchmark::DoNotOptimize(work.data());
    }
}

// 1+1+…+1 with 100,000 terms as one statement, and 50,000 statements 1+1.
void BM_ChainOfTerms(benchmark::State& state)
{
    std::u16string text = u"1";
    for (int i = 1; i < 100'000; ++i)
        text += u"+1";
    CalculateAllOf(state, text);
}
BENCHMARK(BM_ChainOfTerms)->Unit(benchmark::kMillisecond);

void BM_FlatStatements(benchmark::State& state)
{
    std::u16string text = u"1+1";
    for (int i = 1; i < 50'000; ++i)
        text += u";1+1";
    CalculateAllOf(state, text);
}
BENCHMARK(BM_FlatStatements)->Unit(benchmark::kMillisecond);

// The statements of the command-line comparison with an interpreter's eval:
// a million of five kinds, calculated from the file's bytes to the output's.
std::string BatchBytes(std::size_t count)
{
    static const char* const kinds[] = {"%d+%d*%d", "sin(%d)/%d+%d", "sqrt(%d)^2-%d*%d", "(%d-%d)/(%d+0.5)",
                                        "exp(-%d/100)*%d-%d"};
    std::mt19937 random(7);
    std::string text;
    char row[64];
    for (std::size_t i = 0; i < count; ++i) {
        const auto number = [&random] { return static_cast<int>(1 + random() % 99); };
        std::snprintf(row, sizeof(row), kinds[random() % 5], number(), number(), number());
        if (i > 0)
            text += ';';
        text += row;
    }
    return text;
}

// Expression to value for each kind of the batch's statements (range 0),
// through EvaluateExpression, on the fast paths (range 1 is 1) or on the
// checked path alone (0): a thousand statements of one kind in turn.
void BM_StatementKind(benchmark::State& state)
{
    static const char* const kinds[] = {"%d+%d*%d", "sin(%d)/%d+%d", "sqrt(%d)^2-%d*%d", "(%d-%d)/(%d+0.5)",
                                        "exp(-%d/100)*%d-%d"};
    const char* const kind = kinds[state.range(0)];
    std::mt19937 random(11);
    std::vector<std::u16string> statements;
    char row[64];
    for (int i = 0; i < 1000; ++i) {
        const auto number = [&random] { return static_cast<int>(1 + random() % 99); };
        std::snprintf(row, sizeof(row), kind, number(), number(), number());
        statements.emplace_back(row, row + std::strlen(row));
    }
    NCalculatorText::CCalcContext context = MakeDocumentContext();
    context.fastEvaluation = state.range(1) != 0;
    context.run.Reset();
    CComplex value;
    for (auto _ : state) {
        for (const std::u16string& statement : statements) {
            if (!NCalculatorText::EvaluateExpression(context, statement, value))
                state.SkipWithError("a statement failed");
            benchmark::DoNotOptimize(value);
        }
    }
    state.SetLabel(kind);
    state.counters["per_statement"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * static_cast<double>(statements.size()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_StatementKind)->ArgsProduct({{0, 1, 2, 3, 4}, {1, 0}})->Unit(benchmark::kMicrosecond);

// Statements that the one-pass path leaves to the tree (special functions,
// "!", memory cells, complex bases under powers, series, vectors, syntax
// errors), each kind a thousand statements in turn through
// EvaluateExpression with the fast paths on: the cost of parsing, building,
// evaluating and taking down a small tree. Kind 7 fails to parse and kind 8
// fails while evaluating; both are counted like the others.
void BM_TreeStatement(benchmark::State& state)
{
    static const char* const kinds[] = {"gamma(%d/7)+%d",  "J(0,%d)*%d-%d",     "%d!/%d",
                                        "mem[a%d]+%d",     "(1+i)^%d-%d",      "sum(k,1,%d,k)",
                                        "ln(%d!)-(%d,%d)", "%d+*%d",            "gamma(-%d)*%d",
                                        "%d->mem[a%d]"};
    const int kind = static_cast<int>(state.range(0));
    std::mt19937 random(13);
    std::vector<std::u16string> statements;
    char row[64];
    for (int i = 0; i < 1000; ++i) {
        const auto number = [&random] { return static_cast<int>(1 + random() % 20); };
        std::snprintf(row, sizeof(row), kinds[kind], number(), number(), number());
        statements.emplace_back(row, row + std::strlen(row));
    }
    NCalculatorText::CCalcContext context = MakeDocumentContext();
    for (int cell = 1; cell <= 20; ++cell) {
        const std::string name = "a" + std::to_string(cell);
        MemoryStore().Store(std::u16string(name.begin(), name.end()), CComplex(cell, 0.5));
    }
    context.fastEvaluation = true;
    const bool fails = kind == 7 || kind == 8;
    CComplex value;
    for (auto _ : state) {
        context.run.Reset();
        for (const std::u16string& statement : statements) {
            if (NCalculatorText::EvaluateExpression(context, statement, value) == fails)
                state.SkipWithError("a statement gave an unexpected outcome");
            benchmark::DoNotOptimize(value);
        }
    }
    state.SetLabel(kinds[kind]);
    state.counters["per_statement"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * static_cast<double>(statements.size()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    MemoryStore().FreeMemory(EMemorySelection::All);
}
BENCHMARK(BM_TreeStatement)->DenseRange(0, 9)->Unit(benchmark::kMicrosecond);

void BM_CommandLineBatch(benchmark::State& state)
{
    const std::size_t count = static_cast<std::size_t>(state.range(0));
    const std::string bytes = BatchBytes(count);
    NCalculatorText::CCalcContext context = MakeDocumentContext();
    for (auto _ : state) {
        std::string out;
        if (!CalculateAllBytes(context, bytes, out))
            state.SkipWithError("the run failed");
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["per_statement"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * static_cast<double>(count),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_CommandLineBatch)->Arg(1'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// The evaluations of the same statements alone, handed over one by one:
// what the command-line run costs beyond them is its pipeline (reading,
// decoding, cutting, writing the results, encoding).
void BM_BatchEvaluationsAlone(benchmark::State& state)
{
    const std::size_t count = static_cast<std::size_t>(state.range(0));
    const std::string bytes = BatchBytes(count);
    const std::u16string text(bytes.begin(), bytes.end());
    std::vector<std::u16string_view> statements;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find(u';', start), text.size());
        statements.push_back(std::u16string_view(text).substr(start, end - start));
        start = end + 1;
    }
    NCalculatorText::CCalcContext context = MakeDocumentContext();
    for (auto _ : state) {
        context.run.Reset();
        CComplex value;
        for (const std::u16string_view statement : statements) {
            if (!NCalculatorText::EvaluateExpression(context, statement, value))
                state.SkipWithError("a statement failed");
        }
        benchmark::DoNotOptimize(value);
    }
    state.counters["per_statement"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * static_cast<double>(count),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_BatchEvaluationsAlone)->Arg(1'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// A memory file of random values as the store writes it, read from its
// bytes into an empty store.
void BM_LoadMemoryFile(benchmark::State& state)
{
    const std::size_t cells = static_cast<std::size_t>(state.range(0));
    std::mt19937_64 random(3);
    std::uniform_real_distribution<double> part(-1e6, 1e6);
    for (std::size_t i = 0; i < cells; ++i) {
        const std::string number = std::to_string(i);
        MemoryStore().Store(u"cell " + std::u16string(1, static_cast<char16_t>(u'a' + i % 26)) +
                                std::u16string(number.begin(), number.end()),
                            CComplex(part(random), i % 3 == 0 ? 0.0 : part(random)));
    }
    const std::string bytes = EncodeUtf16File(MemoryStore().BuildMemoryFileText(EMemorySelection::All));
    NCalculatorText::CCalcContext context = MakeDocumentContext();
    for (auto _ : state) {
        state.PauseTiming();
        MemoryStore().FreeMemory(EMemorySelection::All);
        state.ResumeTiming();
        if (!ExecuteCalculationText(context, DecodeTextFile(bytes)))
            state.SkipWithError("the file failed");
    }
    state.counters["per_cell"] = benchmark::Counter(static_cast<double>(state.iterations()) * static_cast<double>(cells),
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    MemoryStore().FreeMemory(EMemorySelection::All);
}
BENCHMARK(BM_LoadMemoryFile)->Arg(1'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

}  // namespace
