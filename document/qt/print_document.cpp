#include "document/qt/print_document.h"

#include <QFontMetrics>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPrinter>
#include <QTextLayout>
#include <QTextOption>

#include <algorithm>
#include <cmath>

#include "document/qt/qt_text.h"

namespace {

// Line breaks of any kind become "\n".
QString NormalizeBreaks(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QChar('\r'), QChar('\n'));
    text.replace(QChar(0x2029), QChar('\n'));
    text.replace(QChar(0x2028), QChar('\n'));
    return text;
}

}  // namespace

CPrintDocument::CPrintDocument(const QString& text, const QString& path, const CPrintSettings& settings,
                               const QDateTime& now)
    : m_text(NormalizeBreaks(text))
    , m_path(path)
    , m_settings(settings)
    , m_now(now)
{
}

CPrintDocument::~CPrintDocument() = default;

void CPrintDocument::SetSelection(int start, int end)
{
    // Selection positions count in the editor's own text, where every line
    // break is one character, as after NormalizeBreaks.
    start = std::clamp(start, 0, static_cast<int>(m_text.size()));
    end = std::clamp(end, start, static_cast<int>(m_text.size()));
    m_text = m_text.mid(start, end - start);
}

QFont CPrintDocument::MakeFont(const CPrintFont& stored) const
{
    QFont font(stored.face);
    // The size in points becomes a height in printer pixels.
    const qint64 pixels = static_cast<qint64>(std::max(1u, stored.size)) * m_metrics.dpiY / 72;
    font.setPixelSize(static_cast<int>(std::clamp<qint64>(pixels, 1, 1 << 20)));
    font.setWeight(static_cast<QFont::Weight>(std::clamp(stored.weight, 1u, 1000u)));
    font.setItalic(stored.italic);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

void CPrintDocument::Prepare(QPrinter& printer)
{
    printer.setFullPage(true);
    const int resolution = printer.resolution();
    const QPageLayout layout = printer.pageLayout();
    const QRect paper = layout.fullRectPixels(resolution);
    QPageLayout minimum = layout;
    minimum.setMode(QPageLayout::StandardMode);
    minimum.setMargins(layout.minimumMargins());
    const QMargins hardware = minimum.marginsPixels(resolution);

    m_metrics.dpiX = resolution;
    m_metrics.dpiY = resolution;
    m_metrics.physicalWidth = paper.width();
    m_metrics.physicalHeight = paper.height();
    m_metrics.offsetX = hardware.left();
    m_metrics.offsetY = hardware.top();
    m_metrics.printableWidth = paper.width() - hardware.left() - hardware.right();
    m_metrics.printableHeight = paper.height() - hardware.top() - hardware.bottom();

    m_margins = DeviceMargins(m_settings.marginLeft, m_settings.marginTop, m_settings.marginRight,
                              m_settings.marginBottom, m_metrics);
    m_usable = ::MarginsUsable(m_margins, m_metrics);
    m_textFont = QFont(MakeFont(m_settings.textFont), &printer);
    m_serviceFont = QFont(MakeFont(m_settings.serviceFont), &printer);
    m_paintDevice = &printer;
    LayOut();
}

void CPrintDocument::LayOut()
{
    m_paragraphs.clear();
    m_lines.clear();
    m_pageStarts.clear();
    if (!m_usable)
        return;
    const QFontMetrics service(m_serviceFont, m_paintDevice);
    const int width = m_metrics.printableWidth - m_margins.left - m_margins.right;
    const int height = m_metrics.printableHeight - m_margins.top - m_margins.bottom -
                       HeaderRoom(m_settings.items, service.height()) -
                       FooterRoom(m_settings.items, service.height());
    // Header and footer that leave no room for the text make the page as
    // unusable as margins that leave none: otherwise every line would take
    // a page of its own with nothing of it visible.
    if (height <= 0) {
        m_usable = false;
        return;
    }

    const QFontMetrics textMetrics(m_textFont, m_paintDevice);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTabStopDistance(8.0 * textMetrics.averageCharWidth());
    const QStringList paragraphs = m_text.split(QChar('\n'));
    for (int p = 0; p < paragraphs.size(); ++p) {
        auto layout = std::make_unique<QTextLayout>(paragraphs[p], m_textFont, m_paintDevice);
        layout->setTextOption(option);
        layout->beginLayout();
        for (int index = 0;; ++index) {
            QTextLine line = layout->createLine();
            if (!line.isValid())
                break;
            line.setLineWidth(width);
            line.setPosition(QPointF(0, 0));
            m_lines.push_back({p, index, std::max(1, static_cast<int>(std::ceil(line.height())))});
        }
        layout->endLayout();
        m_paragraphs.push_back(std::move(layout));
    }

    // Pages take whole lines while they fit; a page always takes at least
    // one line, so a page too small for any line still moves on.
    std::size_t index = 0;
    while (index < m_lines.size()) {
        m_pageStarts.push_back(index);
        int used = m_lines[index].height;
        ++index;
        while (index < m_lines.size() && used + m_lines[index].height <= height) {
            used += m_lines[index].height;
            ++index;
        }
    }
}

int CPrintDocument::PageCount() const
{
    return std::max<int>(1, static_cast<int>(m_pageStarts.size()));
}

const QImage& CPrintDocument::DocumentIcon()
{
    static const QImage icon = [] {
        // A sheet with a folded corner and lines of text, on a transparent
        // ground so that the page shows around it.
        QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath sheet;
        sheet.moveTo(6.5, 1.5);
        sheet.lineTo(20.5, 1.5);
        sheet.lineTo(27.5, 8.5);
        sheet.lineTo(27.5, 30.5);
        sheet.lineTo(6.5, 30.5);
        sheet.closeSubpath();
        painter.setPen(QPen(Qt::black, 1.0));
        painter.setBrush(Qt::white);
        painter.drawPath(sheet);
        painter.drawPolyline(QPolygonF({QPointF(20.5, 1.5), QPointF(20.5, 8.5), QPointF(27.5, 8.5)}));
        painter.setPen(QPen(QColor(0, 0, 160), 1.5));
        for (int y = 13; y <= 25; y += 4)
            painter.drawLine(QPointF(10, y), QPointF(y == 25 ? 17 : 24, y));
        return image;
    }();
    return icon;
}

void CPrintDocument::PaintHeaderFooter(QPainter& painter, const QRect& area, int page) const
{
    const unsigned items = m_settings.items;
    painter.setFont(m_serviceFont);
    const QFontMetrics metrics(m_serviceFont, m_paintDevice);
    const auto measure = [&metrics](const std::u16string& text) {
        return metrics.horizontalAdvance(ToQString(text));
    };
    const int lineWidth = area.width();
    const int top = area.top();
    const int bottom = area.top() + area.height();
    int headerFree = lineWidth;
    int footerFree = lineWidth;

    if (items & ItemFileInfo) {
        const int iconHeight = metrics.height();
        const int iconWidth = static_cast<int>(static_cast<qint64>(iconHeight) * m_metrics.dpiX / m_metrics.dpiY);
        const CFileLine line = ChooseFileLine(FromQString(m_path), headerFree, iconWidth, measure);
        if (line.drawn) {
            int x = area.left();
            if (line.icon) {
                painter.save();
                painter.setRenderHint(QPainter::SmoothPixmapTransform);
                painter.drawImage(QRect(x, top, iconWidth, iconHeight), DocumentIcon());
                painter.restore();
                x += iconWidth;
                headerFree -= iconWidth;
            }
            const QString text = ToQString(line.text);
            painter.drawText(QPoint(x, top + metrics.ascent()), text);
            headerFree -= metrics.horizontalAdvance(text);
        }
    }

    if (items & (ItemTime | ItemDate)) {
        const QTime time = m_now.time();
        const QDate date = m_now.date();
        const std::u16string dateText = DateText(date.day(), date.month(), date.year());
        std::u16string text;
        if (items & ItemTime)
            text = TimeText(time.hour(), time.minute()) + ((items & ItemDate) ? u" " + dateText : u"");
        else
            text = dateText;
        if (measure(text) > footerFree && (items & ItemTime) && (items & ItemDate))
            text = dateText;
        if (const int width = measure(text); width <= footerFree) {
            painter.drawText(QPoint(area.left(), bottom - metrics.descent()), ToQString(text));
            footerFree -= width;
        }
    }

    if (items & ItemNumber) {
        const ENumberPosition position = NumberPositionOf(items);
        const bool inHeader = position == HeaderCenter || position == HeaderRight;
        const bool centered = position == HeaderCenter || position == FooterCenter;
        const CPageNumber number =
            ChoosePageNumber(NumberFormatOf(items), static_cast<unsigned>(page), static_cast<unsigned>(PageCount()),
                             lineWidth, inHeader ? headerFree : footerFree, metrics.horizontalAdvance(QChar('8')),
                             centered, measure);
        if (number.drawn) {
            const int y = inHeader ? top + metrics.ascent() : bottom - metrics.descent();
            painter.drawText(QPoint(area.left() + number.offset, y), ToQString(number.text));
        }
    }
}

void CPrintDocument::PaintPage(QPainter& painter, int page) const
{
    if (!m_usable)
        return;
    QRect area(m_metrics.offsetX + m_margins.left, m_metrics.offsetY + m_margins.top,
               m_metrics.printableWidth - m_margins.left - m_margins.right,
               m_metrics.printableHeight - m_margins.top - m_margins.bottom);
    painter.save();
    painter.setPen(Qt::black);
    painter.setBackgroundMode(Qt::TransparentMode);
    PaintHeaderFooter(painter, area, page);
    painter.restore();

    const int serviceHeight = QFontMetrics(m_serviceFont, m_paintDevice).height();
    area.setTop(area.top() + HeaderRoom(m_settings.items, serviceHeight));
    area.setBottom(area.bottom() - FooterRoom(m_settings.items, serviceHeight));
    if (page < 1 || static_cast<std::size_t>(page) > m_pageStarts.size())
        return;
    const std::size_t first = m_pageStarts[static_cast<std::size_t>(page - 1)];
    const std::size_t last =
        static_cast<std::size_t>(page) < m_pageStarts.size() ? m_pageStarts[static_cast<std::size_t>(page)] : m_lines.size();
    painter.save();
    painter.setPen(Qt::black);
    painter.setClipRect(area);
    int y = area.top();
    for (std::size_t i = first; i < last; ++i) {
        const CLine& line = m_lines[i];
        m_paragraphs[static_cast<std::size_t>(line.paragraph)]->lineAt(line.line).draw(&painter, QPointF(area.left(), y));
        y += line.height;
    }
    painter.restore();
}

CPrintDocument::EResult CPrintDocument::Print(QPrinter& printer, int from, int to,
                                              const std::function<bool(int page)>& beforePage)
{
    Prepare(printer);
    const int last = to <= 0 ? PageCount() : std::min(to, PageCount());
    from = std::max(from, 1);
    QPainter painter;
    if (!painter.begin(&printer))
        return NotStarted;
    for (int page = from; page <= last; ++page) {
        if (beforePage && !beforePage(page)) {
            printer.abort();
            painter.end();
            return Aborted;
        }
        if (page > from)
            printer.newPage();
        PaintPage(painter, page);
    }
    // A job that fails while its pages go out counts as aborted.
    return painter.end() ? Printed : Aborted;
}
