// The main window as a user meets it: what stays in view, which commands are
// usable, where room goes when a pane hides, and where dialogs start.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QEnterEvent>
#include <QFile>
#include <QRegularExpression>
#include <QStyle>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

#include <memory>

#include "support/fresh_app_state.h"
#include "document/memory_store.h"
#include "document/preferences.h"
#include "document/qt/calc_doc.h"
#include "windows/frame/calc_bar.h"
#include "windows/keypad/calc_keypad.h"
#include "windows/panes/calc_log.h"
#include "windows/frame/calc_main_frame.h"
#include "windows/panes/calc_memory.h"
#include "windows/print/calc_print_commands.h"
#include "windows/panes/calc_statistics.h"
#include "windows/frame/calc_tool_bar.h"
#include "windows/editor/calc_view.h"
#include "windows/base/color_button.h"
#include "windows/base/placement.h"
#include "windows/menu_checks.h"

namespace {

class FrameBehaviour : public ::testing::Test {
protected:
    void SetUp() override
    {
        // An empty configuration: no layout and no column widths stored.
        QSettings settings;
        settings.remove("GUI");
        settings.remove("GUI/Memory");
        frame = std::make_unique<CCalcMainFrame>(state);
        frame->show();
        QApplication::setActiveWindow(frame.get());
        QApplication::processEvents();
    }
    void TearDown() override
    {
        frame->Editor()->document()->setModified(false);
        frame.reset();
    }
    void Calculate(const QString& text)
    {
        frame->Editor()->setPlainText(text);
        frame->Document()->ExecuteCommand(CmdCalculateAll);
        QApplication::processEvents();
    }
    bool ToolBarEnabled(int id) const
    {
        QWidget* button = frame->ToolBar()->widgetForAction(frame->Command(id));
        return button && button->isEnabled();
    }

    // Default preferences, no memory cells, default print settings; what the
    // test found comes back after it.
    CFreshAppState state;
    std::unique_ptr<CCalcMainFrame> frame;
};

TEST_F(FrameBehaviour, TheMemoryListKeepsItsCheckBoxesInViewAfterAClick)
{
    Calculate("-123456.789012345+2.3456789e-7*i->Mem[a];-98765.4321-1.7e-8*i->Mem[c]");
    QTreeWidget* list = frame->Memory()->List();
    QApplication::processEvents();
    // Every column shows at the start.
    const QHeaderView* header = list->header();
    EXPECT_LE(header->sectionViewportPosition(CCalcMemory::ColumnValue) +
                  header->sectionSize(CCalcMemory::ColumnValue),
              list->viewport()->width());

    QTreeWidgetItem* row = list->topLevelItem(1);
    const QRect cell = list->visualItemRect(row).adjusted(header->sectionViewportPosition(3) + 4, 0, 0, 0);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.topLeft() + QPoint(2, cell.height() / 2));
    QApplication::processEvents();
    EXPECT_EQ(list->horizontalScrollBar()->value(), 0);
    EXPECT_GE(header->sectionViewportPosition(CCalcMemory::ColumnIncluded), 0);
    EXPECT_EQ(row->checkState(CCalcMemory::ColumnIncluded), Qt::Checked);
    // The whole value stays readable in the tool tip.
    EXPECT_EQ(row->toolTip(CCalcMemory::ColumnValue), row->text(CCalcMemory::ColumnValue));
}

TEST_F(FrameBehaviour, LoadConstantsDefinesTheShippedLibraryOrSaysItIsMissing)
{
    QStringList errors;
    frame->Document()->showError = [&errors](const QString& message) { errors << message; };
    frame->constantsFile = [] { return QString(); };
    frame->Command(IdMemoryLoadConstants)->trigger();
    QApplication::processEvents();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains("constants.vcm")) << errors[0].toStdString();
    EXPECT_TRUE(MemoryStore().Empty());
    EXPECT_FALSE(frame->Command(IdMemoryFree)->isEnabled());

    frame->constantsFile = [] { return QStringLiteral(KAVM_TEST_DATA_DIR "/../../resources/examples/constants.vcm"); };
    frame->Command(IdMemoryLoadConstants)->trigger();
    QApplication::processEvents();
    EXPECT_EQ(errors.size(), 1);
    // Every line a definition, no cell; the pane lists them, and they are
    // memory to save and free.
    EXPECT_EQ(MemoryStore().Count(), 0u);
    EXPECT_EQ(MemoryStore().Definitions().Count(), 26u);
    ASSERT_NE(MemoryStore().Definitions().Find(u"c0"), nullptr);
    EXPECT_EQ(MemoryStore().Definitions().Find(u"c0")->value, CComplex(299792458));
    EXPECT_EQ(frame->Memory()->Definitions()->topLevelItemCount(), 26);
    EXPECT_TRUE(frame->Command(IdMemoryFree)->isEnabled());
    EXPECT_TRUE(ToolBarEnabled(IdMemorySave));
    // The log took nothing, and the text calculates with them.
    EXPECT_EQ(frame->Log()->topLevelItemCount(), 0);
    Calculate("c0*2");
    EXPECT_EQ(frame->Editor()->toPlainText(), "c0*2=599584916");
}

TEST_F(FrameBehaviour, CommandsFollowTheStateTheyDependOn)
{
    // Nothing in memory, nothing selected, nothing changed.
    EXPECT_FALSE(ToolBarEnabled(IdMemorySave));
    EXPECT_FALSE(frame->Command(IdMemoryFree)->isEnabled());
    EXPECT_FALSE(ToolBarEnabled(IdEditCut));
    EXPECT_FALSE(ToolBarEnabled(IdFileSave));

    Calculate("5->Mem[x]");
    EXPECT_TRUE(ToolBarEnabled(IdMemorySave));
    EXPECT_TRUE(frame->Command(IdMemoryFree)->isEnabled());
    EXPECT_TRUE(ToolBarEnabled(IdFileSave));

    frame->Editor()->selectAll();
    EXPECT_TRUE(ToolBarEnabled(IdEditCut));
    EXPECT_TRUE(ToolBarEnabled(IdEditCopy));

    // Free all from the memory pane, without opening any menu.
    Preferences().Set(EPreference::FreeConfirmation, 0);
    frame->Memory()->Free();
    QApplication::processEvents();
    EXPECT_FALSE(ToolBarEnabled(IdMemorySave));
    EXPECT_FALSE(frame->Command(IdMemoryFree)->isEnabled());
}

TEST_F(FrameBehaviour, HidingTheKeypadGivesItsHeightToTheEditor)
{
    frame->resize(930, 700);
    QApplication::processEvents();
    CCalcBar* keypad = frame->Pane(PaneKeypad);
    CCalcBar* log = frame->Pane(PaneLog);
    const int editorBefore = frame->Editor()->height();
    const int logBefore = log->height();
    const int keypadHeight = keypad->height();

    frame->Command(IdViewKeypad)->trigger();
    QApplication::processEvents();
    EXPECT_TRUE(keypad->isHidden());
    EXPECT_NEAR(log->height(), logBefore, 2);
    EXPECT_GE(frame->Editor()->height() - editorBefore, keypadHeight - 8);
    EXPECT_EQ(log->HorizontalSize().height(), logBefore);

    frame->Command(IdViewKeypad)->trigger();
    QApplication::processEvents();
    EXPECT_NEAR(log->height(), logBefore, 2);
    EXPECT_NEAR(frame->Editor()->height(), editorBefore, 2);
}

TEST_F(FrameBehaviour, TheFirstWindowKeepsItsDefaultRectangle)
{
    for (const unsigned notation : {0u, 1u}) {
        Preferences().Set(EPreference::Notation, notation);
        Preferences().Set(EPreference::NotationCase, notation);
        frame->RefreshForPreferences();
        QApplication::processEvents();
        for (const CEdgeRect area : {CEdgeRect{0, 0, 1920, 1040}, CEdgeRect{0, 0, 1366, 728}}) {
            const CEdgeRect rect = DefaultFrameRect(&area);
            EXPECT_EQ(rect.Width(), 930);
            EXPECT_EQ(rect.Height(), 550);
            EXPECT_EQ(rect.left, (area.Width() - 930) / 2);
            EXPECT_EQ(rect.top, (area.Height() - 550) / 2);
            frame->setGeometry(rect.left, rect.top, rect.Width(), rect.Height());
            QApplication::processEvents();
            // The keypad's width does not push the window past it.
            EXPECT_EQ(frame->size(), QSize(930, 550)) << "notation " << notation << ", area " << area.Width();
            EXPECT_LE(frame->minimumSizeHint().width(), 930);
            EXPECT_LE(frame->minimumSizeHint().height(), 550);
        }
    }
}

// At the first start the keypad shows every button in the window, whatever
// its font's width: the window widens within the screen when it must.
TEST(FirstStart, TheKeypadShowsEveryButtonWhateverItsFont)
{
    const QRect area(0, 0, 1366, 728);
    for (const int pixels : {-15, -19}) {
        QSettings settings;
        settings.remove("GUI");
        settings.setValue("GUI/Keypad/FontSize", pixels);
        settings.sync();
        CFreshAppState state;
        CCalcMainFrame frame(state);
        frame.workArea = [area] { return area; };
        frame.show();
        QApplication::processEvents();
        EXPECT_TRUE(area.contains(frame.geometry())) << pixels;
        EXPECT_GE(frame.width(), 930) << pixels;
        const QWidget* viewport = frame.Keypad()->parentWidget();
        ASSERT_NE(viewport, nullptr);
        for (int i = 0; i < kKeypadButtonCount; ++i) {
            const CColorButton* button = frame.Keypad()->Button(i);
            if (button == nullptr || button->isHidden())
                continue;
            const QRect inViewport(button->mapTo(viewport, QPoint(0, 0)), button->size());
            EXPECT_TRUE(viewport->rect().contains(inViewport)) << "font " << pixels << ", button " << i;
        }
        frame.Editor()->document()->setModified(false);
        settings.remove("GUI");
    }
}

TEST_F(FrameBehaviour, AKeypadButtonForgetsItsHoverWhenTheKeypadIsLaidOutAgain)
{
    CColorButton* button = frame->Keypad()->Button(0);
    const QPointF centre = QRectF(button->rect()).center();
    QEnterEvent enter(centre, button->mapTo(frame.get(), centre), button->mapToGlobal(centre));
    QApplication::sendEvent(button, &enter);
    ASSERT_TRUE(button->IsHot());

    Preferences().Set(EPreference::NotationCase, 1);
    frame->RefreshForPreferences();
    EXPECT_FALSE(button->IsHot());
}

TEST_F(FrameBehaviour, OnlyCommandsWithAStateCarryCheckMarks)
{
    for (int id = 32785; id <= 32801; ++id) {
        QAction* action = frame->Command(id);
        ASSERT_NE(action, nullptr) << id;
        const bool dialog = action->text().endsWith("...");
        EXPECT_EQ(action->isCheckable(), !dialog) << action->text().toStdString();
    }
}

TEST_F(FrameBehaviour, EveryMenuItemHasItsOwnMnemonic)
{
    ExpectOwnMnemonics("menu bar", frame->menuBar()->actions());
    EXPECT_EQ(frame->Command(32786)->text(), "V&ista");
}

TEST_F(FrameBehaviour, TheUnitsWindowIsAToolWindowBesideTheToolBar)
{
    CCalcTrigonometricUnits* units = frame->UnitsWindow();
    const Qt::WindowFlags flags = units->windowFlags();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_GT(units->width(), QFontMetrics(QApplication::font("QMdiSubWindowTitleBar"))
                                  .horizontalAdvance("Trigonometric function"));
    EXPECT_GE(units->height(), units->List()->height());

    frame->addToolBar(Qt::LeftToolBarArea, frame->ToolBar());
    QApplication::processEvents();
    units->show();
    QApplication::processEvents();
    const QRect bar(frame->ToolBar()->mapToGlobal(QPoint(0, 0)), frame->ToolBar()->size());
    EXPECT_TRUE(frame->geometry().contains(units->pos()));
    EXPECT_GE(units->x(), bar.right());
    EXPECT_LE(units->x(), bar.right() + 12);
    units->hide();
}

TEST_F(FrameBehaviour, StatisticsShowTheirWholeValues)
{
    const std::vector<CComplex> values = {{-123456.789012345, 2.3456789e-7},
                                          {-0.000123456789, 3.1e-9},
                                          {-98765.4321, -1.7e-8},
                                          {-1.1e-5, -4.4e-8}};
    frame->Statistics()->ShowStatistics(values);
    for (int i = 0; i < eStatisticCount; ++i) {
        const auto* box = frame->Statistics()->findChildren<QLineEdit*>().at(i);
        const QString text = box->text();
        ASSERT_FALSE(text.isEmpty());
        // The text room of a line edit: its rectangle less frame and margins.
        const int room = box->contentsRect().width() - 2 * 2 - 2 * box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
        EXPECT_LE(box->fontMetrics().horizontalAdvance(text), room) << text.toStdString();
    }
}

// The title a PDF's information dictionary holds, as UTF-16 big-endian.
bool PdfHoldsTitle(const QString& path, const QString& title)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray pdf = file.readAll();
    QByteArray wide;
    for (QChar c : title) {
        wide.append(static_cast<char>(c.unicode() >> 8));
        wide.append(static_cast<char>(c.unicode() & 0xFF));
    }
    const qsizetype at = pdf.indexOf("/Title");
    return at >= 0 && pdf.indexOf(wide, at) >= 0 && pdf.indexOf(wide, at) < at + 8 + wide.size() + 4;
}

TEST_F(FrameBehaviour, APdfCarriesTheTitleTheWindowShows)
{
    auto* commands = frame->findChild<CCalcPrintCommands*>();
    ASSERT_NE(commands, nullptr);
    QTemporaryDir folder;
    QPrinter& printer = commands->Printer();
    printer.setOutputFormat(QPrinter::PdfFormat);

    frame->Editor()->setPlainText("1+1=2;");
    printer.setOutputFileName(folder.filePath("unsaved.pdf"));
    ASSERT_TRUE(commands->PrintDirect(printer));
    EXPECT_EQ(frame->DocumentTitle(), "Calculation");
    EXPECT_TRUE(PdfHoldsTitle(folder.filePath("unsaved.pdf"), "Calculation"));
    EXPECT_FALSE(PdfHoldsTitle(folder.filePath("unsaved.pdf"), "Untitled"));

    frame->askSaveFileName = [&](const QString&, const QString&, const QString&) {
        return folder.filePath("sums.vcl");
    };
    ASSERT_TRUE(frame->SaveDocument(true));
    printer.setOutputFileName(folder.filePath("saved.pdf"));
    ASSERT_TRUE(commands->PrintDirect(printer));
    EXPECT_TRUE(PdfHoldsTitle(folder.filePath("saved.pdf"), "sums.vcl"));
}

TEST_F(FrameBehaviour, FileDialogsStartInTheDocumentFolderElseTheLastOneUsed)
{
    QTemporaryDir used;
    QTemporaryDir documents;
    // The real dialog: the test picks a file in it when it shows.
    auto pick = [](const QString& file, QString* startedIn) {
        QTimer::singleShot(0, [file, startedIn] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            *startedIn = dialog->directory().absolutePath();
            dialog->selectFile(file);
            QMetaObject::invokeMethod(dialog, "accept");
        });
    };
    // Load memory through the frame's own dialog into the "used" folder.
    {
        QFile file(used.filePath("cells.vcm"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("\xFF\xFE", 2));
    }
    QString started;
    pick(used.filePath("cells.vcm"), &started);
    frame->Command(IdMemoryLoad)->trigger();
    EXPECT_NE(QDir(started), QDir(used.path()));

    // A document never saved: the last folder used.
    pick(used.filePath("cells.vcm"), &started);
    frame->Command(IdMemoryLoad)->trigger();
    EXPECT_EQ(QDir(started), QDir(used.path()));
    EXPECT_EQ(QDir(frame->DialogFolder()), QDir(used.path()));

    // A document from a file: its folder.
    const QString path = documents.filePath("doc.vcl");
    frame->Editor()->setPlainText("2*2");
    frame->askSaveFileName = [&](const QString&, const QString&, const QString&) { return path; };
    ASSERT_TRUE(frame->SaveDocument(true));
    EXPECT_EQ(QDir(frame->DialogFolder()), QDir(documents.path()));
    pick(used.filePath("cells.vcm"), &started);
    frame->Command(IdMemoryLoad)->trigger();
    EXPECT_EQ(QDir(started), QDir(documents.path()));

    // The memory pane's save dialog starts there too.
    EXPECT_EQ(QDir(frame->Memory()->startFolder()), QDir(documents.path()));
}

}  // namespace
