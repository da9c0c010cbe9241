#include "support/fresh_app_state.h"
#include "support/frame_fixture.h"
#include "windows/frame/calc_main_frame.h"

#include "windows/frame/calc_bar.h"
#include "windows/editor/calc_view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QSettings>
#include <QStatusBar>
#include <QDockWidget>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>

#include "document/memory_store.h"
#include "document/preferences.h"
#include "document/qt/calc_doc.h"
#include "kavm_version.h"
#include "windows/keypad/calc_keypad.h"
#include "windows/panes/calc_log.h"
#include "windows/base/color_button.h"
#include "windows/base/tool_icons.h"
#include "windows/panes/calc_memory.h"
#include "windows/panes/calc_statistics.h"
#include "windows/frame/calc_tool_bar.h"
#include "windows/frame/help.h"
#include "windows/base/platform.h"

namespace {

class MainFrame : public CFrameTest {};

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
    EXPECT_EQ(errors, QStringList({"Cannot open the file for writing\n" + folder.filePath("missing/text.vcl") +
                                   "\nNo such file or directory"}));
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
    frame = std::make_unique<CCalcMainFrame>(*state);
    EXPECT_EQ(frame->Keypad()->ButtonById(1029)->text(), "TG");
    EXPECT_EQ(frame->Keypad()->ButtonById(1036)->text(), "\u0393");
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

// The texts of a menu's items, in order, separators as "|".
QStringList MenuTexts(QMenu* menu)
{
    QStringList texts;
    for (QAction* action : menu->actions())
        texts << (action->isSeparator() ? QString("|") : action->text());
    return texts;
}

QMenu* TopMenu(QMainWindow* frame, const QString& title)
{
    for (QAction* action : frame->menuBar()->actions())
        if (action->text() == title)
            return action->menu();
    return nullptr;
}

TEST_F(MainFrame, RedoBesideUndoWithBothKeys)
{
    QStringList edit = MenuTexts(TopMenu(frame.get(), "&Edit"));
    ASSERT_GE(edit.size(), 2);
    EXPECT_EQ(edit.mid(0, 2), QStringList({"&Undo\tCtrl+Z", "&Redo\tCtrl+Shift+Z"}));
    EXPECT_EQ(frame->Command(IdEditRedo)->shortcuts(),
              QList<QKeySequence>({QKeySequence("Ctrl+Shift+Z"), QKeySequence("Ctrl+Y")}));
    EXPECT_EQ(frame->Command(IdEditRedo)->property("commandId").toInt(), 57644);

    QTest::keyClicks(frame->Editor(), "1+2");
    for (QKeySequence redo : {QKeySequence("Ctrl+Shift+Z"), QKeySequence("Ctrl+Y")}) {
        QTest::keySequence(frame->Editor(), QKeySequence("Ctrl+Z"));
        EXPECT_EQ(Text(), "") << redo.toString().toStdString();
        QTest::keySequence(frame->Editor(), redo);
        EXPECT_EQ(Text(), "1+2") << redo.toString().toStdString();
    }
    // From a pane as well, and from the menu.
    frame->Editor()->undo();
    frame->Memory()->findChild<QTreeWidget*>()->setFocus();
    QTest::keySequence(QApplication::focusWidget(), QKeySequence("Ctrl+Y"));
    EXPECT_EQ(Text(), "1+2");
    frame->Editor()->undo();
    frame->Command(IdEditRedo)->trigger();
    EXPECT_EQ(Text(), "1+2");
    // Undo keeps its keys.
    EXPECT_EQ(frame->Command(IdEditUndo)->shortcuts(),
              QList<QKeySequence>({QKeySequence("Ctrl+Z"), QKeySequence("Alt+Backspace")}));
}

TEST_F(MainFrame, F11SwitchesFullScreenAndBack)
{
    auto* fullScreen = frame->findChild<QAction*>("ViewFullScreen");
    ASSERT_NE(fullScreen, nullptr);
    EXPECT_EQ(fullScreen->shortcut(), QKeySequence("F11"));
    QTest::keyClick(frame->Editor(), Qt::Key_F11);
    EXPECT_TRUE(frame->isFullScreen());
    EXPECT_TRUE(fullScreen->isChecked());
    QTest::keyClick(frame->Editor(), Qt::Key_F11);
    EXPECT_FALSE(frame->isFullScreen());
    EXPECT_FALSE(fullScreen->isChecked());
    // A maximised window comes back maximised.
    frame->showMaximized();
    fullScreen->trigger();
    EXPECT_TRUE(frame->isFullScreen());
    fullScreen->trigger();
    EXPECT_TRUE(frame->isMaximized());
}

TEST_F(MainFrame, AboutShowsTheVersionAndTheCopyright)
{
    QString text;
    QString informative;
    QString title;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        title = box->windowTitle();
        text = box->text();
        informative = box->informativeText();
        box->accept();
    });
    frame->Command(IdAppAbout)->trigger();
    EXPECT_EQ(title, "About Calculator Ka-Vm");
    EXPECT_EQ(text, "Calculator Ka-Vm " KAVM_VERSION_TEXT);
    EXPECT_EQ(informative, "Copyright (c) 2026 the Calculator Ka-Vm authors\nMIT License");
}

TEST_F(MainFrame, CtrlQQuitsAsExitDoes)
{
    EXPECT_EQ(frame->Command(IdAppExit)->shortcut(), QKeySequence("Ctrl+Q"));
    // A changed text is asked about first; Cancel keeps the window.
    QTest::keyClicks(frame->Editor(), "1+2");
    int asked = 0;
    frame->askSaveChanges = [&asked](const QString&) {
        ++asked;
        return int(QMessageBox::Cancel);
    };
    QTest::keySequence(frame->Editor(), QKeySequence("Ctrl+Q"));
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(frame->isVisible());
    frame->askSaveChanges = [&asked](const QString&) {
        ++asked;
        return int(QMessageBox::No);
    };
    QTest::keySequence(frame->Editor(), QKeySequence("Ctrl+Q"));
    EXPECT_EQ(asked, 2);
    EXPECT_FALSE(frame->isVisible());
}

TEST_F(MainFrame, MenusCarryTheirTextsPromptsAndIds)
{
    QStringList titles;
    for (QAction* action : frame->menuBar()->actions())
        titles << action->text();
    EXPECT_EQ(titles, QStringList({"&File", "&Memory", "&Edit", "&View", "&Set", "&Help"}));
    EXPECT_EQ(MenuTexts(TopMenu(frame.get(), "&Memory")), QStringList({"&Free", "&Load...", "Load &Constants", "&Save..."}));
    EXPECT_EQ(MenuTexts(TopMenu(frame.get(), "&View")),
              QStringList({"&Toolbar", "&Status Bar", "F&ull Screen\tF11", "|", "&Keypad\tCtrl+K", "&Log\tCtrl+L", "&Memory\tCtrl+M",
                           "St&atistics\tCtrl+T", "&Plot"}));
    QStringList setTexts;
    for (QAction* action : TopMenu(frame.get(), "&Set")->actions())
        setTexts << (action->menu() ? action->menu()->title() : action->text());
    EXPECT_EQ(setTexts, QStringList({"&Preferences...", "", "&Notation", "&Keypad", "&Editor Font"}));

    QAction* execute = frame->Command(IdExecute);
    ASSERT_NE(execute, nullptr);
    EXPECT_EQ(execute->text(), "&Execute...\tCtrl+E");
    EXPECT_EQ(execute->statusTip(), "Execute file");
    EXPECT_EQ(execute->toolTip(), "Execute Ctrl+E");
    EXPECT_EQ(execute->property("commandId").toInt(), 32771);
    EXPECT_EQ(frame->Command(IdCalculateAll)->statusTip(), "Callculate all");
    EXPECT_EQ(frame->Command(IdViewStatistics)->toolTip(), "Toggle statistics");
    EXPECT_EQ(frame->Command(IdCalculate)->shortcut(), QKeySequence("Ctrl+="));
}

TEST_F(MainFrame, StatusBarIndicators)
{
    auto* result = qobject_cast<QLabel*>(FindControl(frame->statusBar(), IdIndicatorResult));
    auto* units = qobject_cast<QLabel*>(FindControl(frame->statusBar(), IdIndicatorUnits));
    auto* sse2 = qobject_cast<QLabel*>(FindControl(frame->statusBar(), IdIndicatorFloatingPoint));
    ASSERT_TRUE(result && units && sse2);
    EXPECT_EQ(units->text(), "Rad");
    // There is no SSE2 module to switch on this platform: the indicator stays blank.
    Preferences().Set(EPreference::UseSSE2, 1);
    frame->RefreshForPreferences();
    EXPECT_EQ(sse2->text(), "");
    Preferences().Set(EPreference::FormatResult, 5);
    Preferences().Set(EPreference::NotationCase, 1);
    Type("2^1000", 0);
    frame->Document()->ExecuteCommand(CmdCalculate);
    EXPECT_EQ(result->text(), "RESULT=1.0715086071862673E+301");
    Preferences().Set(EPreference::TrigonometricUnits, 7);
    frame->UpdateUnits();
    EXPECT_EQ(units->text(), "Rad");
}

TEST_F(MainFrame, UnitsListsStayInStep)
{
    PreferencesChanged = false;
    QComboBox* window = frame->UnitsWindow()->List();
    EXPECT_EQ(ControlId(window), 1088);
    EXPECT_EQ(ControlId(frame->UnitsList()), 32780);
    QStringList entries;
    for (int i = 0; i < window->count(); ++i)
        entries << window->itemText(i);
    EXPECT_EQ(entries, QStringList({"Radians", "Degrees", "Grads"}));

    frame->UnitsWindow()->show();
    window->setCurrentIndex(1);
    emit window->activated(1);
    EXPECT_EQ(Preferences().Get(EPreference::TrigonometricUnits), 1u);
    EXPECT_EQ(frame->UnitsIndicator(), "Deg");
    EXPECT_EQ(frame->UnitsList()->currentText(), "Degrees");
    EXPECT_TRUE(PreferencesChanged);

    frame->UnitsList()->setCurrentIndex(2);
    emit frame->UnitsList()->activated(2);
    EXPECT_EQ(window->currentText(), "Grads");
    EXPECT_EQ(frame->UnitsIndicator(), "Grad");
    Type("sin(100)", 0);
    frame->Document()->ExecuteCommand(CmdCalculate);
    EXPECT_EQ(Text(), "sin(100)=1");
    PreferencesChanged = false;
}

TEST_F(MainFrame, TheUnitsWindowMadeLateShowsTheUnitsChosenBefore)
{
    // The window is made when first asked for, at the units chosen on the
    // tool bar before; its button's check mark follows it.
    for (int index : {2, 1, 0}) {
        frame.reset();
        frame = std::make_unique<CCalcMainFrame>(*state);
        frame->UnitsList()->setCurrentIndex(index);
        emit frame->UnitsList()->activated(index);
        EXPECT_EQ(frame->UnitsWindow()->List()->currentIndex(), index);
        frame->Command(IdTrigonometricUnits)->trigger();
        EXPECT_TRUE(frame->UnitsWindow()->isVisible());
        EXPECT_TRUE(frame->Command(IdTrigonometricUnits)->isChecked());
    }
    PreferencesChanged = false;
}

TEST_F(MainFrame, AVerticalToolBarShowsTheUnitsButtonInsteadOfTheList)
{
    QAction* button = frame->Command(IdTrigonometricUnits);
    EXPECT_FALSE(button->isVisible());
    frame->addToolBar(Qt::LeftToolBarArea, frame->ToolBar());
    EXPECT_TRUE(button->isVisible());
    EXPECT_FALSE(frame->UnitsList()->isVisible());
    button->trigger();
    EXPECT_TRUE(frame->UnitsWindow()->isVisible());
    EXPECT_TRUE(button->isChecked());
    button->trigger();
    EXPECT_FALSE(frame->UnitsWindow()->isVisible());

    frame->UnitsWindow()->show();
    frame->addToolBar(Qt::TopToolBarArea, frame->ToolBar());
    EXPECT_FALSE(button->isVisible());
    EXPECT_FALSE(frame->UnitsWindow()->isVisible());
}

TEST_F(MainFrame, ToolBarIconsPaintAtEveryPixelRatio)
{
    // The icons decide between the theme and the painted glyph when first
    // drawn. With no theme on the icon path each is its glyph: a size in
    // device pixels comes back at that size, at ratio 1 and 2 alike, with
    // something drawn on it.
    const QStringList themePaths = QIcon::themeSearchPaths();
    const QStringList fallbackPaths = QIcon::fallbackSearchPaths();
    QIcon::setThemeSearchPaths({});
    QIcon::setFallbackSearchPaths({});
    for (int id : {IdFileNew, IdFileOpen, IdEditCut, IdPreferences, IdContextHelp, IdMemoryLoad}) {
        EXPECT_FALSE(frame->Command(id)->icon().isNull()) << id;
        const QIcon icon = ToolIcon(id);
        ASSERT_FALSE(icon.isNull()) << id;
        EXPECT_EQ(icon.actualSize(QSize(24, 24)), QSize(24, 24)) << id;
        for (qreal ratio : {1.0, 2.0}) {
            const QPixmap pixmap = icon.pixmap(QSize(16, 16), ratio);
            EXPECT_EQ(pixmap.size(), QSize(16, 16) * ratio) << id << " " << ratio;
            EXPECT_EQ(pixmap.devicePixelRatio(), ratio) << id;
            const QImage image = pixmap.toImage();
            int inked = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    inked += qAlpha(image.pixel(x, y)) > 0;
            EXPECT_GT(inked, image.width() * image.height() / 20) << id << " " << ratio;
        }
    }
    QIcon::setThemeSearchPaths(themePaths);
    QIcon::setFallbackSearchPaths(fallbackPaths);
}

TEST_F(MainFrame, PaneTogglesAndFocusKeys)
{
    // Ctrl+T shows the statistics, Ctrl+T again hides them and the focus
    // goes back to the editor.
    QTest::keyClick(frame->Editor(), Qt::Key_T, Qt::ControlModifier);
    EXPECT_TRUE(frame->Pane(PaneStatistics)->isVisible());
    EXPECT_TRUE(frame->Command(IdViewStatistics)->isChecked());
    // It opens floating, a window of its own, as it always did.
    EXPECT_TRUE(frame->Pane(PaneStatistics)->isFloating());
    EXPECT_TRUE(frame->Pane(PaneStatistics)->isWindow());
    QTest::keyClick(frame->Editor(), Qt::Key_T, Qt::ControlModifier);
    EXPECT_FALSE(frame->Pane(PaneStatistics)->isVisible());
    EXPECT_FALSE(frame->Command(IdViewStatistics)->isChecked());
    EXPECT_TRUE(frame->Editor()->hasFocus());

    // Ctrl+Shift+L in the keypad shows and focuses the log...
    frame->Pane(PaneLog)->hide();
    frame->Keypad()->setFocus();
    frame->Command(IdFocusLog)->trigger();
    EXPECT_TRUE(frame->Pane(PaneLog)->isVisible());
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    EXPECT_TRUE(frame->Pane(PaneLog)->isAncestorOf(focus));
    // ...and does nothing while the log has the focus.
    frame->Command(IdFocusLog)->trigger();
    EXPECT_EQ(QApplication::focusWidget(), focus);
    // Ctrl+W returns to the editor.
    frame->Command(IdFocusEditor)->trigger();
    EXPECT_TRUE(frame->Editor()->hasFocus());
}

TEST_F(MainFrame, SaveAsProposesTheTitleAndAddsTheExtension)
{
    QTemporaryDir folder;
    QString proposed;
    frame->askSaveFileName = [&](const QString& filter, const QString& name, const QString& extension) {
        proposed = name;
        EXPECT_EQ(filter, "Calculator calculation files (*.vcl);;Calculator memory files (*.vcm);;All files (*)");
        EXPECT_EQ(extension, "vcl");
        return folder.filePath("sum");
    };
    Type("1+1", 0);
    EXPECT_EQ(frame->DocumentTitle(), "Calculation");
    ASSERT_TRUE(frame->SaveDocument(true));
    EXPECT_EQ(proposed, "Calculation.vcl");
    EXPECT_TRUE(QFile::exists(folder.filePath("sum.vcl")));
    EXPECT_EQ(frame->DocumentTitle(), "sum.vcl");
    EXPECT_EQ(frame->windowTitle(), "sum.vcl[*] - Vantrel Calculator Ka-Vm");
    EXPECT_EQ(frame->RecentFiles().value(0), QFileInfo(folder.filePath("sum.vcl")).absoluteFilePath());
}

TEST_F(MainFrame, UnsavedChangesAreAskedAbout)
{
    QStringList questions;
    int answer = QMessageBox::Cancel;
    frame->askSaveChanges = [&](const QString& question) {
        questions << question;
        return answer;
    };
    Type("1+1", 0);
    frame->Editor()->document()->setModified(true);
    frame->Command(IdFileNew)->trigger();
    EXPECT_EQ(questions, QStringList({"Save changes to Calculation?"}));
    EXPECT_EQ(Text(), "1+1");  // cancelled
    answer = QMessageBox::No;
    frame->Command(IdFileNew)->trigger();
    EXPECT_EQ(Text(), "");
    EXPECT_FALSE(frame->Editor()->document()->isModified());
}

TEST_F(MainFrame, RecentFilesComeBackAtTheNextStart)
{
    QTemporaryDir folder;
    QStringList paths;
    for (int i = 0; i < 5; ++i) {
        paths << folder.filePath(QString("f%1.vcl").arg(i));
        QFile file(paths.last());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("\xFF\xFE" "1\0", 4));
    }
    for (const QString& path : paths)
        ASSERT_TRUE(frame->OpenDocument(path, false));
    EXPECT_EQ(frame->RecentFiles().size(), 4);
    EXPECT_EQ(frame->RecentFiles().first(), paths[4]);
    EXPECT_EQ(Text(), "1");
    frame.reset();
    frame = std::make_unique<CCalcMainFrame>(*state);
    EXPECT_EQ(frame->RecentFiles(), QStringList({paths[4], paths[3], paths[2], paths[1]}));
    // A recent file that has gone leaves the list.
    QFile::remove(paths[3]);
    frame->Document()->showError = [](const QString&) {};
    EXPECT_FALSE(frame->OpenDocument(paths[3], false));
    EXPECT_EQ(frame->RecentFiles(), QStringList({paths[4], paths[2], paths[1]}));
}

TEST_F(MainFrame, LayoutIsWrittenAndReadBack)
{
    QSettings settings;
    settings.remove("GUI");
    frame.reset();
    {
        QSettings stored;
        stored.setValue("GUI/BarState-Bar59423/HorizontalY", 50);
        stored.setValue("GUI/BarState-Bar59423/VerticalX", 777);
    }
    frame = std::make_unique<CCalcMainFrame>(*state);
    // A stored size below the minimum loads as the minimum.
    CCalcBar* log = frame->Pane(PaneLog);
    EXPECT_EQ(log->HorizontalSize().height(), log->MinimumSize().height());
    EXPECT_EQ(log->VerticalSize().width(), 777);
    frame->setGeometry(100, 120, 800, 500);
    frame.reset();
    QSettings stored;
    EXPECT_EQ(stored.value("GUI/Frame/Left").toInt(), 100);
    EXPECT_EQ(stored.value("GUI/Frame/Top").toInt(), 120);
    EXPECT_EQ(stored.value("GUI/Frame/Right").toInt(), 900);
    EXPECT_EQ(stored.value("GUI/Frame/Bottom").toInt(), 620);
    EXPECT_EQ(stored.value("GUI/Frame/Maximized").toInt(), 0);
    EXPECT_EQ(stored.value("GUI/BarState-Bar59423/VerticalX").toInt(), 777);
    EXPECT_TRUE(stored.contains("GUI/BarState-Bar59424/FloatingX"));
    // Fixed-size panes keep no sizes of their own.
    EXPECT_FALSE(stored.contains("GUI/BarState-Bar59422/HorizontalX"));
    EXPECT_FALSE(stored.value("GUI/BarState").toByteArray().isEmpty());
    frame = std::make_unique<CCalcMainFrame>(*state);
}

TEST_F(MainFrame, LogLinesAreNumberedAndColouredWhole)
{
    CCalcMessage error{};
    error.severity = 1;
    error.context = u"Division";
    error.description = u"Operation has singularity at 0";
    CCalcMessage warning = error;
    warning.severity = 2;
    frame->Log()->StartCalculation();
    frame->Log()->AddMessage(error);
    frame->Log()->AddMessage(warning);
    frame->Log()->AddMessage(warning);
    ASSERT_EQ(frame->Log()->topLevelItemCount(), 3);
    EXPECT_EQ(frame->Log()->topLevelItem(2)->text(0), "3");
    EXPECT_EQ(frame->Log()->topLevelItem(1)->text(1), "Warning");
    for (int column = 0; column < 4; ++column) {
        EXPECT_EQ(frame->Log()->topLevelItem(0)->foreground(column).color(), QColor(255, 0, 0));
        EXPECT_EQ(frame->Log()->topLevelItem(1)->foreground(column).color(), QColor(0, 0, 255));
    }
    frame->Log()->StartCalculation();
    frame->Log()->AddMessage(warning);
    EXPECT_EQ(frame->Log()->topLevelItem(0)->text(0), "1");
}

TEST_F(MainFrame, EditorFontPersistsAndTheDefaultIsChecked)
{
    CEditorFontSpec spec;
    spec.face = "DejaVu Sans";
    spec.size = 11;
    spec.weight = 700;
    spec.italic = true;
    frame->Editor()->SetFontSpec(spec);
    EXPECT_FALSE(frame->Editor()->IsDefaultFont());
    frame.reset();
    QSettings stored;
    EXPECT_EQ(stored.value("GUI/Editor/FontFace").toString(), "DejaVu Sans");
    EXPECT_EQ(stored.value("GUI/Editor/FontSize").toInt(), 11);
    EXPECT_EQ(stored.value("GUI/Editor/FontWeight").toInt(), 700);
    EXPECT_EQ(stored.value("GUI/Editor/FontItalic").toInt(), 1);
    frame = std::make_unique<CCalcMainFrame>(*state);
    EXPECT_EQ(frame->Editor()->FontSpec(), spec);
    frame->Command(IdEditorFontDefault)->trigger();
    EXPECT_TRUE(frame->Editor()->IsDefaultFont());
    EXPECT_EQ(frame->Editor()->font().pointSize(), 15);
}

TEST_F(MainFrame, NotationCommandsMarkThePreferencesChanged)
{
    PreferencesChanged = false;
    frame->Command(IdNotationEast)->trigger();
    EXPECT_TRUE(PreferencesChanged);
    EXPECT_EQ(frame->Keypad()->ButtonById(1029)->text(), "tg");
    frame->Command(IdNotationWest)->trigger();
    PreferencesChanged = false;
}

TEST(FileFilters, PairsBecomeQtFilters)
{
    EXPECT_EQ(QtFileFilter(u"Calculator memory files (*.vcm)|*.vcm||"), "Calculator memory files (*.vcm)");
    EXPECT_EQ(QtFileFilter(u"Calculator memory files (*.vcm)|*.vcm|All files (*.*)|*.*||"),
              "Calculator memory files (*.vcm);;All files (*)");
    EXPECT_EQ(QtFileFilter(u"Texts|*.txt;*.vcl||"), "Texts (*.txt *.vcl)");
    EXPECT_EQ(WithDefaultExtension("/tmp/a", "vcl"), "/tmp/a.vcl");
    EXPECT_EQ(WithDefaultExtension("/tmp/a.txt", "vcl"), "/tmp/a.txt");
    EXPECT_EQ(WithDefaultExtension("", "vcl"), "");
}

}  // namespace

namespace {

TEST_F(MainFrame, PanesForwardTheWindowKeys)
{
    // Keys pressed while a pane has the focus reach the window's commands.
    frame->Pane(PaneLog)->hide();
    frame->Keypad()->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(frame->Pane(PaneLog)->isVisible());
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    EXPECT_TRUE(frame->Pane(PaneLog)->isAncestorOf(focus));

    Type("2*3", 0);
    QTest::keyClick(focus, Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_EQ(Text(), "2*3=6");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_W, Qt::ControlModifier);
    EXPECT_TRUE(frame->Editor()->hasFocus());
}

}  // namespace

namespace {

TEST_F(MainFrame, HelpMenuAndKeypadHelp)
{
    EXPECT_EQ(MenuTexts(TopMenu(frame.get(), "&Help")), QStringList({"&Help Topics", "|", "&About Calculator..."}));
    // F1 over a keypad button opens the guide at the button's topic.
    emit frame->Keypad()->HelpRequested(0, 1028);
    ASSERT_NE(HelpWindow(), nullptr);
    EXPECT_TRUE(HelpWindow()->isVisible());
    HelpWindow()->close();
}

}  // namespace

namespace {

TEST_F(MainFrame, CalculationCommandsFollowTheDocumentRules)
{
    // One calculation starts from the start of the selection.
    Type("1+2;3*4", 0);
    QTextCursor cursor = frame->Editor()->textCursor();
    cursor.setPosition(5);
    cursor.setPosition(1, QTextCursor::KeepAnchor);  // selected backwards: start 1
    frame->Editor()->setTextCursor(cursor);
    frame->Document()->ExecuteCommand(CmdCalculate);
    EXPECT_EQ(Text(), "1+2=3;3*4");
    EXPECT_EQ(Caret(), 6);

    // A run that changes nothing still marks the text modified.
    Type("   ", 1);
    frame->Editor()->document()->setModified(false);
    frame->Document()->ExecuteCommand(CmdCalculateAll);
    EXPECT_EQ(Text(), "   ");
    EXPECT_TRUE(frame->Editor()->document()->isModified());

    // "Calculate all" that stops early puts the caret at the failed
    // statement.
    Type("1+1;1/0;2+2", 9);
    frame->Document()->ExecuteCommand(CmdCalculateAll);
    EXPECT_EQ(Text(), "1+1=2;1/0;2+2");
    EXPECT_EQ(Caret(), 6);
    // One that fails keeps the caret where it was.
    Type("1/0=5;2", 1);
    frame->Document()->ExecuteCommand(CmdCalculate);
    EXPECT_EQ(Text(), "1/0;2");
    EXPECT_EQ(Caret(), 1);
}

}  // namespace

namespace {

TEST_F(MainFrame, F6MovesThroughTheEditorAndTheVisiblePanes)
{
    frame->Pane(PaneStatistics)->hide();
    frame->Editor()->setFocus();
    auto paneWithFocus = [this]() {
        QWidget* focus = QApplication::focusWidget();
        for (int i = 0; i < 4; ++i)
            if (focus && frame->Pane(i)->isAncestorOf(focus))
                return i;
        return focus == frame->Editor() ? -1 : -2;
    };
    QList<int> forward;
    for (int step = 0; step < 4; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6);
        forward << paneWithFocus();
    }
    EXPECT_EQ(forward, QList<int>({PaneKeypad, PaneLog, PaneMemory, -1}));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6, Qt::ShiftModifier);
    EXPECT_EQ(paneWithFocus(), PaneMemory);
}

}  // namespace
