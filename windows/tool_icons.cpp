#include "windows/tool_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

struct CGlyph {
    int command;
    const char* theme;  // freedesktop icon name, or nullptr
    const char* text;   // drawn when the theme has no icon
    QRgb color;
};

// Ids of the standard commands beside the calculator's own.
const CGlyph kGlyphs[] = {
    {57600, "document-new", nullptr, 0xff2060a0},
    {57601, "document-open", nullptr, 0xffc08020},
    {57603, "document-save", nullptr, 0xff2060a0},
    {32771, "system-run", "\u25B6", 0xff208040},
    {32773, nullptr, "M\u2193", 0xff806020},
    {32774, nullptr, "M\u2191", 0xff806020},
    {57607, "document-print", nullptr, 0xff404040},
    {57635, "edit-cut", nullptr, 0xff404040},
    {57634, "edit-copy", nullptr, 0xff404040},
    {57637, "edit-paste", nullptr, 0xff404040},
    {32776, nullptr, "L", 0xffa02020},
    {32775, nullptr, "K", 0xff2040a0},
    {32777, nullptr, "M", 0xff208040},
    {32779, "preferences-system", "P", 0xff505050},
    {32780, nullptr, "\u00B0", 0xff7030a0},
    {32803, nullptr, "=", 0xff2060a0},
    {57670, "help-contextual", "?", 0xff2060a0},
};

void DrawDocument(QPainter& p, QColor color)
{
    QPainterPath page;
    page.moveTo(3.5, 1.5);
    page.lineTo(10.5, 1.5);
    page.lineTo(13.5, 4.5);
    page.lineTo(13.5, 14.5);
    page.lineTo(3.5, 14.5);
    page.closeSubpath();
    p.fillPath(page, Qt::white);
    p.setPen(QPen(color, 1));
    p.drawPath(page);
    for (int y = 6; y <= 12; y += 2)
        p.drawLine(QPointF(5.5, y + 0.5), QPointF(11.5, y + 0.5));
}

QPixmap DrawGlyph(const CGlyph& glyph)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor color = QColor::fromRgba(glyph.color);
    switch (glyph.command) {
    case 57600:  // new: a blank page
        DrawDocument(p, color);
        break;
    case 57601: {  // open: a folder
        p.setPen(QPen(color.darker(), 1));
        p.setBrush(color.lighter(140));
        p.drawRect(QRectF(1.5, 4.5, 13, 9));
        p.drawRect(QRectF(1.5, 2.5, 5, 2));
        break;
    }
    case 57603: {  // save: a disk
        p.setPen(QPen(color, 1));
        p.setBrush(color.lighter(160));
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 1.5, 7, 5));
        p.drawRect(QRectF(3.5, 9.5, 9, 5));
        break;
    }
    case 57607: {  // print: a printer
        p.setPen(QPen(color, 1));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 1.5, 7, 5));
        p.setBrush(color.lighter(180));
        p.drawRect(QRectF(1.5, 6.5, 13, 6));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 10.5, 7, 4));
        break;
    }
    case 57635: {  // cut: scissors
        p.setPen(QPen(color, 1.2));
        p.drawLine(QPointF(4, 1), QPointF(11, 10));
        p.drawLine(QPointF(12, 1), QPointF(5, 10));
        p.drawEllipse(QPointF(4.5, 12.5), 2.5, 2.5);
        p.drawEllipse(QPointF(11.5, 12.5), 2.5, 2.5);
        break;
    }
    case 57634:  // copy: two pages
        p.translate(-2, -1);
        DrawDocument(p, color);
        p.translate(4, 2);
        DrawDocument(p, color);
        break;
    case 57637: {  // paste: a clipboard with a page
        p.setPen(QPen(QColor(0x80, 0x60, 0x20), 1));
        p.setBrush(QColor(0xd0, 0xa0, 0x50));
        p.drawRect(QRectF(1.5, 2.5, 10, 12));
        p.translate(3, 1);
        DrawDocument(p, color);
        break;
    }
    default: {
        QFont font;
        font.setPixelSize(glyph.text && QString::fromUtf8(glyph.text).size() > 1 ? 10 : 14);
        font.setBold(true);
        p.setFont(font);
        p.setPen(color);
        p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QString::fromUtf8(glyph.text));
        break;
    }
    }
    return pixmap;
}

}  // namespace

QIcon ToolIcon(int commandId)
{
    for (const CGlyph& glyph : kGlyphs) {
        if (glyph.command != commandId)
            continue;
        if (glyph.theme && QIcon::hasThemeIcon(glyph.theme))
            return QIcon::fromTheme(glyph.theme);
        return QIcon(DrawGlyph(glyph));
    }
    return QIcon();
}

QIcon ApplicationIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        const double u = size / 16.0;
        p.setPen(QPen(QColor(0x30, 0x30, 0x50), u * 0.8));
        p.setBrush(QColor(0xe8, 0xe8, 0xf0));
        p.drawRoundedRect(QRectF(1.5 * u, 0.5 * u, 13 * u, 15 * u), 2 * u, 2 * u);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x20, 0x60, 0xa0));
        p.drawRect(QRectF(3 * u, 2 * u, 10 * u, 3.5 * u));
        const QColor keys[3] = {QColor(0xe0, 0x40, 0x90), QColor(0x40, 0x90, 0xe0), QColor(0x80, 0x80, 0x80)};
        for (int row = 0; row < 3; ++row)
            for (int column = 0; column < 3; ++column) {
                p.setBrush(keys[column]);
                p.drawEllipse(QRectF((3 + column * 3.5) * u, (7 + row * 2.8) * u, 2.6 * u, 2.2 * u));
            }
        icon.addPixmap(pixmap);
    }
    return icon;
}
