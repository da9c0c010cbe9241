// Pictures of the plots as a user sees them, for tools/screenshot.sh: the
// main window with J(0,x) over a line and gamma(z) over the plane, and the
// Statistics pane with its picture of complex and of real values; the
// user's definitions: the Memory pane listing them with the shipped
// constants, the completion list offering them, and a defined function
// plotted over its parameter.
//
//   plot_screenshots FOLDER [dark]
#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QKeyEvent>
#include <QPainter>
#include <QPalette>
#include <QTreeWidget>
#include <QStyle>
#include <QTextCursor>

#include <iostream>
#include <vector>

#include "document/qt/calc_doc.h"
#include "windows/frame/calc_bar.h"
#include "windows/frame/calc_main_frame.h"
#include "windows/panes/calc_memory.h"
#include "windows/plot/calc_plot.h"
#include "windows/panes/calc_statistics.h"
#include "windows/editor/calc_view.h"

namespace {

void DarkPalette(QApplication& application)
{
    QApplication::setStyle(QStringLiteral("Fusion"));
    QPalette palette(QColor(0x29, 0x2c, 0x30), QColor(0x20, 0x23, 0x26));
    for (auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
        palette.setColor(role, QColor(0xfc, 0xfc, 0xfc));
    palette.setColor(QPalette::Base, QColor(0x14, 0x16, 0x18));
    palette.setColor(QPalette::Highlight, QColor(0x3d, 0xae, 0xe9));
    application.setPalette(palette);
}

void PlotText(CCalcMainFrame& frame, const QString& text)
{
    frame.Editor()->setPlainText(text);
    QTextCursor cursor = frame.Editor()->textCursor();
    cursor.movePosition(QTextCursor::End);
    frame.Editor()->setTextCursor(cursor);
    frame.PlotAtCaret();
    frame.Plot()->Finish();
    QApplication::processEvents();
}

// Types text into the editor key by key, as a user would.
void Type(CCalcView& editor, const QString& text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(&editor, &press);
    }
    QApplication::processEvents();
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setOrganizationName("Vantrel");
    QApplication::setApplicationName("Calculator Ka-Vm");
    if (argc < 2) {
        std::cerr << "plot_screenshots FOLDER [dark]\n";
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const bool dark = argc > 2 && QString::fromLocal8Bit(argv[2]) == "dark";
    if (dark)
        DarkPalette(application);
    const QString suffix = dark ? "-dark.png" : ".png";

    CAppState appState{Preferences(), MemoryStore(), PrintSettings(), PrinterChoice()};
    CCalcMainFrame frame(appState);
    frame.resize(1400, 860);
    frame.show();
    QApplication::processEvents();
    // The first showing places the window; then it takes the size of the
    // pictures, and the Plot pane most of its right side.
    frame.resize(1400, 860);
    frame.PlotPane()->show();
    QApplication::processEvents();
    frame.resizeDocks({frame.PlotPane()}, {820}, Qt::Horizontal);
    frame.resizeDocks({frame.Pane(PaneMemory), frame.PlotPane()}, {120, 520}, Qt::Vertical);
    QApplication::processEvents();

    PlotText(frame, "J(0,x)");
    frame.Plot()->SetLineRange(-20, 20);
    frame.Plot()->Finish();
    QApplication::processEvents();
    bool ok = frame.grab().save(folder + "/plot-line" + suffix);

    PlotText(frame, "gamma(z)");
    frame.Plot()->SetPlaneRange(-5, 3, -3, 3);
    frame.Plot()->SetView(EPlotView::Plane);
    frame.Plot()->Finish();
    QApplication::processEvents();
    ok = frame.grab().save(folder + "/plot-plane" + suffix) && ok;
    frame.Plot()->SetView(EPlotView::Line);

    frame.Editor()->setPlainText("1+2i->Mem[a]; 3-i->Mem[b]; 2.5+1.5i->Mem[c]; -1+0.5i->Mem[d]; 4+2i->Mem[e]");
    frame.Document()->ExecuteCommand(CmdCalculateAll);
    const std::vector<CComplex> complex = {{1, 2}, {3, -1}, {2.5, 1.5}, {-1, 0.5}, {4, 2}};
    frame.Statistics()->ShowStatistics(complex);
    CCalcBar* statistics = frame.Pane(PaneStatistics);
    statistics->show();
    QApplication::processEvents();
    ok = statistics->grab().save(folder + "/statistics-complex" + suffix) && ok;
    const std::vector<CComplex> real = {2, 3, 3, 4, 4, 4, 5, 5, 5, 5, 6, 6, 7, 9, 12, 4.5};
    frame.Statistics()->ShowStatistics(real);
    QApplication::processEvents();
    ok = statistics->grab().save(folder + "/statistics-real" + suffix) && ok;
    statistics->hide();

    // The definitions: the shipped constants and a few of the user's.
    frame.constantsFile = [] { return QApplication::applicationDirPath() + "/../constants.vcm"; };
    frame.Command(IdMemoryLoadConstants)->trigger();
    const QString definitions = "2.5->Mem[d]; 7->Mem[n];\n"
                                "v0 := 12; drop := 1.5;\n"
                                "height(t) := drop + v0*t - g0*t^2/2;\n"
                                "range(v, a) := v^2*sin(2*a)/g0;\n"
                                "height(v0/g0); range(v0, pi/4)\n";
    frame.Editor()->setPlainText(definitions);
    frame.Document()->ExecuteCommand(CmdCalculateAll);
    QApplication::processEvents();
    frame.resizeDocks({frame.Pane(PaneMemory), frame.PlotPane()}, {420, 220}, Qt::Vertical);
    QApplication::processEvents();
    // The user's functions in view among the constants.
    const QList<QTreeWidgetItem*> height =
        frame.Memory()->Definitions()->findItems("height(t)", Qt::MatchExactly, CCalcMemory::DefinitionName);
    if (!height.isEmpty())
        frame.Memory()->Definitions()->scrollToItem(height.first(), QAbstractItemView::PositionAtCenter);
    QApplication::processEvents();
    ok = frame.Pane(PaneMemory)->grab().save(folder + "/memory-definitions" + suffix) && ok;

    // The completion list over the window: it is a window of its own.
    QTextCursor end = frame.Editor()->textCursor();
    end.movePosition(QTextCursor::End);
    frame.Editor()->setTextCursor(end);
    frame.Editor()->setFocus();
    Type(*frame.Editor(), "\nra");
    QPixmap window = frame.grab();
    QAbstractItemView* popup = frame.Editor()->Completer()->popup();
    if (popup->isVisible()) {
        QPainter painter(&window);
        painter.drawPixmap(frame.mapFromGlobal(popup->mapToGlobal(QPoint(0, 0))), popup->grab());
    } else {
        ok = false;
    }
    ok = window.save(folder + "/completion-definitions" + suffix) && ok;
    popup->hide();
    Type(*frame.Editor(), "nge(v0, ");
    ok = frame.grab().save(folder + "/hint-definition" + suffix) && ok;

    // A function's definition of one parameter, plotted over it.
    frame.Editor()->setPlainText(definitions);
    QTextCursor caret = frame.Editor()->textCursor();
    caret.setPosition(static_cast<int>(definitions.indexOf("height(t)")) + 3);
    frame.Editor()->setTextCursor(caret);
    frame.PlotAtCaret();
    frame.Plot()->SetLineRange(-0.5, 2.5);
    frame.Plot()->Finish();
    QApplication::processEvents();
    ok = frame.grab().save(folder + "/plot-definition" + suffix) && ok;

    frame.Editor()->document()->setModified(false);
    return ok ? 0 : 1;
}
