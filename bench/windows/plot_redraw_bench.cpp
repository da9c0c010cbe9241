// Redrawing a line plot (axes, grid, curves with their gaps, legend) and a
// plane picture into an 800 x 500 image, as a paint event does.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include "document/calc_environment.h"
#include "windows/plot/calc_plot.h"
#include "bench/windows/window_bench_main.h"

namespace {

void BM_LinePlotRedraw(benchmark::State& state)
{
    const NCalculatorText::CCalcContext user = MakeDocumentContext();
    CPlotPicture picture;
    const char16_t* const functions[] = {u"J(0,x)", u"tan(x)", u"gamma(x)"};
    std::vector<std::unique_ptr<CPlotStatement>> statements;
    for (const char16_t* f : functions) {
        auto statement = std::make_unique<CPlotStatement>(user);
        statement->Prepare(f);
        CLineView view;
        view.width = 720;
        view.height = 460;
        picture.curves.push_back({QString::fromUtf16(f), "x", SampleLine(*statement, view)});
        statements.push_back(std::move(statement));
    }
    QImage image(800, 500, QImage::Format_ARGB32_Premultiplied);
    const QPalette palette = QApplication::palette();
    for (auto _ : state) {
        QPainter painter(&image);
        CPlotCanvas::Paint(painter, image.rect(), picture, palette, QPointF(400, 250));
    }
}
BENCHMARK(BM_LinePlotRedraw)->Unit(benchmark::kMillisecond);

void BM_PlanePlotRedraw(benchmark::State& state)
{
    CPlotPicture picture;
    picture.view = EPlotView::Plane;
    picture.planeImage = QImage(400, 400, QImage::Format_ARGB32);
    picture.planeImage.fill(Qt::darkCyan);
    QImage image(800, 500, QImage::Format_ARGB32_Premultiplied);
    const QPalette palette = QApplication::palette();
    for (auto _ : state) {
        QPainter painter(&image);
        CPlotCanvas::Paint(painter, image.rect(), picture, palette);
    }
}
BENCHMARK(BM_PlanePlotRedraw)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    return RunWindowBenchmarks(argc, argv);
}
