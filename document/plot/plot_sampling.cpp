#include "document/plot/plot_sampling.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// Evaluations between two questions to the cancel callback.
constexpr std::size_t kCancelInterval = 64;

class CLineSampler {
public:
    CLineSampler(IPlotFunction& function, const CPlotCancel& cancelled) : m_function(function), m_cancelled(cancelled)
    {
    }

    CLineSample At(double x)
    {
        CLineSample sample;
        sample.x = x;
        CComplex value;
        sample.valid = m_function.Value(CComplex(x, 0.0), value) && IsFinite(value);
        if (sample.valid)
            sample.value = value;
        if (++m_evaluations % kCancelInterval == 0 && m_cancelled && m_cancelled())
            m_stopped = true;
        return sample;
    }

    void SetScale(double low, double high, int height, bool imaginary)
    {
        m_low = low;
        m_scale = height / (high - low);
        m_height = height;
        m_imaginary = imaginary;
    }

    // Appends the samples strictly between a and b that the curve needs.
    void Refine(const CLineSample& a, const CLineSample& b, int depth, std::vector<CLineSample>& out)
    {
        if (m_stopped || depth <= 0 || b.x - a.x <= m_minWidth || m_evaluations >= m_budget)
            return;
        const double middle = a.x + (b.x - a.x) / 2;
        if (middle <= a.x || middle >= b.x)
            return;
        const CLineSample m = At(middle);
        bool needed = false;
        if (a.valid != b.valid || m.valid != a.valid)
            needed = true;  // an end of a gap lies between
        else if (m.valid)
            needed = Deviation(a, m, b) > 0.5;
        if (needed)
            Refine(a, m, depth - 1, out);
        out.push_back(m);
        if (needed)
            Refine(m, b, depth - 1, out);
    }

    // Looks for a pole or a jump between two valid neighbours whose values
    // lie far apart: halves the interval again and again until the step
    // between its ends falls below half a pixel (the curve is continuous
    // there) or the interval cannot be halved any more (it is not). The
    // half kept is the one with the larger step, which follows a jump and a
    // pole whose sides have opposite signs, and then, if that found none,
    // the one towards the larger modulus, which follows a pole whose sides
    // have the same sign. On a break, the two innermost samples, with a gap
    // between them, go to out.
    void FindBreak(const CLineSample& a, const CLineSample& b, std::vector<CLineSample>& out)
    {
        CLineSample left = a;
        CLineSample right = b;
        if (!Diverges(left, right, false)) {
            left = a;
            right = b;
            if (!Diverges(left, right, true))
                return;
        }
        if (m_stopped)
            return;
        if (left.x != a.x)
            out.push_back(left);
        CLineSample gap;
        gap.x = left.x + (right.x - left.x) / 2;
        out.push_back(gap);
        if (right.valid && right.x != b.x)
            out.push_back(right);
    }

    bool Stopped() const { return m_stopped; }
    std::size_t Evaluations() const { return m_evaluations; }
    void SetLimits(double minWidth, std::size_t budget)
    {
        m_minWidth = minWidth;
        m_budget = budget;
    }

    // The larger difference of the two parts, in pixels.
    double Step(const CLineSample& a, const CLineSample& b) const
    {
        double step = std::fabs(b.value.real() - a.value.real());
        if (m_imaginary)
            step = std::max(step, std::fabs(b.value.imag() - a.value.imag()));
        return step * m_scale;
    }

private:
    // Continuous once both halves step less than half a pixel: the ends
    // alone could lie level on both sides of a pole.
    bool Diverges(CLineSample& left, CLineSample& right, bool towardsModulus)
    {
        for (int i = 0; i < 200 && !m_stopped; ++i) {
            const double middle = left.x + (right.x - left.x) / 2;
            if (middle <= left.x || middle >= right.x)
                return true;
            const CLineSample m = At(middle);
            if (!m.valid) {
                right = m;
                return true;
            }
            const double leftStep = Step(left, m);
            const double rightStep = Step(m, right);
            if (std::max(leftStep, rightStep) <= 0.5)
                return false;
            const bool keepLeft =
                towardsModulus ? std::abs(left.value) >= std::abs(right.value) : leftStep >= rightStep;
            (keepLeft ? right : left) = m;
        }
        return !m_stopped;
    }

    double Pixel(double value) const
    {
        // Far outside the picture every value is alike: no samples are
        // spent on the shape of the curve out there.
        return std::clamp((value - m_low) * m_scale, -4.0 * m_height, 5.0 * m_height);
    }

    double Deviation(const CLineSample& a, const CLineSample& m, const CLineSample& b) const
    {
        const double t = (m.x - a.x) / (b.x - a.x);
        auto off = [&](double va, double vm, double vb) {
            const double pa = Pixel(va);
            return std::fabs(Pixel(vm) - (pa + t * (Pixel(vb) - pa)));
        };
        double deviation = off(a.value.real(), m.value.real(), b.value.real());
        if (m_imaginary)
            deviation = std::max(deviation, off(a.value.imag(), m.value.imag(), b.value.imag()));
        return deviation;
    }

    IPlotFunction& m_function;
    const CPlotCancel& m_cancelled;
    std::size_t m_evaluations = 0;
    std::size_t m_budget = 0;
    double m_minWidth = 0.0;
    bool m_stopped = false;
    double m_low = 0.0;
    double m_scale = 1.0;
    int m_height = 1;
    bool m_imaginary = false;
};

}  // namespace

void FitValueRange(const std::vector<CLineSample>& samples, bool imaginary, double& low, double& high)
{
    std::vector<double> values;
    values.reserve(samples.size() * 2);
    for (const CLineSample& sample : samples) {
        if (!sample.valid)
            continue;
        values.push_back(sample.value.real());
        if (imaginary)
            values.push_back(sample.value.imag());
    }
    if (values.empty()) {
        low = -1.0;
        high = 1.0;
        return;
    }
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    const double q05 = values[n / 20];
    const double q95 = values[n - 1 - n / 20];
    const double spread = q95 - q05;
    low = std::max(values.front(), q05 - 3 * spread);
    high = std::min(values.back(), q95 + 3 * spread);
    const double margin = (high - low) * 0.05;
    low -= margin;
    high += margin;
    if (!(high - low > 1e-300 * std::max(1.0, std::fabs(low)))) {
        const double centre = (low + high) / 2;
        const double half = std::max(1.0, std::fabs(centre) * 0.1);
        low = centre - half;
        high = centre + half;
    }
}

CLinePlot SampleLine(IPlotFunction& function, const CLineView& view, const CPlotCancel& cancelled)
{
    CLinePlot plot;
    const int width = std::max(view.width, 2);
    const int height = std::max(view.height, 2);
    if (!(view.to > view.from) || !std::isfinite(view.from) || !std::isfinite(view.to))
        return plot;
    CLineSampler sampler(function, cancelled);
    const double pixel = (view.to - view.from) / width;
    sampler.SetLimits(pixel / 64, static_cast<std::size_t>(width) * 40 + 4096);

    // Evenly, every second pixel.
    const int intervals = std::max(width / 2, 16);
    std::vector<CLineSample> even;
    even.reserve(static_cast<std::size_t>(intervals) + 1);
    for (int k = 0; k <= intervals && !sampler.Stopped(); ++k) {
        const double x = k == intervals ? view.to : view.from + (view.to - view.from) * k / intervals;
        even.push_back(sampler.At(x));
    }
    if (sampler.Stopped())
        return plot;
    for (const CLineSample& sample : even)
        if (sample.valid && sample.value.imag() != 0.0)
            plot.anyImaginary = true;
    if (view.fixedValues && view.valueMax > view.valueMin) {
        plot.valueMin = view.valueMin;
        plot.valueMax = view.valueMax;
    } else {
        FitValueRange(even, plot.anyImaginary, plot.valueMin, plot.valueMax);
    }
    sampler.SetScale(plot.valueMin, plot.valueMax, height, plot.anyImaginary);

    // Denser where the curve bends or a gap begins.
    std::vector<CLineSample> refined;
    refined.reserve(even.size() * 2);
    refined.push_back(even.front());
    for (std::size_t k = 1; k < even.size() && !sampler.Stopped(); ++k) {
        sampler.Refine(even[k - 1], even[k], 12, refined);
        refined.push_back(even[k]);
    }
    if (sampler.Stopped())
        return plot;

    // Gaps at poles and jumps.
    plot.samples.reserve(refined.size() + 16);
    plot.samples.push_back(refined.front());
    for (std::size_t k = 1; k < refined.size() && !sampler.Stopped(); ++k) {
        const CLineSample& a = refined[k - 1];
        const CLineSample& b = refined[k];
        if (a.valid && b.valid && sampler.Step(a, b) > 2.0)
            sampler.FindBreak(a, b, plot.samples);
        plot.samples.push_back(b);
    }
    if (sampler.Stopped()) {
        plot.samples.clear();
        return plot;
    }
    plot.complete = true;
    return plot;
}

CLinePreview::CLinePreview(const CLineView& view, int spacing) : m_view(view)
{
    const int width = std::max(view.width, 2);
    // A multiple of the coarsest level's stride, so that every level is
    // evenly spaced too.
    const int stride = 1 << (kLevels - 1);
    m_intervals = std::max((width / std::max(spacing, 1) + stride - 1) / stride * stride, 2 * stride);
    m_samples.resize(static_cast<std::size_t>(m_intervals) + 1);
    m_done.resize(m_samples.size());
    if (!(view.to > view.from) || !std::isfinite(view.from) || !std::isfinite(view.to))
        m_level = kLevels;
}

bool CLinePreview::Step(IPlotFunction& function, const CPlotCancel& cancelled)
{
    if (Done())
        return false;
    const int stride = 1 << (kLevels - 1 - m_level);
    // The first level takes every stride-th point, each later one the
    // points halfway between those before.
    const int first = m_level == 0 ? 0 : stride;
    const int step = m_level == 0 ? stride : 2 * stride;
    for (int k = first; k <= m_intervals; k += step) {
        if (cancelled && cancelled())
            return false;
        CLineSample& sample = m_samples[static_cast<std::size_t>(k)];
        sample.x = k == m_intervals ? m_view.to : m_view.from + (m_view.to - m_view.from) * k / m_intervals;
        CComplex value;
        sample.valid = function.Value(CComplex(sample.x, 0.0), value) && IsFinite(value);
        sample.value = sample.valid ? value : CComplex();
        m_done[static_cast<std::size_t>(k)] = true;
    }
    ++m_level;
    return !Done();
}

CLinePlot CLinePreview::Plot() const
{
    CLinePlot plot;
    for (std::size_t k = 0; k < m_samples.size(); ++k) {
        if (!m_done[k])
            continue;
        plot.samples.push_back(m_samples[k]);
        if (m_samples[k].valid && m_samples[k].value.imag() != 0.0)
            plot.anyImaginary = true;
    }
    if (m_view.fixedValues && m_view.valueMax > m_view.valueMin) {
        plot.valueMin = m_view.valueMin;
        plot.valueMax = m_view.valueMax;
    } else {
        FitValueRange(plot.samples, plot.anyImaginary, plot.valueMin, plot.valueMax);
    }
    return plot;
}

// ---------------------------------------------------------------- plane

CComplex CPlaneView::PointAt(int column, int row) const
{
    const double re = reMin + (column + 0.5) * (reMax - reMin) / width;
    const double im = imMax - (row + 0.5) * (imMax - imMin) / height;
    return {re, im};
}

CPlaneSampler::CPlaneSampler(const CPlaneView& view) : m_view(view)
{
    m_view.width = std::max(view.width, 1);
    m_view.height = std::max(view.height, 1);
    const std::size_t pixels = static_cast<std::size_t>(m_view.width) * static_cast<std::size_t>(m_view.height);
    m_values.resize(pixels);
    m_valid.resize(pixels);
    m_colours.resize(pixels);
    m_rowDone.resize(static_cast<std::size_t>(m_view.height));
    // Every 16th row first, then the rows halfway between, down to every
    // row.
    for (int stride = 16; stride >= 1; stride /= 2) {
        for (int row = stride == 16 ? 0 : stride; row < m_view.height; row += stride == 16 ? 16 : 2 * stride)
            m_order.push_back(row);
    }
}

bool CPlaneSampler::Step(IPlotFunction& function, int rows, const CPlotCancel& cancelled)
{
    for (int done = 0; done < rows && m_next < m_order.size(); ++done) {
        const int row = m_order[m_next];
        const std::size_t base = static_cast<std::size_t>(row) * static_cast<std::size_t>(m_view.width);
        for (int column = 0; column < m_view.width; ++column) {
            if (column % 64 == 0 && cancelled && cancelled())
                return false;
            CComplex value;
            const bool valid = function.Value(m_view.PointAt(column, row), value);
            m_values[base + column] = value;
            m_valid[base + column] = valid;
            m_colours[base + column] = DomainColour(value, valid);
        }
        m_rowDone[static_cast<std::size_t>(row)] = true;
        ++m_next;
    }
    return !Done();
}

std::vector<std::uint32_t> CPlaneSampler::Picture() const
{
    const std::size_t width = static_cast<std::size_t>(m_view.width);
    std::vector<std::uint32_t> picture(m_colours.size(), 0u);
    if (m_next == 0)
        return picture;
    int source = -1;
    for (int row = 0; row < m_view.height; ++row) {
        if (m_rowDone[static_cast<std::size_t>(row)])
            source = row;
        // The top rows before the first computed one take that one.
        const int from = source >= 0 ? source : m_order[0];
        std::copy_n(m_colours.begin() + static_cast<std::ptrdiff_t>(from * width), width,
                    picture.begin() + static_cast<std::ptrdiff_t>(row * width));
    }
    return picture;
}

bool CPlaneSampler::ValueAt(int column, int row, CComplex& value) const
{
    if (column < 0 || row < 0 || column >= m_view.width || row >= m_view.height ||
        !m_rowDone[static_cast<std::size_t>(row)])
        return false;
    const std::size_t at = static_cast<std::size_t>(row) * static_cast<std::size_t>(m_view.width) +
                           static_cast<std::size_t>(column);
    value = m_values[at];
    return m_valid[at];
}

// ---------------------------------------------------------------- colours

std::uint32_t DomainColour(const CComplex& value, bool valid)
{
    if (!valid || !IsFinite(value))
        return 0xFFFFFFFFu;
    const double modulus = std::abs(value);
    if (modulus == 0.0)
        return 0xFF000000u;
    double hue = std::atan2(value.imag(), value.real()) / (2 * std::numbers::pi);
    if (hue < 0)
        hue += 1.0;
    double lightness = 2 / std::numbers::pi * std::atan(std::sqrt(modulus));
    // Bands: darkest just above each power of two, fading out towards black
    // and white so that zeros and poles stay clean.
    const double octave = std::log2(modulus);
    const double fraction = octave - std::floor(octave);
    lightness -= 0.16 * (1 - fraction) * 4 * lightness * (1 - lightness);
    lightness = std::clamp(lightness, 0.0, 1.0);

    const double chroma = 1 - std::fabs(2 * lightness - 1);
    const double sector = hue * 6;
    const double x = chroma * (1 - std::fabs(std::fmod(sector, 2.0) - 1));
    double r = 0, g = 0, b = 0;
    switch (static_cast<int>(sector) % 6) {
    case 0: r = chroma; g = x; break;
    case 1: r = x; g = chroma; break;
    case 2: g = chroma; b = x; break;
    case 3: g = x; b = chroma; break;
    case 4: r = x; b = chroma; break;
    default: r = chroma; b = x; break;
    }
    const double m = lightness - chroma / 2;
    auto byte = [m](double c) { return static_cast<std::uint32_t>(std::lround(std::clamp(c + m, 0.0, 1.0) * 255)); };
    return 0xFF000000u | byte(r) << 16 | byte(g) << 8 | byte(b);
}

void ReadDomainColour(std::uint32_t colour, double& argument, double& lightness)
{
    const double r = ((colour >> 16) & 0xFF) / 255.0;
    const double g = ((colour >> 8) & 0xFF) / 255.0;
    const double b = (colour & 0xFF) / 255.0;
    const double high = std::max({r, g, b});
    const double low = std::min({r, g, b});
    lightness = (high + low) / 2;
    argument = 0.0;
    const double chroma = high - low;
    if (chroma <= 0)
        return;
    double hue = 0;
    if (high == r)
        hue = std::fmod((g - b) / chroma + 6, 6.0);
    else if (high == g)
        hue = (b - r) / chroma + 2;
    else
        hue = (r - g) / chroma + 4;
    argument = hue / 6 * 2 * std::numbers::pi;
    if (argument > std::numbers::pi)
        argument -= 2 * std::numbers::pi;
}
