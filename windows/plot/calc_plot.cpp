#include "windows/calc_plot.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QSettings>
#include <QSvgGenerator>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <numbers>
#include <thread>
#include <utility>

#include "document/qt/qt_text.h"

namespace {

const char* const kSection = "GUI/Plot";
constexpr double kDefaultFrom = -10.0;
constexpr double kDefaultTo = 10.0;
constexpr double kDefaultPlane = 4.0;
// Time between two partial plane pictures handed to the window.
constexpr auto kDeliveryInterval = std::chrono::milliseconds(30);

QString NumberText(double value)
{
    if (std::fabs(value) < 1e-300)
        value = 0;
    return QString::number(value, 'g', 6);
}

QString ComplexNumber(const CComplex& value)
{
    const QString re = NumberText(value.real());
    if (value.imag() == 0)
        return re;
    const QString im = NumberText(std::fabs(value.imag()));
    return re + (value.imag() < 0 ? QString::fromUtf8(" \u2212 ") : QString(" + ")) + im + "i";
}

// Ticks at 1, 2 or 5 times a power of ten, about one per count of the
// span.
double TickStep(double span, int count)
{
    const double raw = span / std::max(count, 1);
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double factor : {1.0, 2.0, 5.0})
        if (raw <= factor * power)
            return factor * power;
    return 10 * power;
}

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

struct CMapping {
    QRectF area;
    double x0, x1, y0, y1;
    double X(double x) const { return area.left() + (x - x0) / (x1 - x0) * area.width(); }
    double Y(double y) const { return area.bottom() - (y - y0) / (y1 - y0) * area.height(); }
    double ValueX(double px) const { return x0 + (px - area.left()) / area.width() * (x1 - x0); }
    double ValueY(double py) const { return y0 + (area.bottom() - py) / area.height() * (y1 - y0); }
};

CMapping MappingOf(QRect area, const CPlotPicture& picture)
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

// A segment cut to the band of y between top and bottom; false when
// nothing of it is left.
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

// The runs of valid samples of one part as polylines in the band.
QList<QPolygonF> CurveLines(const CLinePlot& plot, bool imaginary, const CMapping& map)
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

void DrawTicks(QPainter& painter, const CMapping& map, const QPalette& palette, bool grid)
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
        const QString label = NumberText(std::fabs(x) < xStep * 1e-9 ? 0.0 : x);
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
        const QString label = NumberText(std::fabs(y) < yStep * 1e-9 ? 0.0 : y);
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

// ---------------------------------------------------------------- canvas

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
    const CMapping map = MappingOf(area, picture);
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
            readout = (picture.curves.empty() ? QString("x") : picture.curves[0].name) + " = " + NumberText(x);
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
                readout += "   " + curve.text + " = " + ComplexNumber(a.value + t * (after->value - a.value));
            }
        } else {
            const CComplex z(x, map.ValueY(crosshair.y()));
            readout = picture.planeName + " = " + ComplexNumber(z);
            const CPlaneView& v = picture.planeImageView;
            const int column = static_cast<int>((z.real() - v.reMin) / (v.reMax - v.reMin) * v.width);
            const int row = static_cast<int>((v.imMax - z.imag()) / (v.imMax - v.imMin) * v.height);
            CComplex value;
            if (values && values->ValueAt(column, row, value))
                readout += "   f = " + ComplexNumber(value);
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
    const CMapping map = MappingOf(area, m_picture);
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
    const CMapping map = MappingOf(PlotArea(size(), m_picture), m_picture);
    m_dragPicture.valueMin = map.y0;
    m_dragPicture.valueMax = map.y1;
    setCursor(Qt::ClosedHandCursor);
}

void CPlotCanvas::mouseMoveEvent(QMouseEvent* event)
{
    m_mouse = event->position();
    if (m_dragging) {
        const QRect area = PlotArea(size(), m_picture);
        const CMapping map = MappingOf(area, m_dragPicture);
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

// ---------------------------------------------------------------- worker

// One view to compute. Everything the work reads is the job's own: its
// statements with their scratch contexts, the ranges and the sizes; the
// window's thread only sets the cancel flag.
struct CPlotJob {
    std::uint64_t generation = 0;
    EPlotView view = EPlotView::Line;
    CLineView line;
    CPlaneView plane;
    std::vector<std::unique_ptr<CPlotStatement>> statements;
    std::atomic<bool> cancel{false};
};

// What a job hands to the window's thread: copies, which the worker no
// longer touches.
struct CPlotDelivery {
    std::uint64_t generation = 0;
    bool complete = false;
    // Over a line: one plot a statement.
    std::vector<CLinePlot> curves;
    // Over the plane: the picture so far, its rectangle and its values.
    QImage image;
    CPlaneView plane;
    std::shared_ptr<const CPlaneSampler> values;
};

// The thread that computes the pictures, one job at a time. A new job
// cancels the running one and replaces one that has not started. Results
// wait in a list of its own, under its lock, until the window's thread
// takes them; the window is told of them by a queued call.
class CPlotWorker {
public:
    using CDeliver = std::function<void()>;

    explicit CPlotWorker(CDeliver deliver) : m_deliver(std::move(deliver)), m_thread([this] { Run(); }) {}
    ~CPlotWorker()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stop = true;
            CancelLocked();
        }
        m_wake.notify_one();
        m_thread.join();
    }
    CPlotWorker(const CPlotWorker&) = delete;
    CPlotWorker& operator=(const CPlotWorker&) = delete;

    // Cancels the work under way and, when job is given, starts it next.
    void Start(std::unique_ptr<CPlotJob> job)
    {
        std::unique_ptr<CPlotJob> dropped;
        {
            const std::lock_guard lock(m_mutex);
            CancelLocked();
            dropped = std::move(m_next);
            m_next = std::move(job);
        }
        m_wake.notify_one();
        // A job that never started goes away here, outside the lock.
    }

    // The results handed over since the last call, oldest first.
    std::vector<std::shared_ptr<CPlotDelivery>> Take()
    {
        const std::lock_guard lock(m_handMutex);
        return std::exchange(m_handed, {});
    }

    // The window took a delivery: the next partial picture may go.
    void Delivered() { m_inFlight.store(false, std::memory_order_release); }

private:
    void CancelLocked()
    {
        if (m_running)
            m_running->cancel.store(true, std::memory_order_relaxed);
    }

    void Run()
    {
        for (;;) {
            std::unique_ptr<CPlotJob> job;
            {
                std::unique_lock lock(m_mutex);
                m_wake.wait(lock, [this] { return m_stop || m_next; });
                if (m_stop)
                    return;
                job = std::move(m_next);
                m_running = job.get();
            }
            // A new thread starts with the vector state of the thread that
            // made it.
            ClearUpperVectorState();
            Work(*job);
            {
                const std::lock_guard lock(m_mutex);
                m_running = nullptr;
            }
        }
    }

    void Work(CPlotJob& job)
    {
        const CPlotCancel cancelled = [&job] { return job.cancel.load(std::memory_order_relaxed); };
        for (const auto& statement : job.statements)
            statement->SetCancelFlag(&job.cancel);
        if (job.statements.empty())
            return;
        if (job.view == EPlotView::Line) {
            auto delivery = std::make_shared<CPlotDelivery>();
            delivery->generation = job.generation;
            for (const auto& statement : job.statements) {
                const CPlotStatement::CScope scope(*statement);
                delivery->curves.push_back(SampleLine(*statement, job.line, cancelled));
                if (cancelled())
                    return;
            }
            delivery->complete = true;
            Deliver(std::move(delivery), true);
            return;
        }
        CPlotStatement& statement = *job.statements[0];
        const CPlotStatement::CScope scope(statement);
        CPlaneSampler sampler(job.plane);
        auto last = std::chrono::steady_clock::now();
        while (sampler.Step(statement, 1, cancelled)) {
            if (std::chrono::steady_clock::now() - last >= kDeliveryInterval &&
                !m_inFlight.load(std::memory_order_acquire)) {
                Deliver(Snapshot(job, sampler), false);
                last = std::chrono::steady_clock::now();
            }
        }
        if (cancelled())
            return;
        Deliver(Snapshot(job, sampler), true);
    }

    static std::shared_ptr<CPlotDelivery> Snapshot(const CPlotJob& job, const CPlaneSampler& sampler)
    {
        auto delivery = std::make_shared<CPlotDelivery>();
        delivery->generation = job.generation;
        delivery->complete = sampler.Done();
        const CPlaneView& view = sampler.View();
        const std::vector<std::uint32_t> pixels = sampler.Picture();
        QImage image(view.width, view.height, QImage::Format_ARGB32);
        for (int row = 0; row < view.height; ++row)
            std::copy_n(pixels.begin() + static_cast<std::ptrdiff_t>(row) * view.width, view.width,
                        reinterpret_cast<std::uint32_t*>(image.scanLine(row)));
        delivery->image = std::move(image);
        delivery->plane = view;
        delivery->values = std::make_shared<const CPlaneSampler>(sampler);
        return delivery;
    }

    void Deliver(std::shared_ptr<CPlotDelivery> delivery, bool always)
    {
        if (!always && m_inFlight.exchange(true, std::memory_order_acq_rel))
            return;
        m_inFlight.store(true, std::memory_order_release);
        {
            const std::lock_guard lock(m_handMutex);
            m_handed.push_back(std::move(delivery));
        }
        m_deliver();
    }

    CDeliver m_deliver;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    // Guarded by m_mutex: the job waiting to start, the job under way
    // (owned by the worker's loop) and the request to stop.
    std::unique_ptr<CPlotJob> m_next;
    CPlotJob* m_running = nullptr;
    bool m_stop = false;
    // A delivery on its way to the window: partial pictures wait for it.
    std::atomic<bool> m_inFlight{false};
    std::mutex m_handMutex;
    std::vector<std::shared_ptr<CPlotDelivery>> m_handed;
    std::thread m_thread;
};

// ---------------------------------------------------------------- pane

CCalcPlot::CCalcPlot(QWidget* parent) : QWidget(parent)
{
    setObjectName("PlotPane");
    m_canvas = new CPlotCanvas(this);
    m_viewList = new QComboBox(this);
    m_viewList->addItem(tr("Over a line"));
    m_viewList->addItem(tr("Over the plane"));
    m_viewList->setToolTip(tr("Plot the calculation over a line or over the complex plane"));
    const char* const labels[4] = {QT_TR_NOOP("From"), QT_TR_NOOP("to"), QT_TR_NOOP("Im from"), QT_TR_NOOP("to")};
    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(0, 0, 0, 0);
    bar->addWidget(m_viewList);
    for (int i = 0; i < 4; ++i) {
        m_labels[i] = new QLabel(tr(labels[i]), this);
        m_fields[i] = new QLineEdit(this);
        m_fields[i]->setMaximumWidth(90);
        m_fields[i]->setObjectName(QString("PlotRange%1").arg(i));
        m_labels[i]->setBuddy(m_fields[i]);
        bar->addWidget(m_labels[i]);
        bar->addWidget(m_fields[i]);
        connect(m_fields[i], &QLineEdit::editingFinished, this, [this] { ReadRanges(); });
    }
    bar->addStretch();
    m_exportButton = new QToolButton(this);
    m_exportButton->setText(tr("Export"));
    m_exportButton->setToolTip(tr("Save the picture as PNG or SVG"));
    m_exportButton->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(m_exportButton);
    menu->addAction(tr("As &PNG..."), this, [this] {
        const QString path = askExportFileName ? askExportFileName(tr("PNG pictures (*.png)"), "png") : QString();
        if (!path.isEmpty())
            ExportPng(path);
    });
    menu->addAction(tr("As &SVG..."), this, [this] {
        const QString path = askExportFileName ? askExportFileName(tr("SVG drawings (*.svg)"), "svg") : QString();
        if (!path.isEmpty())
            ExportSvg(path);
    });
    m_exportButton->setMenu(menu);
    bar->addWidget(m_exportButton);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(bar);
    layout->addWidget(m_canvas, 1);

    connect(m_viewList, &QComboBox::activated, this, [this](int index) { SetView(static_cast<EPlotView>(index)); });
    connect(m_canvas, &CPlotCanvas::viewChanged, this, [this] {
        ShowRanges();
        Restart();
    });
    connect(m_canvas, &CPlotCanvas::resetRequested, this, &CCalcPlot::ResetRanges);
    // Deliveries come from the worker's thread and are taken on this one;
    // those still queued when the pane goes are dropped with it.
    m_worker = std::make_unique<CPlotWorker>([this] {
        ++m_posted;
        QMetaObject::invokeMethod(
            this,
            [this] {
                for (const auto& delivery : m_worker->Take())
                    Accept(delivery);
            },
            Qt::QueuedConnection);
    });
    ShowRanges();
}

// The one wait for the worker: it is cancelled and joined.
CCalcPlot::~CCalcPlot()
{
    m_worker.reset();
}

QString CCalcPlot::Plot(const std::vector<std::u16string>& expressions)
{
    if (expressions.empty())
        return tr("Nothing to plot: no calculation at the caret");
    std::vector<std::unique_ptr<CPlotStatement>> statements;
    const NCalculatorText::CCalcContext standalone;
    const NCalculatorText::CCalcContext& user = userContext ? userContext() : standalone;
    for (const std::u16string& expression : expressions) {
        auto statement = std::make_unique<CPlotStatement>(user);
        const EPlotPrepare result = statement->Prepare(expression);
        const QString text = ToQString(statement->Text());
        switch (result) {
        case EPlotPrepare::Ready:
            break;
        case EPlotPrepare::SyntaxError:
            return tr("Nothing to plot: \"%1\" is not a calculation").arg(text);
        case EPlotPrepare::NoFreeName:
            return tr("Nothing to plot: \"%1\" has no free name to plot over").arg(text);
        case EPlotPrepare::SeveralFreeNames: {
            QStringList names;
            for (const std::u16string& name : statement->Expression().FreeNames())
                names << ToQString(name);
            return tr("Nothing to plot: \"%1\" has more than one free name (%2)").arg(text, names.join(", "));
        }
        }
        statements.push_back(std::move(statement));
    }
    m_snapshot = std::make_unique<NCalculatorText::CCalcContext>(user.MakeScratch(nullptr));
    m_statements = std::move(statements);
    m_expressions = expressions;
    CPlotPicture& picture = m_canvas->Picture();
    picture.curves.clear();
    picture.planeImage = QImage();
    picture.planeText = ToQString(m_statements[0]->Text());
    picture.planeName = ToQString(m_statements[0]->Expression().Name());
    picture.fixedValues = false;
    Restart();
    NoteFirstStatementOnly();
    return QString();
}

void CCalcPlot::SetView(EPlotView view)
{
    m_canvas->Picture().view = view;
    m_viewList->setCurrentIndex(static_cast<int>(view));
    ShowRanges();
    Restart();
    NoteFirstStatementOnly();
}

void CCalcPlot::NoteFirstStatementOnly()
{
    // The plane has room for one picture: colours cannot be laid over each
    // other as curves can.
    if (View() == EPlotView::Plane && m_statements.size() > 1)
        emit note(tr("Only the first calculation, \"%1\", is drawn over the plane")
                      .arg(ToQString(m_statements[0]->Text())));
}

void CCalcPlot::SetLineRange(double from, double to)
{
    CPlotPicture& picture = m_canvas->Picture();
    if (!(to > from) || !std::isfinite(from) || !std::isfinite(to))
        return;
    picture.from = from;
    picture.to = to;
    picture.fixedValues = false;
    ShowRanges();
    Restart();
}

void CCalcPlot::SetPlaneRange(double reMin, double reMax, double imMin, double imMax)
{
    if (!(reMax > reMin) || !(imMax > imMin))
        return;
    CPlaneView& v = m_canvas->Picture().plane;
    v.reMin = reMin;
    v.reMax = reMax;
    v.imMin = imMin;
    v.imMax = imMax;
    ShowRanges();
    Restart();
}

void CCalcPlot::ResetRanges()
{
    CPlotPicture& picture = m_canvas->Picture();
    if (picture.view == EPlotView::Line) {
        picture.from = kDefaultFrom;
        picture.to = kDefaultTo;
        picture.fixedValues = false;
    } else {
        picture.plane.reMin = picture.plane.imMin = -kDefaultPlane;
        picture.plane.reMax = picture.plane.imMax = kDefaultPlane;
    }
    ShowRanges();
    Restart();
}

void CCalcPlot::ShowRanges()
{
    const CPlotPicture& picture = m_canvas->Picture();
    const bool line = picture.view == EPlotView::Line;
    const double values[4] = {line ? picture.from : picture.plane.reMin, line ? picture.to : picture.plane.reMax,
                              picture.plane.imMin, picture.plane.imMax};
    m_labels[0]->setText(line ? tr("From") : tr("Re from"));
    for (int i = 0; i < 4; ++i) {
        m_fields[i]->setText(NumberText(values[i]));
        m_fields[i]->setVisible(line ? i < 2 : true);
        m_labels[i]->setVisible(line ? i < 2 : true);
    }
}

void CCalcPlot::ReadRanges()
{
    double values[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        QString text = m_fields[i]->text().trimmed();
        text.replace(QChar(0x2212), '-');
        values[i] = text.toDouble(&ok);
        if (!ok)
            values[i] = QLocale().toDouble(text, &ok);
        if (!ok || !std::isfinite(values[i])) {
            ShowRanges();
            return;
        }
    }
    const CPlotPicture& picture = m_canvas->Picture();
    if (picture.view == EPlotView::Line) {
        if (values[0] != picture.from || values[1] != picture.to)
            SetLineRange(values[0], values[1]);
        else
            ShowRanges();
    } else if (values[0] != picture.plane.reMin || values[1] != picture.plane.reMax ||
               values[2] != picture.plane.imMin || values[3] != picture.plane.imMax) {
        SetPlaneRange(values[0], values[1], values[2], values[3]);
    } else {
        ShowRanges();
    }
}

void CCalcPlot::Restart()
{
    ++m_generation;
    m_planeValues.reset();
    m_canvas->SetPlaneValues(nullptr);
    m_canvas->update();
    if (m_statements.empty() || !m_snapshot) {
        m_done = true;
        m_worker->Start(nullptr);
        return;
    }
    m_done = false;
    auto job = std::make_unique<CPlotJob>();
    job->generation = m_generation;
    const CPlotPicture& picture = m_canvas->Picture();
    job->view = picture.view;
    const QRect area = CPlotCanvas::PlotArea(m_canvas->size(), picture);
    if (picture.view == EPlotView::Line) {
        job->line.from = picture.from;
        job->line.to = picture.to;
        job->line.width = std::max(area.width(), 200);
        job->line.height = std::max(area.height(), 100);
        job->line.fixedValues = picture.fixedValues;
        job->line.valueMin = picture.valueMin;
        job->line.valueMax = picture.valueMax;
    } else {
        job->plane = picture.plane;
        // One value a pixel of the screen, at most 800 across.
        job->plane.width = std::clamp(area.width(), 16, 800);
        job->plane.height = std::clamp(area.height(), 16, 800);
    }
    // Over the plane only the first statement is drawn.
    const std::size_t count = picture.view == EPlotView::Line ? m_expressions.size() : 1;
    for (std::size_t k = 0; k < count; ++k) {
        auto statement = std::make_unique<CPlotStatement>(*m_snapshot);
        statement->Prepare(m_expressions[k]);
        job->statements.push_back(std::move(statement));
    }
    m_worker->Start(std::move(job));
}

void CCalcPlot::Accept(const std::shared_ptr<CPlotDelivery>& delivery)
{
    m_worker->Delivered();
    if (delivery->generation != m_generation) {
        ++m_dropped;
        return;
    }
    CPlotPicture& picture = m_canvas->Picture();
    if (picture.view == EPlotView::Line) {
        std::vector<CPlotPicture::CCurve> curves;
        for (std::size_t k = 0; k < delivery->curves.size() && k < m_statements.size(); ++k)
            curves.push_back({ToQString(m_statements[k]->Text()), ToQString(m_statements[k]->Expression().Name()),
                              std::move(delivery->curves[k])});
        picture.curves = std::move(curves);
    } else {
        picture.planeImage = delivery->image;
        picture.planeImageView = delivery->plane;
        m_planeValues = delivery->values;
        m_canvas->SetPlaneValues(m_planeValues.get());
    }
    if (delivery->complete)
        m_done = true;
    m_canvas->update();
}

bool CCalcPlot::Busy() const
{
    return !m_done;
}

void CCalcPlot::Finish()
{
    while (Busy()) {
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
        if (Busy())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

bool CCalcPlot::ExportPng(const QString& path, QSize size)
{
    if (size.isEmpty())
        size = m_canvas->size();
    QImage image(size, QImage::Format_ARGB32);
    QPainter painter(&image);
    CPlotCanvas::Paint(painter, QRect(QPoint(0, 0), size), m_canvas->Picture(), m_canvas->palette());
    painter.end();
    return image.save(path, "PNG");
}

bool CCalcPlot::ExportSvg(const QString& path, QSize size)
{
    if (size.isEmpty())
        size = m_canvas->size();
    QSvgGenerator generator;
    generator.setFileName(path);
    generator.setSize(size);
    generator.setViewBox(QRect(QPoint(0, 0), size));
    generator.setTitle(m_canvas->Picture().view == EPlotView::Line ? tr("Plot over a line")
                                                                  : tr("Plot over the complex plane"));
    QPainter painter;
    if (!painter.begin(&generator))
        return false;
    CPlotCanvas::Paint(painter, QRect(QPoint(0, 0), size), m_canvas->Picture(), m_canvas->palette());
    return painter.end();
}

void CCalcPlot::LoadSettings(QSettings& settings)
{
    settings.beginGroup(kSection);
    CPlotPicture& picture = m_canvas->Picture();
    picture.view = settings.value("View", 0).toInt() == 1 ? EPlotView::Plane : EPlotView::Line;
    const double from = settings.value("From", kDefaultFrom).toDouble();
    const double to = settings.value("To", kDefaultTo).toDouble();
    if (to > from && std::isfinite(from) && std::isfinite(to)) {
        picture.from = from;
        picture.to = to;
    }
    const double plane[4] = {settings.value("ReFrom", -kDefaultPlane).toDouble(),
                             settings.value("ReTo", kDefaultPlane).toDouble(),
                             settings.value("ImFrom", -kDefaultPlane).toDouble(),
                             settings.value("ImTo", kDefaultPlane).toDouble()};
    if (plane[1] > plane[0] && plane[3] > plane[2]) {
        picture.plane.reMin = plane[0];
        picture.plane.reMax = plane[1];
        picture.plane.imMin = plane[2];
        picture.plane.imMax = plane[3];
    }
    const QStringList statements = settings.value("Statements").toStringList();
    settings.endGroup();
    m_viewList->setCurrentIndex(static_cast<int>(picture.view));
    ShowRanges();
    // The pane shows again what it showed last.
    std::vector<std::u16string> expressions;
    for (const QString& statement : statements)
        expressions.push_back(statement.toStdU16String());
    if (!expressions.empty())
        Plot(expressions);
}

void CCalcPlot::SaveSettings(QSettings& settings) const
{
    settings.beginGroup(kSection);
    const CPlotPicture& picture = m_canvas->Picture();
    settings.setValue("View", static_cast<int>(picture.view));
    settings.setValue("From", picture.from);
    settings.setValue("To", picture.to);
    settings.setValue("ReFrom", picture.plane.reMin);
    settings.setValue("ReTo", picture.plane.reMax);
    settings.setValue("ImFrom", picture.plane.imMin);
    settings.setValue("ImTo", picture.plane.imMax);
    QStringList statements;
    for (const std::u16string& expression : m_expressions)
        statements << ToQString(expression);
    settings.setValue("Statements", statements);
    settings.endGroup();
}

QIcon PlotIcon()
{
    QIcon icon;
    for (int size : {16, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const double s = size / 16.0;
        painter.setPen(QPen(QColor(0x50, 0x50, 0x50), s));
        painter.drawLine(QPointF(2 * s, 14 * s), QPointF(15 * s, 14 * s));
        painter.drawLine(QPointF(2 * s, 1 * s), QPointF(2 * s, 14 * s));
        QPainterPath wave;
        for (int i = 0; i <= 24; ++i) {
            const double x = 3 + i * 12.0 / 24;
            const double y = 8 - 5 * std::sin(i * std::numbers::pi / 8) * std::exp(-i / 30.0);
            if (i == 0)
                wave.moveTo(x * s, y * s);
            else
                wave.lineTo(x * s, y * s);
        }
        painter.setPen(QPen(QColor(0x1f, 0x5f, 0xbf), 1.6 * s));
        painter.drawPath(wave);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
