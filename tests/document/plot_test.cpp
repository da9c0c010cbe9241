// The pictures of a calculation: the free name of a statement, the
// statements at the caret, the samples of a line plot with their gaps, the
// domain colouring of the plane read back from the picture, and the user's
// state left alone by all of it (cases from tests/data/plot_cases.txt).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "document/memory_store.h"
#include "document/plot/plot_evaluation.h"
#include "document/plot/plot_sampling.h"
#include "document/utf.h"
#include "language/bound_expression.h"
#include "language/calculate.h"
#include "support/data_cases.h"
#include "support/escapes.h"
#include "support/fresh_state.h"
#include "support/log_recorder.h"

namespace {

using namespace NCalculatorText;

std::string Join(const std::vector<std::u16string>& parts, const char* separator)
{
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i)
        out += (i ? separator : "") + Utf16ToUtf8(parts[i]);
    return parts.empty() ? "none" : out;
}

std::string WithoutBlanks(std::string text)
{
    std::erase_if(text, [](char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; });
    return text;
}

std::vector<double> Numbers(const std::string& list)
{
    std::vector<double> numbers;
    if (list == "none")
        return numbers;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = list.find(',', start);
        numbers.push_back(std::stod(list.substr(start, comma - start)));
        if (comma == std::string::npos)
            return numbers;
        start = comma + 1;
    }
}

CLinePlot PlotOf(CPlotStatement& statement, double from, double to)
{
    CLineView view;
    view.from = from;
    view.to = to;
    view.width = 800;
    view.height = 400;
    return SampleLine(statement, view);
}

class PlotRows : public testing::TestWithParam<CDataRow> {};

TEST_P(PlotRows, NamesSamplesGapsAndColours)
{
    CLogRecorder log;
    const CDataRow& c = GetParam();
    const std::string where = c.Where();
    ASSERT_GE(c.Fields().size(), 3u) << where;
    const std::string& kind = c.Field(0);
    if (kind == "names") {
        CBoundExpression expression;
        const bool parsed = expression.Parse(log.context, Utf8ToUtf16(c.Field(1)));
        EXPECT_EQ(parsed ? Join(expression.FreeNames(), ",") : "fail", c.Field(2)) << where;
        EXPECT_EQ(expression.HasName(), parsed && expression.FreeNames().size() == 1) << where;
        return;
    }
    if (kind == "statements") {
        ASSERT_EQ(c.Fields().size(), 5u) << where;
        const auto expressions =
            StatementExpressions(Unescape(c.Field(1)), std::stoul(c.Field(2)), std::stoul(c.Field(3)));
        EXPECT_EQ(WithoutBlanks(Join(expressions, ";")), WithoutBlanks(c.Field(4))) << where;
        return;
    }
    CPlotStatement statement(log.context);
    ASSERT_EQ(statement.Prepare(Utf8ToUtf16(c.Field(1))), EPlotPrepare::Ready) << where;
    if (kind == "line") {
        ASSERT_EQ(c.Fields().size(), 4u) << where;
        const CLinePlot plot = PlotOf(statement, -10, 10);
        ASSERT_TRUE(plot.complete) << where;
        const double x = std::stod(c.Field(2));
        const std::vector<double> expected = Numbers(c.Field(3));
        bool found = false;
        for (const CLineSample& sample : plot.samples) {
            if (sample.x != x)
                continue;
            found = true;
            EXPECT_TRUE(sample.valid) << where;
            EXPECT_NEAR(sample.value.real(), expected[0], 1e-12 * (1 + std::fabs(expected[0]))) << where;
            EXPECT_NEAR(sample.value.imag(), expected.size() > 1 ? expected[1] : 0.0, 1e-12) << where;
        }
        EXPECT_TRUE(found) << where << ": no sample at " << x;
    } else if (kind == "gaps") {
        ASSERT_EQ(c.Fields().size(), 5u) << where;
        const double from = std::stod(c.Field(2));
        const double to = std::stod(c.Field(3));
        const CLinePlot plot = PlotOf(statement, from, to);
        ASSERT_TRUE(plot.complete) << where;
        const double pixel = (to - from) / 800;
        const std::vector<double> poles = Numbers(c.Field(4));
        for (double pole : poles) {
            bool gap = false;
            for (std::size_t k = 0; k < plot.samples.size(); ++k) {
                const CLineSample& s = plot.samples[k];
                if (!s.valid && std::fabs(s.x - pole) <= pixel)
                    gap = true;
                if (k > 0 && s.valid && plot.samples[k - 1].valid) {
                    EXPECT_FALSE(plot.samples[k - 1].x < pole && pole < s.x)
                        << where << ": a line across " << pole << " from " << plot.samples[k - 1].x << " to " << s.x;
                }
            }
            EXPECT_TRUE(gap) << where << ": no gap at " << pole;
        }
        for (const CLineSample& s : plot.samples) {
            if (s.valid)
                continue;
            bool expected = false;
            for (double pole : poles)
                expected = expected || std::fabs(s.x - pole) <= pixel;
            EXPECT_TRUE(expected) << where << ": a gap at " << s.x;
        }
    } else if (kind == "plane") {
        ASSERT_EQ(c.Fields().size(), 6u) << where;
        CPlaneView view{-2, 2, -2, 2, 400, 400};
        CPlaneSampler sampler(view);
        while (sampler.Step(statement, 50)) {
        }
        const std::vector<std::uint32_t> picture = sampler.Picture();
        const double re = std::stod(c.Field(2));
        const double im = std::stod(c.Field(3));
        const int column = std::min(399, static_cast<int>((re + 2) / 4 * 400));
        const int row = std::min(399, static_cast<int>((2 - im) / 4 * 400));
        double argument = 0;
        double lightness = 0;
        ReadDomainColour(picture[static_cast<std::size_t>(row) * 400 + static_cast<std::size_t>(column)], argument,
                         lightness);
        if (c.Field(4) != "-") {
            EXPECT_LT(std::fabs(std::remainder(argument - std::stod(c.Field(4)), 2 * std::numbers::pi)), 0.1)
                << where << ": argument " << argument;
        }
        const std::string& range = c.Field(5);
        const std::size_t dots = range.find("..");
        EXPECT_GE(lightness, std::stod(range.substr(0, dots))) << where;
        EXPECT_LE(lightness, std::stod(range.substr(dots + 2))) << where;
    } else {
        ADD_FAILURE() << where << ": unknown kind " << kind;
    }
    EXPECT_EQ(log.messages.size(), 0u) << where << ": the user's log got " << log.Lines();
}

INSTANTIATE_DATA_ROWS(PlotRows, "plot_cases.txt");

TEST(Plot, FileHoldsTheCases)
{
    EXPECT_GT(DataRows("plot_cases.txt").size(), 50u);
}

TEST(Plot, PlottingLeavesTheUsersMemoryResultRandomSequenceAndLogAlone)
{
    const CFreshState fresh;
    CLogRecorder log;
    std::u16string text = u"Rand; 7->Mem[a]; 1/0";
    std::ptrdiff_t cursor = -1;
    CalculateText(log.context, text, cursor);
    const std::string lines = log.Lines();
    ASSERT_EQ(lines, "Error|Division|Operation has singularity at 0\n");
    log.context.previousResult = CComplex(3, 4);
    const CRandomSource randomBefore = log.context.random;
    const int starts = log.starts;

    {
        CPlotStatement statement(log.context);
        ASSERT_EQ(statement.Prepare(u"Rand+x->Mem[y]"), EPlotPrepare::Ready);
        EXPECT_EQ(statement.Expression().Name(), u"x");
        CLineView view;
        const CLinePlot plot = SampleLine(statement, view);
        ASSERT_TRUE(plot.complete);
        // The random values do advance within the plot.
        ASSERT_GT(plot.samples.size(), 2u);
        EXPECT_NE(plot.samples[0].value.imag(), plot.samples[1].value.imag());
        for (const CLineSample& s : plot.samples) {
            if (!s.valid)
                continue;
            EXPECT_GE(s.value.real(), s.x);
            EXPECT_LE(s.value.real(), s.x + 1);
        }
        CPlaneSampler plane(CPlaneView{-1, 1, -1, 1, 40, 40});
        while (plane.Step(statement, 8)) {
        }
        CPlotStatement failing(log.context);
        ASSERT_EQ(failing.Prepare(u"Mem[a]/x+rslt"), EPlotPrepare::Ready);
        CComplex value;
        EXPECT_FALSE(failing.Value(CComplex(0, 0), value));
        EXPECT_TRUE(failing.Value(CComplex(7, 0), value));
        EXPECT_EQ(value, CComplex(4, 4));
    }

    EXPECT_EQ(MemoryStore().Find(u"y"), nullptr);
    EXPECT_EQ(MemoryStore().Count(), 1u);
    EXPECT_EQ(log.context.previousResult, CComplex(3, 4));
    CRandomSource random = randomBefore;
    EXPECT_EQ(log.context.random.Draw(), random.Draw());
    EXPECT_EQ(log.Lines(), lines);
    EXPECT_EQ(log.starts, starts);
    EXPECT_EQ(&CurrentRunState(), &log.context.run);
}

TEST(Plot, StatementsCallingDefinedFunctionsAndOneParameterDefinitionsPlot)
{
    const CFreshState fresh;
    CLogRecorder log;
    std::u16string text = u"a := 3; x := 100; f(x) := x^2+a; g(u, v) := u-v";
    std::ptrdiff_t cursor = -1;
    ASSERT_TRUE(CalculateText(log.context, text, cursor)) << log.Lines();
    const struct {
        const char16_t* expression;
        EPlotPrepare prepared;
        const char16_t* name;
        CComplex at;
        CComplex value;
    } cases[] = {
        // A call with a free name; the defined values are no free names.
        {u"f(t)*2", EPlotPrepare::Ready, u"t", CComplex(2), CComplex(14)},
        {u"g(t, a)+x", EPlotPrepare::Ready, u"t", CComplex(1), CComplex(98)},
        {u"f(a)", EPlotPrepare::NoFreeName, u"", CComplex(), CComplex()},
        {u"g(s, t)", EPlotPrepare::SeveralFreeNames, u"", CComplex(), CComplex()},
        // A definition of one parameter draws its expression over it, its
        // parameter hiding the value of that name.
        {u"f(x) := x^2+a", EPlotPrepare::Ready, u"x", CComplex(2), CComplex(7)},
        {u"h(X) := x*a", EPlotPrepare::Ready, u"x", CComplex(-1), CComplex(-3)},
        {u"h(w) := a", EPlotPrepare::NoFreeName, u"", CComplex(), CComplex()},
        {u"g(u, v) := u-v", EPlotPrepare::SyntaxError, u"", CComplex(), CComplex()},
        {u"r := 5", EPlotPrepare::SyntaxError, u"", CComplex(), CComplex()},
        {u"f(t, t)", EPlotPrepare::SyntaxError, u"", CComplex(), CComplex()},
    };
    for (const auto& c : cases) {
        const std::string where = Utf16ToUtf8(c.expression);
        CPlotStatement statement(log.context);
        ASSERT_EQ(statement.Prepare(c.expression), c.prepared) << where;
        if (c.prepared != EPlotPrepare::Ready)
            continue;
        EXPECT_EQ(statement.Expression().Name(), c.name) << where;
        CComplex value;
        ASSERT_TRUE(statement.Value(c.at, value)) << where;
        EXPECT_EQ(value, c.value) << where;
    }
    // Plotting defined nothing.
    EXPECT_EQ(MemoryStore().Definitions().Count(), 4u);
}

TEST(Plot, TheCurveOfSinOneOverXFollowsItsOscillationsTowardsZero)
{
    CLogRecorder log;
    CPlotStatement statement(log.context);
    ASSERT_EQ(statement.Prepare(u"sin(1/x)"), EPlotPrepare::Ready);
    CLineView view;
    view.from = -1;
    view.to = 1;
    view.width = 800;
    view.height = 400;
    const CLinePlot plot = SampleLine(statement, view);
    ASSERT_TRUE(plot.complete);
    const double scale = view.height / (plot.valueMax - plot.valueMin);
    // Where the oscillations are wider than a pixel, the straight pieces
    // stay within two pixels of the curve.
    int checked = 0;
    for (std::size_t k = 1; k < plot.samples.size(); ++k) {
        const CLineSample& a = plot.samples[k - 1];
        const CLineSample& b = plot.samples[k];
        if (!a.valid || !b.valid || std::fabs(a.x) < 0.05 || a.x * b.x <= 0)
            continue;
        const double middle = (a.x + b.x) / 2;
        const double chord = (a.value.real() + b.value.real()) / 2;
        EXPECT_LT(std::fabs(std::sin(1 / middle) - chord) * scale, 2.0) << "between " << a.x << " and " << b.x;
        ++checked;
    }
    EXPECT_GT(checked, 400);
    EXPECT_TRUE(log.messages.empty());
}

TEST(Plot, ACancelledLinePlotIsIncomplete)
{
    CLogRecorder log;
    CPlotStatement statement(log.context);
    ASSERT_EQ(statement.Prepare(u"J(0,x)"), EPlotPrepare::Ready);
    CLineView view;
    int asked = 0;
    const CLinePlot plot = SampleLine(statement, view, [&asked] { return ++asked > 2; });
    EXPECT_FALSE(plot.complete);
    EXPECT_EQ(asked, 3);
}

TEST(Plot, TheQuickLinePictureSharpensLevelByLevelOnAnEvenGridAndMarksTheGaps)
{
    CLogRecorder log;
    CPlotStatement statement(log.context);
    ASSERT_EQ(statement.Prepare(u"1/x"), EPlotPrepare::Ready);
    CLineView view;  // -10 to 10 over 600 pixels
    CLinePreview preview(view);
    EXPECT_TRUE(preview.Plot().samples.empty());
    std::size_t before = 0;
    for (int level = 1; level <= 4; ++level) {
        EXPECT_EQ(preview.Step(statement), level < 4) << level;
        const CLinePlot plot = preview.Plot();
        EXPECT_FALSE(plot.complete);
        // Each level halves the spacing: the count roughly doubles, both ends
        // stay, and the points keep an even grid.
        ASSERT_GT(plot.samples.size(), before) << level;
        EXPECT_EQ(plot.samples.front().x, view.from);
        EXPECT_EQ(plot.samples.back().x, view.to);
        const double spacing = (view.to - view.from) / static_cast<double>(plot.samples.size() - 1);
        for (std::size_t k = 1; k < plot.samples.size(); ++k)
            EXPECT_NEAR(plot.samples[k].x - plot.samples[k - 1].x, spacing, 1e-12) << level << " " << k;
        before = plot.samples.size();
    }
    // The finest level: a point every 8 pixels or closer; the pole at 0 on
    // the grid is a gap, and the values fit the picture as SampleLine's do.
    EXPECT_GE(before, 600u / 8);
    EXPECT_TRUE(preview.Done());
    const CLinePlot plot = preview.Plot();
    const auto pole = std::find_if(plot.samples.begin(), plot.samples.end(), [](const CLineSample& s) { return s.x == 0; });
    ASSERT_NE(pole, plot.samples.end());
    EXPECT_FALSE(pole->valid);
    EXPECT_LT(plot.valueMin, -0.1);
    EXPECT_GT(plot.valueMax, 0.1);
    EXPECT_FALSE(preview.Step(statement));

    // A fixed value range stays; cancelled work leaves the level undone.
    view.fixedValues = true;
    view.valueMin = -3;
    view.valueMax = 5;
    CLinePreview fixed(view);
    EXPECT_FALSE(fixed.Step(statement, [] { return true; }));
    EXPECT_EQ(fixed.LevelsDone(), 0);
    EXPECT_TRUE(fixed.Step(statement));
    EXPECT_EQ(fixed.Plot().valueMin, -3);
    EXPECT_EQ(fixed.Plot().valueMax, 5);
    EXPECT_TRUE(log.messages.empty());
}

TEST(Plot, ThePlanePictureShowsEarlyAndSharpensPassByPass)
{
    CLogRecorder log;
    CPlotStatement statement(log.context);
    ASSERT_EQ(statement.Prepare(u"z"), EPlotPrepare::Ready);
    CPlaneSampler sampler(CPlaneView{-1, 1, -1, 1, 64, 100});
    EXPECT_TRUE(sampler.Picture()[0] == 0u);
    EXPECT_TRUE(sampler.Step(statement, 7));  // every 16th row: 0, 16, ... 96
    const std::vector<std::uint32_t> coarse = sampler.Picture();
    for (std::uint32_t pixel : coarse)
        ASSERT_NE(pixel, 0u);
    // Row 20 shows row 16 until it is computed itself.
    EXPECT_TRUE(std::equal(coarse.begin() + 20 * 64, coarse.begin() + 21 * 64, coarse.begin() + 16 * 64));
    CComplex value;
    EXPECT_FALSE(sampler.ValueAt(0, 20, value));
    EXPECT_TRUE(sampler.ValueAt(0, 16, value));
    EXPECT_EQ(value, CComplex(-1 + 1.0 / 64, 1 - 16.5 / 50));
    while (sampler.Step(statement, 10)) {
    }
    EXPECT_EQ(sampler.RowsDone(), 100);
    EXPECT_TRUE(sampler.ValueAt(63, 99, value));
    EXPECT_FALSE(sampler.Step(statement, 1));
    CPlaneSampler cancelled(CPlaneView{-1, 1, -1, 1, 64, 100});
    EXPECT_FALSE(cancelled.Step(statement, 100, [] { return true; }));
    EXPECT_EQ(cancelled.RowsDone(), 0);
}

TEST(Plot, TheHueGivesBackTheArgumentAndTheLightnessGrowsWithTheModulus)
{
    for (double argument = -3.1; argument < 3.15; argument += 0.1) {
        double read = 0;
        double lightness = 0;
        ReadDomainColour(DomainColour(std::polar(1.0, argument)), read, lightness);
        EXPECT_LT(std::fabs(std::remainder(read - argument, 2 * std::numbers::pi)), 0.03) << argument;
    }
    double previous = -1;
    for (double modulus : {1e-6, 0.01, 0.1, 1.0, 10.0, 100.0, 1e6}) {
        double argument = 0;
        double lightness = 0;
        ReadDomainColour(DomainColour(CComplex(modulus, 0)), argument, lightness);
        EXPECT_GT(lightness, previous) << modulus;
        previous = lightness;
    }
    EXPECT_EQ(DomainColour(CComplex(0, 0)), 0xFF000000u);
    EXPECT_EQ(DomainColour(CComplex(1, 0), false), 0xFFFFFFFFu);
    EXPECT_EQ(DomainColour(CComplex(INFINITY, 0)), 0xFFFFFFFFu);
}

TEST(Plot, TheValueRangeLeavesOutTheFarValuesNearAPole)
{
    std::vector<CLineSample> samples;
    for (int k = -100; k <= 100; ++k)
        samples.push_back({k / 10.0, CComplex(k / 10.0, 0), true});
    double low = 0;
    double high = 0;
    FitValueRange(samples, false, low, high);
    EXPECT_LE(low, -10);
    EXPECT_GE(high, 10);
    EXPECT_LT(high, 12);
    samples.push_back({10.05, CComplex(1e12, 0), true});
    FitValueRange(samples, false, low, high);
    EXPECT_LT(high, 100);
    samples.assign(5, CLineSample{0, CComplex(2, 0), true});
    FitValueRange(samples, false, low, high);
    EXPECT_LT(low, 2);
    EXPECT_GT(high, 2);
}

}  // namespace
