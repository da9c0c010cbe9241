#include "windows/calc_keypad.h"
#include "windows/platform.h"

#include <QApplication>
#include <QColorDialog>
#include <QEvent>
#include <QFontDialog>
#include <QFontInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMessageBox>
#include <QScreen>
#include <QSettings>
#include <QStyle>
#include <QWhatsThis>

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

// Default colours (0xBBGGRR).
constexpr quint32 kDefaultText[kButtonGroupCount] = {0x400080, 0x804000, 0x404040};
constexpr quint32 kDefaultFace[kButtonGroupCount] = {0xC080FF, 0xFFD090, 0xC0C0C0};

const QString kSettingsGroup = QStringLiteral("GUI/Keypad");


CCalcKeyPad::MessageHandler& MessageHandlerSlot()
{
    static CCalcKeyPad::MessageHandler handler;
    return handler;
}

void ShowMessage(QWidget* parent, const QString& text)
{
    if (MessageHandlerSlot())
        MessageHandlerSlot()(parent, text);
    else
        QMessageBox::warning(parent, QApplication::applicationDisplayName(), text);
}

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

// What the help topic of a button says.
QString HelpText(int controlId)
{
    const CKeypadAction action = KeypadButtonAction(controlId, Preferences());
    const int index = KeypadButtonIndex(controlId);
    const QString label = index >= 0 ? ToQString(KeypadButtonInfo(index).label) : QString();
    if (action.kind == CKeypadAction::Command) {
        switch (action.code) {
        case CmdClear:
            return CCalcKeyPad::tr("Clear: deletes the whole text.");
        case CmdBackspace:
            return CCalcKeyPad::tr("Backspace: deletes the selection, or the character before the caret.");
        case CmdCalculate:
            return CCalcKeyPad::tr("Calculate: calculates the calculation that holds the caret (Ctrl+=).");
        case CmdCalculateAll:
            return CCalcKeyPad::tr("Calculate all: calculates every calculation of the text (Ctrl+Shift+=).");
        case CmdFreeMemory:
            return CCalcKeyPad::tr("Free: erases all memory cells.");
        }
    }
    QString typed = ToQString(action.text);
    typed.replace(QLatin1String("\r\n"), CCalcKeyPad::tr("a line break"));
    return CCalcKeyPad::tr("%1: types \u201C%2\u201D at the caret.").arg(label, typed);
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
    return kDefaultText[group];
}

quint32 DefaultFaceColorRef(EButtonGroup group)
{
    return kDefaultFace[group];
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

// ------------------------------------------------------------ the keypad

void CCalcKeyPad::SetMessageHandler(MessageHandler handler)
{
    MessageHandlerSlot() = std::move(handler);
}

CCalcKeyPad::CCalcKeyPad(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Keypad"));
    // The template's labels, with the symbols in place of "*", "/", "pi",
    // "SUM" and "PROD".
    for (int i = 0; i < kKeypadButtonCount; ++i) {
        auto* button = new CColorButton(ToQString(KeypadLabel(i, CKeypadLabelState{})), this);
        const int id = KeypadButtonInfo(i).controlId;
        button->SetControlId(id);
        button->setObjectName(QStringLiteral("KeypadButton%1").arg(id));
        button->installEventFilter(this);
        connect(button, &QAbstractButton::clicked, this, [this, id] { PressButton(id); });
        m_buttons[static_cast<std::size_t>(i)] = button;
    }

    m_measures = KeypadMeasuresFromBaseUnits(DialogBaseUnits(font()));
    LoadSettings();
}

CCalcKeyPad::~CCalcKeyPad()
{
    SaveSettings();
}

CColorButton* CCalcKeyPad::ButtonById(int controlId) const
{
    const int index = KeypadButtonIndex(controlId);
    return index >= 0 ? m_buttons[static_cast<std::size_t>(index)] : nullptr;
}

void CCalcKeyPad::PressButton(int controlId)
{
    if (!m_receiver)
        return;
    const CKeypadAction action = KeypadButtonAction(controlId, Preferences());
    if (action.kind == CKeypadAction::Insert)
        m_receiver->InsertText(action.text);
    else if (action.kind == CKeypadAction::Command)
        m_receiver->ExecuteCommand(action.code);
}

void CCalcKeyPad::Relabel()
{
    const CPreferenceValues& preferences = Preferences();
    const int notation = preferences.Get(EPreference::Notation) == 1 ? 1 : 0;
    const bool upper = preferences.Get(EPreference::NotationCase) == 1;
    m_gammaLabel = preferences.Get(EPreference::GammaFunction) != 0;
    const CKeypadLabelState state{notation == 1, upper, m_gammaLabel, preferences.Get(EPreference::FormatI) == 1};
    const bool spellingChanged = notation != m_labelNotation || upper != m_labelUpper;
    for (int i = 0; i < kKeypadButtonCount; ++i) {
        const CKeypadButtonInfo& button = KeypadButtonInfo(i);
        if ((spellingChanged && button.labelSource == EKeypadLabel::Spelled) ||
            button.press == EKeypadPress::Factorial || button.labelSource == EKeypadLabel::ImaginaryUnit)
            Button(i)->setText(ToQString(KeypadLabel(i, state)));
    }
    if (spellingChanged) {
        m_labelNotation = notation;
        m_labelUpper = upper;
        LayOut();
    }
}

void CCalcKeyPad::LayOut()
{
    m_sizes = ButtonSizesFromFont(m_font, m_labelUpper, m_labelNotation == 1);
    for (int i = 0; i < kKeypadButtonCount; ++i)
        m_buttons[static_cast<std::size_t>(i)]->setGeometry(KeypadButtonRect(i, m_measures, m_sizes));
    const QSize keypad = KeypadSize(m_measures, m_sizes);
    setFixedSize(keypad);
    // The buttons moved under a mouse that may not have moved: the one that
    // was hot is no longer under it, and no leave event will tell it so.
    for (CColorButton* button : m_buttons)
        button->ResetHot();
    update();
    emit LayoutChanged(keypad);
}

CCalcKeypadScroller::CCalcKeypadScroller(CCalcKeyPad* keypad, QWidget* parent)
    : QScrollArea(parent)
{
    setObjectName(QStringLiteral("KeypadScroller"));
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::NoFocus);
    setWidgetResizable(false);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWidget(keypad);
    connect(keypad, &CCalcKeyPad::LayoutChanged, this, [this] { updateGeometry(); });
}

QSize CCalcKeypadScroller::sizeHint() const
{
    // The whole keypad; the scroll area's own hint is capped.
    const QSize keypad = widget() ? widget()->size() : QSize();
    return {keypad.width(), keypad.height() + (m_barShown ? ScrollBarExtent() : 0)};
}

QSize CCalcKeypadScroller::minimumSizeHint() const
{
    // The keypad's whole height, and the bar below it while the pane is
    // narrower than the keypad; any width from a few buttons on.
    const QSize keypad = widget() ? widget()->size() : QSize();
    return {std::min(keypad.width(), 6 * ScrollBarExtent()),
            keypad.height() + (m_barShown ? ScrollBarExtent() : 0)};
}

int CCalcKeypadScroller::ScrollBarExtent() const
{
    return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
}

void CCalcKeypadScroller::resizeEvent(QResizeEvent* event)
{
    QScrollArea::resizeEvent(event);
    const bool barShown = widget() && width() < widget()->width();
    if (barShown != m_barShown) {
        m_barShown = barShown;
        updateGeometry();
    }
}

// ------------------------------------------------------------ settings

void CCalcKeyPad::LoadSettings()
{
    QSettings settings(QStringLiteral("Vantrel"), QStringLiteral("Calculator Ka-Vm"));
    settings.beginGroup(kSettingsGroup);
    const CKeypadFontSpec defaults = DefaultKeypadFont();
    CKeypadFontSpec stored;
    stored.height = settings.value(QStringLiteral("FontSize"), defaults.height).toInt();
    stored.weight = settings.value(QStringLiteral("FontWeight"), defaults.weight).toInt();
    stored.italic = settings.value(QStringLiteral("FontItalic"), 0).toInt() != 0;
    stored.face = settings.value(QStringLiteral("FontFace"), defaults.face).toString();
    LoadFont(stored);

    static const char* const kTextNames[] = {"ColorTextFunction", "ColorTextDigit", "ColorTextService"};
    static const char* const kFaceNames[] = {"ColorFunction", "ColorDigit", "ColorService"};
    for (int g = 0; g < kButtonGroupCount; ++g) {
        m_text[g] = ColorFromRef(settings.value(QLatin1String(kTextNames[g]), kDefaultText[g]).toUInt());
        m_face[g] = ColorFromRef(settings.value(QLatin1String(kFaceNames[g]), kDefaultFace[g]).toUInt());
    }
    m_systemText = settings.value(QStringLiteral("ColorTextSystem"), 0).toInt() != 0;
    m_systemFace = settings.value(QStringLiteral("ColorSystem"), 0).toInt() != 0;
    ApplyTextColors();
    ApplyFaceColors();

    SetStyle(KeypadStyleFromValue(settings.value(QStringLiteral("Style"), int(StyleVantrel)).toInt()));
}

void CCalcKeyPad::SaveSettings() const
{
    QSettings settings(QStringLiteral("Vantrel"), QStringLiteral("Calculator Ka-Vm"));
    settings.beginGroup(kSettingsGroup);
    settings.setValue(QStringLiteral("FontSize"), m_fontSpec.height);
    settings.setValue(QStringLiteral("FontWeight"), m_fontSpec.weight);
    settings.setValue(QStringLiteral("FontItalic"), m_fontSpec.italic ? 1 : 0);
    settings.setValue(QStringLiteral("FontFace"), m_fontSpec.face);
    static const char* const kTextNames[] = {"ColorTextFunction", "ColorTextDigit", "ColorTextService"};
    static const char* const kFaceNames[] = {"ColorFunction", "ColorDigit", "ColorService"};
    for (int g = 0; g < kButtonGroupCount; ++g) {
        settings.setValue(QLatin1String(kTextNames[g]), ColorToRef(m_text[g]));
        settings.setValue(QLatin1String(kFaceNames[g]), ColorToRef(m_face[g]));
    }
    settings.setValue(QStringLiteral("ColorTextSystem"), m_systemText ? 1 : 0);
    settings.setValue(QStringLiteral("ColorSystem"), m_systemFace ? 1 : 0);
    settings.setValue(QStringLiteral("Style"), int(m_style));
}

// ------------------------------------------------------------ font

CKeypadFontSpec CCalcKeyPad::SystemFontSpec() const
{
    return FontSpecOf(font());
}

void CCalcKeyPad::LoadFont(const CKeypadFontSpec& stored)
{
    CKeypadFontSpec spec = stored;
    if (!IsUsableFontSpec(spec)) {
        ShowMessage(this, tr("Failed to load font"));
        spec = DefaultKeypadFont();
        if (!IsUsableFontSpec(spec))
            spec = SystemFontSpec();
        if (!IsUsableFontSpec(spec)) {
            // Nothing can be made: the buttons keep the font they have.
            spec = FontSpecOf(Button(0)->font());
        }
    }
    ApplyFont(spec);
    UpdateFontFlags();
}

void CCalcKeyPad::UpdateFontFlags()
{
    m_defaultFont = m_fontSpec == DefaultKeypadFont();
    m_systemFont = !m_defaultFont && m_fontSpec == SystemFontSpec();
}

void CCalcKeyPad::ApplyFont(const CKeypadFontSpec& spec)
{
    m_fontSpec = spec;
    m_font = MakeKeypadFont(spec);
    for (CColorButton* button : m_buttons)
        button->setFont(m_font);
    LayOut();
}

void CCalcKeyPad::SelectFont()
{
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, m_font, this, tr("Keypad Font"),
                                              QFontDialog::ScalableFonts | QFontDialog::ProportionalFonts |
                                                  QFontDialog::MonospacedFonts);
    if (ok)
        SetChosenFont(chosen);
}

void CCalcKeyPad::SetChosenFont(const QFont& font)
{
    ApplyFont(FontSpecOf(font));
    m_defaultFont = false;
    m_systemFont = false;
}

void CCalcKeyPad::SetSystemFont()
{
    ApplyFont(SystemFontSpec());
    m_defaultFont = false;
    m_systemFont = true;
}

void CCalcKeyPad::SetDefaultFont()
{
    ApplyFont(DefaultKeypadFont());
    m_defaultFont = true;
    m_systemFont = false;
}

// ------------------------------------------------------------ colours

void CCalcKeyPad::ApplyTextColors()
{
    for (int i = 0; i < kKeypadButtonCount; ++i) {
        if (m_systemText)
            Button(i)->UseSystemTextColor();
        else
            Button(i)->SetTextColor(m_text[KeypadButtonGroup(i)]);
    }
}

void CCalcKeyPad::ApplyFaceColors()
{
    for (int i = 0; i < kKeypadButtonCount; ++i) {
        if (m_systemFace)
            Button(i)->UseSystemFaceColor();
        else
            Button(i)->SetFaceColor(m_face[KeypadButtonGroup(i)]);
    }
}

void CCalcKeyPad::ChooseGroupTextColor(EButtonGroup group)
{
    const QColor color = QColorDialog::getColor(m_text[group], this, tr("Keypad Text Color"));
    if (color.isValid())
        SetGroupTextColor(group, color);
}

void CCalcKeyPad::ChooseGroupFaceColor(EButtonGroup group)
{
    const QColor color = QColorDialog::getColor(m_face[group], this, tr("Keypad Color"));
    if (color.isValid())
        SetGroupFaceColor(group, color);
}

void CCalcKeyPad::SetGroupTextColor(EButtonGroup group, const QColor& color)
{
    m_text[group] = color.toRgb();
    if (m_systemText) {
        // Leaving the system colour: every group shows its stored colour
        // again, as the keypad will after the next start.
        m_systemText = false;
        ApplyTextColors();
        return;
    }
    for (int i = 0; i < kKeypadButtonCount; ++i)
        if (KeypadButtonGroup(i) == group)
            Button(i)->SetTextColor(m_text[group]);
}

void CCalcKeyPad::SetGroupFaceColor(EButtonGroup group, const QColor& color)
{
    m_face[group] = color.toRgb();
    if (m_systemFace) {
        m_systemFace = false;
        ApplyFaceColors();
        return;
    }
    for (int i = 0; i < kKeypadButtonCount; ++i)
        if (KeypadButtonGroup(i) == group)
            Button(i)->SetFaceColor(m_face[group]);
}

void CCalcKeyPad::SetDefaultTextColors()
{
    for (int g = 0; g < kButtonGroupCount; ++g)
        m_text[g] = ColorFromRef(kDefaultText[g]);
    m_systemText = false;
    ApplyTextColors();
}

void CCalcKeyPad::SetDefaultFaceColors()
{
    for (int g = 0; g < kButtonGroupCount; ++g)
        m_face[g] = ColorFromRef(kDefaultFace[g]);
    m_systemFace = false;
    ApplyFaceColors();
}

void CCalcKeyPad::SetSystemTextColor()
{
    m_systemText = true;
    ApplyTextColors();
}

void CCalcKeyPad::SetSystemFaceColor()
{
    m_systemFace = true;
    ApplyFaceColors();
}

// ------------------------------------------------------------ style and commands

void CCalcKeyPad::SetStyle(EKeypadStyle style)
{
    m_style = KeypadStyleFromValue(style);
    for (CColorButton* button : m_buttons)
        button->SetKeypadStyle(m_style);
}

EKeypadStyle CCalcKeyPad::EffectiveStyle() const
{
    return ::EffectiveStyle(m_style, ThemesActive());
}

bool CCalcKeyPad::HandleCommand(int command)
{
    switch (command) {
    case IdKeypadStyleXP:
        SetStyle(StyleXP);
        return true;
    case IdKeypadStyleVista:
        SetStyle(StyleVista);
        return true;
    case IdKeypadStyleVantrel:
        SetStyle(StyleVantrel);
        return true;
    case IdKeypadStyle2000:
        SetStyle(Style2000);
        return true;
    case IdKeypadFontSelect:
        SelectFont();
        return true;
    case IdKeypadFontSystem:
        SetSystemFont();
        return true;
    case IdKeypadFontDefault:
        SetDefaultFont();
        return true;
    case IdKeypadTextFunction:
        ChooseGroupTextColor(GroupFunction);
        return true;
    case IdKeypadTextDigit:
        ChooseGroupTextColor(GroupDigit);
        return true;
    case IdKeypadTextService:
        ChooseGroupTextColor(GroupService);
        return true;
    case IdKeypadTextDefault:
        SetDefaultTextColors();
        return true;
    case IdKeypadTextSystem:
        SetSystemTextColor();
        return true;
    case IdKeypadFaceFunction:
        ChooseGroupFaceColor(GroupFunction);
        return true;
    case IdKeypadFaceDigit:
        ChooseGroupFaceColor(GroupDigit);
        return true;
    case IdKeypadFaceService:
        ChooseGroupFaceColor(GroupService);
        return true;
    case IdKeypadFaceSystem:
        SetSystemFaceColor();
        return true;
    case IdKeypadFaceDefault:
        SetDefaultFaceColors();
        return true;
    default:
        return false;
    }
}

bool CCalcKeyPad::IsCommandEnabled(int command) const
{
    const bool themed = ThemesActive();
    switch (command) {
    case IdKeypadStyle2000:
        return !themed;
    case IdKeypadStyleXP:
    case IdKeypadStyleVista:
        return themed;
    default:
        return command >= IdKeypadStyleXP && command <= IdKeypadFaceDefault;
    }
}

bool CCalcKeyPad::IsCommandChecked(int command) const
{
    auto allDefault = [](const std::array<QColor, kButtonGroupCount>& colors, const quint32* defaults) {
        for (int g = 0; g < kButtonGroupCount; ++g)
            if (ColorToRef(colors[g]) != defaults[g])
                return false;
        return true;
    };
    switch (command) {
    case IdKeypadStyleXP:
        return EffectiveStyle() == StyleXP;
    case IdKeypadStyleVista:
        return EffectiveStyle() == StyleVista;
    case IdKeypadStyleVantrel:
        return EffectiveStyle() == StyleVantrel;
    case IdKeypadStyle2000:
        return EffectiveStyle() == Style2000;
    case IdKeypadFontSystem:
        return m_systemFont;
    case IdKeypadFontDefault:
        return m_defaultFont;
    case IdKeypadTextDefault:
        return !m_systemText && allDefault(m_text, kDefaultText);
    case IdKeypadTextSystem:
        return m_systemText;
    case IdKeypadFaceDefault:
        return !m_systemFace && allDefault(m_face, kDefaultFace);
    case IdKeypadFaceSystem:
        return m_systemFace;
    default:
        return false;
    }
}

// ------------------------------------------------------------ keys and help

bool CCalcKeyPad::event(QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (KeypadPaneKey(key->key(), key->modifiers()) != EPaneKey::None ||
            (key->key() == Qt::Key_F1 && key->modifiers() == Qt::NoModifier)) {
            event->accept();
            return true;
        }
    }
    return QWidget::event(event);
}

bool CCalcKeyPad::eventFilter(QObject* watched, QEvent* event)
{
    // The buttons' key events come here first, so the pane keys and F1 work
    // whichever button has the focus.
    if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool ours = KeypadPaneKey(key->key(), key->modifiers()) != EPaneKey::None ||
                          (key->key() == Qt::Key_F1 && key->modifiers() == Qt::NoModifier);
        if (ours) {
            if (event->type() == QEvent::KeyPress) {
                if (key->key() == Qt::Key_F1)
                    ShowHelp(qobject_cast<CColorButton*>(watched));
                else
                    keyPressEvent(key);
            }
            event->accept();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CCalcKeyPad::keyPressEvent(QKeyEvent* event)
{
    switch (KeypadPaneKey(event->key(), event->modifiers())) {
    case EPaneKey::Calculate:
        if (m_receiver)
            m_receiver->ExecuteCommand(CmdCalculate);
        break;
    case EPaneKey::CalculateAll:
        if (m_receiver)
            m_receiver->ExecuteCommand(CmdCalculateAll);
        break;
    case EPaneKey::Ignored:
        break;
    case EPaneKey::None:
        if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
            // F1 on the keypad itself: the button under the pointer, if any.
            ShowHelp(qobject_cast<CColorButton*>(childAt(mapFromGlobal(QCursor::pos()))));
            break;
        }
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void CCalcKeyPad::ShowHelp(CColorButton* button)
{
    if (!button)
        return;
    const int id = button->ControlId();
    emit HelpRequested(KeypadHelpContext(id), id);
    QWhatsThis::showText(button->mapToGlobal(button->rect().center()), HelpText(id), button);
}
