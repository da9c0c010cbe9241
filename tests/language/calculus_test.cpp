// Integrals, derivatives and roots against the references of
// tests/data/calculus_references.txt (tools/calculus_references.py), the
// compiled path against the tree, and a cancel during a long integral. The
// rules of the language (list shapes, index scope, nesting, limits, the
// warnings and errors) are rows of tests/data/calculus.txt.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>

#include "language/calculate.h"
#include "support/data_cases.h"
#include "support/log_recorder.h"
#include "support/value_bits.h"

namespace {

using NCalculatorText::EvaluateExpression;

struct CReference {
    std::u16string text;
    CComplex value;
    double bound = 0;
    bool warns = false;
    std::string source;
};

CReference ReadReference(const CDataRow& row)
{
    CReference r;
    r.text = Utf8ToUtf16(row.Field(0));
    r.value = CComplex(std::stod(row.Field(1)), std::stod(row.Field(2)));
    r.bound = std::stod(row.Field(3));
    r.warns = row.Field(4) == "1";
    r.source = row.Field(5);
    return r;
}

// The relative error, or the absolute one for a reference of 0 (or one
// that only the reference's own rounding keeps from 0).
double RelativeError(const CComplex& value, const CComplex& reference)
{
    const double size = std::abs(reference);
    return std::abs(value - reference) / (size > 1e-30 ? size : 1.0);
}

class CalculusReferences : public testing::TestWithParam<CDataRow> {};

TEST_P(CalculusReferences, MeetsTheRowsBoundAndLogsOnlyWhatItMust)
{
    const CDataRow& row = GetParam();
    ASSERT_EQ(row.Fields().size(), 6u) << row.Where();
    const CReference r = ReadReference(row);
    CLogRecorder log;
    CComplex value;
    ASSERT_TRUE(EvaluateExpression(log.context, r.text, value)) << row.Where() << "\n" << log.Lines();
    EXPECT_LE(RelativeError(value, r.value), r.bound)
        << row.Where() << ": " << Utf16ToUtf8(r.text) << " gave " << value.real() << " " << value.imag();
    if (r.warns) {
        ASSERT_EQ(log.messages.size(), 1u) << row.Where() << "\n" << log.Lines();
        EXPECT_EQ(log.messages[0].description.rfind(u"Result inexact, estimated error ", 0), 0u) << row.Where();
    } else {
        EXPECT_EQ(log.Lines(), "") << row.Where();
    }
}

INSTANTIATE_TEST_SUITE_P(File, CalculusReferences, testing::ValuesIn(DataRows("calculus_references.txt")),
                         DataRowName);

// The battery as a whole: its size, and the worst error of each group of
// rows for the record.
TEST(CalculusBattery, HoldsThePublishedSetsAndReportsItsWorstErrors)
{
    std::map<std::string, std::pair<double, int>> worst;
    int integrals = 0;
    double worstExact = 0;
    for (const CDataRow& row : DataRows("calculus_references.txt")) {
        ASSERT_EQ(row.Fields().size(), 6u) << row.Where();
        const CReference r = ReadReference(row);
        integrals += r.text.rfind(u"integral(", 0) == 0;
        CLogRecorder log;
        CComplex value;
        if (!EvaluateExpression(log.context, r.text, value))
            continue;  // the row's own test reports it
        const double error = RelativeError(value, r.value);
        auto& [largest, line] = worst[r.source];
        if (error >= largest) {
            largest = error;
            line = row.row.line;
        }
        if (!r.warns && r.bound <= 1e-12)
            worstExact = std::max(worstExact, error);
    }
    EXPECT_GE(integrals, 150);
    for (const auto& [source, entry] : worst)
        std::printf("%-34s worst relative error %.3g (line %d)\n", source.c_str(), entry.first, entry.second);
    std::printf("%-34s %.3g\n", "worst of the rows bound to 1e-12", worstExact);
    EXPECT_LE(worstExact, 1e-12);
}

// The compiled path and the tree give the same values, bit for bit, and
// the same log.
TEST(CalculusFastPath, GivesTheTreesValuesAndLog)
{
    for (const char16_t* text :
         {u"integral(x,0,1,1/(1+x^2))", u"integral(x,0,inf,1/(1+x)^2)", u"integral(x,-inf,inf,1/(1+x^2)^2)",
          u"integral(x,0,1,sqrt(x)*x)", u"integral(z,0,1+i,z^2)", u"integral(x,0,2,abs(x-1)+floor(x))",
          u"deriv(x,1,x^3-x)", u"deriv(x,1,3,1/x)", u"deriv(x,0,abs(x))", u"root(x,0,2,x^2-2)", u"root(x,1,x^2+1)",
          u"integral(x,0,1,x*y)", u"integral(x,0,1,1/x)", u"integral(y,0,1,integral(x,0,y,x*y))"}) {
        CLogRecorder fast;
        CComplex fastValue;
        const bool fastResult = EvaluateExpression(fast.context, text, fastValue);
        CLogRecorder tree;
        tree.context.fastEvaluation = false;
        CComplex treeValue;
        const bool treeResult = EvaluateExpression(tree.context, text, treeValue);
        EXPECT_EQ(fastResult, treeResult) << Utf16ToUtf8(text);
        EXPECT_EQ(ValueBits(fastValue), ValueBits(treeValue)) << Utf16ToUtf8(text);
        EXPECT_EQ(fast.Lines(), tree.Lines()) << Utf16ToUtf8(text);
    }
}

// Says "cancel" at its poll number `cancelAt` and counts the polls.
class CCountingCancel final : public ICancelSource {
public:
    explicit CCountingCancel(long cancelAt) : m_cancelAt(cancelAt) { CurrentRunState().cancelSource = this; }
    ~CCountingCancel() { CurrentRunState().cancelSource = nullptr; }
    CCountingCancel(const CCountingCancel&) = delete;
    CCountingCancel& operator=(const CCountingCancel&) = delete;

    bool CancelRequested() override { return ++polls == m_cancelAt; }

    long polls = 0;

private:
    long m_cancelAt;
};

TEST(CalculusCancel, ALongIntegralStopsAtThePollThatCancels)
{
    // An integrand that keeps the subdivision busy for thousands of points.
    const char16_t* const longOnes[] = {u"integral(x,0,1000,abs(sin(x*x)))",
                                        u"integral(x,0,1000,abs(sin(x*x))*x)+1",
                                        u"deriv(y,1,integral(x,0,1000*y,abs(sin(x*x))))"};
    for (const char16_t* text : longOnes) {
        CLogRecorder log;
        CCountingCancel counter(3);
        CComplex value;
        EXPECT_FALSE(EvaluateExpression(log.context, text, value)) << Utf16ToUtf8(text);
        EXPECT_EQ(counter.polls, 3) << Utf16ToUtf8(text);
        EXPECT_EQ(log.Lines(), "Error|Integral|Calculation cancelled\n") << Utf16ToUtf8(text);
        EXPECT_EQ(CurrentRunState().lastStatus, eCancelled);
    }
    // Uncancelled, the same integral polls as often as its work asks.
    CLogRecorder log;
    CCountingCancel counter(0);
    CComplex value;
    EvaluateExpression(log.context, longOnes[0], value);
    EXPECT_GT(counter.polls, 10);
}

// The stages after the double-exponential rule (the pieces between zeros,
// the partial integrals up to touching zeros) stop at any poll too: a
// cancel halfway and at the very last poll both end the calculation.
TEST(CalculusCancel, TheLaterStagesStopAtAnyPoll)
{
    for (const char16_t* text : {u"integral(x,0,inf,sin(x)^2/x^2)", u"integral(x,0,inf,cos(x^2))",
                                 u"integral(x,0,inf,(cos(x)-cos(2*x))/x)"}) {
        long polls = 0;
        {
            CLogRecorder log;
            CCountingCancel counter(0);
            CComplex value;
            EXPECT_TRUE(EvaluateExpression(log.context, text, value)) << Utf16ToUtf8(text);
            polls = counter.polls;
        }
        ASSERT_GT(polls, 2) << Utf16ToUtf8(text);
        for (const long at : {polls / 2 + 1, polls}) {
            CLogRecorder log;
            CCountingCancel counter(at);
            CComplex value;
            EXPECT_FALSE(EvaluateExpression(log.context, text, value)) << Utf16ToUtf8(text) << " at " << at;
            EXPECT_EQ(counter.polls, at) << Utf16ToUtf8(text);
            // (Warnings held from the rule's far points come before it.)
            const std::string lines = log.Lines();
            const std::string cancelled = "Error|Integral|Calculation cancelled\n";
            EXPECT_TRUE(lines.size() >= cancelled.size() &&
                        lines.compare(lines.size() - cancelled.size(), cancelled.size(), cancelled) == 0)
                << Utf16ToUtf8(text) << " at " << at << ": " << lines;
        }
    }
}

}  // namespace
