// The keypad's font and colours as the user chooses them.
#include "windows/keypad/calc_keypad.h"

#include <QColorDialog>
#include <QFontDialog>
#include <QFontInfo>

CKeypadFontSpec CCalcKeyPad::SystemFontSpec() const
{
    return FontSpecOf(font());
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
        m_text[g] = ColorFromRef(kKeypadDefaultText[g]);
    m_systemText = false;
    ApplyTextColors();
}

void CCalcKeyPad::SetDefaultFaceColors()
{
    for (int g = 0; g < kButtonGroupCount; ++g)
        m_face[g] = ColorFromRef(kKeypadDefaultFace[g]);
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
