#include "windows/base/color_button.h"

#include <QApplication>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <qdrawutil.h>

#include <algorithm>
#include <map>
#include <tuple>
#include <utility>

namespace {

// Pixels between the button's edge and the pill of the own style.
constexpr int kPillInset = 3;

QRectF PillRect(const QSize& size, qreal inset)
{
    return QRectF(inset, inset, size.width() - 2 * inset, size.height() - 2 * inset);
}

QPainterPath RoundedPath(const QRectF& rect, qreal radius)
{
    QPainterPath path;
    if (rect.width() <= 0 || rect.height() <= 0)
        return path;
    radius = std::clamp(radius, 0.0, std::min(rect.width(), rect.height()) / 2);
    path.addRoundedRect(rect, radius, radius);
    return path;
}

// The paths of the own style depend on the button's size alone; the keypad
// has three sizes, so they are built once per size and reused by every paint.
struct COwnGeometry {
    QPainterPath rings[10];
    QPainterPath upperHalf;  // the pill above the middle
    QPainterPath lowerHalf;  // the pill below it
};

const COwnGeometry& OwnGeometry(const QSize& size)
{
    static std::map<std::pair<int, int>, COwnGeometry> cache;
    const auto key = std::make_pair(size.width(), size.height());
    auto found = cache.find(key);
    if (found != cache.end())
        return found->second;
    if (cache.size() > 32)
        cache.clear();
    COwnGeometry geometry;
    for (int i = 0; i < 10; ++i)
        geometry.rings[i] = PillRing(size, i);
    const QPainterPath pill = PillShape(size);
    const qreal middle = size.height() / 2.0;
    QPainterPath upper;
    upper.addRect(QRectF(0, 0, size.width(), middle));
    QPainterPath lower;
    lower.addRect(QRectF(0, middle, size.width(), size.height() - middle));
    geometry.upperHalf = pill.intersected(upper);
    geometry.lowerHalf = pill.intersected(lower);
    return cache.emplace(key, std::move(geometry)).first->second;
}

// What the body of the own style (everything but the label) is drawn
// from. The keypad's 79 buttons show a handful of bodies: three sizes in
// three colours, and the one button under the mouse or pressed.
struct COwnBodyKey {
    QSize pixels;
    qreal ratio = 1;
    QRgb surface = 0;
    QRgb face = 0;
    bool focused = false;
    bool pressed = false;
    bool hot = false;

    bool operator<(const COwnBodyKey& other) const
    {
        return std::tuple(pixels.width(), pixels.height(), ratio, surface, face, focused, pressed, hot) <
               std::tuple(other.pixels.width(), other.pixels.height(), other.ratio, other.surface, other.face,
                          other.focused, other.pressed, other.hot);
    }
};

// The drawn bodies, kept for the buttons that look alike: a label is then
// drawn over a copy of the body rather than the whole button afresh. The
// bodies are drawn with every colour in the key, so a change of colour or
// palette finds its own entry; the oldest go when the map grows large.
std::map<COwnBodyKey, QImage>& OwnBodies()
{
    static std::map<COwnBodyKey, QImage> bodies;
    return bodies;
}

QColor WithAlpha(QColor color, int alpha)
{
    color.setAlpha(alpha);
    return color;
}

}  // namespace

bool ThemesActive()
{
    const QStyle* style = QApplication::style();
    return style && style->name().compare(QLatin1String("windows"), Qt::CaseInsensitive) != 0;
}

QColor ScaleLightness(const QColor& color, double factor)
{
    const QColor hsl = color.toHsl();
    const double lightness = std::min(1.0, hsl.lightnessF() * factor);
    return QColor::fromHslF(hsl.hslHueF(), hsl.hslSaturationF(), static_cast<float>(lightness), hsl.alphaF()).toRgb();
}

bool IsLightColor(const QColor& color)
{
    return 0.30 * color.red() / 255 + 0.59 * color.green() / 255 + 0.11 * color.blue() / 255 > 0.5;
}

QPainterPath PillShape(const QSize& size)
{
    return RoundedPath(PillRect(size, kPillInset), (size.height() - 2 * kPillInset) / 2.0);
}

QPainterPath PillRing(const QSize& size, int inset)
{
    // Through pixel centres, so a one-pixel pen covers whole pixels.
    const QRectF rect = PillRect(size, inset + 0.5);
    return RoundedPath(rect, (size.height() - 1.25 - 2 * inset) / 2);
}

bool PillContains(const QSize& size, const QPoint& pixel)
{
    return PillShape(size).contains(QPointF(pixel.x() + 0.5, pixel.y() + 0.5));
}

CColorButton::CColorButton(const QString& text, QWidget* parent) : QPushButton(text, parent)
{
    setAutoDefault(false);
    setMouseTracking(true);
    // Every paint covers the whole button from the off-screen image, so the
    // background is never erased first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    const QPalette pal = palette();
    m_face = pal.color(QPalette::Button);
    m_text = pal.color(QPalette::ButtonText);
}

void CColorButton::SetKeypadStyle(EKeypadStyle style)
{
    if (style != Style2000 && style != StyleXP && style != StyleVista)
        style = StyleVantrel;
    m_style = style;
    // Only a hot button asks where the mouse is: the question goes to the
    // display and back, for each of the keypad's buttons as it is made.
    if (m_hot && !HitTest(mapFromGlobal(QCursor::pos())))
        m_hot = false;
    update();
}

void CColorButton::SetFaceColor(const QColor& color)
{
    m_face = color;
    m_systemFace = false;
    update();
}

void CColorButton::SetTextColor(const QColor& color)
{
    m_text = color;
    m_systemText = false;
    update();
}

void CColorButton::UseSystemFaceColor()
{
    m_systemFace = true;
    update();
}

void CColorButton::UseSystemTextColor()
{
    m_systemText = true;
    update();
}

QColor CColorButton::FaceColor() const
{
    return m_systemFace ? palette().color(QPalette::Button) : m_face;
}

QColor CColorButton::TextColor() const
{
    return m_systemText ? palette().color(QPalette::ButtonText) : m_text;
}

void CColorButton::SetDefaultFlag(bool isDefault)
{
    m_default = isDefault;
    update();
}

bool CColorButton::HitTest(const QPoint& point) const
{
    if (m_style == StyleVantrel)
        return PillContains(size(), point);
    return rect().contains(point);
}

CColorButton::EDrawing CColorButton::Drawing() const
{
    const bool themed = ThemesActive();
    switch (m_style) {
    case Style2000:
        // With a theme the classic style gives way to the Vista drawing.
        if (!themed)
            return EDrawing::Classic;
        break;
    case StyleXP:
    case StyleVista:
        if (!themed)
            return EDrawing::Own;
        break;
    default:
        return EDrawing::Own;
    }
    if (!isEnabled() || (m_systemFace && m_systemText))
        return EDrawing::Themed;
    return EDrawing::ThemedCustom;
}

// ---------------------------------------------------------------- mouse

void CColorButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    Press(event->position().toPoint());
}

void CColorButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    // A double click is a second press; its release completes a second click.
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    Press(event->position().toPoint());
}

void CColorButton::Press(const QPoint& point)
{
    if (!isEnabled())
        return;
    setFocus(Qt::MouseFocusReason);
    if (!HitTest(point))
        return;
    m_pressed = true;
    m_pressedLook = true;
    update();
}

void CColorButton::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    if (m_style == StyleVantrel)
        SetHot(PillContains(size(), point));
    if (!m_leaveTracking) {
        // The first move after entering starts hover and leave tracking.
        m_leaveTracking = true;
        SetHot(m_style != StyleVantrel || PillContains(size(), point));
    }
    if (m_pressed)
        SetPressedLook(HitTest(point));
}

void CColorButton::enterEvent(QEnterEvent* event)
{
    m_leaveTracking = true;
    SetHot(m_style != StyleVantrel || PillContains(size(), event->position().toPoint()));
}

void CColorButton::leaveEvent(QEvent*)
{
    m_leaveTracking = false;
    SetHot(false);
}

void CColorButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_pressed) {
        event->ignore();
        return;
    }
    m_pressed = false;
    m_pressedLook = false;
    update();
    if (m_style != StyleVantrel || PillContains(size(), event->position().toPoint()))
        PostClick();
}

void CColorButton::PostClick()
{
    // Posted, so the click is handled after the release has been processed;
    // a button destroyed in between drops it.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (isEnabled())
                emit clicked(false);
        },
        Qt::QueuedConnection);
}

void CColorButton::CaptureLost()
{
    if (!m_pressed)
        return;
    m_pressed = false;
    m_pressedLook = false;
    const QPoint cursor = mapFromGlobal(QCursor::pos());
    m_hot = isVisible() && InsideForTracking(cursor);
    update();
}

bool CColorButton::InsideForTracking(const QPoint& point) const
{
    return m_style == StyleVantrel ? PillContains(size(), point) : rect().contains(point);
}

void CColorButton::ResetHot()
{
    m_leaveTracking = false;
    SetHot(false);
}

void CColorButton::SetHot(bool hot)
{
    if (m_hot == hot)
        return;
    m_hot = hot;
    update();
}

void CColorButton::SetPressedLook(bool look)
{
    if (m_pressedLook == look)
        return;
    m_pressedLook = look;
    update();
}

void CColorButton::focusInEvent(QFocusEvent* event)
{
    m_focusCue = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason ||
                 event->reason() == Qt::ShortcutFocusReason;
    QPushButton::focusInEvent(event);
}

void CColorButton::changeEvent(QEvent* event)
{
    // Losing the window's activation takes the mouse away from a pressed button.
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        CaptureLost();
    else if (event->type() == QEvent::EnabledChange && !isEnabled())
        CaptureLost();
    QPushButton::changeEvent(event);
}

void CColorButton::hideEvent(QHideEvent* event)
{
    CaptureLost();
    m_hot = false;
    m_leaveTracking = false;
    QPushButton::hideEvent(event);
}

// ---------------------------------------------------------------- painting

void CColorButton::paintEvent(QPaintEvent*)
{
    const QImage& image = Render();
    QPainter painter(this);
    painter.drawImage(0, 0, image);
}

bool CColorButton::Selected() const
{
    // Held down from the keyboard (space bar).
    return isDown();
}

QColor CColorButton::BackgroundColor() const
{
    const QWidget* parent = parentWidget();
    return (parent ? parent->palette() : palette()).color(QPalette::Window);
}

void CColorButton::ForgetSharedBodies()
{
    OwnBodies().clear();
}

const QImage& CColorButton::Render() const
{
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize().expandedTo(QSize(1, 1));
    const EDrawing drawing = Drawing();
    if (drawing == EDrawing::Own) {
        const COwnBodyKey key{pixels,
                              ratio,
                              BackgroundColor().rgba(),
                              FaceColor().rgba(),
                              hasFocus() || m_default,
                              m_pressedLook || Selected(),
                              m_hot && isEnabled()};
        std::map<COwnBodyKey, QImage>& bodies = OwnBodies();
        const auto found = bodies.find(key);
        if (found != bodies.end()) {
            // Shared until the label is drawn, which copies it.
            m_buffer = found->second;
        } else {
            m_buffer = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
            m_buffer.setDevicePixelRatio(ratio);
            m_buffer.fill(BackgroundColor());
            QPainter painter(&m_buffer);
            painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
            DrawOwnBody(painter);
            painter.end();
            if (bodies.size() >= 64)
                bodies.clear();
            bodies.emplace(key, m_buffer);
        }
        QPainter painter(&m_buffer);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
        painter.setFont(font());
        DrawOwnLabel(painter);
        return m_buffer;
    }

    if (m_buffer.size() != pixels)
        m_buffer = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    m_buffer.setDevicePixelRatio(ratio);
    m_buffer.fill(BackgroundColor());

    QPainter painter(&m_buffer);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    painter.setFont(font());
    switch (drawing) {
    case EDrawing::Classic:
        DrawClassic(painter);
        break;
    case EDrawing::Themed:
        DrawThemed(painter);
        break;
    case EDrawing::ThemedCustom:
        DrawThemedCustom(painter);
        break;
    case EDrawing::Own:
        break;
    }
    return m_buffer;
}

void CColorButton::DrawCenteredText(QPainter& painter, const QRect& rect, const QColor& color) const
{
    painter.setPen(color);
    painter.drawText(rect, Qt::AlignCenter | Qt::TextSingleLine, text());
}

void CColorButton::DrawClassic(QPainter& painter) const
{
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QPalette pal = palette();
    const QColor face = FaceColor();
    const bool pressed = m_pressedLook || Selected();
    const bool framed = hasFocus() || m_default;
    QRect r = rect();
    painter.fillRect(r, face);

    if (pressed) {
        // Inside the focus frame when there is one.
        painter.setPen(pal.color(QPalette::Dark));
        painter.drawRect(framed ? r.adjusted(1, 1, -2, -2) : r.adjusted(0, 0, -1, -1));
    } else {
        const QRect frame = framed ? r.adjusted(1, 1, -1, -1) : r;
        const QBrush fill(face);
        qDrawWinButton(&painter, frame, pal, false, isEnabled() ? &fill : nullptr);
    }
    if (framed) {
        painter.setPen(QColor(21, 0, 0));
        painter.drawRect(r.adjusted(0, 0, -1, -1));
    }

    if (!isEnabled()) {
        // Embossed: a light copy one pixel right, the shadow copy one pixel up.
        DrawCenteredText(painter, r.translated(1, 0), pal.color(QPalette::Light));
        DrawCenteredText(painter, r.translated(0, -1), pal.color(QPalette::Dark));
    } else {
        DrawCenteredText(painter, pressed ? r.translated(1, 0) : r.translated(0, -1), TextColor());
    }

    if (hasFocus() && m_focusCue) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = r.adjusted(4, 4, -4, -4);
        option.backgroundColor = face;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void CColorButton::DrawThemed(QPainter& painter) const
{
    QStyleOptionButton option;
    option.initFrom(this);
    option.text = text();
    option.state &= ~(QStyle::State_Sunken | QStyle::State_Raised | QStyle::State_MouseOver);
    if (m_pressedLook || Selected())
        option.state |= QStyle::State_Sunken;
    else
        option.state |= QStyle::State_Raised;
    if (m_hot && isEnabled())
        option.state |= QStyle::State_MouseOver;
    if (m_default)
        option.features |= QStyleOptionButton::DefaultButton;
    style()->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, this);

    const QRect content = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    const QPalette pal = palette();
    DrawCenteredText(painter, content,
                     isEnabled() ? TextColor() : pal.color(QPalette::Disabled, QPalette::ButtonText));

    if (hasFocus() && m_focusCue) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(3, 3, -3, -3);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

void CColorButton::DrawThemedCustom(QPainter& painter) const
{
    const QPalette pal = palette();
    const QColor face = FaceColor();
    const bool pressed = m_pressedLook || Selected();
    const bool defaulted = !pressed && !m_hot && (hasFocus() || m_default);
    const bool vista = m_style != StyleXP;
    const QRectF body = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const QPainterPath shape = RoundedPath(body, vista ? 5 : 3);
    const qreal h = height();

    if (!vista) {
        QColor top = ScaleLightness(face, 1.15);
        QColor bottom = ScaleLightness(face, 0.8);
        if (pressed)
            std::swap(top, bottom);
        QLinearGradient gradient(0, 0, 0, h);
        gradient.setColorAt(0, top);
        gradient.setColorAt(0.45, face);
        gradient.setColorAt(1, bottom);
        painter.fillPath(shape, gradient);
    } else {
        QPainterPath upper;
        upper.addRect(QRectF(0, 0, width(), h / 2));
        QPainterPath lower;
        lower.addRect(QRectF(0, h / 2, width(), h / 2));

        // The upper half: a translucent wash of the face over a pale ground,
        // stronger when hot and strongest when pressed.
        const int wash = pressed ? 230 : m_hot ? 170 : 110;
        painter.fillPath(shape.intersected(upper), ScaleLightness(face, 1.15));
        painter.fillPath(shape.intersected(upper), WithAlpha(face, wash));

        QColor top = ScaleLightness(face, 0.8);
        QColor bottom = ScaleLightness(face, 0.6);
        if (pressed)
            std::swap(top, bottom);
        QLinearGradient gradient(0, h / 2, 0, h);
        gradient.setColorAt(0, top);
        gradient.setColorAt(1, bottom);
        painter.fillPath(shape.intersected(lower), gradient);

        if (defaulted) {
            painter.setRenderHint(QPainter::Antialiasing, false);
            painter.setPen(pal.color(QPalette::Highlight));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(QRect(2, 2, width() - 5, height() - 5));
            painter.setRenderHint(QPainter::Antialiasing, true);
        }
    }

    // Border colour hints of the theme, from the palette.
    QColor border = pal.color(QPalette::Dark);
    if (!isEnabled())
        border = pal.color(QPalette::Mid);
    else if (pressed)
        border = pal.color(QPalette::Highlight).darker(130);
    else if (m_hot || defaulted)
        border = pal.color(QPalette::Highlight);
    painter.setPen(QPen(border, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(shape);

    DrawCenteredText(painter, rect(), TextColor());
}

void CColorButton::DrawOwnBody(QPainter& painter) const
{
    const QSize sz = size();
    const qreal w = sz.width();
    const qreal h = sz.height();
    const QColor face = FaceColor();
    const bool focused = hasFocus() || m_default;

    // The pill stands on the pane's own background (already in the
    // buffer): no square of the button colour around it, which would show
    // under a palette whose button colour differs from the window's.
    const QColor surface = BackgroundColor();
    painter.setBrush(Qt::NoBrush);

    const COwnGeometry& geometry = OwnGeometry(sz);
    auto strokeRing = [&](int ring, const QBrush& brush) {
        painter.setPen(QPen(brush, 1));
        painter.drawPath(geometry.rings[ring]);
    };

    // Outer rings: a diagonal shading on a light surface, then the green
    // focus (or dark-face) glow.
    if (IsLightColor(surface)) {
        const qreal d = w * w + h * h;
        QLinearGradient shade(0, 0, 2 * w * w * h / d, 2 * h * h * w / d);
        shade.setColorAt(0, QColor(0, 0, 0, 40));
        shade.setColorAt(1, QColor(255, 255, 255, 255));
        strokeRing(1, shade);
        strokeRing(2, shade);
    }
    if (focused) {
        strokeRing(0, QColor(0, 255, 0, 64));
        strokeRing(1, QColor(0, 255, 0, 128));
        strokeRing(2, QColor(0, 255, 0, 255));
    } else if (!IsLightColor(face)) {
        strokeRing(0, QColor(0, 255, 0, 40));
        strokeRing(1, QColor(0, 255, 0, 80));
        strokeRing(2, QColor(0, 255, 0, 160));
    }

    // The body: dark at the top running to the face at the middle, the face
    // running to light at the bottom, and a highlight across the upper part.
    const QColor light = ScaleLightness(face, 1.8);
    const QColor dark = ScaleLightness(face, 0.4);
    const QColor shine = ScaleLightness(face, 2.0);
    const qreal middle = h / 2;
    QLinearGradient upper(0, kPillInset, 0, middle);
    upper.setColorAt(0, dark);
    upper.setColorAt(1, face);
    painter.fillPath(geometry.upperHalf, upper);
    QLinearGradient lower(0, middle, 0, h - kPillInset);
    lower.setColorAt(0, face);
    lower.setColorAt(1, light);
    painter.fillPath(geometry.lowerHalf, lower);

    const qreal radius = (h - 2 * kPillInset) / 2;
    QRectF glare(kPillInset + radius * 0.6, kPillInset + 1.5, w - 2 * kPillInset - radius * 1.2,
                 (h - 2 * kPillInset) * 0.4);
    if (m_pressedLook || Selected())
        glare.translate(0, 1);
    QLinearGradient highlight(0, glare.top(), 0, glare.bottom());
    highlight.setColorAt(0, WithAlpha(shine, 220));
    highlight.setColorAt(1, WithAlpha(face, 64));
    painter.fillPath(RoundedPath(glare, glare.height() / 2), highlight);

    // Inner feedback in yellow.
    if (m_pressedLook || Selected()) {
        const int alpha[] = {255, 192, 128, 96, 64, 32};
        for (int i = 0; i < 6; ++i)
            strokeRing(4 + i, QColor(255, 255, 0, alpha[i]));
    } else if (m_hot && isEnabled()) {
        const int alpha[] = {255, 160, 64};
        for (int i = 0; i < 3; ++i)
            strokeRing(4 + i, QColor(255, 255, 0, alpha[i]));
    }

    strokeRing(3, face);
}

void CColorButton::DrawOwnLabel(QPainter& painter) const
{
    DrawCenteredText(painter, rect(), isEnabled() ? TextColor() : palette().color(QPalette::Disabled, QPalette::ButtonText));
}
