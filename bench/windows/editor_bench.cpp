// The editor over a long text: 100,000 statements in about 1 MiB. Typing in
// the middle of it, key by key with the view repainted after each key (the
// colouring, the bracket mark, the hint and completion all run on the way),
// reports the longest time from key to repaint; "Calculate" on the statement
// in the middle reports the whole command with the repaint. The live result
// is asked for after a pause in typing, not between keys, and evaluates on a
// worker thread; asking for it over the same text is timed on its own.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextBlock>

#include <algorithm>
#include <ctime>

#include "document/keypad/cmd_receiver.h"
#include "document/qt/calc_doc.h"
#include "language/calc_context.h"
#include "language/calculate.h"
#include "windows/editor/calc_highlighter.h"
#include "windows/editor/calc_live_result.h"
#include "windows/frame/calc_main_frame.h"
#include "windows/editor/calc_view.h"
#include "bench/windows/window_bench_main.h"

namespace {

constexpr int kStatements = 100000;

// kStatements statements, ten to a line, each with an old result, a memory
// reference or a function now and then: about 1 MiB of UTF-16.
QString LongText(int statements = kStatements)
{
    QString text;
    text.reserve(statements * 11);
    for (int i = 0; i < statements; ++i) {
        switch (i % 4) {
        case 0:
            text += QString("%1*%2=%3;").arg(i % 97).arg(i % 13 + 1).arg((i % 97) * (i % 13 + 1));
            break;
        case 1:
            text += QString("sin(%1)+1;").arg(i % 7);
            break;
        case 2:
            text += QString("Mem[a]+%1;").arg(i % 100);
            break;
        default:
            text += QString("%1/3;").arg(i % 1000);
            break;
        }
        if (i % 10 == 9)
            text += '\n';
    }
    return text;
}

struct CEditorFixture {
    CEditorFixture()
    {
        frame.resize(1000, 800);
        frame.show();
        view = frame.Editor();
        view->setPlainText(LongText());
        QApplication::processEvents();
        view->Highlighter()->ColourAll();
        Middle();
    }
    ~CEditorFixture() { view->document()->setModified(false); }

    // The caret at the end of the statement list's middle line.
    void Middle()
    {
        QTextCursor cursor(view->document()->findBlockByNumber(view->document()->blockCount() / 2));
        cursor.movePosition(QTextCursor::EndOfBlock);
        view->setTextCursor(cursor);
        view->centerCursor();
        view->viewport()->repaint();
    }

    CAppState appState{Preferences(), MemoryStore(), PrintSettings(), PrinterChoice()};
    CCalcMainFrame frame{appState};
    CCalcView* view = nullptr;
};

// The time this thread has run, in milliseconds: on a loaded machine the
// wall-clock figures include waits for the processor, this one does not.
double ThreadMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

void Key(QWidget* target, QChar c)
{
    const int key = c == u'+' ? Qt::Key_Plus : c.isDigit() ? Qt::Key_0 + c.digitValue() : c.toUpper().unicode();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
    QApplication::sendEvent(target, &release);
}

void BM_TypeInTheMiddleOfALongText(benchmark::State& state)
{
    CEditorFixture fixture;
    const QString typed = QString("sin(2)+cos(3)*4+ln(5)+sqrt(2)-1+Mem[a]+arsh(1)").repeated(3).left(100);
    double longest = 0;
    double longestCpu = 0;
    double total = 0;
    for (auto _ : state) {
        for (QChar c : typed) {
            QElapsedTimer clock;
            clock.start();
            const double cpu = ThreadMilliseconds();
            Key(fixture.view, c);
            fixture.view->viewport()->repaint();
            const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
            longestCpu = std::max(longestCpu, ThreadMilliseconds() - cpu);
            longest = std::max(longest, ms);
            total += ms;
        }
        state.PauseTiming();
        fixture.view->undo();
        fixture.Middle();
        state.ResumeTiming();
    }
    state.counters["longest_key_ms"] = longest;
    state.counters["longest_key_cpu_ms"] = longestCpu;
    state.counters["mean_key_ms"] = total / static_cast<double>(typed.size() * state.iterations());
}
BENCHMARK(BM_TypeInTheMiddleOfALongText)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_CalculateOneStatementInTheMiddle(benchmark::State& state)
{
    CEditorFixture fixture;
    double longest = 0;
    double longestCpu = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fixture.Middle();
        // A fresh statement with no result yet at the caret.
        fixture.view->insertPlainText("2*21");
        state.ResumeTiming();
        QElapsedTimer clock;
        clock.start();
        const double cpu = ThreadMilliseconds();
        fixture.frame.Document()->ExecuteCommand(CmdCalculate);
        fixture.view->viewport()->repaint();
        longestCpu = std::max(longestCpu, ThreadMilliseconds() - cpu);
        longest = std::max(longest, static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
    state.counters["longest_ms"] = longest;
    state.counters["longest_cpu_ms"] = longestCpu;
}
BENCHMARK(BM_CalculateOneStatementInTheMiddle)->Unit(benchmark::kMillisecond)->Iterations(10);

// The share of the calculation run itself: the same statement, the text
// already read.
void BM_CalculationRunForTheMiddleStatement(benchmark::State& state)
{
    CEditorFixture fixture;
    fixture.view->insertPlainText("2*21");
    const std::u16string text = fixture.frame.Document()->Text();
    const std::ptrdiff_t caret = fixture.frame.Document()->Caret();
    for (auto _ : state) {
        std::u16string copy = text;
        std::ptrdiff_t cursor = caret;
        benchmark::DoNotOptimize(NCalculatorText::CalculateText(fixture.frame.Document()->Context(), copy, cursor));
    }
}
BENCHMARK(BM_CalculationRunForTheMiddleStatement)->Unit(benchmark::kMillisecond)->Iterations(10);

// The live result asked for and waited for; "ask_ms" is the share of the
// window's thread (reading the statement, making the scratch context).
void BM_LiveResultInTheMiddleOfALongText(benchmark::State& state)
{
    CEditorFixture fixture;
    CLiveResult* live = fixture.frame.LiveResult();
    fixture.view->insertPlainText("sin(2)+Mem[a]");
    double ask = 0;
    bool added = false;
    for (auto _ : state) {
        state.PauseTiming();
        // A changed statement, so that its value is asked for anew.
        if (added)
            fixture.view->textCursor().deletePreviousChar();
        else
            fixture.view->insertPlainText("1");
        added = !added;
        QApplication::processEvents();
        state.ResumeTiming();
        QElapsedTimer clock;
        clock.start();
        live->Update();
        ask = std::max(ask, static_cast<double>(clock.nsecsElapsed()) / 1e6);
        while (live->Pending())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
    }
    state.counters["ask_ms"] = ask;
}
BENCHMARK(BM_LiveResultInTheMiddleOfALongText)->Unit(benchmark::kMillisecond)->Iterations(20);

// Typing over a statement whose value takes long (a series of ten million
// terms), with the event loop running between the keys as it does for a
// user who types about fifteen keys a second, so that the live result is
// asked for after each pause. Reports the longest time the window's thread
// spent in one key or one turn of the event loop: what the typing feels as
// a stall.
void BM_TypeOverALongSeries(benchmark::State& state)
{
    CAppState appState{Preferences(), MemoryStore(), PrintSettings(), PrinterChoice()};
    CCalcMainFrame frame{appState};
    frame.resize(1000, 800);
    frame.show();
    CCalcView* view = frame.Editor();
    double longest = 0;
    double longestCpu = 0;
    auto stall = [&](auto&& work) {
        QElapsedTimer clock;
        clock.start();
        const double cpu = ThreadMilliseconds();
        work();
        longestCpu = std::max(longestCpu, ThreadMilliseconds() - cpu);
        longest = std::max(longest, static_cast<double>(clock.nsecsElapsed()) / 1e6);
    };
    auto settle = [] {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 300)
            QApplication::processEvents(QEventLoop::AllEvents, 5);
    };
    for (auto _ : state) {
        // The window painted and the statement's value asked for before
        // the typing starts.
        state.PauseTiming();
        view->setPlainText("sum(k, 1, 1e7, k)");
        view->moveCursor(QTextCursor::End);
        settle();
        state.ResumeTiming();
        for (QChar c : QString("+1").repeated(8)) {
            stall([&] { Key(view, c); });
            QElapsedTimer pause;
            pause.start();
            while (pause.elapsed() < 65)
                stall([] { QApplication::processEvents(QEventLoop::AllEvents, 5); });
        }
    }
    view->document()->setModified(false);
    state.counters["longest_stall_ms"] = longest;
    state.counters["longest_stall_cpu_ms"] = longestCpu;
}
BENCHMARK(BM_TypeOverALongSeries)->Unit(benchmark::kMillisecond)->Iterations(3);

// Typing in the middle of a text of range(0) statements (100,000: about
// 1 MiB; 100: about 1 KiB) as a user types, the event loop running between
// the keys long enough for the live result to be asked for and shown, with
// the colouring on. Reports the longest time the window's thread spent in
// one key or one turn of the event loop: the two sizes should cost the same.
void BM_TypeWithPauses(benchmark::State& state)
{
    CAppState appState{Preferences(), MemoryStore(), PrintSettings(), PrinterChoice()};
    CCalcMainFrame frame{appState};
    frame.resize(1000, 800);
    frame.show();
    CCalcView* view = frame.Editor();
    view->setPlainText(LongText(static_cast<int>(state.range(0))));
    QApplication::processEvents();
    view->Highlighter()->ColourAll();
    auto middle = [view] {
        QTextCursor cursor(view->document()->findBlockByNumber(view->document()->blockCount() / 2));
        cursor.movePosition(QTextCursor::EndOfBlock);
        view->setTextCursor(cursor);
        view->centerCursor();
    };
    double longest = 0;
    double longestCpu = 0;
    auto stall = [&](auto&& work) {
        QElapsedTimer clock;
        clock.start();
        const double cpu = ThreadMilliseconds();
        work();
        longestCpu = std::max(longestCpu, ThreadMilliseconds() - cpu);
        longest = std::max(longest, static_cast<double>(clock.nsecsElapsed()) / 1e6);
    };
    auto turns = [&](int milliseconds) {
        QElapsedTimer pause;
        pause.start();
        while (pause.elapsed() < milliseconds)
            stall([] { QApplication::processEvents(QEventLoop::AllEvents, 5); });
    };
    bool shown = true;
    for (auto _ : state) {
        state.PauseTiming();
        middle();
        QApplication::processEvents();
        state.ResumeTiming();
        for (QChar c : QString("+sin(2)*3").repeated(2)) {
            stall([&] { Key(view, c); });
            turns(CLiveResult::kDelay + 40);
        }
        shown = shown && !frame.LiveResult()->Text().isEmpty();
        state.PauseTiming();
        while (view->document()->availableUndoSteps() > 0)
            view->undo();
        state.ResumeTiming();
    }
    if (!shown)
        state.SkipWithError("the live result showed nothing");
    view->document()->setModified(false);
    state.counters["longest_stall_ms"] = longest;
    state.counters["longest_stall_cpu_ms"] = longestCpu;
}
BENCHMARK(BM_TypeWithPauses)->Arg(100)->Arg(kStatements)->Unit(benchmark::kMillisecond)->Iterations(3);

// Opening a calculation file of 100,000 statements with the colouring on.
// "first_paint_ms": from the command to the end of the first paint of the
// editor; "blocked_ms": the longest time the window's thread was busy in one
// go from the command until every line is coloured; "coloured_ms": until
// every line is coloured; "rehighlight_ms": colouring the whole text once,
// on its own.
void BM_OpenALongFile(benchmark::State& state)
{
    QTemporaryDir folder;
    const QString path = folder.filePath("long.vcl");
    CAppState appState{Preferences(), MemoryStore(), PrintSettings(), PrinterChoice()};
    CCalcMainFrame frame{appState};
    frame.resize(1000, 800);
    frame.show();
    CCalcView* view = frame.Editor();
    view->setPlainText(LongText());
    frame.Document()->Save(path);
    view->setPlainText(QString());
    QApplication::processEvents();
    double firstPaint = 0;
    double blocked = 0;
    double coloured = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        frame.OpenDocument(path, false);
        view->viewport()->repaint();
        firstPaint = std::max(firstPaint, static_cast<double>(clock.nsecsElapsed()) / 1e6);
        blocked = std::max(blocked, firstPaint);
        const QTextDocument* document = view->document();
        while ((document->lastBlock().userState() == -1 || view->Highlighter()->Pending()) &&
               clock.elapsed() < 20000) {
            QElapsedTimer turn;
            turn.start();
            QApplication::processEvents(QEventLoop::AllEvents, 5);
            blocked = std::max(blocked, static_cast<double>(turn.nsecsElapsed()) / 1e6);
        }
        coloured = std::max(coloured, static_cast<double>(clock.nsecsElapsed()) / 1e6);
        state.PauseTiming();
        view->setPlainText(QString());
        QApplication::processEvents();
        state.ResumeTiming();
    }
    view->setPlainText(LongText());
    QElapsedTimer clock;
    clock.start();
    view->Highlighter()->rehighlight();
    view->Highlighter()->ColourAll();
    state.counters["rehighlight_ms"] = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    state.counters["first_paint_ms"] = firstPaint;
    state.counters["blocked_ms"] = blocked;
    state.counters["coloured_ms"] = coloured;
    view->document()->setModified(false);
}
BENCHMARK(BM_OpenALongFile)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv)
{
    return RunWindowBenchmarks(argc, argv);
}
