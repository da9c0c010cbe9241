// Start-up of the window program on the offscreen platform: from the
// application object to the main window shown and painted, the window alone
// in a running application, and the desktop registration that every start
// repeats (the files are already in place, so it only reads and compares).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include <memory>

#include "windows/frame/calc_main_frame.h"
#include "windows/desktop/shell_registration.h"

namespace {

int g_argc = 1;
char g_program[] = "startup_bench";
char* g_argv[] = {g_program, nullptr};

// Shows the window and lets it lay out and paint once.
void ShowAndPaint(CCalcMainFrame& frame)
{
    frame.show();
    QCoreApplication::processEvents();
    benchmark::DoNotOptimize(frame.grab().size());
}

// The process's state, as the application hands it to its window.
CAppState& AppState()
{
    static CAppState app{Preferences(), MemoryStore(), PrintSettings(), PrinterChoice()};
    return app;
}

// The whole window start: application object, main window, shown and painted.
void BM_ApplicationToShownWindow(benchmark::State& state)
{
    for (auto _ : state) {
        auto application = std::make_unique<QApplication>(g_argc, g_argv);
        QApplication::setOrganizationName("Vantrel");
        QApplication::setApplicationName("Calculator Ka-Vm");
        auto frame = std::make_unique<CCalcMainFrame>(AppState());
        ShowAndPaint(*frame);
        state.PauseTiming();
        frame.reset();
        application.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ApplicationToShownWindow)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The main window alone, in an application that already runs.
void BM_MainWindowShown(benchmark::State& state)
{
    QApplication application(g_argc, g_argv);
    QApplication::setOrganizationName("Vantrel");
    QApplication::setApplicationName("Calculator Ka-Vm");
    for (auto _ : state) {
        auto frame = std::make_unique<CCalcMainFrame>(AppState());
        ShowAndPaint(*frame);
        state.PauseTiming();
        frame.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_MainWindowShown)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The registration of a start after the first: every file already holds
// what would be written.
void BM_RegistrationAtStart(benchmark::State& state)
{
    QTemporaryDir root;
    CRegistrationPlaces places;
    places.dataHome = root.filePath("data");
    places.configHome = root.filePath("config");
    places.program = "/usr/bin/calculator-ka-vm";
    places.runDesktopTools = false;
    RegisterFileTypes(places);
    for (auto _ : state)
        benchmark::DoNotOptimize(RegisterFileTypes(places));
}
BENCHMARK(BM_RegistrationAtStart)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv)
{
    // Offscreen unless a platform is named (QT_QPA_PLATFORM=xcb under
    // xvfb-run measures the start on an X server).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
