#include "windows/panes/statistics_picture.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

// The finite values; the picture leaves out an infinite or undefined one.
bool Finite(const CComplex& value)
{
    return std::isfinite(value.real()) && std::isfinite(value.imag());
}

}  // namespace

CStatisticsPicture::CStatisticsPicture(QWidget* parent) : QWidget(parent)
{
    setObjectName("StatisticsPicture");
    setToolTip(tr("The values in the complex plane with their mean, or their histogram when all are real"));
}

void CStatisticsPicture::SetValues(std::span<const CComplex> values)
{
    m_values.clear();
    CComplex sum;
    for (const CComplex& value : values) {
        if (!Finite(value))
            continue;
        m_values.push_back(value);
        sum += value;
    }
    m_mean = m_values.empty() ? CComplex() : sum / static_cast<double>(m_values.size());
    update();
}

bool CStatisticsPicture::IsHistogram() const
{
    return std::all_of(m_values.begin(), m_values.end(), [](const CComplex& v) { return v.imag() == 0; });
}

std::vector<int> CStatisticsPicture::Bins() const
{
    std::vector<int> bins;
    if (m_values.empty() || !IsHistogram())
        return bins;
    const auto [low, high] = std::minmax_element(m_values.begin(), m_values.end(),
                                                 [](const CComplex& a, const CComplex& b) { return a.real() < b.real(); });
    const double from = low->real();
    const double span = high->real() - from;
    const int count = span > 0 ? std::clamp(static_cast<int>(std::ceil(std::sqrt(m_values.size()))), 1, 20) : 1;
    bins.assign(static_cast<std::size_t>(count), 0);
    for (const CComplex& v : m_values) {
        const int bin = span > 0 ? std::min(count - 1, static_cast<int>((v.real() - from) / span * count)) : 0;
        ++bins[static_cast<std::size_t>(bin)];
    }
    return bins;
}

void CStatisticsPicture::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& p = palette();
    painter.fillRect(rect(), p.color(QPalette::Base));
    const QColor text = p.color(QPalette::Text);
    const QColor accent = p.color(QPalette::Highlight);
    const QColor mean = p.color(QPalette::Base).lightnessF() < 0.5 ? QColor(0xff, 0x6f, 0x61) : QColor(0xc0, 0x39, 0x2b);
    QColor frame = text;
    frame.setAlphaF(0.35f);
    painter.setPen(QPen(frame, 0));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    if (m_values.empty())
        return;
    const QFontMetrics metrics = painter.fontMetrics();
    const QRectF area = QRectF(rect()).adjusted(6, 6, -6, -6 - metrics.height());
    auto label = [&](const QString& s) {
        painter.setPen(text);
        painter.drawText(QRectF(rect()).adjusted(4, 0, -4, -2), Qt::AlignBottom | Qt::AlignHCenter, s);
    };

    if (IsHistogram()) {
        const std::vector<int> bins = Bins();
        const int most = *std::max_element(bins.begin(), bins.end());
        const auto [low, high] = std::minmax_element(
            m_values.begin(), m_values.end(), [](const CComplex& a, const CComplex& b) { return a.real() < b.real(); });
        const double from = low->real();
        const double span = high->real() - from;
        const double width = area.width() / static_cast<double>(bins.size());
        QColor fill = accent;
        fill.setAlphaF(0.6f);
        for (std::size_t i = 0; i < bins.size(); ++i) {
            const double h = area.height() * bins[i] / most;
            const QRectF bar(area.left() + static_cast<double>(i) * width + 1, area.bottom() - h, width - 2, h);
            painter.fillRect(bar, fill);
            painter.setPen(QPen(accent, 0));
            painter.drawRect(bar);
        }
        const double x = span > 0 ? area.left() + (m_mean.real() - from) / span * area.width() : area.center().x();
        painter.setPen(QPen(mean, 2));
        painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
        label(QString::number(from, 'g', 4) + " \u2026 " + QString::number(high->real(), 'g', 4));
        return;
    }

    // The smallest square around the values and the origin's axes.
    double reLow = m_values[0].real(), reHigh = reLow, imLow = m_values[0].imag(), imHigh = imLow;
    for (const CComplex& v : m_values) {
        reLow = std::min(reLow, v.real());
        reHigh = std::max(reHigh, v.real());
        imLow = std::min(imLow, v.imag());
        imHigh = std::max(imHigh, v.imag());
    }
    double half = std::max({reHigh - reLow, imHigh - imLow, 1e-300}) / 2 * 1.15;
    const double cre = (reLow + reHigh) / 2;
    const double cim = (imLow + imHigh) / 2;
    const double side = std::min(area.width(), area.height());
    const QRectF square(area.center().x() - side / 2, area.center().y() - side / 2, side, side);
    auto map = [&](const CComplex& v) {
        return QPointF(square.center().x() + (v.real() - cre) / half * side / 2,
                       square.center().y() - (v.imag() - cim) / half * side / 2);
    };
    QColor axis = text;
    axis.setAlphaF(0.4f);
    painter.setPen(QPen(axis, 0));
    if (cre - half < 0 && cre + half > 0)
        painter.drawLine(map(CComplex(0, cim - half)), map(CComplex(0, cim + half)));
    if (cim - half < 0 && cim + half > 0)
        painter.drawLine(map(CComplex(cre - half, 0)), map(CComplex(cre + half, 0)));
    painter.setPen(QPen(accent, 1));
    QColor fill = accent;
    fill.setAlphaF(0.5f);
    painter.setBrush(fill);
    for (const CComplex& v : m_values)
        painter.drawEllipse(map(v), 3, 3);
    const QPointF m = map(m_mean);
    painter.setPen(QPen(mean, 2));
    painter.drawLine(m + QPointF(-6, -6), m + QPointF(6, 6));
    painter.drawLine(m + QPointF(-6, 6), m + QPointF(6, -6));
    label(tr("Mean") + " \u00D7");
}
