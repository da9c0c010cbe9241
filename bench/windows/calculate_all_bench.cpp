// "Calculate all" in the window over a long text: the whole command, from
// reading the editor through the calculation run to putting the rewritten
// text back into the editor and painting the view, compared with the
// calculation run alone over the same text, at 10^3, 10^5 and 10^6
// statements.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextDocument>

#include <memory>

#include "document/calc_environment.h"
#include "document/keypad/cmd_receiver.h"
#include "document/qt/calc_doc.h"
#include "language/calculate.h"
#include "numeric/status.h"
#include "windows/frame/calc_main_frame.h"
#include "windows/editor/calc_highlighter.h"
#include "windows/editor/calc_view.h"
#include "bench/windows/window_bench_main.h"

namespace {

// n statements, ten to a line: "1+1;2*2;...".
QString LongText(int n)
{
    QString text;
    text.reserve(n * 12);
    for (int i = 0; i < n; ++i) {
        text += QString::number(i % 97) + "*" + QString::number(i % 13 + 1) + "+1;";
        if (i % 10 == 9)
            text += '\n';
    }
    return text;
}

void BM_CalculateAllInTheWindow(benchmark::State& state)
{
    CAppState appState{Preferences(), MemoryStore(), PrintSettings(), PrinterChoice()};
    CCalcMainFrame frame(appState);
    frame.resize(1000, 800);
    frame.show();
    QApplication::processEvents();
    frame.Document()->Context().run.logReceiver = nullptr;
    const QString text = LongText(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        frame.Editor()->setPlainText(text);
        // A text the user works on is coloured before the command.
        frame.Editor()->Highlighter()->ColourAll();
        state.ResumeTiming();
        frame.Document()->ExecuteCommand(CmdCalculateAll);
        frame.Editor()->viewport()->repaint();
    }
    state.counters["statements/s"] = benchmark::Counter(static_cast<double>(state.range(0) * state.iterations()),
                                                        benchmark::Counter::kIsRate);
    frame.Editor()->document()->setModified(false);
}
BENCHMARK(BM_CalculateAllInTheWindow)
    ->Arg(1000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

void BM_CalculationRunAlone(benchmark::State& state)
{
    NCalculatorText::CCalcContext context = MakeDocumentContext();
    const QString text = LongText(static_cast<int>(state.range(0)));
    const std::u16string source(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()));
    for (auto _ : state) {
        std::u16string copy = source;
        std::ptrdiff_t cursor = -1;
        benchmark::DoNotOptimize(NCalculatorText::CalculateText(context, copy, cursor));
    }
}
BENCHMARK(BM_CalculationRunAlone)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

// The least any window built on QTextDocument pays for the result: the
// rewritten text put into a fresh document with the editor's layout in one
// go, no undo, no colours, no view. Against the run alone this is the floor
// of the window's ratio.
void BM_RewrittenTextIntoADocument(benchmark::State& state)
{
    NCalculatorText::CCalcContext context = MakeDocumentContext();
    const QString text = LongText(static_cast<int>(state.range(0)));
    std::u16string rewritten(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()));
    std::ptrdiff_t cursor = -1;
    NCalculatorText::CalculateText(context, rewritten, cursor);
    QString result = QString::fromStdU16String(rewritten);
    result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    for (auto _ : state) {
        auto document = std::make_unique<QTextDocument>();
        document->setDocumentLayout(new QPlainTextDocumentLayout(document.get()));
        document->setPlainText(result);
        benchmark::DoNotOptimize(document->blockCount());
        // Its destruction is not part of it.
        state.PauseTiming();
        document.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RewrittenTextIntoADocument)
    ->Arg(1000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// Functions rather than arithmetic, in a shown window: what the vector
// unit's state costs the numbers once the window's libraries have run.
void BM_FunctionsInTheWindow(benchmark::State& state)
{
    CAppState appState{Preferences(), MemoryStore(), PrintSettings(), PrinterChoice()};
    CCalcMainFrame frame(appState);
    frame.show();
    QApplication::processEvents();
    NCalculatorText::CCalcContext context = MakeDocumentContext();
    for (auto _ : state) {
        CComplex value;
        if (!NCalculatorText::EvaluateExpression(context, u"sum(k,1,20000,gamma(k/1000+0.5)*sin(k)+exp(-k/7000)*ln(k))",
                                                 value))
            state.SkipWithError("the series failed");
        benchmark::DoNotOptimize(value);
    }
    frame.Editor()->document()->setModified(false);
}
BENCHMARK(BM_FunctionsInTheWindow)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    return RunWindowBenchmarks(argc, argv);
}
