// The keypad's geometry from its dialog template and font, and the
// values of its style, colours and fonts as the settings hold them.
#include "windows/keypad/calc_keypad.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>

#include <cmath>

namespace {

// The dialog template in dialog units: function buttons 39 x 14, small
// buttons 17 x 14, margin 3, gaps 4 and 2, group gap 10. The measures are
// taken between "sin" (row 0, column 0), "csch" (row 1, column 1), "ctg"
// (row 0, column 5) and "pi" (the first small button).
constexpr int kTplMargin = 3;
constexpr int kTplWidth = 39;
constexpr int kTplHeight = 14;
constexpr int kTplHGap = 4;
constexpr int kTplVGap = 2;
constexpr int kTplGroupGap = 10;

// Rounded a * b / c, halves away from zero, as dialog units are mapped.
int MulDivRound(int a, int b, int c)
{
    const long long product = static_cast<long long>(a) * b;
    const long long half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

int ScreenDpiY()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? static_cast<int>(std::lround(screen->logicalDotsPerInchY())) : 96;
}

}  // namespace

// ------------------------------------------------------------ tables

// ------------------------------------------------------------ layout

int DialogUnitsToPixelsX(int units, int baseX)
{
    return MulDivRound(units, baseX, 4);
}

int DialogUnitsToPixelsY(int units, int baseY)
{
    return MulDivRound(units, baseY, 8);
}

QSize DialogBaseUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return QSize((letters + 26) / 52, metrics.height());
}

CKeypadMeasures KeypadMeasuresFromBaseUnits(const QSize& base)
{
    auto x = [&base](int units) { return DialogUnitsToPixelsX(units, base.width()); };
    auto y = [&base](int units) { return DialogUnitsToPixelsY(units, base.height()); };
    const int sinRight = kTplMargin + kTplWidth;
    const int sinBottom = kTplMargin + kTplHeight;
    const int cschLeft = kTplMargin + kTplWidth + kTplHGap;
    const int cschTop = kTplMargin + kTplHeight + kTplVGap;
    const int ctgRight = kTplMargin + 5 * (kTplWidth + kTplHGap) + kTplWidth;
    const int piLeft = ctgRight + kTplGroupGap;
    CKeypadMeasures m;
    m.hGap = x(cschLeft) - x(sinRight);
    m.vGap = y(cschTop) - y(sinBottom);
    m.margin = y(kTplMargin);
    m.groupGap = x(piLeft) - x(ctgRight);
    return m;
}

QString KeypadWidthSample(bool upper, bool east)
{
    if (!upper)
        return QStringLiteral("8Bkspace8");
    return east ? QStringLiteral("8ARCCOSEC8") : QStringLiteral("8ARCOTH8");
}

CButtonSizes ButtonSizesFromText(int sampleWidth, int sampleHeight, int smallWidth)
{
    CButtonSizes s;
    s.H = sampleHeight * 8 / 5;
    s.W = sampleWidth;
    s.w = std::max(smallWidth, s.H);
    return s;
}

CButtonSizes ButtonSizesFromFont(const QFont& font, bool upper, bool east)
{
    const QFontMetrics metrics(font);
    return ButtonSizesFromText(metrics.horizontalAdvance(KeypadWidthSample(upper, east)), metrics.height(),
                               metrics.horizontalAdvance(QStringLiteral("*/")));
}

QRect KeypadButtonRect(int index, const CKeypadMeasures& m, const CButtonSizes& s)
{
    const int W = s.W, w = s.w, H = s.H;
    const int gh = m.hGap, gv = m.vGap, gg = m.groupGap;
    auto rowY = [&](int row) { return m.margin + row * (H + gv); };

    if (index < 42)  // six columns of function buttons
        return QRect(m.margin + (index % 6) * (W + gh), rowY(index / 6), W, H);
    if (index < 53) {  // pi e / i / ( ) / [ ] / { } / comments
        static const int kRow[] = {0, 0, 1, 2, 2, 3, 3, 4, 4, 5, 5};
        static const int kColumn[] = {0, 1, 0, 0, 1, 0, 1, 0, 1, 0, 1};
        const int k = index - 42;
        return QRect(m.margin + 6 * W + 5 * gh + gg + kColumn[k] * (w + gh), rowY(kRow[k]), w, H);
    }
    if (index < 69) {  // operators, digits, comma and semicolon, four by four
        const int k = index - 53;
        return QRect(m.margin + 2 * (3 * W + 2 * gh + gg) + (k % 4 + 2) * (w + gh), rowY(k / 4), w, H);
    }
    if (index < 71) {  // "=" and "= all" under the digits
        const int k = index - 69;
        return QRect(m.margin + 2 * (3 * W + 3 * gh + gg + w) + k * (2 * w + 2 * gh), rowY(4), 2 * w + gh, H);
    }
    const int k = index - 71;  // the service columns
    const int column = k / 4;
    return QRect(m.margin + 6 * W + 6 * w + 9 * gh + (column + 3) * gg + column * W, rowY(k % 4), W, H);
}

QSize KeypadSize(const CKeypadMeasures& m, const CButtonSizes& s)
{
    return QSize(2 * m.margin + 8 * s.W + 6 * s.w + 9 * m.hGap + 4 * m.groupGap,
                 7 * s.H + 5 * m.vGap + 2 * m.margin);
}

CKeypadPaneSizes KeypadPaneSizes(const QSize& k)
{
    const int F = k.width(), G = k.height();
    return {QSize(F, G), QSize(F + 15, G + 10), QSize(F + 10, G + 15), QSize(F + 15, G + 15)};
}

// ------------------------------------------------------------ style, colours, fonts

EKeypadStyle EffectiveStyle(EKeypadStyle stored, bool themesActive)
{
    switch (stored) {
    case Style2000:
        return themesActive ? StyleVista : Style2000;
    case StyleXP:
        return themesActive ? StyleXP : StyleVantrel;
    case StyleVista:
        return themesActive ? StyleVista : StyleVantrel;
    default:
        return StyleVantrel;
    }
}

EKeypadStyle KeypadStyleFromValue(int value)
{
    if (value == Style2000 || value == StyleXP || value == StyleVista)
        return static_cast<EKeypadStyle>(value);
    return StyleVantrel;
}

QColor ColorFromRef(quint32 ref)
{
    return QColor(static_cast<int>(ref & 0xFF), static_cast<int>((ref >> 8) & 0xFF), static_cast<int>((ref >> 16) & 0xFF));
}

quint32 ColorToRef(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return static_cast<quint32>(rgb.red()) | (static_cast<quint32>(rgb.green()) << 8) |
           (static_cast<quint32>(rgb.blue()) << 16);
}

quint32 DefaultTextColorRef(EButtonGroup group)
{
    return kKeypadDefaultText[group];
}

quint32 DefaultFaceColorRef(EButtonGroup group)
{
    return kKeypadDefaultFace[group];
}

CKeypadFontSpec DefaultKeypadFont()
{
    return {-static_cast<int>(std::lround(11.0 * ScreenDpiY() / 72)), 800, false, QStringLiteral("Arial")};
}

CKeypadFontSpec FontSpecOf(const QFont& font)
{
    int pixels = font.pixelSize();
    if (pixels <= 0)
        pixels = static_cast<int>(std::lround(font.pointSizeF() * ScreenDpiY() / 72));
    return {-pixels, font.weight(), font.italic(), font.family()};
}

bool IsUsableFontSpec(const CKeypadFontSpec& spec)
{
    return !spec.face.trimmed().isEmpty() && spec.height != 0 && std::abs(spec.height) <= 500 && spec.weight >= 0 &&
           spec.weight <= 1000;
}

QFont MakeKeypadFont(const CKeypadFontSpec& spec)
{
    QFont font(spec.face);
    font.setWeight(static_cast<QFont::Weight>(spec.weight == 0 ? 400 : spec.weight));
    font.setItalic(spec.italic);
    font.setStyleStrategy(QFont::PreferAntialias);
    if (spec.height < 0) {
        font.setPixelSize(-spec.height);
    } else {
        // A positive height is the cell height: scale the character height to fit.
        font.setPixelSize(spec.height);
        const int cell = QFontMetrics(font).height();
        if (cell > 0)
            font.setPixelSize(std::max(1, static_cast<int>(std::lround(1.0 * spec.height * spec.height / cell))));
    }
    return font;
}

EPaneKey KeypadPaneKey(int key, Qt::KeyboardModifiers modifiers)
{
    modifiers &= Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    if (key == Qt::Key_Equal && modifiers == Qt::ControlModifier)
        return EPaneKey::Calculate;
    // Shift+= is "+" on most keyboards.
    if ((key == Qt::Key_Equal || key == Qt::Key_Plus) && modifiers == (Qt::ControlModifier | Qt::ShiftModifier))
        return EPaneKey::CalculateAll;
    if (key == Qt::Key_K && modifiers == (Qt::ControlModifier | Qt::ShiftModifier))
        return EPaneKey::Ignored;
    return EPaneKey::None;
}
