// The editor as a place to work: what a calculation command writes back,
// the colours of the text, the marked failure, completion, the hint and the
// live result.
#include <gtest/gtest.h>

#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>

#include <memory>

#include "document/cmd_receiver.h"
#include "document/memory_store.h"
#include "document/preferences.h"
#include "document/qt/calc_doc.h"
#include "windows/calc_main_frame.h"
#include "windows/calc_view.h"

namespace {

class CalcEditor : public ::testing::Test {
protected:
    void SetUp() override
    {
        Preferences().SetDefaults();
        MemoryStore().FreeMemory(EMemorySelection::All);
        frame = std::make_unique<CCalcMainFrame>();
        frame->resize(900, 700);
        frame->show();
        QApplication::setActiveWindow(frame.get());
        view = frame->Editor();
        view->setFocus();
    }
    void TearDown() override
    {
        view->document()->setModified(false);
        frame.reset();
    }
    void SetCaret(int position, int anchor = -1)
    {
        QTextCursor cursor = view->textCursor();
        cursor.setPosition(anchor < 0 ? position : anchor);
        if (anchor >= 0)
            cursor.setPosition(position, QTextCursor::KeepAnchor);
        view->setTextCursor(cursor);
    }
    QString Text() const { return view->toPlainText(); }
    void Calculate(bool all = false) { frame->Document()->ExecuteCommand(all ? CmdCalculateAll : CmdCalculate); }

    std::unique_ptr<CCalcMainFrame> frame;
    CCalcView* view = nullptr;
};

TEST(DifferingRange, CoversOnlyWhatChangedAndKeepsSurrogatePairsWhole)
{
    struct {
        QString before, after;
        int start, removed;
        QString inserted;
    } const cases[] = {
        {"1+2;3*4", "1+2=3;3*4", 3, 0, "=3"},
        {"1+2=7;3", "1+2=3;3", 4, 1, "3"},
        {"same", "same", 4, 0, ""},
        {"", "x", 0, 0, "x"},
        {"abc", "", 0, 3, ""},
        // A repeated character: the common end never overlaps the start.
        {"aa", "aaa", 2, 0, "a"},
        {"1=11", "1=1", 3, 1, ""},
        // U+1D11E and U+1D11F share their high surrogate.
        {QString::fromUtf16(u"x\U0001D11E"), QString::fromUtf16(u"x\U0001D11F"), 1, 2,
         QString::fromUtf16(u"\U0001D11F")},
        {QString::fromUtf16(u"\U0001D11Ey"), QString::fromUtf16(u"\U0001D11Fy"), 0, 2,
         QString::fromUtf16(u"\U0001D11F")},
    };
    for (const auto& c : cases) {
        const CTextChange change = DifferingRange(c.before, c.after);
        EXPECT_EQ(change.start, c.start) << c.before.toStdString() << " -> " << c.after.toStdString();
        EXPECT_EQ(change.removed, c.removed) << c.before.toStdString();
        EXPECT_EQ(change.inserted, c.inserted) << c.before.toStdString();
        QString applied = c.before;
        applied.replace(change.start, change.removed, change.inserted);
        EXPECT_EQ(applied, c.after);
    }
}

TEST_F(CalcEditor, CalculateRewritesOnlyTheStatementAsOneUndoStep)
{
    view->setPlainText("1+2=7;\n3*4;\n5-1");
    SetCaret(9);
    const QTextBlock first = view->document()->firstBlock();
    const QTextBlock last = view->document()->lastBlock();
    int changes = 0;
    int removedTotal = 0;
    QObject::connect(view->document(), &QTextDocument::contentsChange, [&](int, int removed, int) {
        ++changes;
        removedTotal += removed;
    });
    Calculate();
    EXPECT_EQ(Text(), "1+2=7;\n3*4=12;\n5-1");
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(removedTotal, 0);
    // The lines around it are the same blocks as before.
    EXPECT_EQ(view->document()->firstBlock(), first);
    EXPECT_EQ(view->document()->lastBlock(), last);
    EXPECT_TRUE(view->document()->isModified());
    view->undo();
    EXPECT_EQ(Text(), "1+2=7;\n3*4;\n5-1");
    view->redo();
    EXPECT_EQ(Text(), "1+2=7;\n3*4=12;\n5-1");

    // An unchanged rewrite edits nothing and still marks the text modified.
    view->setPlainText("1+2=3");
    SetCaret(1);
    changes = 0;
    Calculate();
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(Text(), "1+2=3");
    EXPECT_TRUE(view->document()->isModified());
}

TEST_F(CalcEditor, CalculateKeepsTheScrollPosition)
{
    QString text;
    for (int i = 0; i < 400; ++i)
        text += QString("%1+1;\n").arg(i);
    view->setPlainText(text);
    QTextCursor cursor(view->document()->findBlockByNumber(200));
    view->setTextCursor(cursor);
    view->centerCursor();
    const int scroll = view->verticalScrollBar()->value();
    ASSERT_GT(scroll, 0);
    Calculate();
    EXPECT_EQ(view->document()->findBlockByNumber(200).text(), "200+1=201;");
    EXPECT_EQ(view->verticalScrollBar()->value(), scroll);
    EXPECT_EQ(view->textCursor().blockNumber(), 200);
}

}  // namespace
