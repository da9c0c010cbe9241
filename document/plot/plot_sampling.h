#pragma once
// The numbers behind the pictures of a calculation: samples of a function
// over a line (real and imaginary part over a range of the free name, with
// gaps where the calculation fails or jumps), values over a rectangle of the
// complex plane computed coarse to fine, and the domain colouring that turns
// a complex value into a colour (argument as hue, modulus as brightness
// with bands at every doubling).

#include <cstdint>
#include <functional>
#include <vector>

#include "numeric/complex.h"

// What a picture is a picture of.
class IPlotFunction {
public:
    // The value at one point; false where there is none (the calculation
    // failed there: a singularity, an overflow, a domain error).
    virtual bool Value(const CComplex& at, CComplex& value) = 0;

protected:
    ~IPlotFunction() = default;
};

// Asked now and then during the work; true stops it.
using CPlotCancel = std::function<bool()>;

// ---------------------------------------------------------------- line

struct CLineSample {
    double x = 0.0;
    CComplex value;
    // False where the function has no value, and between the two sides of
    // a jump: a polyline never runs through a sample that is not valid.
    bool valid = false;
};

struct CLineView {
    // The range of the free name across the picture, and its size.
    double from = -10.0;
    double to = 10.0;
    int width = 600;
    int height = 400;
    // The value range up the picture when the user fixed it (a zoom, a
    // pan); else it is fitted to the samples.
    bool fixedValues = false;
    double valueMin = -1.0;
    double valueMax = 1.0;
};

struct CLinePlot {
    std::vector<CLineSample> samples;  // by increasing x
    // The value range shown: the fixed one, or the one fitted.
    double valueMin = -1.0;
    double valueMax = 1.0;
    // Whether some valid sample has a non-zero imaginary part.
    bool anyImaginary = false;
    // False when the work was cancelled; the samples are then partial.
    bool complete = false;
};

// Samples the function over the view: evenly every two pixels, then more
// densely wherever a straight line between two samples would miss the
// curve by more than half a pixel, and where validity changes (to place
// the ends of a gap tightly). A steep step between two neighbours that does
// not shrink when the step is halved down to the precision of the numbers
// (a pole, a jump) becomes a gap.
CLinePlot SampleLine(IPlotFunction& function, const CLineView& view, const CPlotCancel& cancelled = {});

// A quick first picture of a curve, while SampleLine works on the one to
// keep: values evenly spaced every few pixels, computed coarse to fine in
// levels (every eighth point, then the ones halfway between, down to
// every point), so that a curve shows soon even where the values are slow.
// No refinement and no search for breaks: the picture is rough, and
// SampleLine's replaces it.
class CLinePreview {
public:
    // Samples every spacing pixels at the finest level.
    explicit CLinePreview(const CLineView& view, int spacing = 8);

    // Computes the next level; false once every level is done or the work
    // was cancelled (between two points).
    bool Step(IPlotFunction& function, const CPlotCancel& cancelled = {});
    bool Done() const { return m_level >= kLevels; }
    int LevelsDone() const { return m_level; }

    // The samples of the levels done, by increasing x, with the value range
    // as SampleLine chooses it (the fixed one, or fitted to these samples);
    // never complete.
    CLinePlot Plot() const;

private:
    static constexpr int kLevels = 4;
    CLineView m_view;
    int m_intervals = 0;
    int m_level = 0;
    std::vector<CLineSample> m_samples;
    std::vector<bool> m_done;
};

// The value range that shows the samples: their whole range, but not the
// far values near a pole, which would flatten the rest.
void FitValueRange(const std::vector<CLineSample>& samples, bool imaginary, double& low, double& high);

// ---------------------------------------------------------------- plane

struct CPlaneView {
    double reMin = -4.0;
    double reMax = 4.0;
    double imMin = -4.0;
    double imMax = 4.0;
    int width = 400;
    int height = 400;

    // The point at the centre of a pixel; row 0 is the top (largest
    // imaginary part).
    CComplex PointAt(int column, int row) const;
};

// The domain-colouring picture of a rectangle, computed in passes of rows
// from coarse to fine so that a picture appears early and sharpens.
class CPlaneSampler {
public:
    explicit CPlaneSampler(const CPlaneView& view);

    // Computes up to rows more rows; false once every row is done or the
    // work was cancelled (between two points).
    bool Step(IPlotFunction& function, int rows, const CPlotCancel& cancelled = {});
    bool Done() const { return m_next >= m_order.size(); }
    int RowsDone() const { return static_cast<int>(m_next); }
    const CPlaneView& View() const { return m_view; }

    // The picture so far as 32-bit ARGB pixels, row by row: a row not yet
    // computed shows the nearest computed row above it (or below, at the
    // top).
    std::vector<std::uint32_t> Picture() const;
    // The value at a pixel of a computed row; false where there is none.
    bool ValueAt(int column, int row, CComplex& value) const;

private:
    CPlaneView m_view;
    std::vector<int> m_order;  // rows in the order they are computed
    std::size_t m_next = 0;
    std::vector<bool> m_rowDone;
    std::vector<CComplex> m_values;
    std::vector<bool> m_valid;
    std::vector<std::uint32_t> m_colours;
};

// The colour of a value: the argument as the hue (0 red, 2π/3 green, 4π/3
// blue), the modulus as the lightness (0 black, 1 full colour, ∞ white),
// darkened a little just above every power of two so that bands of equal
// modulus show. No value: white, as at a pole. Opaque ARGB.
std::uint32_t DomainColour(const CComplex& value, bool valid = true);

// What a colour says about its value: the argument from the hue (−π to π)
// and the lightness (0 to 1) from which the modulus follows roughly; the
// inverse of DomainColour up to its bands.
void ReadDomainColour(std::uint32_t colour, double& argument, double& lightness);
