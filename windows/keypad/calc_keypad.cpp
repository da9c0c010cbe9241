#include "windows/keypad/calc_keypad.h"
#include "windows/base/platform.h"

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

// What the help topic of a button says.
QString HelpText(int controlId, const CPreferenceValues& preferences)
{
    const CKeypadAction action = KeypadButtonAction(controlId, preferences);
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

// ------------------------------------------------------------ the keypad

void CCalcKeyPad::SetMessageHandler(MessageHandler handler)
{
    MessageHandlerSlot() = std::move(handler);
}

CCalcKeyPad::CCalcKeyPad(const CPreferenceValues& preferences, QWidget* parent)
    : QWidget(parent), m_preferences(preferences)
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
    const CKeypadAction action = KeypadButtonAction(controlId, m_preferences);
    if (action.kind == CKeypadAction::Insert)
        m_receiver->InsertText(action.text);
    else if (action.kind == CKeypadAction::Command)
        m_receiver->ExecuteCommand(action.code);
}

void CCalcKeyPad::Relabel()
{
    const CPreferenceValues& preferences = m_preferences;
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
        m_text[g] = ColorFromRef(settings.value(QLatin1String(kTextNames[g]), kKeypadDefaultText[g]).toUInt());
        m_face[g] = ColorFromRef(settings.value(QLatin1String(kFaceNames[g]), kKeypadDefaultFace[g]).toUInt());
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
        return !m_systemText && allDefault(m_text, kKeypadDefaultText);
    case IdKeypadTextSystem:
        return m_systemText;
    case IdKeypadFaceDefault:
        return !m_systemFace && allDefault(m_face, kKeypadDefaultFace);
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
    QWhatsThis::showText(button->mapToGlobal(button->rect().center()), HelpText(id, m_preferences), button);
}
