// Pasting and dropping into the editor: every way data arrives, with a
// clipboard that holds nothing, data without any format (what X hands out
// when no program owns the clipboard), data whose owner went away, and text.
#include "support/frame_fixture.h"
#include "windows/editor/calc_view.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QTextCursor>

#include <functional>
#include <memory>

#include "document/memory_store.h"
#include "document/preferences.h"
#include "windows/frame/calc_main_frame.h"
#include "windows/frame/calc_tool_bar.h"

namespace {

// Data that names a text format but delivers nothing: the owner of the
// clipboard quit between the offer and the transfer.
class CVanishedOwnerData : public QMimeData {
public:
    QStringList formats() const override { return {QStringLiteral("text/plain")}; }

protected:
    QVariant retrieveData(const QString&, QMetaType) const override { return {}; }
};

class CalcViewPaste : public CFrameTest {
protected:
    void SetUp() override
    {
        CFrameTest::SetUp();
        view = frame->Editor();
        Type("1+2;3*4", 4);
    }
    void TearDown() override
    {
        QGuiApplication::clipboard()->clear();
        CFrameTest::TearDown();
    }

    // Every route by which the user pastes the clipboard, by name.
    std::vector<std::pair<const char*, std::function<void()>>> PasteRoutes()
    {
        return {
            {"Ctrl+V", [this] { QTest::keyClick(view, Qt::Key_V, Qt::ControlModifier); }},
            {"Shift+Insert", [this] { QTest::keyClick(view, Qt::Key_Insert, Qt::ShiftModifier); }},
            {"Edit > Paste", [this] { frame->Command(IdEditPaste)->trigger(); }},
            {"tool bar",
             [this] {
                 auto* button = qobject_cast<QAbstractButton*>(
                     frame->ToolBar()->widgetForAction(frame->Command(IdEditPaste)));
                 ASSERT_NE(button, nullptr);
                 button->click();
             }},
            {"paste()", [this] { view->paste(); }},
            {"middle click",
             [this] { QTest::mouseClick(view->viewport(), Qt::MiddleButton, {}, QPoint(4, 4)); }},
        };
    }

    CCalcView* view = nullptr;
};

TEST_F(CalcViewPaste, AnEmptyClipboardPastesNothingByAnyRoute)
{
    QGuiApplication::clipboard()->clear();
    for (const auto& [name, paste] : PasteRoutes()) {
        paste();
        EXPECT_EQ(Text(), "1+2;3*4") << name;
        EXPECT_FALSE(view->document()->isModified()) << name;
    }
}

TEST_F(CalcViewPaste, DataWithoutAnyFormatPastesNothingByAnyRoute)
{
    // What X hands out when no program owns the clipboard; the editor's
    // base class fails on it.
    for (const auto& [name, paste] : PasteRoutes()) {
        QGuiApplication::clipboard()->setMimeData(new QMimeData);
        ASSERT_NE(QGuiApplication::clipboard()->mimeData(), nullptr);
        EXPECT_FALSE(view->canPaste()) << name;
        paste();
        EXPECT_EQ(Text(), "1+2;3*4") << name;
    }
    QGuiApplication::clipboard()->setMimeData(new CVanishedOwnerData);
    view->paste();
    EXPECT_EQ(Text(), "1+2;3*4");
    EXPECT_FALSE(view->document()->isModified());
}

TEST_F(CalcViewPaste, TextIsPastedAtTheCaretOverTheSelectionAndUndoneInOneStep)
{
    // The middle click pastes the selection, not the clipboard.
    auto routes = PasteRoutes();
    routes.pop_back();
    for (const auto& [name, paste] : routes) {
        QGuiApplication::clipboard()->setText("sin(0)+");
        EXPECT_TRUE(view->canPaste()) << name;
        SetCaret(4);
        paste();
        EXPECT_EQ(Text(), "1+2;sin(0)+3*4") << name;
        EXPECT_EQ(view->textCursor().position(), 11) << name;
        view->undo();
        EXPECT_EQ(Text(), "1+2;3*4") << name;
    }
    // Over a selection, and with line breaks of either kind kept as lines.
    QGuiApplication::clipboard()->setText("5;\r\n6;\n7");
    SetCaret(7, 4);
    view->paste();
    EXPECT_EQ(Text(), "1+2;5;\n6;\n7");
}

TEST_F(CalcViewPaste, TheSelectionAndDropEntryRefuseMissingData)
{
    // The middle click hands the selection's data straight to the view; a
    // platform without a selection clipboard gives nothing, one without an
    // owner gives data without formats.
    EXPECT_FALSE(view->canInsertFromMimeData(nullptr));
    view->insertFromMimeData(nullptr);
    QMimeData empty;
    EXPECT_FALSE(view->canInsertFromMimeData(&empty));
    view->insertFromMimeData(&empty);
    CVanishedOwnerData vanished;
    view->insertFromMimeData(&vanished);
    EXPECT_EQ(Text(), "1+2;3*4");

    QMimeData text;
    text.setText("9");
    EXPECT_TRUE(view->canInsertFromMimeData(&text));
    view->insertFromMimeData(&text);
    EXPECT_EQ(Text(), "1+2;93*4");
    view->setReadOnly(true);
    EXPECT_FALSE(view->canInsertFromMimeData(&text));
    view->setReadOnly(false);
}

TEST_F(CalcViewPaste, DropsOfMissingDataAreRefusedAndTextIsDroppedWhereItFalls)
{
    QWidget* target = view->viewport();
    const QPoint start(2, 2);  // before the first character
    auto drop = [&](const QMimeData* data) {
        QDragEnterEvent enter(start, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        const bool entered = enter.isAccepted();
        QDropEvent dropped(QPointF(start), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &dropped);
        return entered;
    };
    EXPECT_FALSE(drop(nullptr));
    QMimeData empty;
    EXPECT_FALSE(drop(&empty));
    CVanishedOwnerData vanished;
    drop(&vanished);
    EXPECT_EQ(Text(), "1+2;3*4");

    QMimeData text;
    text.setText("7;");
    EXPECT_TRUE(drop(&text));
    EXPECT_EQ(Text(), "7;1+2;3*4");
}

}  // namespace
