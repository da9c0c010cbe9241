#pragma once
// The keypad: 79 buttons that type expression text into the editor or send
// editing and calculation commands to it, through the one receiver the
// application sets. What the buttons are, show and do is the keypad model
// (document/keypad/keypad_model.h); the labels follow the notation and case
// preferences; font, colours and drawing style are the user's and persist
// under "GUI/Keypad".

#include <QColor>
#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>
#include <QScrollArea>
#include <QWidget>

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "document/keypad/cmd_receiver.h"
#include "document/keypad/keypad_model.h"
#include "document/preferences.h"
#include "windows/base/color_button.h"

class QKeyEvent;

// ------------------------------------------------------------ the layout
// (keypad_layout.cpp)

// Default colours (0xBBGGRR).
inline constexpr quint32 kKeypadDefaultText[kButtonGroupCount] = {0x400080, 0x804000, 0x404040};
inline constexpr quint32 kKeypadDefaultFace[kButtonGroupCount] = {0xC080FF, 0xFFD090, 0xC0C0C0};


// Spacings in pixels, taken from the dialog template's positions.
struct CKeypadMeasures {
    int margin = 0;
    int hGap = 0;
    int vGap = 0;
    int groupGap = 0;
};

// W: function button width, w: small button width, H: button height.
struct CButtonSizes {
    int W = 0;
    int w = 0;
    int H = 0;
};

// Dialog units to pixels for the dialog font's base units (average
// character width, character height): x * baseX / 4 and y * baseY / 8, rounded.
int DialogUnitsToPixelsX(int units, int baseX);
int DialogUnitsToPixelsY(int units, int baseY);
// Base units of a font: the average width of the 52 Latin letters (rounded)
// and the character height.
QSize DialogBaseUnits(const QFont& font);
// The four spacings measured between the template's buttons mapped to pixels.
CKeypadMeasures KeypadMeasuresFromBaseUnits(const QSize& baseUnits);

// The width sample: "8Bkspace8" in lower case, "8ARCCOSEC8" in upper case
// East, "8ARCOTH8" in upper case West.
QString KeypadWidthSample(bool upper, bool east);
// H = sample height * 8 / 5, W = sample width, w = width of "*/" but at least H.
CButtonSizes ButtonSizesFromText(int sampleWidth, int sampleHeight, int smallWidth);
CButtonSizes ButtonSizesFromFont(const QFont& font, bool upper, bool east);

QRect KeypadButtonRect(int index, const CKeypadMeasures& m, const CButtonSizes& s);
// F = 2m + 8W + 6w + 9gh + 4gg wide, G = 7H + 5gv + 2m high.
QSize KeypadSize(const CKeypadMeasures& m, const CButtonSizes& s);

// Sizes of the pane hosting the keypad of size F x G.
struct CKeypadPaneSizes {
    QSize floating;
    QSize horizontal;
    QSize vertical;
    QSize minimum;
};
CKeypadPaneSizes KeypadPaneSizes(const QSize& keypad);

// ------------------------------------------------------------ style, font, colours

// The style the buttons draw in, from the stored style and the theme state.
EKeypadStyle EffectiveStyle(EKeypadStyle stored, bool themesActive);
// A stored "Style" value: 0, 2 and 3 as stored, anything else 1.
EKeypadStyle KeypadStyleFromValue(int value);

// Colour references hold blue, green and red from high byte to low (0xBBGGRR).
QColor ColorFromRef(quint32 ref);
quint32 ColorToRef(const QColor& color);
quint32 DefaultTextColorRef(EButtonGroup group);
quint32 DefaultFaceColorRef(EButtonGroup group);

// A keypad font as stored: height as a negative character height in pixels
// (a positive value is a cell height), weight 0 to 1000, italic, face name.
struct CKeypadFontSpec {
    int height = 0;
    int weight = 0;
    bool italic = false;
    QString face;

    bool operator==(const CKeypadFontSpec&) const = default;
};
// Arial, 11 points at the screen's vertical resolution, weight 800.
CKeypadFontSpec DefaultKeypadFont();
CKeypadFontSpec FontSpecOf(const QFont& font);
// A font that cannot be made: no face name, a zero height or one beyond 500
// pixels, or a weight outside 0 to 1000.
bool IsUsableFontSpec(const CKeypadFontSpec& spec);
QFont MakeKeypadFont(const CKeypadFontSpec& spec);

// The Set > Keypad commands, which the main window routes to the keypad.
enum EKeypadCommand : int {
    IdKeypadStyleXP = 32785,
    IdKeypadStyleVista = 32786,
    IdKeypadStyleVantrel = 32787,
    IdKeypadStyle2000 = 32788,
    IdKeypadFontSelect = 32789,
    IdKeypadFontSystem = 32790,
    IdKeypadFontDefault = 32791,
    IdKeypadTextFunction = 32792,
    IdKeypadTextDigit = 32793,
    IdKeypadTextService = 32794,
    IdKeypadTextDefault = 32795,
    IdKeypadTextSystem = 32796,
    IdKeypadFaceFunction = 32797,
    IdKeypadFaceDigit = 32798,
    IdKeypadFaceService = 32799,
    IdKeypadFaceSystem = 32800,
    IdKeypadFaceDefault = 32801,
};

// Keys the keypad answers itself while it has the focus, before the main
// window's shortcuts: Ctrl+= (calculate) and Ctrl+Shift+= (calculate all)
// go straight to the receiver, and Ctrl+Shift+K, which would focus the
// keypad, does nothing. The other pane keys reach the main window's own.
enum class EPaneKey { None, Calculate, CalculateAll, Ignored };
EPaneKey KeypadPaneKey(int key, Qt::KeyboardModifiers modifiers);

// ------------------------------------------------------------ the keypad

class CCalcKeyPad : public QWidget, public ICmdSender {
    Q_OBJECT

public:
    // Reads font, colours and style from the settings and lays the buttons out.
    // The labels and actions follow the preferences handed in.
    explicit CCalcKeyPad(const CPreferenceValues& preferences, QWidget* parent = nullptr);
    // Writes font, colours and style to the settings.
    ~CCalcKeyPad() override;

    CColorButton* Button(int index) const { return m_buttons[static_cast<std::size_t>(index)]; }
    CColorButton* ButtonById(int controlId) const;

    // Performs a button's action through the receiver (nothing without one).
    void PressButton(int controlId);

    // Rewrites the labels for the current preferences; called at start-up,
    // after the Preferences dialog and after the notation commands.
    void Relabel();

    // Layout.
    CKeypadMeasures Measures() const { return m_measures; }
    CButtonSizes Sizes() const { return m_sizes; }
    CKeypadPaneSizes PaneSizes() const { return KeypadPaneSizes(size()); }

    // Style.
    void SetStyle(EKeypadStyle style);
    EKeypadStyle StoredStyle() const { return m_style; }
    EKeypadStyle EffectiveStyle() const;

    // Font.
    void SelectFont();  // the font dialog
    void SetChosenFont(const QFont& font);
    void SetSystemFont();
    void SetDefaultFont();
    QFont ButtonFont() const { return m_font; }
    CKeypadFontSpec ButtonFontSpec() const { return m_fontSpec; }
    bool IsDefaultFont() const { return m_defaultFont; }
    bool IsSystemFont() const { return m_systemFont; }

    // Colours.
    void ChooseGroupTextColor(EButtonGroup group);  // the colour dialog
    void ChooseGroupFaceColor(EButtonGroup group);
    void SetGroupTextColor(EButtonGroup group, const QColor& color);
    void SetGroupFaceColor(EButtonGroup group, const QColor& color);
    void SetDefaultTextColors();
    void SetDefaultFaceColors();
    void SetSystemTextColor();
    void SetSystemFaceColor();
    QColor GroupTextColor(EButtonGroup group) const { return m_text[group]; }
    QColor GroupFaceColor(EButtonGroup group) const { return m_face[group]; }
    bool IsSystemTextColor() const { return m_systemText; }
    bool IsSystemFaceColor() const { return m_systemFace; }

    // The Set > Keypad commands (32785 to 32801): perform, enabling, check mark.
    bool HandleCommand(int command);
    bool IsCommandEnabled(int command) const;
    bool IsCommandChecked(int command) const;

    void SaveSettings() const;

    // How messages reach the user; a message box unless replaced (tests).
    using MessageHandler = std::function<void(QWidget* parent, const QString& text)>;
    static void SetMessageHandler(MessageHandler handler);

signals:
    // The keypad changed its size (font, case or notation); the hosting pane
    // takes the sizes of KeypadPaneSizes.
    void LayoutChanged(QSize size);
    // F1 over a button: its help context number and control id.
    void HelpRequested(quint32 context, int controlId);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    const CPreferenceValues& m_preferences;
    void LoadSettings();
    void LoadFont(const CKeypadFontSpec& stored);
    void ApplyFont(const CKeypadFontSpec& spec);
    void UpdateFontFlags();
    void ApplyTextColors();
    void ApplyFaceColors();
    void LayOut();
    void ShowHelp(CColorButton* button);
    CKeypadFontSpec SystemFontSpec() const;

    std::array<CColorButton*, kKeypadButtonCount> m_buttons{};
    int m_labelNotation = 1;     // the labels are written for East...
    bool m_labelUpper = false;   // ...in lower case, as the initial labels read
    bool m_gammaLabel = false;
    CKeypadMeasures m_measures;
    CButtonSizes m_sizes;
    QFont m_font;
    CKeypadFontSpec m_fontSpec;
    bool m_defaultFont = false;
    bool m_systemFont = false;
    std::array<QColor, kButtonGroupCount> m_text;
    std::array<QColor, kButtonGroupCount> m_face;
    bool m_systemText = false;
    bool m_systemFace = false;
    EKeypadStyle m_style = StyleVantrel;
};

// The keypad's place in its pane: the keypad keeps its size, and where the
// pane is narrower than the keypad, the keypad scrolls sideways inside it
// instead of making the main window wider.
class CCalcKeypadScroller : public QScrollArea {
    Q_OBJECT
public:
    explicit CCalcKeypadScroller(CCalcKeyPad* keypad, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    int ScrollBarExtent() const;

    bool m_barShown = false;  // the keypad is wider than the pane
};

