#pragma once
// What a plot shows (the view, its ranges, the curves and the plane
// picture) and how its values map to the rectangle they are drawn in: the
// axes' scales, the steps of their ticks and the curves as polylines cut to
// the drawing. Shared by the canvas, the exports and the pane's range
// fields.

#include <QImage>
#include <QList>
#include <QPolygonF>
#include <QRectF>
#include <QString>

#include <vector>

#include "document/plot/plot_evaluation.h"
#include "document/plot/plot_sampling.h"
#include "numeric/complex.h"

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

// Values from the axes to the drawing and back.
struct CPlotMapping {
    QRectF area;
    double x0, x1, y0, y1;
    double X(double x) const { return area.left() + (x - x0) / (x1 - x0) * area.width(); }
    double Y(double y) const { return area.bottom() - (y - y0) / (y1 - y0) * area.height(); }
    double ValueX(double px) const { return x0 + (px - area.left()) / area.width() * (x1 - x0); }
    double ValueY(double py) const { return y0 + (area.bottom() - py) / area.height() * (y1 - y0); }
};

// The mapping of the picture's ranges onto area; over a line the value
// range is the curves' own unless it is fixed.
CPlotMapping MappingOf(QRect area, const CPlotPicture& picture);

// Ticks at 1, 2 or 5 times a power of ten, about one per count of the
// span.
double TickStep(double span, int count);

// A segment cut to the band of y between top and bottom; false when
// nothing of it is left.
bool ClipToBand(QPointF& a, QPointF& b, double top, double bottom);

// The runs of valid samples of one part as polylines, cut to a band of
// three times the drawing's height.
QList<QPolygonF> CurveLines(const CLinePlot& plot, bool imaginary, const CPlotMapping& map);

// A value as the axes and the readout write it: six significant digits,
// magnitudes below 1e-300 as 0.
QString PlotNumberText(double value);
QString PlotComplexText(const CComplex& value);
