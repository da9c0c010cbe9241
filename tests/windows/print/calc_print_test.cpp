#include "support/fresh_app_state.h"
#include "windows/print/calc_print_commands.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QPageSize>
#include <QPlainTextEdit>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "document/qt/calc_doc.h"
#include "document/qt/print_settings.h"
#include "tests/document/qt/pdf_reader.h"
#include "windows/frame/calc_main_frame.h"
#include "windows/print/calc_page_setup.h"
#include "windows/print/calc_print_dialog.h"
#include "windows/editor/calc_view.h"

namespace {

QString NumberedLines(int count)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << QString("L%1").arg(i, 3, 10, QChar('0'));
    return lines.join('\n');
}

CCalcPrintingDialog* FindProgress()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<CCalcPrintingDialog*>(widget); dialog != nullptr && dialog->isVisible())
            return dialog;
    return nullptr;
}

class PrintCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        frame = std::make_unique<CCalcMainFrame>(state);
        commands = frame->findChild<CCalcPrintCommands*>();
        ASSERT_NE(commands, nullptr);
        commands->showMessage = [this](const QString& message) { messages << message; };
        frame->Document()->showError = [this](const QString& message) { messages << message; };
    }
    void TearDown() override
    {
        frame->Editor()->document()->setModified(false);
        frame.reset();
        QSettings().remove("Print");
    }
    // Points the commands' printer at a PDF file.
    QString PdfPrinter(const QString& name = "out.pdf")
    {
        const QString path = folder.filePath(name);
        commands->Printer().setOutputFormat(QPrinter::PdfFormat);
        commands->Printer().setOutputFileName(path);
        commands->Printer().setPageSize(QPageSize(QPageSize::A4));
        return path;
    }

    QTemporaryDir folder;
    // Default preferences, no memory cells, default print settings; what the
    // test found comes back after it.
    CFreshAppState state;
    std::unique_ptr<CCalcMainFrame> frame;
    CCalcPrintCommands* commands = nullptr;
    QStringList messages;
};

TEST_F(PrintCommands, FileMenuHoldsPrintPreviewAndPageSetupAfterExecute)
{
    QStringList texts;
    for (QAction* action : frame->FileMenu()->actions())
        texts << (action->isSeparator() ? QString("|") : action->text());
    const int execute = static_cast<int>(texts.indexOf("&Execute...\tCtrl+E"));
    ASSERT_GE(execute, 0) << texts.join(", ").toStdString();
    EXPECT_EQ(texts.mid(execute, 5),
              (QStringList{"&Execute...\tCtrl+E", "|", "&Print...\tCtrl+P", "Print Pre&view", "Pa&ge Setup..."}));
    QAction* print = frame->Command(57607);
    ASSERT_EQ(print, commands->PrintAction());
    EXPECT_EQ(print->shortcut(), QKeySequence("Ctrl+P"));
    EXPECT_EQ(print->statusTip(), "Print the active document");
    EXPECT_EQ(frame->Command(57609), commands->PreviewAction());
    EXPECT_EQ(frame->Command(57605), commands->PageSetupAction());
    EXPECT_EQ(commands->PageSetupAction()->property("commandId").toInt(), 57605);
    // Ctrl+P prints: here it opens the print dialog.
    bool asked = false;
    commands->runDialog = [&](QWidget* dialog) {
        asked = qobject_cast<CCalcPrintDialog*>(dialog) != nullptr;
        return false;
    };
    frame->show();
    QApplication::setActiveWindow(frame.get());
    frame->Editor()->setFocus();
    QTest::keyClick(frame->Editor(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_TRUE(asked);
}

TEST_F(PrintCommands, DirectPrintingShowsProgressWithTheWindowDisabled)
{
    frame->Editor()->setPlainText("1+2=3;");
    const QString path = PdfPrinter();
    QStringList shown;
    bool windowEnabled = true;
    QTimer::singleShot(0, [&] {
        if (CCalcPrintingDialog* progress = FindProgress()) {
            shown << progress->windowTitle() << progress->DocumentText() << progress->PageText()
                  << progress->PortText();
            windowEnabled = frame->isEnabled();
        }
    });
    EXPECT_TRUE(commands->PrintDirect(commands->Printer()));
    EXPECT_EQ(shown, (QStringList{"Printing", "Calculation", "Page 1", path}));
    EXPECT_FALSE(windowEnabled);
    EXPECT_TRUE(frame->isEnabled());
    EXPECT_TRUE(messages.isEmpty());
    const CPdfText pdf = ReadPdf(path);
    ASSERT_TRUE(pdf.ok) << pdf.error.toStdString();
    EXPECT_TRUE(pdf.PageText(1).startsWith("Calculator unnamed file 1+2=3; ")) << pdf.PageText(1).toStdString();
}

TEST_F(PrintCommands, CancelStopsTheJobWithoutAMessage)
{
    frame->Editor()->setPlainText(NumberedLines(130));
    PdfPrinter();
    QTimer::singleShot(0, [] {
        if (CCalcPrintingDialog* progress = FindProgress())
            progress->CancelButton()->click();
    });
    EXPECT_FALSE(commands->PrintDirect(commands->Printer()));
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_TRUE(frame->isEnabled());
}

TEST_F(PrintCommands, AJobThatCannotStartSaysSo)
{
    frame->Editor()->setPlainText("1");
    commands->Printer().setOutputFormat(QPrinter::PdfFormat);
    commands->Printer().setOutputFileName(folder.filePath("missing/folder/out.pdf"));
    EXPECT_FALSE(commands->PrintDirect(commands->Printer()));
    EXPECT_EQ(messages, QStringList{"Could not start print job."});
}

TEST_F(PrintCommands, PrintDialogOffersSelectionOnlyWithASelectionAndPrintsIt)
{
    frame->Editor()->setPlainText("first line\nsecond line\nthird line");
    const QString path = PdfPrinter();
    bool offered = true;
    int minPage = 0, maxPage = 0;
    commands->runDialog = [&](QWidget* widget) {
        auto* dialog = qobject_cast<CCalcPrintDialog*>(widget);
        EXPECT_NE(dialog, nullptr);
        offered = dialog->testOption(QAbstractPrintDialog::PrintSelection);
        minPage = dialog->minPage();
        maxPage = dialog->maxPage();
        EXPECT_TRUE(dialog->testOption(QAbstractPrintDialog::PrintToFile));
        return false;
    };
    commands->Print();
    EXPECT_FALSE(offered);
    EXPECT_EQ(minPage, 1);
    EXPECT_EQ(maxPage, 65535);
    EXPECT_FALSE(QFileInfo::exists(path));

    QTextCursor cursor = frame->Editor()->textCursor();
    cursor.setPosition(6);
    cursor.setPosition(17, QTextCursor::KeepAnchor);  // "line\nsecond"
    frame->Editor()->setTextCursor(cursor);
    commands->runDialog = [&](QWidget* widget) {
        auto* dialog = qobject_cast<CCalcPrintDialog*>(widget);
        offered = dialog->testOption(QAbstractPrintDialog::PrintSelection);
        dialog->printer()->setPrintRange(QPrinter::Selection);
        return true;
    };
    commands->Print();
    EXPECT_TRUE(offered);
    const CPdfText pdf = ReadPdf(path);
    ASSERT_TRUE(pdf.ok) << pdf.error.toStdString();
    EXPECT_EQ(pdf.pages, 1);
    const QString page = pdf.PageText(1);
    EXPECT_TRUE(page.startsWith("Calculator unnamed file line second ")) << page.toStdString();
    EXPECT_FALSE(page.contains("first"));
    EXPECT_TRUE(page.endsWith("1 of 1"));
}

TEST_F(PrintCommands, PrintToFileAsksForTheFile)
{
    frame->Editor()->setPlainText("1+2=3;");
    PdfPrinter();
    int asked = 0;
    QString answer;
    commands->askPrintFile = [&] {
        ++asked;
        return answer;
    };
    commands->runDialog = [](QWidget* widget) {
        qobject_cast<CCalcPrintDialog*>(widget)->printer()->setOutputFileName("FILE:");
        return true;
    };
    // No file chosen: nothing printed.
    commands->Print();
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(QFileInfo::exists("FILE:"));
    EXPECT_TRUE(messages.isEmpty());

    answer = folder.filePath("chosen.pdf");
    commands->Print();
    EXPECT_EQ(asked, 2);
    const CPdfText pdf = ReadPdf(answer);
    ASSERT_TRUE(pdf.ok) << pdf.error.toStdString();
    EXPECT_TRUE(pdf.PageText(1).startsWith("Calculator unnamed file 1+2=3;"));
}

TEST_F(PrintCommands, PreviewDrawsThePagesOfThePrint)
{
    frame->Editor()->setPlainText(NumberedLines(130));
    PdfPrinter();
    std::unique_ptr<QPrintPreviewDialog> preview(commands->CreatePreview());
    auto* widget = preview->findChild<QPrintPreviewWidget*>();
    ASSERT_NE(widget, nullptr);
    widget->updatePreview();
    EXPECT_EQ(widget->pageCount(), 3);
}

TEST_F(PrintCommands, PageSetupShowsTheSettingsAndOkStoresThem)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    PrintSettings().items = ComposeItems(ItemFileInfo | ItemTime | ItemDate, 5, 6);
    QStringList seen;
    commands->runDialog = [&](QWidget* widget) {
        auto* dialog = qobject_cast<CCalcPageSetup*>(widget);
        EXPECT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->Metric());
        auto* left = dialog->findChild<QDoubleSpinBox*>("marginLeft");
        auto* top = dialog->findChild<QDoubleSpinBox*>("marginTop");
        seen << QString::number(left->value()) << QString::number(top->value());
        auto* number = dialog->findChild<QCheckBox*>("number");
        auto* format = dialog->findChild<QComboBox*>("numberFormat");
        auto* position = dialog->findChild<QComboBox*>("position");
        // Unknown format and position show as the last entries; the combos
        // follow the "Number" box.
        seen << format->currentText() << position->currentText();
        EXPECT_FALSE(format->isEnabled());
        number->click();
        EXPECT_TRUE(format->isEnabled());
        EXPECT_TRUE(position->isEnabled());
        auto* textFont = dialog->findChild<QLineEdit*>("textFont");
        auto* serviceFont = dialog->findChild<QLineEdit*>("serviceFont");
        auto* textDefault = dialog->findChild<QCheckBox*>("textFontDefault");
        auto* serviceDefault = dialog->findChild<QCheckBox*>("serviceFontDefault");
        seen << textFont->text() << serviceFont->text();
        EXPECT_TRUE(textDefault->isChecked());
        EXPECT_TRUE(serviceDefault->isChecked());

        dialog->findChild<QCheckBox*>("date")->click();
        format->setCurrentIndex(1);
        position->setCurrentIndex(0);
        left->setValue(30.5);
        dialog->selectFont = [](QFont& font) {
            font = QFont("DejaVu Sans Mono");
            font.setPointSize(14);
            font.setBold(true);
            return true;
        };
        // Unchecking "Default" leaves the font as it is.
        textDefault->click();
        EXPECT_FALSE(textDefault->isChecked());
        EXPECT_EQ(textFont->text(), "Courier New 12 pt");
        dialog->findChild<QPushButton*>("textFontSelect")->click();
        seen << textFont->text();
        EXPECT_FALSE(textDefault->isChecked());
        // Checking it restores the default font.
        dialog->findChild<QPushButton*>("serviceFontSelect")->click();
        EXPECT_EQ(serviceFont->text(), "DejaVu Sans Mono 14 pt, bold");
        EXPECT_FALSE(serviceDefault->isChecked());
        serviceDefault->click();
        EXPECT_TRUE(serviceDefault->isChecked());
        seen << serviceFont->text();
        dialog->accept();
        return true;
    };
    commands->PageSetup();
    QLocale::setDefault(QLocale::system());
    EXPECT_EQ(seen, (QStringList{"25", "15", "n of N", "Footer right", "Courier New 12 pt",
                                 "Times New Roman 10 pt, italic", "DejaVu Sans Mono 14 pt, bold",
                                 "Times New Roman 10 pt, italic"}));
    const CPrintSettings& stored = PrintSettings();
    EXPECT_EQ(stored.items, ComposeItems(ItemFileInfo | ItemTime | ItemNumber, NumberDashed, HeaderCenter));
    EXPECT_EQ(stored.marginLeft, 305000);
    EXPECT_EQ(stored.marginTop, 150000);
    EXPECT_EQ(stored.textFont, (CPrintFont{"DejaVu Sans Mono", 14, 700, false}));
    EXPECT_EQ(stored.serviceFont, CPrintSettings::DefaultServiceFont());
}

TEST_F(PrintCommands, PageSetupInInchesRoundsToThousandths)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    double shown = 0;
    commands->runDialog = [&](QWidget* widget) {
        auto* dialog = qobject_cast<CCalcPageSetup*>(widget);
        EXPECT_FALSE(dialog->Metric());
        shown = dialog->findChild<QDoubleSpinBox*>("marginLeft")->value();
        dialog->accept();
        return true;
    };
    commands->PageSetup();
    QLocale::setDefault(QLocale::system());
    EXPECT_DOUBLE_EQ(shown, 0.984);
    EXPECT_EQ(PrintSettings().marginLeft, 249936);
    EXPECT_EQ(PrintSettings().marginTop, 150114);
}

TEST_F(PrintCommands, FontSizesSurviveTheFontDialogUnchanged)
{
    PrintSettings().serviceFont.size = 10;
    PrintSettings().textFont.size = 11;
    commands->runDialog = [](QWidget* widget) {
        auto* dialog = qobject_cast<CCalcPageSetup*>(widget);
        // The user confirms the font dialog without changing anything.
        dialog->selectFont = [](QFont&) { return true; };
        dialog->findChild<QPushButton*>("serviceFontSelect")->click();
        dialog->findChild<QPushButton*>("textFontSelect")->click();
        EXPECT_EQ(dialog->findChild<QLineEdit*>("serviceFont")->text(), "Times New Roman 10 pt, italic");
        EXPECT_TRUE(dialog->findChild<QCheckBox*>("serviceFontDefault")->isChecked());
        dialog->accept();
        return true;
    };
    commands->PageSetup();
    EXPECT_EQ(PrintSettings().serviceFont, CPrintSettings::DefaultServiceFont());
    EXPECT_EQ(PrintSettings().textFont.size, 11u);
}

TEST_F(PrintCommands, AStoredPrinterThatIsGoneIsForgotten)
{
    frame.reset();
    PrinterChoice().device = "No Such Printer 4711";
    PrinterChoice().driver = "winspool";
    PrinterChoice().output = "Ne01:";
    PrinterChoice().mode = CPrinterChoice::BuildMode("No Such Printer 4711", 1, 9, 1);
    frame = std::make_unique<CCalcMainFrame>(state);
    commands = frame->findChild<CCalcPrintCommands*>();
    commands->Printer();
    EXPECT_TRUE(PrinterChoice().IsEmpty());
    EXPECT_NE(commands->Printer().printerName(), "No Such Printer 4711");
}

TEST_F(PrintCommands, CancelledPageSetupChangesNothing)
{
    commands->runDialog = [](QWidget* widget) {
        widget->findChild<QCheckBox*>("fileInfo")->click();
        widget->findChild<QDoubleSpinBox*>("marginLeft")->setValue(1);
        return false;
    };
    commands->PageSetup();
    EXPECT_EQ(PrintSettings(), CPrintSettings());
}

TEST_F(PrintCommands, CommandLinePrintingOnTheCurrentOrANamedPrinter)
{
    frame->Editor()->setPlainText("1+2=3;");
    const QString path = PdfPrinter();
    PrintSettings().items = 0;
    EXPECT_TRUE(PrintFromCommandLine(frame.get(), QString(), QString(), QString()));
    const CPdfText pdf = ReadPdf(path);
    ASSERT_TRUE(pdf.ok) << pdf.error.toStdString();
    EXPECT_EQ(pdf.PageText(1), "1+2=3;");
    // The settings are written, as at every exit.
    EXPECT_EQ(QSettings().value("Print/Items").toInt(), 0);

    EXPECT_FALSE(PrintFromCommandLine(frame.get(), "No Such Printer 4711", "winspool", "Ne01:"));
    EXPECT_EQ(messages, QStringList{"Could not start print job."});
}

TEST(PrintSettingsStore, MissingValuesTakeDefaultsAndAllThirteenAreWritten)
{
    QSettings settings;
    settings.remove("Print");
    CPrintSettings loaded;
    loaded.items = 0;
    loaded.textFont.face = "x";
    loaded = CPrintSettings();
    loaded.Load(settings);
    EXPECT_EQ(loaded, CPrintSettings());

    CPrintSettings changed;
    changed.marginLeft = 1;
    changed.marginTop = 2;
    changed.marginRight = 3;
    changed.marginBottom = 4;
    changed.items = 27;
    changed.textFont = {"Mono", 9, 700, true};
    changed.serviceFont = {"Serif", 11, 300, false};
    changed.Save(settings);
    settings.beginGroup("Print");
    EXPECT_EQ(settings.childKeys().size(), 13);
    EXPECT_EQ(settings.value("TextFontFace").toString(), "Mono");
    EXPECT_EQ(settings.value("ServiceFontItalic").toInt(), 0);
    EXPECT_EQ(settings.value("Items").toInt(), 27);
    settings.endGroup();
    CPrintSettings reloaded;
    reloaded.Load(settings);
    EXPECT_EQ(reloaded, changed);
    settings.remove("Print");
}

class PrinterChoiceStore : public ::testing::Test {
protected:
    void SetUp() override { settings.remove("Print"); }
    void TearDown() override { settings.remove("Print"); }
    void Store(const QString& device, const QString& driver, const QString& output, const QByteArray& mode)
    {
        settings.setValue("Print/Device", device);
        settings.setValue("Print/Driver", driver);
        settings.setValue("Print/Output", output);
        settings.setValue("Print/Default", 1);
        settings.setValue("Print/Mode", mode);
    }
    QSettings settings;
    CPrinterChoice choice;
};

TEST_F(PrinterChoiceStore, RestoresNamesAndATwoHundredTwentyByteModeWithOneCopy)
{
    Store("Office Laser", "winspool", "Ne01:", CPrinterChoice::BuildMode("Office Laser", 2, 9, 3));
    choice.Restore(settings);
    EXPECT_EQ(choice.device, "Office Laser");
    EXPECT_EQ(choice.driver, "winspool");
    EXPECT_EQ(choice.output, "Ne01:");
    EXPECT_EQ(choice.isDefault, 1);
    ASSERT_TRUE(choice.HasMode());
    EXPECT_EQ(CPrinterChoice::ModeCopies(choice.mode), 1);
    EXPECT_EQ(CPrinterChoice::ModeOrientation(choice.mode), 2);
    EXPECT_EQ(CPrinterChoice::ModePaper(choice.mode), 9);

    // Saved back unchanged apart from the copy count.
    settings.remove("Print");
    choice.Save(settings);
    EXPECT_EQ(settings.value("Print/Device").toString(), "Office Laser");
    EXPECT_EQ(settings.value("Print/Mode").toByteArray(), choice.mode);
    EXPECT_EQ(settings.value("Print/Mode").toByteArray().size(), 220);
}

TEST_F(PrinterChoiceStore, AnEmptyNameRestoresNoPrinter)
{
    Store("Office Laser", "", "Ne01:", CPrinterChoice::BuildMode("Office Laser", 1, 9, 1));
    choice.Restore(settings);
    EXPECT_TRUE(choice.IsEmpty());
}

TEST_F(PrinterChoiceStore, AModeOfAnotherLengthIsIgnored)
{
    QByteArray mode = CPrinterChoice::BuildMode("Office Laser", 1, 9, 4);
    mode.append('\0');
    Store("Office Laser", "winspool", "Ne01:", mode);
    choice.Restore(settings);
    EXPECT_TRUE(choice.HasNames());
    EXPECT_FALSE(choice.HasMode());
    // Without a mode nothing is written back.
    settings.remove("Print");
    choice.Save(settings);
    EXPECT_FALSE(settings.contains("Print/Device"));
}

TEST_F(PrinterChoiceStore, AChosenPrinterIsNotReplacedByTheStoredOne)
{
    Store("Office Laser", "winspool", "Ne01:", CPrinterChoice::BuildMode("Office Laser", 1, 9, 1));
    choice.device = "Chosen";
    choice.driver = "d";
    choice.output = "o";
    choice.Restore(settings);
    EXPECT_EQ(choice.device, "Chosen");
}

TEST_F(PrinterChoiceStore, AModeWithoutTheCopyFieldKeepsItsCopies)
{
    QByteArray mode = CPrinterChoice::BuildMode("Office Laser", 1, 9, 5);
    mode[72] = 0x03;  // orientation and paper only
    mode[73] = 0x00;
    Store("Office Laser", "winspool", "Ne01:", mode);
    choice.Restore(settings);
    ASSERT_TRUE(choice.HasMode());
    EXPECT_EQ(CPrinterChoice::ModeCopies(choice.mode), 0);
    EXPECT_EQ(static_cast<unsigned char>(choice.mode[86]), 5);
}

TEST(PrintingDialog, ShowsThePageAndCancelStaysUntilTheJobEnds)
{
    CCalcPrintingDialog dialog("Sums.vcl", "Office Laser", "Ne01:");
    EXPECT_EQ(dialog.windowTitle(), "Printing");
    EXPECT_EQ(dialog.PageText(), "Page 1");
    dialog.SetPage(12);
    EXPECT_EQ(dialog.PageText(), "Page 12");
    EXPECT_EQ(dialog.PrinterText(), "Office Laser");
    dialog.show();
    dialog.CancelButton()->click();
    EXPECT_TRUE(dialog.Cancelled());
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.CancelButton()->isEnabled());
}

}  // namespace
