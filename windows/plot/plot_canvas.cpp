#include "windows/plot/plot_canvas.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

// Curve colours that read on both light and dark backgrounds.
QColor CurveColour(int index, bool dark)
{
    static const QColor light[] = {QColor(0x1f, 0x5f, 0xbf), QColor(0xc0, 0x39, 0x2b), QColor(0x27, 0x8a, 0x3c),
                                   QColor(0x8e, 0x44, 0xad), QColor(0xd3, 0x6c, 0x00)};
    static const QColor night[] = {QColor(0x5d, 0xa5, 0xff), QColor(0xff, 0x6f, 0x61), QColor(0x5f, 0xd0, 0x6f),
                                   QColor(0xc3, 0x8b, 0xff), QColor(0xff, 0xb3, 0x47)};
    const int slot = ((index % 5) + 5) % 5;
    return dark ? night[slot] : light[slot];
}

bool IsDark(const QPalette& palette)
{
    return palette.color(QPalette::Base).lightnessF() < 0.5;
}

void DrawTicks(QPainter& painter, const CPlotMapping& map, const QPalette& palette, bool grid)
{
    const QFontMetrics metrics = painter.fontMetrics();
    const QColor text = palette.color(QPalette::Text);
    QColor gridColour = text;
    gridColour.setAlphaF(0.12f);
    const QRectF& area = map.area;
    const double xStep = TickStep(map.x1 - map.x0, std::max(3, int(area.width() / 70)));
    const double yStep = TickStep(map.y1 - map.y0, std::max(3, int(area.height() / 40)));
    for (double x = std::ceil(map.x0 / xStep) * xStep; x <= map.x1 + xStep * 1e-9; x += xStep) {
        const double px = map.X(x);
        if (grid) {
            painter.setPen(QPen(gridColour, 0));
            painter.drawLine(QPointF(px, area.top()), QPointF(px, area.bottom()));
        }
        painter.setPen(QPen(text, 0));
        painter.drawLine(QPointF(px, area.bottom()), QPointF(px, area.bottom() + 4));
        const QString label = PlotNumberText(std::fabs(x) < xStep * 1e-9 ? 0.0 : x);
        const double w = metrics.horizontalAdvance(label);
        painter.drawText(QPointF(px - w / 2, area.bottom() + 6 + metrics.ascent()), label);
    }
    for (double y = std::ceil(map.y0 / yStep) * yStep; y <= map.y1 + yStep * 1e-9; y += yStep) {
        const double py = map.Y(y);
        if (grid) {
            painter.setPen(QPen(gridColour, 0));
            painter.drawLine(QPointF(area.left(), py), QPointF(area.right(), py));
        }
        painter.setPen(QPen(text, 0));
        painter.drawLine(QPointF(area.left() - 4, py), QPointF(area.left(), py));
        const QString label = PlotNumberText(std::fabs(y) < yStep * 1e-9 ? 0.0 : y);
        const double w = metrics.horizontalAdvance(label);
        painter.drawText(QPointF(area.left() - 6 - w, py + metrics.ascent() / 2.0 - 1), label);
    }
    painter.setPen(QPen(text, 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(area);
}

void DrawColourKey(QPainter& painter, QRect rect, const QPalette& palette)
{
    // A ring for the argument and a scale for the modulus.
    const QColor text = palette.color(QPalette::Text);
    const QFontMetrics metrics = painter.fontMetrics();
    const int size = std::min(rect.width() - 20, 64);
    const QRect ring(rect.left() + (rect.width() - size) / 2, rect.top() + metrics.height() + 4, size, size);
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    const double c = size / 2.0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double dx = x + 0.5 - c;
            const double dy = c - (y + 0.5);
            const double r = std::hypot(dx, dy);
            if (r > c || r < c * 0.55)
                continue;
            image.setPixel(x, y, DomainColour(std::polar(1.0, std::atan2(dy, dx))));
        }
    }
    painter.drawImage(ring, image);
    painter.setPen(QPen(text, 0));
    painter.drawText(QRect(rect.left(), rect.top(), rect.width(), metrics.height()), Qt::AlignCenter,
                     QCoreApplication::translate("CCalcPlot", "Argument"));
    const int mid = ring.center().y();
    painter.drawText(QRect(ring.right() + 2, mid - metrics.height() / 2, 20, metrics.height()), Qt::AlignLeft, "0");
    painter.drawText(QRect(ring.left() - 22, mid - metrics.height() / 2, 20, metrics.height()), Qt::AlignRight,
                     QString::fromUtf8("\u03C0"));

    const int scaleTop = ring.bottom() + metrics.height() + 12;
    const int scaleBottom = rect.bottom() - 4;
    if (scaleBottom - scaleTop < 40)
        return;
    painter.drawText(QRect(rect.left(), scaleTop - metrics.height() - 4, rect.width(), metrics.height()),
                     Qt::AlignCenter, QCoreApplication::translate("CCalcPlot", "Modulus"));
    const int barLeft = rect.left() + 8;
    const int barWidth = 14;
    const int height = scaleBottom - scaleTop;
    // Top: 1e4, bottom: 1e-4, evenly in log.
    for (int y = 0; y < height; ++y) {
        const double exponent = 4 - 8.0 * (y + 0.5) / height;
        painter.setPen(QColor::fromRgba(DomainColour(CComplex(std::pow(10.0, exponent), 0))));
        painter.drawLine(barLeft, scaleTop + y, barLeft + barWidth, scaleTop + y);
    }
    painter.setPen(QPen(text, 0));
    painter.drawRect(barLeft, scaleTop, barWidth, height);
    for (int e = -4; e <= 4; e += 2) {
        const int y = scaleTop + static_cast<int>((4 - e) / 8.0 * height);
        painter.drawLine(barLeft + barWidth, y, barLeft + barWidth + 3, y);
        const QString label = e == 0 ? QString("1") : QString("1e%1").arg(e);
        painter.drawText(QPointF(barLeft + barWidth + 5, y + metrics.ascent() / 2.0 - 1), label);
    }
}

}  // namespace

CPlotCanvas::CPlotCanvas(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setMinimumSize(200, 150);
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QRect CPlotCanvas::PlotArea(QSize size, const CPlotPicture& picture)
{
    const bool plane = picture.view == EPlotView::Plane;
    QRect area(64, 10, size.width() - 64 - (plane ? 100 : 12), size.height() - 10 - 28);
    if (plane && area.width() > 10 && area.height() > 10) {
        const double aspect = (picture.plane.reMax - picture.plane.reMin) / (picture.plane.imMax - picture.plane.imMin);
        if (area.width() > area.height() * aspect)
            area.setWidth(std::max(10, static_cast<int>(area.height() * aspect)));
        else
            area.setHeight(std::max(10, static_cast<int>(area.width() / aspect)));
    }
    return area.width() > 10 && area.height() > 10 ? area : QRect(0, 0, std::max(size.width(), 11), std::max(size.height(), 11));
}

void CPlotCanvas::Paint(QPainter& painter, QRect rect, const CPlotPicture& picture, const QPalette& palette,
                        QPointF crosshair, const CPlaneSampler* values)
{
    painter.save();
    painter.translate(rect.topLeft());
    painter.fillRect(QRect(QPoint(0, 0), rect.size()), palette.color(QPalette::Base));
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QRect area = PlotArea(rect.size(), picture);
    const CPlotMapping map = MappingOf(area, picture);
    const QColor text = palette.color(QPalette::Text);
    const bool dark = IsDark(palette);

    if (picture.view == EPlotView::Plane) {
        if (!picture.planeImage.isNull()) {
            // The picture where its rectangle lies now (a zoom or a pan
            // shows the old picture moved until the new one is ready).
            const CPlaneView& v = picture.planeImageView;
            const QRectF target(QPointF(map.X(v.reMin), map.Y(v.imMax)), QPointF(map.X(v.reMax), map.Y(v.imMin)));
            painter.save();
            painter.setClipRect(area);
            painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
            painter.drawImage(target, picture.planeImage);
            painter.restore();
        }
        DrawTicks(painter, map, palette, false);
        DrawColourKey(painter, QRect(area.right() + 8, area.top(), 88, std::max(area.height(), 200)), palette);
        if (!picture.planeText.isEmpty()) {
            // The statement over the picture, on the background so that it
            // reads whatever the colours below.
            const QString title = picture.planeText + "   (" + picture.planeName + " = x + iy)";
            const QFontMetrics metrics = painter.fontMetrics();
            const QRect box(area.left() + 4, area.top() + 4,
                            std::min(area.width() - 8, metrics.horizontalAdvance(title) + 8), metrics.height() + 2);
            QColor back = palette.color(QPalette::Base);
            back.setAlphaF(0.8f);
            painter.fillRect(box, back);
            painter.setPen(text);
            painter.drawText(box, Qt::AlignCenter, title);
        }
    } else {
        DrawTicks(painter, map, palette, true);
        // The axes through zero, when they show.
        QColor axis = text;
        axis.setAlphaF(0.45f);
        painter.setPen(QPen(axis, 0));
        if (map.y0 < 0 && map.y1 > 0)
            painter.drawLine(QPointF(area.left(), map.Y(0)), QPointF(area.right(), map.Y(0)));
        if (map.x0 < 0 && map.x1 > 0)
            painter.drawLine(QPointF(map.X(0), area.top()), QPointF(map.X(0), area.bottom()));
        painter.save();
        painter.setClipRect(area);
        for (std::size_t i = 0; i < picture.curves.size(); ++i) {
            const auto& curve = picture.curves[i];
            const QColor colour = CurveColour(static_cast<int>(i), dark);
            painter.setPen(QPen(colour, 1.6));
            for (const QPolygonF& line : CurveLines(curve.plot, false, map))
                painter.drawPolyline(line);
            if (curve.plot.anyImaginary) {
                painter.setPen(QPen(colour, 1.6, Qt::DashLine));
                for (const QPolygonF& line : CurveLines(curve.plot, true, map))
                    painter.drawPolyline(line);
            }
        }
        painter.restore();
        // Legend.
        const QFontMetrics metrics = painter.fontMetrics();
        int y = area.top() + 6;
        int width = 0;
        QStringList entries;
        for (const auto& curve : picture.curves) {
            entries << QString("Re ") + curve.text;
            if (curve.plot.anyImaginary)
                entries << QString("Im ") + curve.text;
        }
        for (const QString& entry : entries)
            width = std::max(width, metrics.horizontalAdvance(entry));
        if (!entries.isEmpty()) {
            QColor back = palette.color(QPalette::Base);
            back.setAlphaF(0.85f);
            const QRect box(area.left() + 6, y, width + 40, static_cast<int>(entries.size()) * metrics.height() + 6);
            painter.fillRect(box, back);
            QColor frame = text;
            frame.setAlphaF(0.3f);
            painter.setPen(QPen(frame, 0));
            painter.drawRect(box);
            y += 3;
            for (std::size_t i = 0; i < picture.curves.size(); ++i) {
                const auto& curve = picture.curves[i];
                const QColor colour = CurveColour(static_cast<int>(i), dark);
                for (int part = 0; part < (curve.plot.anyImaginary ? 2 : 1); ++part) {
                    const int middle = y + metrics.height() / 2;
                    painter.setPen(QPen(colour, 2, part == 0 ? Qt::SolidLine : Qt::DashLine));
                    painter.drawLine(box.left() + 6, middle, box.left() + 30, middle);
                    painter.setPen(text);
                    painter.drawText(QPointF(box.left() + 36, y + metrics.ascent()),
                                     QString(part == 0 ? "Re " : "Im ") + curve.text);
                    y += metrics.height();
                }
            }
        }
    }

    // Crosshair and readout.
    if (area.contains(crosshair.toPoint())) {
        QColor cross = text;
        cross.setAlphaF(0.5f);
        painter.setPen(QPen(cross, 0, Qt::DashLine));
        painter.drawLine(QPointF(crosshair.x(), area.top()), QPointF(crosshair.x(), area.bottom()));
        painter.drawLine(QPointF(area.left(), crosshair.y()), QPointF(area.right(), crosshair.y()));
        QString readout;
        const double x = map.ValueX(crosshair.x());
        if (picture.view == EPlotView::Line) {
            readout = (picture.curves.empty() ? QString("x") : picture.curves[0].name) + " = " + PlotNumberText(x);
            for (const auto& curve : picture.curves) {
                const auto& samples = curve.plot.samples;
                auto after = std::lower_bound(samples.begin(), samples.end(), x,
                                              [](const CLineSample& s, double v) { return s.x < v; });
                if (after == samples.begin() || after == samples.end() || !after->valid || !(after - 1)->valid) {
                    readout += "   " + curve.text + ": \u2014";
                    continue;
                }
                const CLineSample& a = *(after - 1);
                const double t = (x - a.x) / (after->x - a.x);
                readout += "   " + curve.text + " = " + PlotComplexText(a.value + t * (after->value - a.value));
            }
        } else {
            const CComplex z(x, map.ValueY(crosshair.y()));
            readout = picture.planeName + " = " + PlotComplexText(z);
            const CPlaneView& v = picture.planeImageView;
            const int column = static_cast<int>((z.real() - v.reMin) / (v.reMax - v.reMin) * v.width);
            const int row = static_cast<int>((v.imMax - z.imag()) / (v.imMax - v.imMin) * v.height);
            CComplex value;
            if (values && values->ValueAt(column, row, value))
                readout += "   f = " + PlotComplexText(value);
        }
        const QFontMetrics metrics = painter.fontMetrics();
        const int w = metrics.horizontalAdvance(readout) + 10;
        QRect box(area.right() - w - 4, area.bottom() - metrics.height() - 8, w, metrics.height() + 4);
        if (box.left() < area.left())
            box.moveLeft(area.left());
        QColor back = palette.color(QPalette::Base);
        back.setAlphaF(0.9f);
        painter.fillRect(box, back);
        painter.setPen(text);
        painter.drawText(box, Qt::AlignCenter, readout);
    }
    painter.restore();
}

void CPlotCanvas::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    Paint(painter, rect(), m_picture, palette(), m_mouse, m_values);
}

void CPlotCanvas::wheelEvent(QWheelEvent* event)
{
    const double steps = event->angleDelta().y() / 120.0;
    if (steps == 0)
        return;
    const double factor = std::pow(0.8, steps);
    const QRect area = PlotArea(size(), m_picture);
    const CPlotMapping map = MappingOf(area, m_picture);
    const double cx = map.ValueX(event->position().x());
    const double cy = map.ValueY(event->position().y());
    if (m_picture.view == EPlotView::Line) {
        m_picture.from = cx + (m_picture.from - cx) * factor;
        m_picture.to = cx + (m_picture.to - cx) * factor;
        m_picture.fixedValues = true;
        m_picture.valueMin = cy + (map.y0 - cy) * factor;
        m_picture.valueMax = cy + (map.y1 - cy) * factor;
    } else {
        CPlaneView& v = m_picture.plane;
        v.reMin = cx + (v.reMin - cx) * factor;
        v.reMax = cx + (v.reMax - cx) * factor;
        v.imMin = cy + (v.imMin - cy) * factor;
        v.imMax = cy + (v.imMax - cy) * factor;
    }
    event->accept();
    update();
    emit viewChanged();
}

void CPlotCanvas::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_dragging = true;
    m_dragStart = event->position();
    m_dragPicture = m_picture;
    const CPlotMapping map = MappingOf(PlotArea(size(), m_picture), m_picture);
    m_dragPicture.valueMin = map.y0;
    m_dragPicture.valueMax = map.y1;
    setCursor(Qt::ClosedHandCursor);
}

void CPlotCanvas::mouseMoveEvent(QMouseEvent* event)
{
    m_mouse = event->position();
    if (m_dragging) {
        const QRect area = PlotArea(size(), m_picture);
        const CPlotMapping map = MappingOf(area, m_dragPicture);
        const double dx = (event->position().x() - m_dragStart.x()) / area.width() * (map.x1 - map.x0);
        const double dy = (event->position().y() - m_dragStart.y()) / area.height() * (map.y1 - map.y0);
        if (m_picture.view == EPlotView::Line) {
            m_picture.from = m_dragPicture.from - dx;
            m_picture.to = m_dragPicture.to - dx;
            m_picture.fixedValues = true;
            m_picture.valueMin = m_dragPicture.valueMin + dy;
            m_picture.valueMax = m_dragPicture.valueMax + dy;
        } else {
            const CPlaneView& from = m_dragPicture.plane;
            CPlaneView& v = m_picture.plane;
            v.reMin = from.reMin - dx;
            v.reMax = from.reMax - dx;
            v.imMin = from.imMin + dy;
            v.imMax = from.imMax + dy;
        }
        emit viewChanged();
    }
    update();
}

void CPlotCanvas::mouseReleaseEvent(QMouseEvent*)
{
    m_dragging = false;
    unsetCursor();
}

void CPlotCanvas::mouseDoubleClickEvent(QMouseEvent*)
{
    m_dragging = false;
    emit resetRequested();
}

void CPlotCanvas::leaveEvent(QEvent*)
{
    m_mouse = QPointF(-1, -1);
    update();
}
