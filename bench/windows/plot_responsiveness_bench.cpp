// How the window answers while a 400 x 400 picture of gamma(z) over the
// plane is computed: a 5 ms timer runs on the window's thread and every
// tick types a character into the editor; the longest lateness of a tick is
// the longest time the window could not answer. Reported as counters:
// stall_max_ms (the longest), stall_p99_ms and picture_ms (from the start
// of the picture until it is complete). And how soon a view change over a
// line shows its first curve.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <vector>

#include "windows/frame/calc_bar.h"
#include "windows/frame/calc_main_frame.h"
#include "windows/plot/calc_plot.h"
#include "windows/editor/calc_view.h"
#include "bench/windows/window_bench_main.h"

namespace {

constexpr int kTickMilliseconds = 5;

void BM_TypingWhileThePlaneIsComputed(benchmark::State& state)
{
    QSettings().remove("GUI");
    CAppState appState{Preferences(), MemoryStore(), PrintSettings(), PrinterChoice()};
    CCalcMainFrame frame(appState);
    frame.resize(1200, 800);
    frame.show();
    frame.PlotPane()->show();
    QApplication::processEvents();
    CCalcPlot* plot = frame.Plot();
    // A canvas whose plot area is 400 x 400 pixels over a square.
    plot->Canvas()->setFixedSize(564, 438);
    QApplication::processEvents();
    frame.Editor()->setPlainText("gamma(z)");
    QTextCursor cursor = frame.Editor()->textCursor();
    cursor.movePosition(QTextCursor::End);
    frame.Editor()->setTextCursor(cursor);
    frame.PlotAtCaret();
    plot->Finish();
    plot->SetView(EPlotView::Plane);
    plot->Finish();

    std::vector<double> stalls;
    double worst = 0;
    double pictureMs = 0;
    int typed = 0;
    for (auto _ : state) {
        // Each round a slightly different rectangle: a new picture.
        const double shift = 0.001 * static_cast<double>(state.iterations());
        QElapsedTimer clock;
        clock.start();
        plot->SetPlaneRange(-5 + shift, 3 + shift, -4, 4);
        QEventLoop loop;
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        tick.setInterval(kTickMilliseconds);
        QElapsedTimer since;
        since.start();
        QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
            const double late = static_cast<double>(since.nsecsElapsed()) / 1e6 - kTickMilliseconds;
            since.restart();
            stalls.push_back(std::max(late, 0.0));
            worst = std::max(worst, late);
            // A key as the keyboard delivers it.
            QApplication::postEvent(frame.Editor(), new QKeyEvent(QEvent::KeyPress, Qt::Key_1, Qt::NoModifier, "1"));
            QApplication::postEvent(frame.Editor(),
                                    new QKeyEvent(QEvent::KeyRelease, Qt::Key_1, Qt::NoModifier, "1"));
            ++typed;
            if (!plot->Busy())
                loop.quit();
        });
        tick.start();
        loop.exec();
        tick.stop();
        pictureMs += static_cast<double>(clock.nsecsElapsed()) / 1e6;
        state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
    }
    std::sort(stalls.begin(), stalls.end());
    state.counters["stall_max_ms"] = worst;
    state.counters["stall_p99_ms"] = stalls.empty() ? 0.0 : stalls[stalls.size() * 99 / 100];
    state.counters["picture_ms"] = pictureMs / static_cast<double>(state.iterations());
    state.counters["plane_width"] = plot->Canvas()->Picture().planeImage.width();
    state.counters["keys"] = typed;
    frame.Editor()->document()->setModified(false);
}
BENCHMARK(BM_TypingWhileThePlaneIsComputed)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// From a view change over a line (a pan, as a drag or the range fields
// make it) to the first curve of the new view painted on the canvas, and
// to the final picture: J(0,x) beside a series whose values take a while
// (2,000 terms a point), over a 600 x 400 plot area. The argument turns
// the quick rough picture off (0) or on (1), so that both run in one
// process. Counters: first_curve_ms and final_ms, medians of the rounds.
void BM_ViewChangeToFirstCurve(benchmark::State& state)
{
    QSettings().remove("GUI");
    CAppState appState{Preferences(), MemoryStore(), PrintSettings(), PrinterChoice()};
    CCalcMainFrame frame(appState);
    frame.resize(1200, 800);
    frame.show();
    frame.PlotPane()->show();
    QApplication::processEvents();
    CCalcPlot* plot = frame.Plot();
    plot->Canvas()->setFixedSize(676, 438);
    QApplication::processEvents();
    frame.Editor()->setPlainText("J(0,x); sum(k,1,2000,cos(k*x)/k^2)");
    frame.Editor()->selectAll();
    frame.PlotAtCaret();
    plot->Finish();
    plot->SetQuickPicture(state.range(0) != 0);
    const CPlotPicture& picture = plot->Canvas()->Picture();

    std::vector<double> first, final;
    int round = 0;
    for (auto _ : state) {
        const double from = -10 + 0.01 * ++round;
        QElapsedTimer clock;
        clock.start();
        plot->SetLineRange(from, from + 20);
        // The first delivery of the new view: its curves start at the new
        // left end.
        while (picture.curves.empty() || picture.curves[0].plot.samples.empty() ||
               picture.curves[0].plot.samples.front().x != from)
            QApplication::processEvents(QEventLoop::AllEvents, 1);
        plot->Canvas()->repaint();
        first.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        plot->Finish();
        plot->Canvas()->repaint();
        final.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        state.SetIterationTime(final.back() / 1e3);
    }
    auto median = [](std::vector<double> values) {
        std::sort(values.begin(), values.end());
        return values.empty() ? 0.0 : values[values.size() / 2];
    };
    state.counters["first_curve_ms"] = median(first);
    state.counters["final_ms"] = median(final);
    frame.Editor()->document()->setModified(false);
}
BENCHMARK(BM_ViewChangeToFirstCurve)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(7);

}  // namespace

int main(int argc, char** argv)
{
    return RunWindowBenchmarks(argc, argv);
}
