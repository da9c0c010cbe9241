// The Plot command and pane as a user meets them: the messages for a
// statement that cannot be plotted, the curves and the plane picture, the
// user's memory, previous result, random sequence and log untouched by a
// plot, zoom, pan and reset, the exports, and the statistics picture.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QToolBar>
#include <QToolButton>
#include <QWheelEvent>
#include <QXmlStreamReader>

#include <algorithm>
#include <cmath>
#include <chrono>
#include <memory>
#include <thread>

#include "support/fresh_app_state.h"
#include "document/memory_store.h"
#include "document/preferences.h"
#include "document/qt/calc_doc.h"
#include "language/calculate.h"
#include "windows/base/placement.h"
#include "windows/editor/calc_view.h"
#include "windows/frame/calc_bar.h"
#include "windows/frame/calc_main_frame.h"
#include "windows/frame/calc_tool_bar.h"
#include "windows/panes/calc_log.h"
#include "windows/panes/calc_statistics.h"
#include "windows/panes/statistics_picture.h"
#include "windows/plot/calc_plot.h"

namespace {

// The elements of an SVG file by name; empty when it does not parse.
QMap<QString, int> SvgElements(const QString& path)
{
    QMap<QString, int> count;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QXmlStreamReader reader(&file);
    while (!reader.atEnd())
        if (reader.readNext() == QXmlStreamReader::StartElement)
            ++count[reader.name().toString()];
    return reader.hasError() ? QMap<QString, int>() : count;
}

class PlotPane : public ::testing::Test {
protected:
    void SetUp() override
    {
        QSettings settings;
        settings.remove("GUI");
        frame = std::make_unique<CCalcMainFrame>(state);
        frame->resize(1100, 800);
        frame->show();
        QApplication::processEvents();
    }
    void TearDown() override
    {
        frame->Editor()->document()->setModified(false);
        frame.reset();
    }
    // Puts the text in the editor with the caret at position (the end when
    // -1) and runs the Plot command as its key does.
    void PlotText(const QString& text, int position = -1)
    {
        frame->Editor()->setPlainText(text);
        QTextCursor cursor = frame->Editor()->textCursor();
        cursor.setPosition(position < 0 ? static_cast<int>(text.size()) : position);
        frame->Editor()->setTextCursor(cursor);
        frame->Command(IdPlot)->trigger();
        frame->Plot()->Finish();
        QApplication::processEvents();
    }
    QString StatusText() const { return frame->statusBar()->currentMessage(); }

    // Default preferences, no memory cells, default print settings; what the
    // test found comes back after it.
    CFreshAppState state;
    std::unique_ptr<CCalcMainFrame> frame;
};

TEST_F(PlotPane, TheCommandStandsInTheEditMenuAndTheToolBarWithAKeyOfItsOwn)
{
    QAction* plot = frame->Command(IdPlot);
    ASSERT_NE(plot, nullptr);
    EXPECT_EQ(plot->shortcut(), QKeySequence("Ctrl+G"));
    // No other command of the window answers the same key.
    for (QAction* action : frame->actions()) {
        if (action != plot) {
            EXPECT_FALSE(action->shortcuts().contains(QKeySequence("Ctrl+G"))) << action->text().toStdString();
        }
    }
    bool inEdit = false;
    for (QAction* menu : frame->menuBar()->actions())
        if (menu->text() == "&Edit")
            inEdit = menu->menu()->actions().contains(plot);
    EXPECT_TRUE(inEdit);
    EXPECT_NE(frame->ToolBar()->widgetForAction(plot), nullptr);
    EXPECT_FALSE(plot->icon().isNull());
}

TEST_F(PlotPane, AStatementWithoutOneFreeNameGivesAMessageAndNothingElse)
{
    struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"2+3", "Nothing to plot: \"2+3\" has no free name to plot over"},
        {"x*t+1", "Nothing to plot: \"x*t+1\" has more than one free name (t, x)"},
        {"Mem[a]+sum(k,1,3,k)", "Nothing to plot: \"Mem[a]+sum(k,1,3,k)\" has no free name to plot over"},
        {"1+*", "Nothing to plot: \"1+*\" is not a calculation"},
        {";;", "Nothing to plot: no calculation at the caret"},
    };
    for (const auto& c : cases) {
        PlotText(c.text);
        EXPECT_EQ(StatusText(), QString::fromUtf8(c.message)) << c.text;
        EXPECT_TRUE(frame->PlotPane()->isHidden()) << c.text;
        EXPECT_EQ(frame->Plot()->StatementCount(), 0) << c.text;
    }
    EXPECT_EQ(frame->Log()->topLevelItemCount(), 0);
}

// On the most common laptop screen (1366 x 768, a panel taking 40 px) the
// window keeps to the screen when the plot opens, and the plot opens large
// enough to read, docked or floating; on a large screen as well.
TEST_F(PlotPane, OpeningThePlotKeepsTheWindowOnTheScreenAndThePlotReadable)
{
    for (const QRect area : {QRect(0, 0, 1366, 728), QRect(0, 0, 1920, 1040)}) {
        frame->PlotPane()->hide();
        frame->PlotPane()->setFloating(false);
        frame->workArea = [area] { return area; };
        const CEdgeRect edges{area.left(), area.top(), area.right() + 1, area.bottom() + 1};
        const CEdgeRect rect = DefaultFrameRect(&edges);
        frame->setGeometry(rect.left, rect.top, rect.Width(), rect.Height());
        QApplication::processEvents();
        const QSize before = frame->size();
        PlotText("J(0, x) + sin(x)/x");
        ASSERT_FALSE(frame->PlotPane()->isHidden());
        EXPECT_TRUE(area.contains(frame->geometry())) << area.width();
        EXPECT_EQ(frame->size(), before) << area.width();
        const QSize plot = frame->Plot()->size();
        EXPECT_GE(plot.width(), CCalcMainFrame::kPlotSmallestSize.width()) << area.width();
        EXPECT_GE(plot.height(), CCalcMainFrame::kPlotSmallestSize.height()) << area.width();
        if (frame->PlotPane()->isFloating()) {
            EXPECT_TRUE(area.contains(frame->PlotPane()->geometry())) << area.width();
        }
    }
}

TEST_F(PlotPane, TheStatementAtTheCaretOrEveryOneOfTheSelectionIsPlotted)
{
    PlotText("1+2=3; J(0,x)=0.5; sin(t)", 10);
    EXPECT_TRUE(StatusText().isEmpty());
    EXPECT_FALSE(frame->PlotPane()->isHidden());
    const CPlotPicture& picture = frame->Plot()->Canvas()->Picture();
    ASSERT_EQ(picture.curves.size(), 1u);
    EXPECT_EQ(picture.curves[0].text, "J(0,x)");
    EXPECT_EQ(picture.curves[0].name, "x");
    EXPECT_TRUE(picture.curves[0].plot.complete);
    EXPECT_EQ(picture.from, -10.0);
    EXPECT_EQ(picture.to, 10.0);
    // The editor's text is the user's: the plot writes nothing into it.
    EXPECT_EQ(frame->Editor()->toPlainText(), "1+2=3; J(0,x)=0.5; sin(t)");

    QTextCursor cursor = frame->Editor()->textCursor();
    cursor.setPosition(8);
    cursor.setPosition(22, QTextCursor::KeepAnchor);
    frame->Editor()->setTextCursor(cursor);
    frame->Command(IdPlot)->trigger();
    frame->Plot()->Finish();
    ASSERT_EQ(picture.curves.size(), 2u);
    EXPECT_EQ(picture.curves[1].text, "sin(t)");
}

TEST_F(PlotPane, CallsOfDefinedFunctionsAndADefinitionOfOneParameterPlot)
{
    // A line of definitions ends with ";": without an old result's "=" a
    // statement runs on into the next line.
    const QString definitions = "a := 2 = 2; sq(t) := t^2+a; g(u, v) := u*v;\n";
    frame->Editor()->setPlainText(definitions);
    frame->Document()->ExecuteCommand(CmdCalculateAll);
    QApplication::processEvents();
    ASSERT_EQ(MemoryStore().Definitions().Count(), 3u);
    // The value of a sample at x of the only curve.
    const CPlotPicture& picture = frame->Plot()->Canvas()->Picture();
    auto valueAt = [&picture](double x) {
        for (const CLineSample& sample : picture.curves.back().plot.samples)
            if (sample.valid && sample.x == x)
                return sample.value;
        return CComplex(std::nan(""));
    };
    auto near = [](CComplex value, double expected) {
        return std::abs(value.real() - expected) <= 1e-12 * std::max(1.0, std::abs(expected)) && value.imag() == 0;
    };

    // A statement that calls them, over its free name.
    PlotText(definitions + "sq(x)/2+g(x, a)");
    EXPECT_TRUE(StatusText().isEmpty()) << StatusText().toStdString();
    ASSERT_EQ(picture.curves.size(), 1u);
    EXPECT_EQ(picture.curves[0].text, "sq(x)/2+g(x, a)");
    EXPECT_EQ(picture.curves[0].name, "x");
    ASSERT_TRUE(picture.curves[0].plot.complete);
    const double x = picture.curves[0].plot.samples[10].x;
    EXPECT_TRUE(near(valueAt(x), (x * x + 2) / 2 + 2 * x)) << x;

    // The caret in a function's definition of one parameter: the function
    // over that parameter.
    PlotText(definitions, 15);
    EXPECT_TRUE(StatusText().isEmpty()) << StatusText().toStdString();
    ASSERT_EQ(picture.curves.size(), 1u);
    EXPECT_EQ(picture.curves[0].text, "sq(t) := t^2+a");
    EXPECT_EQ(picture.curves[0].name, "t");
    const double t = picture.curves[0].plot.samples[20].x;
    EXPECT_TRUE(near(valueAt(t), t * t + 2)) << t;

    // Two parameters or a value: nothing to draw over one name.
    PlotText(definitions, 2);
    EXPECT_EQ(StatusText(), "Nothing to plot: \"a := 2\" is not a calculation");
    PlotText(definitions, 35);
    EXPECT_EQ(StatusText(), "Nothing to plot: \"g(u, v) := u*v\" is not a calculation");
    // Plotting defined nothing and changed no definition.
    EXPECT_EQ(MemoryStore().Definitions().Count(), 3u);
    EXPECT_EQ(MemoryStore().Definitions().Find(u"a")->value, CComplex(2));
    EXPECT_EQ(frame->Log()->topLevelItemCount(), 0);
}

TEST_F(PlotPane, PlottingLeavesTheUsersMemoryResultRandomSequenceAndLogAsTheyWere)
{
    frame->Editor()->setPlainText("Rand; 5->Mem[a]; 1/0");
    frame->Document()->ExecuteCommand(CmdCalculateAll);
    QApplication::processEvents();
    const int logLines = frame->Log()->topLevelItemCount();
    ASSERT_EQ(logLines, 1);
    NCalculatorText::CCalcContext& user = frame->Document()->Context();
    const CComplex result = user.previousResult;
    const CRandomSource random = user.random;
    const QString indicator = frame->ResultIndicator();

    PlotText("Rand+x->Mem[y]");
    ASSERT_EQ(frame->Plot()->Canvas()->Picture().curves.size(), 1u);
    EXPECT_TRUE(frame->Plot()->Canvas()->Picture().curves[0].plot.anyImaginary);
    frame->Plot()->SetView(EPlotView::Plane);
    frame->Plot()->Finish();
    frame->Plot()->SetLineRange(-1, 1);
    frame->Plot()->SetView(EPlotView::Line);
    frame->Plot()->Finish();

    EXPECT_EQ(MemoryStore().Find(u"y"), nullptr);
    EXPECT_EQ(MemoryStore().Count(), 1u);
    EXPECT_EQ(user.previousResult, result);
    EXPECT_EQ(frame->ResultIndicator(), indicator);
    CRandomSource copy = random;
    EXPECT_EQ(user.random.Draw(), copy.Draw());
    EXPECT_EQ(frame->Log()->topLevelItemCount(), logLines);
}

TEST_F(PlotPane, WheelZoomsAboutTheMouseDragPansAndADoubleClickResets)
{
    PlotText("x^2");
    CPlotCanvas* canvas = frame->Plot()->Canvas();
    const CPlotPicture& picture = canvas->Picture();
    const QRect area = CPlotCanvas::PlotArea(canvas->size(), picture);
    const QPointF centre = area.center();
    QWheelEvent wheel(centre, canvas->mapToGlobal(centre), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(canvas, &wheel);
    frame->Plot()->Finish();
    EXPECT_LT(picture.to - picture.from, 20 * 0.81);
    EXPECT_TRUE(picture.fixedValues);
    EXPECT_EQ(frame->Plot()->RangeField(0)->text(), QString::number(picture.from, 'g', 6));

    const double width = picture.to - picture.from;
    const double from = picture.from;
    QTest::mousePress(canvas, Qt::LeftButton, {}, centre.toPoint());
    QTest::mouseMove(canvas, centre.toPoint() + QPoint(area.width() / 4, 0));
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, centre.toPoint() + QPoint(area.width() / 4, 0));
    frame->Plot()->Finish();
    EXPECT_NEAR(picture.from, from - width / 4, width * 0.01);

    QTest::mouseDClick(canvas, Qt::LeftButton, {}, centre.toPoint());
    frame->Plot()->Finish();
    EXPECT_EQ(picture.from, -10.0);
    EXPECT_EQ(picture.to, 10.0);
    EXPECT_FALSE(picture.fixedValues);

    // The range fields set the range.
    frame->Plot()->RangeField(0)->setText("-2");
    frame->Plot()->RangeField(1)->setText("3");
    emit frame->Plot()->RangeField(1)->editingFinished();
    frame->Plot()->Finish();
    EXPECT_EQ(picture.from, -2.0);
    EXPECT_EQ(picture.to, 3.0);
    ASSERT_FALSE(picture.curves.empty());
    EXPECT_EQ(picture.curves[0].plot.samples.front().value, CComplex(4, 0));
}

TEST_F(PlotPane, ThePlanePictureShowsPolesBrightAndIsExportedAsPngAndSvg)
{
    PlotText("1/(z^2+1)");
    frame->Plot()->SetPlaneRange(-2, 2, -2, 2);
    frame->Plot()->SetView(EPlotView::Plane);
    EXPECT_TRUE(frame->Plot()->Busy());
    frame->Plot()->Finish();
    const CPlotPicture& picture = frame->Plot()->Canvas()->Picture();
    ASSERT_FALSE(picture.planeImage.isNull());
    const CPlaneView& v = picture.planeImageView;
    auto lightnessAt = [&](double re, double im) {
        const int column = static_cast<int>((re - v.reMin) / (v.reMax - v.reMin) * v.width);
        const int row = static_cast<int>((v.imMax - im) / (v.imMax - v.imMin) * v.height);
        return QColor(picture.planeImage.pixel(column, row)).lightnessF();
    };
    EXPECT_GT(lightnessAt(0, 1), 0.8);
    EXPECT_GT(lightnessAt(0, -1), 0.8);
    EXPECT_LT(lightnessAt(1.9, 1.9), 0.3);

    QTemporaryDir folder;
    const QString png = folder.filePath("plane.png");
    const QString svg = folder.filePath("plane.svg");
    ASSERT_TRUE(frame->Plot()->ExportPng(png, QSize(640, 480)));
    ASSERT_TRUE(frame->Plot()->ExportSvg(svg, QSize(640, 480)));
    const QImage image(png);
    EXPECT_EQ(image.size(), QSize(640, 480));
    const QMap<QString, int> elements = SvgElements(svg);
    EXPECT_EQ(elements.value("svg"), 1);
    // The picture goes in as an image, the axes as drawing.
    EXPECT_GT(elements.value("image"), 0);

    // The export command asks for the file name.
    frame->Plot()->SetView(EPlotView::Line);
    frame->Plot()->Finish();
    const QString chosen = folder.filePath("line.svg");
    frame->Plot()->askExportFileName = [&](const QString&, const QString& extension) {
        return extension == "svg" ? chosen : QString();
    };
    QMenu* menu = frame->Plot()->findChild<QToolButton*>()->menu();
    menu->actions().at(1)->trigger();
    EXPECT_TRUE(QFile::exists(chosen));
    const QMap<QString, int> lines = SvgElements(chosen);
    EXPECT_EQ(lines.value("svg"), 1);
    EXPECT_GT(lines.value("path") + lines.value("polyline"), 0);
}

TEST_F(PlotPane, TheViewAndRangesAndStatementsComeBackWithTheNextStart)
{
    PlotText("gamma(t)");
    frame->Plot()->SetView(EPlotView::Plane);
    frame->Plot()->SetPlaneRange(-5, 3, -2, 2);
    frame.reset();
    QSettings settings;
    EXPECT_EQ(settings.value("GUI/Plot/View").toInt(), 1);
    EXPECT_EQ(settings.value("GUI/Plot/Statements").toStringList(), QStringList{"gamma(t)"});
    frame = std::make_unique<CCalcMainFrame>(state);
    EXPECT_EQ(frame->Plot()->View(), EPlotView::Plane);
    EXPECT_EQ(frame->Plot()->Canvas()->Picture().plane.reMin, -5.0);
    EXPECT_EQ(frame->Plot()->StatementCount(), 1);
}

// Processes the window's events until done() or a minute has passed (a
// guard against a hang, not a measure of speed).
template <typename F>
bool WaitFor(F done)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

TEST_F(PlotPane, AChangeOfTheViewCancelsTheWorkUnderWayEvenInsideALongSeries)
{
    // One value of this takes days: only the cancel source of the
    // calculation, asked inside the series, ends it.
    frame->Editor()->setPlainText("sum(k,1,1e15,x/k^2)");
    frame->Command(IdPlot)->trigger();
    ASSERT_EQ(frame->Plot()->StatementCount(), 1);
    EXPECT_TRUE(frame->Plot()->Busy());
    std::this_thread::sleep_for(std::chrono::milliseconds(50));

    // The window answers meanwhile: the range fields take a new range and
    // the work starts over, and so does a new statement.
    frame->Plot()->SetLineRange(-1, 1);
    EXPECT_TRUE(frame->Plot()->Busy());
    frame->Editor()->setPlainText("x^2");
    frame->Command(IdPlot)->trigger();
    ASSERT_TRUE(WaitFor([&] { return !frame->Plot()->Busy(); }));
    const CPlotPicture& picture = frame->Plot()->Canvas()->Picture();
    ASSERT_EQ(picture.curves.size(), 1u);
    EXPECT_EQ(picture.curves[0].text, "x^2");
    EXPECT_EQ(picture.curves[0].plot.samples.front().value, CComplex(1, 0));
    EXPECT_TRUE(picture.curves[0].plot.complete);
    // Nothing of the cancelled work reached the picture or the log.
    EXPECT_EQ(frame->Plot()->DroppedResults(), 0);
    EXPECT_EQ(frame->Log()->topLevelItemCount(), 0);
}

TEST_F(PlotPane, OverALineARoughCurveShowsFirstAndTheFinalPictureIsTheOneWithoutIt)
{
    // Values slow enough that the final sampling takes a while: the rough
    // curve of the first level comes while it runs.
    CCalcPlot* plot = frame->Plot();
    const CPlotPicture& picture = plot->Canvas()->Picture();
    frame->Editor()->setPlainText("sum(k,1,3000,cos(k*x)/k^2); x");
    frame->Editor()->selectAll();
    frame->Command(IdPlot)->trigger();
    ASSERT_TRUE(WaitFor([&] { return !picture.curves.empty(); }));
    if (plot->Busy()) {
        ASSERT_EQ(picture.curves.size(), 2u);
        EXPECT_FALSE(picture.curves[0].plot.complete);
        EXPECT_EQ(picture.curves[0].plot.samples.front().x, -10.0);
        EXPECT_LT(picture.curves[0].plot.samples.size(), 200u);
    }
    plot->Finish();

    // The final curves, then the same view without the rough pass: the
    // same samples (the random sequence included, which the rough pass
    // must not advance).
    for (const QString& text : {QString("sum(k,1,100,cos(k*x)/k^2); 1/x"), QString("x*rand; J(0,x)")}) {
        frame->Editor()->setPlainText(text);
        frame->Editor()->selectAll();
        frame->Command(IdPlot)->trigger();
        plot->Finish();
        ASSERT_EQ(picture.curves.size(), 2u) << text.toStdString();
        const auto quick = picture.curves;
        plot->SetQuickPicture(false);
        plot->SetLineRange(picture.from, picture.to + 1);
        plot->SetLineRange(picture.from, picture.to - 1);
        plot->Finish();
        plot->SetQuickPicture(true);
        ASSERT_EQ(picture.curves.size(), 2u);
        for (std::size_t k = 0; k < 2; ++k) {
            const auto& a = quick[k].plot;
            const auto& b = picture.curves[k].plot;
            EXPECT_TRUE(a.complete && b.complete);
            EXPECT_EQ(a.valueMin, b.valueMin);
            EXPECT_EQ(a.valueMax, b.valueMax);
            ASSERT_EQ(a.samples.size(), b.samples.size()) << text.toStdString() << " " << k;
            for (std::size_t i = 0; i < a.samples.size(); ++i) {
                EXPECT_EQ(a.samples[i].x, b.samples[i].x);
                EXPECT_EQ(a.samples[i].valid, b.samples[i].valid);
                EXPECT_EQ(a.samples[i].value, b.samples[i].value);
            }
        }
    }
}

TEST_F(PlotPane, ResultsOfCancelledWorkNeverReachThePicture)
{
    PlotText("sum(k,1,400,z/k^2)");
    CCalcPlot* plot = frame->Plot();
    const CPlotPicture& picture = plot->Canvas()->Picture();
    plot->SetPlaneRange(-2, 2, -2, 2);
    plot->SetView(EPlotView::Plane);
    ASSERT_TRUE(plot->Busy());
    EXPECT_TRUE(picture.planeImage.isNull());
    // The worker hands over a partial picture while the window is busy
    // elsewhere: it waits in the queue of the window's events.
    const int posted = plot->PostedResults();
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (plot->PostedResults() == posted && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_GT(plot->PostedResults(), posted);

    // The view changes before the window takes it: it is dropped.
    plot->SetPlaneRange(-1, 1, -1, 1);
    QApplication::sendPostedEvents(plot, QEvent::MetaCall);
    EXPECT_GE(plot->DroppedResults(), 1);
    EXPECT_TRUE(picture.planeImage.isNull());

    // A statement of its own: the picture is its, over the new rectangle.
    frame->Editor()->setPlainText("1/(z^2+1)");
    frame->Command(IdPlot)->trigger();
    plot->SetPlaneRange(-2, 2, -2, 2);
    plot->Finish();
    ASSERT_FALSE(picture.planeImage.isNull());
    EXPECT_EQ(picture.planeImageView.reMin, -2.0);
    EXPECT_EQ(picture.planeImageView.imMax, 2.0);
    const CPlaneView& v = picture.planeImageView;
    const int column = static_cast<int>((0 - v.reMin) / (v.reMax - v.reMin) * v.width);
    const int row = static_cast<int>((v.imMax - 1) / (v.imMax - v.imMin) * v.height);
    EXPECT_GT(QColor(picture.planeImage.pixel(column, row)).lightnessF(), 0.8);
    // The crosshair reads the values the window holds: those of this picture.
    frame->Plot()->Canvas()->update();
    QApplication::processEvents();
    EXPECT_FALSE(plot->Busy());
}

TEST_F(PlotPane, OverThePlaneOnlyTheFirstStatementOfASelectionIsDrawnAndTheStatusBarSaysSo)
{
    frame->Plot()->SetView(EPlotView::Plane);
    frame->Editor()->setPlainText("J(0,z); 1/z");
    QTextCursor cursor = frame->Editor()->textCursor();
    cursor.setPosition(0);
    cursor.setPosition(11, QTextCursor::KeepAnchor);
    frame->Editor()->setTextCursor(cursor);
    frame->Command(IdPlot)->trigger();
    frame->Plot()->Finish();
    EXPECT_EQ(frame->Plot()->StatementCount(), 2);
    EXPECT_EQ(StatusText(), "Only the first calculation, \"J(0,z)\", is drawn over the plane");
    EXPECT_EQ(frame->Plot()->Canvas()->Picture().planeText, "J(0,z)");
    EXPECT_FALSE(frame->Plot()->Canvas()->Picture().planeImage.isNull());

    // Over a line both are drawn, and nothing is said.
    frame->statusBar()->clearMessage();
    frame->Plot()->SetView(EPlotView::Line);
    frame->Plot()->Finish();
    EXPECT_EQ(frame->Plot()->Canvas()->Picture().curves.size(), 2u);
    EXPECT_TRUE(StatusText().isEmpty());
    // Back over the plane the note comes again; one statement has none.
    frame->Plot()->SetView(EPlotView::Plane);
    EXPECT_FALSE(StatusText().isEmpty());
    frame->statusBar()->clearMessage();
    PlotText("J(0,z)");
    EXPECT_TRUE(StatusText().isEmpty());
}

TEST_F(PlotPane, TheViewMenuShowsAndHidesThePaneAndFollowsIt)
{
    QAction* toggle = frame->Command(IdViewPlot);
    ASSERT_NE(toggle, nullptr);
    EXPECT_TRUE(toggle->isCheckable());
    EXPECT_FALSE(toggle->isChecked());
    toggle->trigger();
    EXPECT_TRUE(frame->PlotPane()->isVisible());
    EXPECT_TRUE(toggle->isChecked());
    toggle->trigger();
    EXPECT_FALSE(frame->PlotPane()->isVisible());
    EXPECT_FALSE(toggle->isChecked());
    EXPECT_TRUE(frame->Editor()->hasFocus());
    // The Plot command shows the pane, and the mark follows.
    PlotText("x");
    EXPECT_TRUE(frame->PlotPane()->isVisible());
    EXPECT_TRUE(toggle->isChecked());
    frame->PlotPane()->hide();
    EXPECT_FALSE(toggle->isChecked());
    // Beside Ctrl+G, which plots, a key of its own shows and hides it.
    EXPECT_EQ(toggle->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+G")));
    QTest::keyClick(frame->Editor(), Qt::Key_G, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(frame->PlotPane()->isVisible());
    QTest::keyClick(frame->Editor(), Qt::Key_G, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FALSE(frame->PlotPane()->isVisible());
}

TEST(StatisticsPicture, PointsInThePlaneWithTheMeanOrAHistogramOfRealValues)
{
    const CFreshState fresh;
    CCalcStatistics pane;
    const std::vector<CComplex> complex = {{1, 1}, {3, -1}, {2, 3}};
    pane.ShowStatistics(complex);
    CStatisticsPicture* picture = pane.Picture();
    ASSERT_NE(picture, nullptr);
    EXPECT_FALSE(picture->IsHistogram());
    EXPECT_EQ(picture->Mean(), CComplex(2, 1));
    EXPECT_TRUE(picture->Bins().empty());
    EXPECT_LE(picture->geometry().right(), pane.sizeHint().width());

    const std::vector<CComplex> real = {1, 2, 2, 3, 3, 3, 4, 4, 10};
    pane.ShowStatistics(real);
    EXPECT_TRUE(picture->IsHistogram());
    const std::vector<int> bins = picture->Bins();
    ASSERT_EQ(bins.size(), 3u);
    EXPECT_EQ(bins[0], 6);
    EXPECT_EQ(bins[1], 2);
    EXPECT_EQ(bins[2], 1);
    // A picture that draws: not the background alone.
    picture->resize(120, 120);
    const QImage image = picture->grab().toImage();
    const QRgb background = image.pixel(60, 5);
    int other = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            other += image.pixel(x, y) != background;
    EXPECT_GT(other, 500);
}

}  // namespace
