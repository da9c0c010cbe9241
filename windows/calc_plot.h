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
// goes in slices between the window's events, so the picture appears
// progressively, typing goes on, and a change of the view drops the work
// that no longer fits it.

#include <QImage>
#include <QPointF>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "document/plot_evaluation.h"
#include "document/plot_sampling.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPainter;
class QSettings;
class QToolButton;

enum class EPlotView { Line = 0, Plane = 1 };

// What the canvas shows; also what an export draws.
struct CPlotPicture {
    EPlotView view = EPlotView::Line;
    // Over a line.
    double from = -10.0;
    double to = 10.0;
    bool fixedValues = false;
    double valueMin = -1.0;
    double valueMax = 1.0;
    struct CCurve {
        QString text;
        QString name;
        CLinePlot plot;
    };
    std::vector<CCurve> curves;
    // Over the plane: the picture and the rectangle it was computed for
    // (it is drawn where that rectangle lies in the current one).
    CPlaneView plane{-4, 4, -4, 4, 400, 400};
    QImage planeImage;
    CPlaneView planeImageView{-4, 4, -4, 4, 400, 400};
    QString planeText;
    QString planeName;
};

class CPlotCanvas : public QWidget {
    Q_OBJECT
public:
    explicit CPlotCanvas(QWidget* parent = nullptr);

    CPlotPicture& Picture() { return m_picture; }
    const CPlotPicture& Picture() const { return m_picture; }

    // The rectangle of the axes within a drawing of the given size; over
    // the plane it has the shape of the rectangle shown, so that both axes
    // have the same scale.
    static QRect PlotArea(QSize size, const CPlotPicture& picture);
    // Draws the picture into a rectangle; the crosshair when crosshair is
    // inside it.
    static void Paint(QPainter& painter, QRect rect, const CPlotPicture& picture, const QPalette& palette,
                      QPointF crosshair = QPointF(-1, -1), const CPlaneSampler* values = nullptr);
    void SetPlaneValues(const CPlaneSampler* sampler) { m_values = sampler; }

signals:
    // The user zoomed or panned: the view in m_picture changed.
    void viewChanged();
    // A double click: back to the default ranges.
    void resetRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    CPlotPicture m_picture;
    const CPlaneSampler* m_values = nullptr;
    QPointF m_mouse{-1, -1};
    bool m_dragging = false;
    QPointF m_dragStart;
    CPlotPicture m_dragPicture;
};

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

    // True while work for the current view remains.
    bool Busy() const;
    // Does the remaining work at once (tests, exports of a finished view).
    void Finish();

    bool ExportPng(const QString& path, QSize size = QSize());
    bool ExportSvg(const QString& path, QSize size = QSize());

    CPlotCanvas* Canvas() const { return m_canvas; }
    QLineEdit* RangeField(int index) const { return m_fields[index]; }
    QComboBox* ViewList() const { return m_viewList; }
    int StatementCount() const { return static_cast<int>(m_statements.size()); }

    // The context of the user's calculations, from which every plot takes
    // its scratch copy.
    std::function<const NCalculatorText::CCalcContext&()> userContext;
    // True while the user's own calculation runs (and lets the window's
    // events through): the plot waits.
    std::function<bool()> calculationRunning;
    // The file an export goes to; empty to cancel.
    std::function<QString(const QString& filter, const QString& extension)> askExportFileName;

    void LoadSettings(QSettings& settings);
    void SaveSettings(QSettings& settings) const;

    QSize sizeHint() const override { return {420, 320}; }

private:
    void Restart();
    void Work();
    void ShowRanges();
    void ReadRanges();
    void Export();

    CPlotCanvas* m_canvas = nullptr;
    QComboBox* m_viewList = nullptr;
    QLineEdit* m_fields[4] = {};
    QLabel* m_labels[4] = {};
    QToolButton* m_exportButton = nullptr;
    std::vector<std::unique_ptr<CPlotStatement>> m_statements;
    std::vector<std::u16string> m_expressions;
    std::unique_ptr<CPlaneSampler> m_sampler;
    bool m_lineDone = true;
    QTimer m_work;
};

// The tool-bar picture of the Plot command.
QIcon PlotIcon();
