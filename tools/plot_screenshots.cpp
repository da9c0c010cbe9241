// Pictures of the plots as a user sees them, for tools/screenshot.sh: the
// main window with J(0,x) over a line and gamma(z) over the plane, and the
// Statistics pane with its picture of complex and of real values.
//
//   plot_screenshots FOLDER [dark]
#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QTextCursor>

#include <iostream>
#include <vector>

#include "document/qt/calc_doc.h"
#include "windows/frame/calc_bar.h"
#include "windows/frame/calc_main_frame.h"
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
    frame.Editor()->document()->setModified(false);
    return ok ? 0 : 1;
}
