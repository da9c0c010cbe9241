// Painting the keypad: all 79 buttons drawn off-screen and copied, in each
// style, and the repaint of one button that a hover change causes.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QSettings>
#include <QTemporaryDir>

#include <memory>

#include "windows/keypad/calc_keypad.h"

namespace {

// Made by the first benchmark and destroyed by main while the application
// object still exists: a widget must not outlive it.
std::unique_ptr<CCalcKeyPad> g_keypad;

CCalcKeyPad& Keypad()
{
    if (!g_keypad) {
        g_keypad = std::make_unique<CCalcKeyPad>(Preferences());
        g_keypad->Relabel();
        g_keypad->show();
    }
    return *g_keypad;
}

// Arguments: the stored style and whether the application style is themed.
void BM_PaintKeypad(benchmark::State& state)
{
    QApplication::setStyle(state.range(1) ? QStringLiteral("Fusion") : QStringLiteral("Windows"));
    CCalcKeyPad& keypad = Keypad();
    keypad.SetStyle(static_cast<EKeypadStyle>(state.range(0)));
    QImage target(keypad.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        keypad.render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
    state.SetLabel(QStringLiteral("%1x%2").arg(keypad.width()).arg(keypad.height()).toStdString());
    state.counters["buttons/s"] = benchmark::Counter(79.0 * static_cast<double>(state.iterations()),
                                                     benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PaintKeypad)
    ->ArgNames({"style", "themed"})
    ->Args({StyleVantrel, 1})
    ->Args({StyleXP, 1})
    ->Args({StyleVista, 1})
    ->Args({Style2000, 0})
    ->Unit(benchmark::kMicrosecond);

// One function button, as a hover change repaints it.
void BM_RepaintOneButton(benchmark::State& state)
{
    QApplication::setStyle(QStringLiteral("Fusion"));
    CCalcKeyPad& keypad = Keypad();
    keypad.SetStyle(static_cast<EKeypadStyle>(state.range(0)));
    CColorButton* button = keypad.ButtonById(1029);
    QImage target(button->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        button->render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_RepaintOneButton)->ArgName("style")->Arg(StyleVantrel)->Arg(StyleVista)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_keypad.reset();
    return 0;
}
