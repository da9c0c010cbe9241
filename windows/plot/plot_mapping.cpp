#include "windows/plot/plot_mapping.h"

#include <algorithm>
#include <cmath>

QString PlotNumberText(double value)
{
    if (std::fabs(value) < 1e-300)
        value = 0;
    return QString::number(value, 'g', 6);
}

QString PlotComplexText(const CComplex& value)
{
    const QString re = PlotNumberText(value.real());
    if (value.imag() == 0)
        return re;
    const QString im = PlotNumberText(std::fabs(value.imag()));
    return re + (value.imag() < 0 ? QString::fromUtf8(" \u2212 ") : QString(" + ")) + im + "i";
}

double TickStep(double span, int count)
{
    const double raw = span / std::max(count, 1);
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double factor : {1.0, 2.0, 5.0})
        if (raw <= factor * power)
            return factor * power;
    return 10 * power;
}

CPlotMapping MappingOf(QRect area, const CPlotPicture& picture)
{
    if (picture.view == EPlotView::Line) {
        double low = picture.valueMin;
        double high = picture.valueMax;
        if (!picture.fixedValues && !picture.curves.empty()) {
            low = picture.curves[0].plot.valueMin;
            high = picture.curves[0].plot.valueMax;
            for (const auto& curve : picture.curves) {
                low = std::min(low, curve.plot.valueMin);
                high = std::max(high, curve.plot.valueMax);
            }
        }
        return {QRectF(area), picture.from, picture.to, low, high};
    }
    return {QRectF(area), picture.plane.reMin, picture.plane.reMax, picture.plane.imMin, picture.plane.imMax};
}

bool ClipToBand(QPointF& a, QPointF& b, double top, double bottom)
{
    if ((a.y() < top && b.y() < top) || (a.y() > bottom && b.y() > bottom))
        return false;
    auto cut = [&](QPointF& p, const QPointF& q) {
        const double y = p.y() < top ? top : p.y() > bottom ? bottom : p.y();
        if (y == p.y())
            return;
        const double t = (y - p.y()) / (q.y() - p.y());
        p = QPointF(p.x() + t * (q.x() - p.x()), y);
    };
    const QPointF a0 = a;
    cut(a, b);
    cut(b, a0);
    return true;
}

QList<QPolygonF> CurveLines(const CLinePlot& plot, bool imaginary, const CPlotMapping& map)
{
    const double top = map.area.top() - map.area.height();
    const double bottom = map.area.bottom() + map.area.height();
    QList<QPolygonF> lines;
    QPolygonF line;
    auto flush = [&] {
        if (line.size() >= 2)
            lines << line;
        line.clear();
    };
    for (std::size_t k = 0; k < plot.samples.size(); ++k) {
        const CLineSample& s = plot.samples[k];
        if (!s.valid) {
            flush();
            continue;
        }
        const double v = imaginary ? s.value.imag() : s.value.real();
        QPointF p(map.X(s.x), map.Y(v));
        if (k == 0 || !plot.samples[k - 1].valid) {
            if (p.y() >= top && p.y() <= bottom)
                line << p;
            continue;
        }
        const CLineSample& r = plot.samples[k - 1];
        QPointF a(map.X(r.x), map.Y(imaginary ? r.value.imag() : r.value.real()));
        QPointF b = p;
        if (!ClipToBand(a, b, top, bottom)) {
            flush();
            continue;
        }
        if (line.isEmpty() || line.last() != a) {
            flush();
            line << a;
        }
        line << b;
        if (b != p)
            flush();
    }
    flush();
    return lines;
}
