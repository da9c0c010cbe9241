#include "windows/calc_main_frame.h"

#include "windows/calc_bar.h"
#include "windows/calc_view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDockWidget>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include "document/memory_store.h"
#include "document/preferences.h"
#include "document/qt/calc_doc.h"
#include "windows/calc_keypad.h"
#include "windows/calc_log.h"
#include "windows/color_button.h"
#include "windows/calc_memory.h"

namespace {

class MainFrame : public ::testing::Test {
protected:
    void SetUp() override
    {
        Preferences().SetDefaults();
        MemoryStore().FreeMemory(EMemorySelection::All);
        frame = std::make_unique<CCalcMainFrame>();
        frame->show();
        QApplication::setActiveWindow(frame.get());
        frame->Editor()->setFocus();
        frame->Document()->showError = [this](const QString& message) { errors << message; };
    }
    void TearDown() override
    {
        frame->Editor()->document()->setModified(false);
        frame.reset();
        MemoryStore().FreeMemory(EMemorySelection::All);
    }
    void Type(const QString& text, int caret)
    {
        frame->Editor()->setPlainText(text);
        QTextCursor cursor = frame->Editor()->textCursor();
        cursor.setPosition(caret);
        frame->Editor()->setTextCursor(cursor);
    }
    QString Text() const { return frame->Editor()->toPlainText(); }
    int Caret() const { return frame->Editor()->textCursor().position(); }

    std::unique_ptr<CCalcMainFrame> frame;
    QStringList errors;
};

TEST_F(MainFrame, CtrlEqualsCalculatesTheCalculationAtTheCaret)
{
    Type("1+2;3*4", 1);
    QTest::keyClick(frame->Editor(), Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_EQ(Text(), "1+2=3;3*4");
    EXPECT_EQ(Caret(), 6);
    EXPECT_EQ(frame->ResultIndicator(), "Rslt=3");

    // Undo takes the whole rewrite back in one step.
    frame->Editor()->undo();
    EXPECT_EQ(Text(), "1+2;3*4");
}

TEST_F(MainFrame, CalculateAllRewritesEveryLine)
{
    Type("1+2;\n3*4", 0);
    frame->Document()->ExecuteCommand(CmdCalculateAll);
    EXPECT_EQ(Text(), "1+2=3;\n3*4=12");
    EXPECT_EQ(frame->ResultIndicator(), "Rslt=12");
}

TEST_F(MainFrame, AFailingCalculationLogsOneRedErrorAndStops)
{
    Type("1/0;2+2", 0);
    frame->Document()->ExecuteCommand(CmdCalculateAll);
    EXPECT_EQ(Text(), "1/0;2+2");
    ASSERT_EQ(frame->Log()->topLevelItemCount(), 1);
    const QTreeWidgetItem* line = frame->Log()->topLevelItem(0);
    EXPECT_EQ(line->text(0), "1");
    EXPECT_EQ(line->text(1), "Error");
    EXPECT_EQ(line->foreground(1).color(), QColor(Qt::red));
    EXPECT_EQ(line->text(2), "Division");
    EXPECT_EQ(line->text(3), "Operation has singularity at 0");

    // The next run starts with an empty log.
    Type("2+2", 0);
    frame->Document()->ExecuteCommand(CmdCalculateAll);
    EXPECT_EQ(frame->Log()->topLevelItemCount(), 0);
}

TEST_F(MainFrame, TheLogPopsUpWhenAMessageArrives)
{
    frame->Pane(1)->hide();
    Type("1/0", 0);
    frame->Document()->ExecuteCommand(CmdCalculate);
    EXPECT_TRUE(frame->Pane(1)->isVisible());

    Preferences().Set(EPreference::LogPopup, 0);
    frame->Pane(1)->hide();
    frame->Document()->ExecuteCommand(CmdCalculate);
    EXPECT_FALSE(frame->Pane(1)->isVisible());
}

TEST_F(MainFrame, StoresShowInTheMemoryPane)
{
    Type("1->mem[a];2->mem[b]", 0);
    frame->Document()->ExecuteCommand(CmdCalculateAll);
    EXPECT_EQ(frame->Memory()->List()->topLevelItemCount(), 2);
}

TEST_F(MainFrame, SavedFilesStartWithTheByteOrderMarkAndReopen)
{
    QTemporaryDir folder;
    const QString path = folder.filePath("text.vcl");
    Type("1+1;\n2*3", 0);
    ASSERT_TRUE(frame->Document()->Save(path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("\xFF\xFE"));
    EXPECT_EQ(bytes.mid(2, 10), QByteArray("1\0+\0" "1\0;\0\r\0", 10));
    frame->Editor()->clear();
    ASSERT_TRUE(frame->Document()->Open(path));
    EXPECT_EQ(Text(), "1+1;\n2*3");

    EXPECT_FALSE(frame->Document()->Save(folder.filePath("missing/text.vcl")));
    EXPECT_EQ(errors, QStringList({"Cannot open the file for writing"}));
}

TEST_F(MainFrame, ExecuteRunsAFileWithoutTouchingTheEditor)
{
    QTemporaryDir folder;
    const QString path = folder.filePath("run.vcl");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("5->mem[x];mem[x]*2");
    file.close();
    Type("untouched", 3);
    EXPECT_TRUE(frame->Document()->Execute(path));
    EXPECT_EQ(Text(), "untouched");
    EXPECT_EQ(frame->ResultIndicator(), "Rslt=10");
    EXPECT_EQ(MemoryStore().Count(), 1u);
}

TEST_F(MainFrame, KeypadButtonsTypeIntoTheEditor)
{
    Type("", 0);
    frame->Document()->InsertText(u"sin(");
    frame->Document()->InsertText(u"1");
    EXPECT_EQ(Text(), "sin(1");
    frame->Document()->ExecuteCommand(CmdBackspace);
    EXPECT_EQ(Text(), "sin(");
    frame->Document()->ExecuteCommand(CmdClear);
    EXPECT_EQ(Text(), "");
}

TEST_F(MainFrame, KeypadLabelsFollowThePreferencesFromTheStart)
{
    // The defaults: West and lower case, not the keypad's initial East labels.
    EXPECT_EQ(frame->Keypad()->ButtonById(1029)->text(), "tan");
    EXPECT_EQ(frame->Keypad()->ButtonById(1026)->text(), ".");
    frame.reset();
    Preferences().Set(EPreference::Notation, 1);
    Preferences().Set(EPreference::NotationCase, 1);
    Preferences().Set(EPreference::GammaFunction, 1);
    frame = std::make_unique<CCalcMainFrame>();
    EXPECT_EQ(frame->Keypad()->ButtonById(1029)->text(), "TG");
    EXPECT_EQ(frame->Keypad()->ButtonById(1036)->text(), "\u0393");
    Preferences().SetDefaults();
}

TEST_F(MainFrame, KeypadClicksReachTheEditor)
{
    Type("", 0);
    auto click = [this](int id) {
        QWidget* button = frame->Keypad()->ButtonById(id);
        QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
        QCoreApplication::processEvents();
    };
    click(1029);  // tg
    click(1008);  // 2
    click(1026);  // , is the decimal point in West notation
    click(1011);  // 5
    click(1021);  // )
    EXPECT_EQ(Text(), "tan(2.5)");
    click(1050);  // Bkspace
    click(1021);
    click(1018);  // +
    click(1007);  // 1
    click(1001);  // =
    EXPECT_TRUE(Text().startsWith("tan(2.5)+1="));
    EXPECT_EQ(frame->ResultIndicator().left(5), "Rslt=");
    click(1051);  // Clear
    EXPECT_EQ(Text(), "");
}

TEST_F(MainFrame, NotationCommandsRelabelTheKeypad)
{
    QAction* east = nullptr;
    QAction* west = nullptr;
    for (QAction* action : frame->findChildren<QAction*>()) {
        if (action->text() == "&East")
            east = action;
        if (action->text() == "&West")
            west = action;
    }
    ASSERT_NE(east, nullptr);
    ASSERT_NE(west, nullptr);
    west->trigger();
    EXPECT_EQ(Preferences().Get(EPreference::Notation), 0u);
    EXPECT_EQ(frame->Keypad()->ButtonById(1029)->text(), "tan");
    east->trigger();
    EXPECT_EQ(Preferences().Get(EPreference::Notation), 1u);
    EXPECT_EQ(frame->Keypad()->ButtonById(1029)->text(), "tg");
}

}  // namespace
