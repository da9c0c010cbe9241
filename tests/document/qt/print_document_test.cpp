#include "document/qt/print_document.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QPageSize>
#include <QPrinter>
#include <QSettings>
#include <QTemporaryDir>

#include "tests/document/qt/pdf_reader.h"

namespace {

constexpr double kPointsPerMm = 72.0 / 25.4;
// Boxes of pdftotext come from the font's ascent and descent, so a word's
// box and the line it sits on agree to within this many points.
constexpr double kSlack = 2.5;

const QDateTime kNow(QDate(2026, 12, 7), QTime(14, 5, 33));

// "L001" to "L<count>", one a line.
QString NumberedLines(int count, int first = 1)
{
    QStringList lines;
    for (int i = first; i < first + count; ++i)
        lines << QString("L%1").arg(i, 3, 10, QChar('0'));
    return lines.join('\n');
}

class PrintDocument : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }

    static void ToPdf(QPrinter& printer, const QString& path)
    {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        printer.setPageSize(QPageSize(QPageSize::A4));
    }

    // Prints the document to a fresh PDF and reads it back.
    CPdfText Print(CPrintDocument& document)
    {
        const QString path = folder.filePath(QString("out%1.pdf").arg(++printed));
        QPrinter printer(QPrinter::HighResolution);
        ToPdf(printer, path);
        EXPECT_EQ(document.Print(printer), CPrintDocument::Printed);
        lastPdf = path;
        CPdfText pdf = ReadPdf(path);
        EXPECT_TRUE(pdf.ok) << pdf.error.toStdString();
        return pdf;
    }

    // The header width and icon width the document gets on A4.
    void Measure(CPrintDocument& document, int& lineWidth, int& iconWidth)
    {
        QPrinter printer(QPrinter::HighResolution);
        ToPdf(printer, folder.filePath("measure.pdf"));
        document.Prepare(printer);
        lineWidth = document.Metrics().printableWidth - document.Margins().left - document.Margins().right;
        const QFontMetrics metrics(document.ServiceFont(), &printer);
        iconWidth = metrics.height();
        serviceMetrics = std::make_unique<QFontMetrics>(metrics);
    }

    // The "L..." words of the whole PDF, in order.
    static QStringList TextLines(const CPdfText& pdf)
    {
        QStringList lines;
        for (const CPdfWord& word : pdf.words)
            if (word.text.size() == 4 && word.text.startsWith('L'))
                lines << word.text;
        return lines;
    }

    QTemporaryDir folder;
    QString lastPdf;
    int printed = 0;
    CPrintSettings settings;
    std::unique_ptr<QFontMetrics> serviceMetrics;
};

TEST_F(PrintDocument, DefaultSettingsOnA4PutFileLineTimeDateAndPageOfPages)
{
    CPrintDocument document(NumberedLines(130), "/home/user/calc/Sums.vcl", settings, kNow);
    const CPdfText pdf = Print(document);
    ASSERT_EQ(pdf.pages, 3);
    EXPECT_EQ(TextLines(pdf), NumberedLines(130).split('\n'));

    const double left = 25 * kPointsPerMm;
    const double right = pdf.width - 15 * kPointsPerMm;
    const double top = 15 * kPointsPerMm;
    const double bottom = pdf.height - 15 * kPointsPerMm;
    for (int page = 1; page <= 3; ++page) {
        SCOPED_TRACE("page " + std::to_string(page));
        EXPECT_TRUE(pdf.PageText(page).startsWith("Calculator file Sums.vcl "));
        EXPECT_TRUE(pdf.PageText(page).endsWith(QString(" 14:05 7 Dec 2026 %1 of 3").arg(page)));

        // The file line sits at the top margin, right of the icon.
        const CPdfWord* calculator = pdf.Find(page, "Calculator");
        ASSERT_NE(calculator, nullptr);
        EXPECT_NEAR(calculator->yMin, top, kSlack);
        EXPECT_GT(calculator->xMin, left + 8);
        EXPECT_LT(calculator->xMin, left + 20);

        // Time and date at the bottom left, the page number at the bottom right.
        const CPdfWord* time = pdf.Find(page, "14:05");
        ASSERT_NE(time, nullptr);
        EXPECT_NEAR(time->xMin, left, kSlack);
        EXPECT_NEAR(time->yMax, bottom, kSlack);
        const CPdfWord* total = pdf.FindLast(page, "3");
        ASSERT_NE(total, nullptr);
        EXPECT_NEAR(total->xMax, right, kSlack);
        EXPECT_NEAR(total->yMax, bottom, kSlack);

        // The text stays clear of header and footer, starting two service
        // lines below the top margin.
        const auto words = pdf.OnPage(page);
        double textTop = 1e9, textBottom = 0;
        for (const CPdfWord& word : words) {
            if (word.text.startsWith('L')) {
                textTop = std::min(textTop, word.yMin);
                textBottom = std::max(textBottom, word.yMax);
                EXPECT_NEAR(word.xMin, left, kSlack);
            }
        }
        EXPECT_GT(textTop, calculator->yMax + 5);
        EXPECT_LT(textBottom, time->yMin - 5);
    }
}

TEST_F(PrintDocument, DashedNumberInTheHeaderCentreIsCentredUnlessTheFileLineCrowdsIt)
{
    settings.items = ComposeItems(ItemFileInfo | ItemNumber, NumberDashed, HeaderCenter);
    CPrintDocument document(NumberedLines(130), "/home/user/Sums.vcl", settings, kNow);
    const CPdfText pdf = Print(document);
    ASSERT_EQ(pdf.pages, 3);
    const QString header = pdf.PageText(2);
    EXPECT_TRUE(header.startsWith("Calculator file Sums.vcl - 2 - L")) << header.toStdString();
    const CPdfWord* two = pdf.Find(2, "2");
    ASSERT_NE(two, nullptr);
    const double middle = (25 + (210 - 15)) / 2.0 * kPointsPerMm;
    EXPECT_NEAR((two->xMin + two->xMax) / 2, middle, kSlack);
    EXPECT_NEAR(two->yMin, 15 * kPointsPerMm, kSlack);
    // Nothing in the footer: the last text line reaches down near the bottom margin.
    EXPECT_EQ(pdf.Find(2, "14:05"), nullptr);

    // A file name that takes more than half the line pushes the number to the right.
    int lineWidth = 0, iconWidth = 0;
    Measure(document, lineWidth, iconWidth);
    QString name = "Sums";
    while (serviceMetrics->horizontalAdvance(" Calculator file " + name + ".vcl") + iconWidth < lineWidth * 3 / 5)
        name += "x";
    CPrintDocument crowded(NumberedLines(130), "/home/user/" + name + ".vcl", settings, kNow);
    const CPdfText crowdedPdf = Print(crowded);
    const CPdfWord* dash = nullptr;
    for (const CPdfWord& word : crowdedPdf.OnPage(2))
        if (word.text == "-")
            dash = &word;
    ASSERT_NE(dash, nullptr);
    EXPECT_NEAR(dash->xMax, pdf.width - 15 * kPointsPerMm, kSlack);
}

TEST_F(PrintDocument, UnsavedDocumentPrintsUnnamedFile)
{
    CPrintDocument document("1+2=3;", QString(), settings, kNow);
    const CPdfText pdf = Print(document);
    ASSERT_EQ(pdf.pages, 1);
    EXPECT_EQ(pdf.PageText(1), "Calculator unnamed file 1+2=3; 14:05 7 Dec 2026 1 of 1");
}

TEST_F(PrintDocument, MemoryFileHasItsOwnFileLine)
{
    CPrintDocument document("1->Mem[a];", "/home/user/Cells.vcm", settings, kNow);
    EXPECT_TRUE(Print(document).PageText(1).startsWith("Calculator memory file Cells.vcm 1->Mem[a];"));
}

TEST_F(PrintDocument, LongPathFallsBackToFileAndNameThenToTheBareName)
{
    CPrintDocument probe("x", QString(), settings, kNow);
    int lineWidth = 0, iconWidth = 0;
    Measure(probe, lineWidth, iconWidth);
    const auto width = [this](const QString& text) { return serviceMetrics->horizontalAdvance(text); };

    // Too wide with " Calculator file ", narrow enough with " File ".
    QString name = "Long";
    while (width(" Calculator file " + name + ".vcl") + iconWidth <= lineWidth)
        name += "n";
    name += ".vcl";
    ASSERT_LE(width(" File " + name) + iconWidth, lineWidth);
    CPrintDocument fileAndName("1", "/data/" + name, settings, kNow);
    CPdfText pdf = Print(fileAndName);
    EXPECT_TRUE(pdf.PageText(1).startsWith("File " + name + " 1 ")) << pdf.PageText(1).toStdString();
    EXPECT_GT(pdf.Find(1, "File")->xMin, 25 * kPointsPerMm + 8);

    // Too wide with a blank and the icon: the bare name at the left margin.
    name = "Long";
    while (width(" " + name + ".vcl") + iconWidth <= lineWidth)
        name += "n";
    name += ".vcl";
    ASSERT_LE(width(name), lineWidth);
    CPrintDocument bare("1", "/data/" + name, settings, kNow);
    pdf = Print(bare);
    EXPECT_TRUE(pdf.PageText(1).startsWith(name + " 1 ")) << pdf.PageText(1).toStdString();
    EXPECT_NEAR(pdf.Find(1, name)->xMin, 25 * kPointsPerMm, kSlack);

    // Wider than the line: no file line at all, the rest as usual.
    while (width(name) <= lineWidth)
        name.prepend("w");
    CPrintDocument none("1", "/data/" + name, settings, kNow);
    pdf = Print(none);
    EXPECT_EQ(pdf.PageText(1), "1 14:05 7 Dec 2026 1 of 1");
}

TEST_F(PrintDocument, HeaderRoomStaysWhenTheFileLineIsLeftOutSoPageOfPagesHolds)
{
    // The file line does not fit, so the header stays empty; the text must
    // still be laid out as counted, or "n of N" would name the wrong total.
    const QString path = "/data/" + QString(600, 'w') + ".vcl";
    CPrintDocument document(NumberedLines(160), path, settings, kNow);
    const int pages = [&] {
        QPrinter printer(QPrinter::HighResolution);
        ToPdf(printer, folder.filePath("count.pdf"));
        document.Prepare(printer);
        return document.PageCount();
    }();
    const CPdfText pdf = Print(document);
    ASSERT_EQ(pdf.pages, pages);
    EXPECT_TRUE(pdf.PageText(pages).endsWith(QString("%1 of %1").arg(pages)));
    EXPECT_EQ(TextLines(pdf), NumberedLines(160).split('\n'));
}

TEST_F(PrintDocument, SelectionPrintsOnlyItsCharactersAndCountsOnlyItsPages)
{
    const QString text = NumberedLines(130);
    CPrintDocument document(text, "/home/user/Sums.vcl", settings, kNow);
    // Lines 41 to 100: two pages of the three.
    const int start = static_cast<int>(text.indexOf("L041"));
    const int end = static_cast<int>(text.indexOf("L100")) + 4;
    document.SetSelection(start, end);
    const CPdfText pdf = Print(document);
    ASSERT_EQ(pdf.pages, 2);
    EXPECT_EQ(TextLines(pdf), NumberedLines(60, 41).split('\n'));
    EXPECT_TRUE(pdf.PageText(1).endsWith("1 of 2"));
    EXPECT_TRUE(pdf.PageText(2).endsWith("2 of 2"));

    CPrintDocument part("xxABCyy zz", QString(), settings, kNow);
    part.SetSelection(2, 5);
    EXPECT_EQ(Print(part).PageText(1), "Calculator unnamed file ABC 14:05 7 Dec 2026 1 of 1");
}

TEST_F(PrintDocument, NoItemsPrintNoHeaderOrFooterAndTheTextStartsAtTheTopMargin)
{
    settings.items = 0;
    CPrintDocument document(NumberedLines(130), "/home/user/Sums.vcl", settings, kNow);
    const CPdfText pdf = Print(document);
    ASSERT_GE(pdf.pages, 2);
    EXPECT_EQ(TextLines(pdf).size(), 130);
    for (const CPdfWord& word : pdf.words)
        EXPECT_TRUE(word.text.startsWith('L')) << word.text.toStdString();
    EXPECT_NEAR(pdf.Find(1, "L001")->yMin, 15 * kPointsPerMm, kSlack);
}

TEST_F(PrintDocument, OnlyTheDateIsTriedWhenTimeAndDateDoNotFit)
{
    settings.items = ItemTime | ItemDate;
    CPrintDocument probe("x", QString(), settings, kNow);
    int lineWidth = 0, iconWidth = 0;
    Measure(probe, lineWidth, iconWidth);
    const int both = serviceMetrics->horizontalAdvance("14:05 7 Dec 2026");
    const int date = serviceMetrics->horizontalAdvance("7 Dec 2026");
    // Narrow the page so that the line holds the date but not both.
    const int target = (both + date) / 2;
    const int extra = static_cast<int>((lineWidth - target) * 254000LL / probe.Metrics().dpiX);
    settings.marginRight += extra;
    CPrintDocument narrow("x", QString(), settings, kNow);
    EXPECT_EQ(Print(narrow).PageText(1), "x 7 Dec 2026");

    settings.items = ItemTime;
    CPrintDocument timeOnly("x", QString(), settings, kNow);
    EXPECT_EQ(Print(timeOnly).PageText(1), "x 14:05");
}

TEST_F(PrintDocument, MarginsWiderThanThePaperPrintAnEmptyPage)
{
    settings.marginLeft = 2000000;  // 200 mm, with 15 mm on the right
    CPrintDocument document(NumberedLines(130), "/home/user/Sums.vcl", settings, kNow);
    const CPdfText pdf = Print(document);
    EXPECT_FALSE(document.MarginsUsable());
    EXPECT_EQ(pdf.pages, 1);
    EXPECT_TRUE(pdf.words.empty());
}

TEST_F(PrintDocument, HeaderAndFooterThatLeaveNoRoomForTextPrintAnEmptyPage)
{
    // 15 mm between the margins: less than header and footer take (four
    // lines of the 10 pt service font).
    settings.marginTop = 1400000;
    settings.marginBottom = 1420000;
    CPrintDocument document(NumberedLines(130), "/home/user/Sums.vcl", settings, kNow);
    const CPdfText pdf = Print(document);
    EXPECT_FALSE(document.MarginsUsable());
    EXPECT_EQ(pdf.pages, 1);
    EXPECT_TRUE(pdf.words.empty());

    // Without header and footer the same margins hold the text.
    settings.items = 0;
    CPrintDocument bare(NumberedLines(9), "/home/user/Sums.vcl", settings, kNow);
    const CPdfText barePdf = Print(bare);
    EXPECT_TRUE(bare.MarginsUsable());
    EXPECT_GE(barePdf.pages, 3);
    EXPECT_EQ(TextLines(barePdf), NumberedLines(9).split('\n'));
}

TEST_F(PrintDocument, LongLinesWrapInsideTheMargins)
{
    QStringList words;
    for (int i = 0; i < 60; ++i)
        words << QString("w%1").arg(i, 2, 10, QChar('0'));
    settings.items = 0;
    CPrintDocument document(words.join(' '), QString(), settings, kNow);
    const CPdfText pdf = Print(document);
    EXPECT_EQ(pdf.PageText(1), words.join(' '));
    double lastY = 0;
    int rows = 0;
    for (const CPdfWord& word : pdf.words) {
        EXPECT_GE(word.xMin, 25 * kPointsPerMm - kSlack);
        EXPECT_LE(word.xMax, pdf.width - 15 * kPointsPerMm + kSlack);
        if (word.yMin > lastY + 1) {
            ++rows;
            lastY = word.yMin;
        }
    }
    EXPECT_GE(rows, 3);
}

TEST_F(PrintDocument, StoredItalicAboveOneMakesTheServiceFontItalicAndLeavesTheTextUpright)
{
    {
        QSettings stored;
        stored.setValue("Print/ServiceFontItalic", 5);
        stored.setValue("Print/TextFontItalic", 0);
    }
    QSettings stored;
    CPrintSettings loaded;
    loaded.serviceFont.italic = false;
    loaded.Load(stored);
    stored.remove("Print");
    EXPECT_TRUE(loaded.serviceFont.italic);
    EXPECT_FALSE(loaded.textFont.italic);

    CPrintDocument document("1+2", QString(), loaded, kNow);
    Print(document);
    QString error;
    const QStringList fonts = PdfFonts(lastPdf, &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    ASSERT_EQ(fonts.size(), 2) << fonts.join(", ").toStdString();
    int italic = 0;
    for (const QString& font : fonts)
        italic += font.contains("Italic") || font.contains("Oblique");
    EXPECT_EQ(italic, 1) << fonts.join(", ").toStdString();
}

TEST_F(PrintDocument, PrintsTheRequestedPagesOnly)
{
    CPrintDocument document(NumberedLines(130), QString(), settings, kNow);
    const QString path = folder.filePath("range.pdf");
    QPrinter printer(QPrinter::HighResolution);
    ToPdf(printer, path);
    std::vector<int> announced;
    ASSERT_EQ(document.Print(printer, 2, 7, [&](int page) {
        announced.push_back(page);
        return true;
    }), CPrintDocument::Printed);
    EXPECT_EQ(announced, (std::vector<int>{2, 3}));
    const CPdfText pdf = ReadPdf(path);
    ASSERT_EQ(pdf.pages, 2);
    EXPECT_TRUE(pdf.PageText(1).endsWith("2 of 3"));

    // A false answer stops the job before that page.
    CPrintDocument cancelled(NumberedLines(130), QString(), settings, kNow);
    QPrinter second(QPrinter::HighResolution);
    ToPdf(second, folder.filePath("cancelled.pdf"));
    announced.clear();
    EXPECT_EQ(cancelled.Print(second, 1, 0, [&](int page) {
        announced.push_back(page);
        return page < 2;
    }), CPrintDocument::Aborted);
    EXPECT_EQ(announced, (std::vector<int>{1, 2}));
}

}  // namespace
