// What the start hands to later moments or other threads so that the first
// picture comes sooner: the windows' icon after that picture, the system's
// font configuration on a thread beside the window's construction.
#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontMetrics>
#include <QTest>
#include <QWidget>

#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "windows/base/platform.h"
#include "windows/base/tool_icons.h"
#include "windows/keypad_test_app.h"

namespace {

class StartUp : public ::testing::Test {
protected:
    void SetUp() override
    {
        KeypadTestApplication();
        before = QGuiApplication::windowIcon();
        QGuiApplication::setWindowIcon(QIcon());
    }
    void TearDown() override { QGuiApplication::setWindowIcon(before); }

    QIcon before;
};

TEST_F(StartUp, WindowIconFollowsTheFirstPicture)
{
    QWidget window;
    window.resize(200, 100);
    SetApplicationIconAfterFirstPicture(window);
    QCoreApplication::processEvents();
    EXPECT_TRUE(QGuiApplication::windowIcon().isNull()) << "made before the window painted";

    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY_WITH_TIMEOUT(!QGuiApplication::windowIcon().isNull(), 500);
    // The same sizes as when it was set at the start, and the window, which
    // has no icon of its own, shows it.
    const QList<QSize> sizes = QGuiApplication::windowIcon().availableSizes();
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        EXPECT_TRUE(sizes.contains(QSize(size, size))) << size;
    EXPECT_EQ(window.windowIcon().cacheKey(), QGuiApplication::windowIcon().cacheKey());
    // Later paints leave it alone.
    QGuiApplication::setWindowIcon(QIcon());
    window.update();
    QTest::qWait(50);
    EXPECT_TRUE(QGuiApplication::windowIcon().isNull());
}

TEST_F(StartUp, WindowIconComesAlsoWithoutAPicture)
{
    // A window that is never exposed (printing, a window on a hidden
    // desktop) still leaves the icon to the application's other windows.
    QWidget window;
    SetApplicationIconAfterFirstPicture(window);
    QTRY_VERIFY_WITH_TIMEOUT(!QGuiApplication::windowIcon().isNull(), 5000);
}

TEST_F(StartUp, FontConfigurationReadBesideFontUse)
{
    // Fonts are used while the configuration is read on the other thread,
    // and again after it ended; each warm-up waits for its thread.
    for (int round = 0; round < 2; ++round) {
        CFontConfigurationWarmUp warmUp;
        QFont font(QStringLiteral("Sans"), 12);
        EXPECT_GT(QFontMetrics(font).horizontalAdvance(QStringLiteral("sin(x) = 0.5")), 0);
    }
    EXPECT_FALSE(QFontDatabase::families().isEmpty());
}

TEST(StartUpHeap, PrefaultKeepsEveryBlockAndSizeIntact)
{
    // Memory that is in use while the heap is mapped keeps its bytes, and
    // sizes the heap cannot give or that hold no whole page are no harm.
    std::vector<unsigned char> before(100000);
    for (std::size_t i = 0; i < before.size(); ++i)
        before[i] = static_cast<unsigned char>(i * 7);
    const std::vector<unsigned char> copy = before;
    for (std::size_t bytes : {std::size_t{0}, std::size_t{1}, std::size_t{4097}, std::size_t{6} << 20,
                              std::numeric_limits<std::size_t>::max() / 2})
        PrefaultHeap(bytes);
    EXPECT_EQ(before, copy);
    void* block = std::malloc(std::size_t{5} << 20);
    ASSERT_NE(block, nullptr);
    std::memset(block, 0x5a, std::size_t{5} << 20);
    EXPECT_EQ(static_cast<unsigned char*>(block)[(std::size_t{5} << 20) - 1], 0x5a);
    std::free(block);
}

}  // namespace
