#pragma once
// The canvas of the Plot pane: draws a picture (the curves over a line with
// their ticks and grid, or the plane picture with its colour key) with
// QPainter, for the screen and for the exports alike, shows a crosshair
// with the values under the mouse, and lets the user zoom with the wheel
// and pan by dragging.

#include <QPointF>
#include <QWidget>

#include "windows/plot/plot_mapping.h"

class QPainter;

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
