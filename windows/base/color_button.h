#pragma once
// The owner-drawn push button of the keypad. It draws itself in one of four
// styles with a text colour and a face colour, tracks hovering and pressing
// itself, and turns a completed click into the button's clicked() signal,
// posted to the event queue rather than emitted from inside the mouse handler.

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPushButton>

enum EKeypadStyle : int {
    Style2000 = 0,     // classic raised frame
    StyleVantrel = 1,  // our own pill with rings and gradients
    StyleXP = 2,       // themed, small corner arcs
    StyleVista = 3,    // themed, glossy upper half
};

// Whether the application draws with a themed style: anything but Qt's plain
// "Windows" style counts as themed.
bool ThemesActive();

// The colour with its HSL lightness multiplied by factor (capped at 1).
QColor ScaleLightness(const QColor& color, double factor);

// 0.30 red + 0.59 green + 0.11 blue, each over 255, above one half.
bool IsLightColor(const QColor& color);

// The active shape of the own style: the rounded rectangle from (3, 3) to
// (width - 3, height - 3) whose ends are half circles.
QPainterPath PillShape(const QSize& size);
// Ring i of the own style: the pill inset by i pixels from the button's edge,
// traced through pixel centres.
QPainterPath PillRing(const QSize& size, int inset);
// Whether a pixel lies in the pill (its centre is tested).
bool PillContains(const QSize& size, const QPoint& pixel);

class CColorButton : public QPushButton {
    Q_OBJECT

public:
    // Which of the drawings a paint uses, from the style and the theme.
    enum class EDrawing { Classic, Themed, ThemedCustom, Own };

    explicit CColorButton(const QString& text = QString(), QWidget* parent = nullptr);

    void SetControlId(int id) { m_controlId = id; }
    int ControlId() const { return m_controlId; }

    void SetKeypadStyle(EKeypadStyle style);
    EKeypadStyle KeypadStyle() const { return m_style; }

    // A chosen colour stops the use of the system colour for that property.
    void SetFaceColor(const QColor& color);
    void SetTextColor(const QColor& color);
    void UseSystemFaceColor();
    void UseSystemTextColor();
    bool UsesSystemFaceColor() const { return m_systemFace; }
    bool UsesSystemTextColor() const { return m_systemText; }
    // The colours a paint uses now (the system's while the flag is set).
    QColor FaceColor() const;
    QColor TextColor() const;

    // The default-button flag: drawn with the default frame or green rings.
    void SetDefaultFlag(bool isDefault);

    // Whether a point lies in the active shape: the pill in the own style,
    // the whole button otherwise.
    bool HitTest(const QPoint& point) const;

    bool IsPressed() const { return m_pressed; }
    bool IsPressedLook() const { return m_pressedLook; }
    bool IsHot() const { return m_hot; }
    // Forgets the hover: the button moved or was laid out again, and the
    // next mouse move over it makes it hot again.
    void ResetHot();

    EDrawing Drawing() const;

    // Draws the button as the next paint would, into the off-screen image
    // that the paint then copies in one step.
    const QImage& Render() const;

    // The buttons of the own style that differ only in their labels share
    // one drawing of their body. This drops the bodies drawn so far: the
    // next button draws its own again.
    static void ForgetSharedBodies();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void Press(const QPoint& point);
    void CaptureLost();
    void PostClick();
    void SetHot(bool hot);
    void SetPressedLook(bool look);
    bool InsideForTracking(const QPoint& point) const;

    void DrawClassic(QPainter& painter) const;
    void DrawThemed(QPainter& painter) const;
    void DrawThemedCustom(QPainter& painter) const;
    // The own style: the pill without its label, which a button of the same
    // size, colours and state shares, and the label.
    void DrawOwnBody(QPainter& painter) const;
    void DrawOwnLabel(QPainter& painter) const;
    void DrawCenteredText(QPainter& painter, const QRect& rect, const QColor& color) const;
    QColor BackgroundColor() const;
    bool Selected() const;

    int m_controlId = 0;
    EKeypadStyle m_style = StyleVantrel;
    bool m_default = false;
    bool m_pressed = false;
    bool m_pressedLook = false;
    bool m_hot = false;
    bool m_leaveTracking = false;
    bool m_focusCue = false;  // the dotted focus frame shows after keyboard focus only
    bool m_systemFace = true;
    bool m_systemText = true;
    QColor m_face;
    QColor m_text;
    mutable QImage m_buffer;
};
