#include "windows/base/tool_icons.h"

#include "windows/base/icon_theme_cache.h"

#include <QGuiApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

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

bool IsDark(const QColor& color)
{
    return color.lightness() < 128;
}

// Paints its drawing for every size and mode it is asked for; nothing is
// kept, so a change of palette shows at the next paint.
class CPaintedIconEngine final : public QIconEngine {
public:
    explicit CPaintedIconEngine(FIconDrawing drawing) : m_drawing(std::move(drawing)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->translate(rect.topLeft());
        painter->scale(rect.width() / 16.0, rect.height() / 16.0);
        if (mode == QIcon::Disabled)
            painter->setOpacity(0.4);
        m_drawing(*painter, IconInkFor(QGuiApplication::palette()));
        painter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        // The size is in device pixels: a caller on a screen of ratio 2
        // asks for 32 x 32 and gets a drawing made at that size.
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pixmap;
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override { return {QSize(16, 16)}; }
    QIconEngine* clone() const override { return new CPaintedIconEngine(m_drawing); }
    QString key() const override { return QStringLiteral("kavm-painted"); }

private:
    FIconDrawing m_drawing;
};

void DrawDocument(QPainter& p, const CIconInk& ink, QColor color)
{
    QPainterPath page;
    page.moveTo(3.5, 1.5);
    page.lineTo(10.5, 1.5);
    page.lineTo(13.5, 4.5);
    page.lineTo(13.5, 14.5);
    page.lineTo(3.5, 14.5);
    page.closeSubpath();
    p.fillPath(page, ink.paper);
    p.setPen(QPen(color, 1));
    p.drawPath(page);
    for (int y = 6; y <= 12; y += 2)
        p.drawLine(QPointF(5.5, y + 0.5), QPointF(11.5, y + 0.5));
}

void DrawGlyph(QPainter& p, const CIconInk& ink, const CGlyph& glyph)
{
    const QColor color = ink.Readable(QColor::fromRgba(glyph.color));
    switch (glyph.command) {
    case 57600:  // new: a blank page
        DrawDocument(p, ink, color);
        break;
    case 57601: {  // open: a folder
        p.setPen(QPen(IsDark(ink.background) ? color.lighter(130) : color.darker(), 1));
        p.setBrush(QColor::fromRgba(glyph.color).lighter(140));
        p.drawRect(QRectF(1.5, 4.5, 13, 9));
        p.drawRect(QRectF(1.5, 2.5, 5, 2));
        break;
    }
    case 57603: {  // save: a disk
        p.setPen(QPen(color, 1));
        p.setBrush(IsDark(ink.background) ? color.darker(250) : color.lighter(160));
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        p.setBrush(ink.paper);
        p.drawRect(QRectF(4.5, 1.5, 7, 5));
        p.drawRect(QRectF(3.5, 9.5, 9, 5));
        break;
    }
    case 57607: {  // print: a printer
        p.setPen(QPen(color, 1));
        p.setBrush(ink.paper);
        p.drawRect(QRectF(4.5, 1.5, 7, 5));
        p.setBrush(IsDark(ink.background) ? ink.paper.lighter(150) : color.lighter(180));
        p.drawRect(QRectF(1.5, 6.5, 13, 6));
        p.setBrush(ink.paper);
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
        DrawDocument(p, ink, color);
        p.translate(4, 2);
        DrawDocument(p, ink, color);
        break;
    case 57637: {  // paste: a clipboard with a page
        p.setPen(QPen(ink.Readable(QColor(0x80, 0x60, 0x20)), 1));
        p.setBrush(QColor(0xd0, 0xa0, 0x50));
        p.drawRect(QRectF(1.5, 2.5, 10, 12));
        p.translate(3, 1);
        DrawDocument(p, ink, color);
        break;
    }
    default: {
        QFont font;
        font.setPixelSize(glyph.text && QString::fromUtf8(glyph.text).size() > 1 ? 10 : 14);
        font.setBold(true);
        p.setFont(font);
        p.setPen(color);
        p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, QString::fromUtf8(glyph.text));
        break;
    }
    }
}

// Whether the icon theme could give any of the tool icons. A desktop names
// its theme (Adwaita, Breeze...), which is asked as always. Without one
// the lookup goes through "hicolor" alone, the theme of applications' own
// icons: its first lookup reads the theme's description (some 55 KB) and
// takes a few milliseconds before the first picture, while the theme's
// index of names answers in a fraction of that whether any of ours is
// there.
bool ThemeMayHaveToolIcons()
{
    const auto onlyHicolor = [](const QString& name) { return name.isEmpty() || name == u"hicolor"; };
    if (!onlyHicolor(QIcon::themeName()) || !onlyHicolor(QIcon::fallbackThemeName()))
        return true;
    // The answer is kept for the paths it was found for (tests change them).
    const QStringList searchPaths = QIcon::themeSearchPaths();
    const QStringList fallbackPaths = QIcon::fallbackSearchPaths();
    static QStringList s_searchPaths, s_fallbackPaths;
    static bool s_known = false, s_mayHave = true;
    if (!s_known || searchPaths != s_searchPaths || fallbackPaths != s_fallbackPaths) {
        QStringList names;
        for (const CGlyph& glyph : kGlyphs) {
            if (glyph.theme)
                names << QString::fromLatin1(glyph.theme);
        }
        s_mayHave = HicolorMayHave(names, searchPaths, fallbackPaths);
        s_searchPaths = searchPaths;
        s_fallbackPaths = fallbackPaths;
        s_known = true;
    }
    return s_mayHave;
}

// A command's icon: the desktop theme's when it has one, else the painted
// glyph. The theme is asked at the first paint, not when the command is
// made: the search runs through every folder of every theme on the icon
// path (hundreds where a folder has no icon cache) and would hold up the
// window's first appearance.
class CThemeOrGlyphIconEngine final : public QIconEngine {
public:
    explicit CThemeOrGlyphIconEngine(const CGlyph& glyph) : m_glyph(glyph) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        Resolved().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    // The size asked of an engine is in device pixels: the icon it
    // delegates to is asked at a ratio of 1, which hands the size on.
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return Resolved().pixmap(size, 1.0, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        const QIcon& icon = Resolved();
        return m_painted ? size : icon.actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return Resolved().availableSizes(mode, state);
    }
    QString iconName() override { return Resolved().name(); }
    // Neither the painted glyph nor a theme's icon that was found is null;
    // asking does not start the search.
    bool isNull() override { return false; }
    QIconEngine* clone() const override { return new CThemeOrGlyphIconEngine(*this); }
    QString key() const override { return QStringLiteral("kavm-theme-or-glyph"); }

private:
    const QIcon& Resolved()
    {
        if (!m_resolved) {
            m_resolved = true;
            const CGlyph& glyph = m_glyph;
            m_painted = !(glyph.theme && ThemeMayHaveToolIcons() && QIcon::hasThemeIcon(glyph.theme));
            m_icon = m_painted ? PaintedIcon([&glyph](QPainter& p, const CIconInk& ink) { DrawGlyph(p, ink, glyph); })
                               : QIcon::fromTheme(glyph.theme);
        }
        return m_icon;
    }

    const CGlyph& m_glyph;
    bool m_resolved = false;
    bool m_painted = false;
    QIcon m_icon;
};

// The program's icon on a 64 x 64 grid: rounded rectangles, each with its
// corner radius and colour.
struct CIconShape {
    qreal x, y, width, height, radius;
    QRgb color;
};

constexpr QRgb kBody = 0xff34495e;
constexpr QRgb kDisplay = 0xffdfeee0;
constexpr QRgb kDisplayInk = 0xff2c3e50;
constexpr QRgb kDigitKey = 0xfff5a623;
constexpr QRgb kFunctionKey = 0xffb07ce8;
constexpr QRgb kEqualsKey = 0xff3cc070;

const CIconShape kApplicationShapes[] = {
    {6, 2, 52, 60, 8, kBody},
    {12, 8, 40, 17, 3, kDisplay},
    // "=" and a result bar on the display
    {16, 18, 16, 3, 1.5, kDisplayInk},
    {37, 13, 10, 3, 1.5, kDisplayInk},
    {37, 19, 10, 3, 1.5, kDisplayInk},
    // the keys: digits, functions and "="
    {12, 30, 11, 8, 2, kDigitKey},
    {26.5, 30, 11, 8, 2, kDigitKey},
    {41, 30, 11, 8, 2, kFunctionKey},
    {12, 41, 11, 8, 2, kDigitKey},
    {26.5, 41, 11, 8, 2, kDigitKey},
    {41, 41, 11, 8, 2, kFunctionKey},
    {12, 52, 11, 6, 2, kDigitKey},
    {26.5, 52, 11, 6, 2, kDigitKey},
    {41, 52, 11, 6, 2, kEqualsKey},
};

void PaintApplicationIcon(QPainter& p, int size)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.scale(size / 64.0, size / 64.0);
    for (const CIconShape& shape : kApplicationShapes) {
        p.setBrush(QColor::fromRgba(shape.color));
        p.drawRoundedRect(QRectF(shape.x, shape.y, shape.width, shape.height), shape.radius, shape.radius);
    }
}

}  // namespace

QColor CIconInk::Readable(QColor color) const
{
    const bool darkBackground = IsDark(background);
    const int lightness = color.lightness();
    if (darkBackground && lightness < 150)
        return QColor::fromHsl(color.hslHue(), color.hslSaturation(), 150 + lightness / 3, color.alpha());
    if (!darkBackground && lightness > 170)
        return QColor::fromHsl(color.hslHue(), color.hslSaturation(), lightness / 2, color.alpha());
    return color;
}

CIconInk IconInkFor(const QPalette& palette)
{
    CIconInk ink;
    ink.background = palette.color(QPalette::Window);
    ink.ink = palette.color(QPalette::WindowText);
    ink.paper = palette.color(QPalette::Base);
    return ink;
}

QIcon PaintedIcon(FIconDrawing drawing)
{
    return QIcon(new CPaintedIconEngine(std::move(drawing)));
}

QIcon ToolIcon(int commandId)
{
    for (const CGlyph& glyph : kGlyphs) {
        if (glyph.command == commandId)
            return QIcon(new CThemeOrGlyphIconEngine(glyph));
    }
    return QIcon();
}

QImage ApplicationIconImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    PaintApplicationIcon(p, size);
    p.end();
    return image;
}

QIcon ApplicationIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(ApplicationIconImage(size)));
    return icon;
}

QByteArray ApplicationIconSvg()
{
    QByteArray svg =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" height=\"64\" viewBox=\"0 0 64 64\">\n";
    for (const CIconShape& shape : kApplicationShapes) {
        svg += QStringLiteral("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\" fill=\"%6\"/>\n")
                   .arg(shape.x)
                   .arg(shape.y)
                   .arg(shape.width)
                   .arg(shape.height)
                   .arg(shape.radius)
                   .arg(QColor::fromRgba(shape.color).name())
                   .toUtf8();
    }
    svg += "</svg>\n";
    return svg;
}

namespace {

// Watches the window's paint events; the icon is handed over from the event
// loop after the first one, when the picture has gone to the display.
class CIconAfterFirstPicture final : public QObject {
public:
    explicit CIconAfterFirstPicture(QWidget& window) : QObject(&window)
    {
        window.installEventFilter(this);
        QTimer::singleShot(1000, this, [this] { Hand(); });
    }

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_painted) {
            m_painted = true;
            QTimer::singleShot(0, this, [this] { Hand(); });
        }
        return false;
    }

private:
    void Hand()
    {
        if (m_handed)
            return;
        m_handed = true;
        QGuiApplication::setWindowIcon(ApplicationIcon());
        deleteLater();
    }

    bool m_painted = false;
    bool m_handed = false;
};

}  // namespace

void SetApplicationIconAfterFirstPicture(QWidget& window)
{
    new CIconAfterFirstPicture(window);
}
