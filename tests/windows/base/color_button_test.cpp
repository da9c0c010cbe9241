#include "windows/base/color_button.h"

#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <utility>
#include <vector>

#include "windows/keypad_test_app.h"

namespace {

void SendMouse(QWidget* widget, QEvent::Type type, QPoint pos, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(pos), QPointF(widget->mapToGlobal(pos)), Qt::LeftButton, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

class ColorButtonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        KeypadTestApplication();
        QApplication::setStyle(QStringLiteral("Fusion"));
        parent = std::make_unique<QWidget>();
        parent->resize(200, 100);
        button = new CColorButton(QStringLiteral("8"), parent.get());
        button->setGeometry(10, 10, 60, 28);
        button->SetFaceColor(QColor(144, 208, 255));
        button->SetTextColor(QColor(0, 64, 128));
        parent->show();
        QApplication::setActiveWindow(parent.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(parent.get()));
        button->clearFocus();
        clicks = std::make_unique<QSignalSpy>(button, &QAbstractButton::clicked);
    }
    void TearDown() override { QApplication::setStyle(QStringLiteral("Fusion")); }

    void Press(QPoint p) { SendMouse(button, QEvent::MouseButtonPress, p, Qt::LeftButton); }
    void Move(QPoint p, bool held) { SendMouse(button, QEvent::MouseMove, p, held ? Qt::LeftButton : Qt::NoButton); }
    void Release(QPoint p) { SendMouse(button, QEvent::MouseButtonRelease, p, Qt::NoButton); }
    int Clicks()
    {
        QCoreApplication::processEvents();
        return static_cast<int>(clicks->count());
    }
    QColor Pixel(int x, int y) { return button->Render().pixelColor(x, y); }

    std::unique_ptr<QWidget> parent;
    CColorButton* button = nullptr;
    std::unique_ptr<QSignalSpy> clicks;
};

// ------------------------------------------------------------ shape

TEST(PillShape, PointsInsideAndOutside)
{
    const QSize size(60, 28);  // pill from (3, 3) to (57, 25), ends of radius 11
    EXPECT_TRUE(PillContains(size, QPoint(30, 14)));
    EXPECT_TRUE(PillContains(size, QPoint(3, 14)));     // leftmost point of the left end
    EXPECT_FALSE(PillContains(size, QPoint(2, 14)));
    EXPECT_TRUE(PillContains(size, QPoint(56, 14)));
    EXPECT_FALSE(PillContains(size, QPoint(57, 14)));
    EXPECT_TRUE(PillContains(size, QPoint(30, 3)));
    EXPECT_FALSE(PillContains(size, QPoint(30, 2)));
    EXPECT_TRUE(PillContains(size, QPoint(30, 24)));
    EXPECT_FALSE(PillContains(size, QPoint(30, 25)));
    EXPECT_FALSE(PillContains(size, QPoint(4, 4)));     // outside the round end
    EXPECT_FALSE(PillContains(size, QPoint(55, 24)));
    EXPECT_TRUE(PillContains(size, QPoint(14, 4)));     // where the straight edge starts
    EXPECT_FALSE(PillContains(QSize(6, 6), QPoint(3, 3)));  // too small to have a pill
}

TEST_F(ColorButtonTest, HitShapeDependsOnTheStyle)
{
    EXPECT_EQ(button->KeypadStyle(), StyleVantrel);
    EXPECT_FALSE(button->HitTest(QPoint(1, 1)));
    EXPECT_TRUE(button->HitTest(QPoint(30, 14)));
    for (EKeypadStyle style : {Style2000, StyleXP, StyleVista}) {
        button->SetKeypadStyle(style);
        EXPECT_TRUE(button->HitTest(QPoint(0, 0))) << style;
        EXPECT_TRUE(button->HitTest(QPoint(59, 27))) << style;
        EXPECT_FALSE(button->HitTest(QPoint(60, 14))) << style;
    }
    button->SetKeypadStyle(static_cast<EKeypadStyle>(9));
    EXPECT_EQ(button->KeypadStyle(), StyleVantrel);
}

// ------------------------------------------------------------ mouse

TEST_F(ColorButtonTest, ClickIsPostedOnReleaseInsideThePill)
{
    Press(QPoint(30, 14));
    EXPECT_TRUE(button->IsPressed());
    EXPECT_TRUE(button->IsPressedLook());
    EXPECT_TRUE(button->hasFocus());
    Release(QPoint(32, 15));
    EXPECT_FALSE(button->IsPressed());
    EXPECT_FALSE(button->IsPressedLook());
    EXPECT_EQ(clicks->count(), 0);  // posted, not sent
    EXPECT_EQ(Clicks(), 1);
}

TEST_F(ColorButtonTest, DragOutOfThePillAndReleaseOutsideSendsNothing)
{
    Press(QPoint(30, 14));
    Move(QPoint(2, 2), true);  // still in the button, out of the pill
    EXPECT_TRUE(button->IsPressed());
    EXPECT_FALSE(button->IsPressedLook());
    Move(QPoint(31, 14), true);
    EXPECT_TRUE(button->IsPressedLook());
    Move(QPoint(58, 26), true);
    Release(QPoint(58, 26));
    EXPECT_EQ(Clicks(), 0);
    Press(QPoint(30, 14));
    Release(QPoint(100, 14));
    EXPECT_EQ(Clicks(), 0);
}

TEST_F(ColorButtonTest, PressOutsideThePillDoesNotPress)
{
    Press(QPoint(1, 1));
    EXPECT_FALSE(button->IsPressed());
    EXPECT_TRUE(button->hasFocus());  // the press still takes the focus
    Release(QPoint(30, 14));
    EXPECT_EQ(Clicks(), 0);
}

TEST_F(ColorButtonTest, OtherStylesClickOnReleaseAnywhere)
{
    for (EKeypadStyle style : {Style2000, StyleXP, StyleVista}) {
        button->SetKeypadStyle(style);
        clicks->clear();
        Press(QPoint(1, 1));  // the corner belongs to the button
        EXPECT_TRUE(button->IsPressed()) << style;
        Move(QPoint(100, 50), true);
        EXPECT_FALSE(button->IsPressedLook()) << style;
        Move(QPoint(0, 27), true);
        EXPECT_TRUE(button->IsPressedLook()) << style;
        Release(QPoint(150, 80));
        EXPECT_EQ(Clicks(), 1) << style;
    }
}

TEST_F(ColorButtonTest, DoubleClickIsASecondPress)
{
    const QPoint c(30, 14);
    Press(c);
    Release(c);
    SendMouse(button, QEvent::MouseButtonDblClick, c, Qt::LeftButton);
    EXPECT_TRUE(button->IsPressed());
    Release(c);
    EXPECT_EQ(Clicks(), 2);
}

TEST_F(ColorButtonTest, RightButtonAndDisabledButtonsDoNotClick)
{
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(30, 14), QPointF(button->mapToGlobal(QPoint(30, 14))),
                      Qt::RightButton, Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(button, &press);
    EXPECT_FALSE(button->IsPressed());
    button->setEnabled(false);
    Press(QPoint(30, 14));
    Release(QPoint(30, 14));
    EXPECT_EQ(Clicks(), 0);
}

TEST_F(ColorButtonTest, HotFollowsThePillInTheOwnStyle)
{
    Move(QPoint(30, 14), false);
    EXPECT_TRUE(button->IsHot());
    Move(QPoint(1, 1), false);
    EXPECT_FALSE(button->IsHot());
    Move(QPoint(20, 10), false);
    EXPECT_TRUE(button->IsHot());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(button, &leave);
    EXPECT_FALSE(button->IsHot());

    button->SetKeypadStyle(StyleXP);
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(button->mapToGlobal(QPoint(1, 1))));
    QApplication::sendEvent(button, &enter);
    EXPECT_TRUE(button->IsHot());  // the whole button in the other styles
    Move(QPoint(1, 1), false);
    EXPECT_TRUE(button->IsHot());
}

TEST_F(ColorButtonTest, LosingTheMouseWhilePressedEndsThePress)
{
    Press(QPoint(30, 14));
    ASSERT_TRUE(button->IsPressed());
    button->hide();
    EXPECT_FALSE(button->IsPressed());
    EXPECT_FALSE(button->IsPressedLook());
    EXPECT_FALSE(button->IsHot());
    Release(QPoint(30, 14));
    EXPECT_EQ(Clicks(), 0);
}

// ------------------------------------------------------------ colours

TEST_F(ColorButtonTest, ColoursAndSystemFlags)
{
    EXPECT_FALSE(button->UsesSystemFaceColor());
    EXPECT_EQ(button->FaceColor(), QColor(144, 208, 255));
    button->UseSystemFaceColor();
    EXPECT_EQ(button->FaceColor(), button->palette().color(QPalette::Button));
    button->UseSystemTextColor();
    EXPECT_EQ(button->TextColor(), button->palette().color(QPalette::ButtonText));
    // The system colour is read at every paint.
    QPalette palette = button->palette();
    palette.setColor(QPalette::Button, QColor(1, 2, 3));
    button->setPalette(palette);
    EXPECT_EQ(button->FaceColor(), QColor(1, 2, 3));
    button->SetFaceColor(QColor(7, 8, 9));
    EXPECT_FALSE(button->UsesSystemFaceColor());
    EXPECT_EQ(button->FaceColor(), QColor(7, 8, 9));

    CColorButton fresh;
    EXPECT_TRUE(fresh.UsesSystemFaceColor());
    EXPECT_TRUE(fresh.UsesSystemTextColor());
    EXPECT_EQ(fresh.KeypadStyle(), StyleVantrel);
}

TEST(ColorModel, LightnessAndLightTest)
{
    const QColor face(255, 128, 192);  // lightness 0.75
    const QColor dark = ScaleLightness(face, 0.4);
    EXPECT_NEAR(dark.lightnessF(), 0.3, 0.01);
    EXPECT_NEAR(dark.hslHueF(), face.hslHueF(), 0.01);
    EXPECT_EQ(ScaleLightness(face, 2.0), QColor(255, 255, 255));
    EXPECT_EQ(ScaleLightness(face, 1.8), QColor(255, 255, 255));  // capped at 1
    EXPECT_NEAR(ScaleLightness(QColor(192, 192, 192), 0.5).lightnessF(), 192.0 / 255 / 2, 0.01);
    EXPECT_TRUE(IsLightColor(QColor(128, 128, 128)));   // 0.502
    EXPECT_FALSE(IsLightColor(QColor(127, 127, 127)));  // 0.498
    EXPECT_FALSE(IsLightColor(QColor(255, 0, 0)));      // 0.30
    EXPECT_TRUE(IsLightColor(QColor(0, 255, 0)));       // 0.59
}

// ------------------------------------------------------------ drawing

TEST_F(ColorButtonTest, DrawingFollowsStyleAndTheme)
{
    using D = CColorButton::EDrawing;
    EXPECT_EQ(button->Drawing(), D::Own);
    button->SetKeypadStyle(StyleXP);
    EXPECT_EQ(button->Drawing(), D::ThemedCustom);
    button->SetKeypadStyle(Style2000);
    EXPECT_EQ(button->Drawing(), D::ThemedCustom);  // the Vista drawing under a theme
    button->UseSystemFaceColor();
    EXPECT_EQ(button->Drawing(), D::ThemedCustom);  // one custom colour is enough
    button->UseSystemTextColor();
    EXPECT_EQ(button->Drawing(), D::Themed);
    button->SetFaceColor(Qt::red);
    button->setEnabled(false);
    EXPECT_EQ(button->Drawing(), D::Themed);  // disabled buttons draw as the theme does
    button->setEnabled(true);

    QApplication::setStyle(QStringLiteral("Windows"));
    EXPECT_EQ(button->Drawing(), D::Classic);
    button->SetKeypadStyle(StyleXP);
    EXPECT_EQ(button->Drawing(), D::Own);
    button->SetKeypadStyle(StyleVista);
    EXPECT_EQ(button->Drawing(), D::Own);
}

TEST_F(ColorButtonTest, XPWithoutThemesPaintsLikeTheOwnStyle)
{
    button->SetKeypadStyle(StyleVantrel);
    const QImage own = button->Render().copy();
    button->SetKeypadStyle(StyleXP);
    const QImage themed = button->Render().copy();
    EXPECT_NE(own, themed);
    QApplication::setStyle(QStringLiteral("Windows"));
    button->SetKeypadStyle(StyleVantrel);
    const QImage ownPlain = button->Render().copy();
    button->SetKeypadStyle(StyleXP);
    EXPECT_EQ(button->Render(), ownPlain);
}

TEST_F(ColorButtonTest, OwnStyleLayers)
{
    const QColor face(144, 208, 255);
    const int cx = 30;
    // Body: darker than the face near the top, lighter near the bottom.
    EXPECT_LT(Pixel(8, 7).lightness(), face.lightness());
    EXPECT_GT(Pixel(cx, 23).lightness(), face.lightness());
    // Ring 3 outlines the pill in the face colour.
    const QColor outline = Pixel(cx, 3);
    EXPECT_NEAR(outline.red(), face.red(), 12);
    EXPECT_NEAR(outline.blue(), face.blue(), 12);
    // Nothing yellow or green while idle.
    const QColor idle = Pixel(cx, 4);
    const QColor idleRing2 = Pixel(cx, 2);

    // Hot: yellow on ring 4.
    Move(QPoint(cx, 14), false);
    ASSERT_TRUE(button->IsHot());
    QColor hot = Pixel(cx, 4);
    EXPECT_GT(hot.red(), 200);
    EXPECT_GT(hot.green(), 200);
    EXPECT_LT(hot.blue(), 100);
    EXPECT_NE(hot, idle);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(button, &leave);

    // Pressed: yellow rings 4 to 9, ring 6 is half strength.
    EXPECT_EQ(Pixel(cx, 6), Pixel(cx, 6));
    const QColor before6 = Pixel(cx, 24 - 2);
    Press(QPoint(cx, 14));
    EXPECT_LT(Pixel(cx, 23).blue(), 100);   // ring 4 at the bottom
    EXPECT_NE(Pixel(cx, 24 - 2), before6);  // ring 6
    Release(QPoint(cx, 14));
    QCoreApplication::processEvents();

    // Focused (the press took the focus): green rings 0 to 2.
    ASSERT_TRUE(button->hasFocus());
    const QColor green = Pixel(cx, 2);
    EXPECT_GT(green.green(), 200);
    EXPECT_LT(green.red(), 100);
    EXPECT_NE(green, idleRing2);
}

TEST_F(ColorButtonTest, OwnStyleShadesTheRingsOnALightSurface)
{
    // On a light surface rings 1 and 2 run from dark at the top left to white
    // at the bottom right; a dark face adds a faint green glow instead.
    const QColor topLeft = Pixel(12, 2);
    const QColor bottomRight = Pixel(48, 26);
    EXPECT_LT(topLeft.lightness(), bottomRight.lightness());
    button->SetFaceColor(QColor(20, 20, 60));
    const QColor glow = Pixel(30, 2);
    EXPECT_GT(glow.green(), glow.red() + 40);
}

TEST_F(ColorButtonTest, ClassicStyle)
{
    QApplication::setStyle(QStringLiteral("Windows"));
    button->SetKeypadStyle(Style2000);
    const QColor face(144, 208, 255);
    EXPECT_EQ(Pixel(5, 14), face);
    EXPECT_NE(Pixel(0, 0), QColor(21, 0, 0));  // no frame while neither focused nor default
    button->SetDefaultFlag(true);
    EXPECT_EQ(Pixel(0, 0), QColor(21, 0, 0));
    EXPECT_EQ(Pixel(59, 27), QColor(21, 0, 0));
    button->SetDefaultFlag(false);
    Press(QPoint(30, 14));  // pressed and focused: the shadow frame inside the focus frame
    EXPECT_EQ(Pixel(0, 5), QColor(21, 0, 0));
    EXPECT_EQ(Pixel(1, 5).rgb(), button->palette().color(QPalette::Dark).rgb());
    EXPECT_EQ(Pixel(5, 14), face);
    Release(QPoint(30, 14));
    button->clearFocus();
    Press(QPoint(1, 1));
    button->clearFocus();
    EXPECT_EQ(Pixel(0, 5).rgb(), button->palette().color(QPalette::Dark).rgb());
}

TEST_F(ColorButtonTest, ThemedCustomGradientsSwapWhenPressed)
{
    for (EKeypadStyle style : {StyleXP, StyleVista}) {
        button->SetKeypadStyle(style);
        const int top = Pixel(5, 5).lightness();
        const int bottom = Pixel(5, 23).lightness();
        EXPECT_GT(top, bottom) << style;
        Press(QPoint(30, 14));
        const int pressedTop = Pixel(5, 5).lightness();
        const int pressedBottom = Pixel(5, 23).lightness();
        Release(QPoint(30, 14));
        QCoreApplication::processEvents();
        if (style == StyleXP) {
            EXPECT_LT(pressedTop, pressedBottom);
        } else {
            EXPECT_NE(pressedTop, top);  // a stronger wash
            EXPECT_GT(pressedBottom, bottom);  // the lower gradient turns round
        }
    }
}

TEST_F(ColorButtonTest, SharedBodiesDrawAsTheButtonsOwn)
{
    // A second button of the same size draws its label over the body the
    // first one drew: in every state each looks as when it draws its own
    // body, also after the bodies of the other states were drawn.
    auto* other = new CColorButton(QStringLiteral("sin"), parent.get());
    using FSet = void (*)(CColorButton*);
    const std::pair<const char*, FSet> states[] = {
        {"idle", [](CColorButton*) {}},
        {"default", [](CColorButton* b) { b->SetDefaultFlag(true); }},
        {"hot", [](CColorButton* b) { SendMouse(b, QEvent::MouseMove, QPoint(30, 14), Qt::NoButton); }},
        {"pressed", [](CColorButton* b) { SendMouse(b, QEvent::MouseButtonPress, QPoint(30, 14), Qt::LeftButton); }},
        {"disabled", [](CColorButton* b) { b->setEnabled(false); }},
        {"dark face", [](CColorButton* b) { b->SetFaceColor(QColor(40, 40, 60)); }},
        {"system face", [](CColorButton* b) { b->UseSystemFaceColor(); }},
        {"other text", [](CColorButton* b) { b->SetTextColor(QColor(200, 0, 0)); }},
        {"dark surface", [](CColorButton* b) { b->parentWidget()->setPalette(QPalette(QColor(32, 35, 38))); }},
        {"taller", [](CColorButton* b) { b->resize(60, 34); }},
    };
    auto set = [&](std::size_t i) {
        parent->setPalette(QPalette());
        for (CColorButton* b : {button, other}) {
            SendMouse(b, QEvent::MouseButtonRelease, QPoint(-5, -5), Qt::NoButton);
            b->ResetHot();
            b->clearFocus();  // a press takes the focus
            b->SetDefaultFlag(false);
            b->setEnabled(true);
            b->SetFaceColor(QColor(144, 208, 255));
            b->SetTextColor(QColor(0, 64, 128));
            b->setGeometry(10, b == button ? 10 : 50, 60, 28);
            states[i].second(b);
        }
    };
    std::vector<QImage> first, second;
    for (std::size_t i = 0; i < std::size(states); ++i) {
        SCOPED_TRACE(states[i].first);
        set(i);
        CColorButton::ForgetSharedBodies();
        first.push_back(button->Render().copy());
        CColorButton::ForgetSharedBodies();
        second.push_back(other->Render().copy());
        EXPECT_TRUE(i == 0 || first[i] != first[0]);
    }
    CColorButton::ForgetSharedBodies();
    for (std::size_t k = 0; k < 2 * std::size(states); ++k) {
        const std::size_t i = k < std::size(states) ? k : 2 * std::size(states) - 1 - k;
        SCOPED_TRACE(states[i].first);
        set(i);
        EXPECT_EQ(button->Render(), first[i]);
        EXPECT_EQ(other->Render(), second[i]);
    }
}

TEST_F(ColorButtonTest, ThemedWithSystemColoursUsesTheApplicationStyle)
{
    button->SetKeypadStyle(StyleVista);
    button->UseSystemFaceColor();
    button->UseSystemTextColor();
    const QImage image = button->Render().copy();
    // The bevel draws something besides the background.
    const QColor background = parent->palette().color(QPalette::Window);
    int differing = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            differing += image.pixelColor(x, y) != background;
    EXPECT_GT(differing, image.width() * 2);
}

}  // namespace
