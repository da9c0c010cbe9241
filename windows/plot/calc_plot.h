#pragma once
// The Plot pane: a calculation drawn over a line (the real and imaginary
// parts as curves over a range of its free name) or over a rectangle of the
// complex plane (domain colouring). Drawn with QPainter, which gives exact
// gaps (a curve is a list of polylines that simply stop), redraws of a few
// thousand segments in well under a frame, and the same drawing code for
// the screen, PNG and SVG (QSvgGenerator is a paint device too).
//
// The values come from CPlotStatement, a scratch evaluation that leaves the
// user's memory, previous result, random sequence and log alone. The work
// runs on a thread of its own (CPlotWorker): each view is one job that owns
// its statements, each with a scratch context of its own, and hands copies
// of its results (the curves, the plane picture coarse to fine with its
// values) to the window's thread, which alone draws them. A change of the
// view cancels the running job at once through the cancel source of its
// contexts and starts a new one; results of a cancelled job are dropped
// when they arrive.

#include <QWidget>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "windows/plot/plot_canvas.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QSettings;
class QToolButton;
class CPlotWorker;
struct CPlotDelivery;

class CCalcPlot : public QWidget {
    Q_OBJECT
public:
    explicit CCalcPlot(QWidget* parent = nullptr);
    ~CCalcPlot() override;

    // Plots the expressions of statements. Nothing changes when one of
    // them cannot be plotted (no free name, more than one, no
    // calculation); the message for the status bar says why. Empty on
    // success.
    QString Plot(const std::vector<std::u16string>& expressions);

    EPlotView View() const { return m_canvas->Picture().view; }
    void SetView(EPlotView view);
    void SetLineRange(double from, double to);
    void SetPlaneRange(double reMin, double reMax, double imMin, double imMax);
    // Back to −10…10 over a line, −4…4 × −4…4 over the plane, the value
    // range fitted.
    void ResetRanges();

    // True while the complete result for the current view has not reached
    // the picture.
    bool Busy() const;
    // Waits for the work of the current view and takes its result into the
    // picture (tests, the screenshots).
    void Finish();
    // Results of cancelled work that arrived and were dropped (tests).
    int DroppedResults() const { return m_dropped; }
    // Results the worker has handed over so far, taken or not (tests).
    int PostedResults() const { return m_posted.load(); }
    // Over a line a quick rough picture shows first while the final one is
    // computed (on by default; off, only the final picture is handed
    // over: tests and benchmarks compare the two).
    void SetQuickPicture(bool on) { m_quickPicture = on; }

    bool ExportPng(const QString& path, QSize size = QSize());
    bool ExportSvg(const QString& path, QSize size = QSize());

    CPlotCanvas* Canvas() const { return m_canvas; }
    QLineEdit* RangeField(int index) const { return m_fields[index]; }
    QComboBox* ViewList() const { return m_viewList; }
    int StatementCount() const { return static_cast<int>(m_statements.size()); }

    // The context of the user's calculations, from which every plot takes
    // its scratch copy.
    std::function<const NCalculatorText::CCalcContext&()> userContext;
    // The file an export goes to; empty to cancel.
    std::function<QString(const QString& filter, const QString& extension)> askExportFileName;

    void LoadSettings(QSettings& settings);
    void SaveSettings(QSettings& settings) const;

    QSize sizeHint() const override { return {420, 320}; }

signals:
    // A note for the status bar about what the picture shows.
    void note(const QString& text);

private:
    // Cancels the work under way and starts the work for the current view.
    void Restart();
    // A result from the worker, on the window's thread.
    void Accept(const std::shared_ptr<CPlotDelivery>& delivery);
    void NoteFirstStatementOnly();
    void ShowRanges();
    void ReadRanges();
    void Export();

    CPlotCanvas* m_canvas = nullptr;
    QComboBox* m_viewList = nullptr;
    QLineEdit* m_fields[4] = {};
    QLabel* m_labels[4] = {};
    QToolButton* m_exportButton = nullptr;
    // The statements as prepared when they were plotted: their texts and
    // names. The worker evaluates copies of its own.
    std::vector<std::unique_ptr<CPlotStatement>> m_statements;
    std::vector<std::u16string> m_expressions;
    // The user's context as it stood when the statements were plotted; each
    // job takes its scratch contexts from it.
    std::unique_ptr<NCalculatorText::CCalcContext> m_snapshot;
    // The values of the plane picture shown, for the crosshair: a copy the
    // worker handed over.
    std::shared_ptr<const CPlaneSampler> m_planeValues;
    std::unique_ptr<CPlotWorker> m_worker;
    // The number of the current job; a result of another is dropped.
    std::uint64_t m_generation = 0;
    bool m_done = true;
    bool m_quickPicture = true;
    int m_dropped = 0;
    std::atomic<int> m_posted{0};
};

// The tool-bar picture of the Plot command.
QIcon PlotIcon();
