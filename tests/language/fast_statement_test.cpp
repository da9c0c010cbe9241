// The one-pass evaluation of plain statements against the checked path: the
// cases of tests/data/plain_statements.txt (grouping, number words,
// normalization and everything the pass must leave to the tree), and random
// expressions built from every operator, function and number form it reads,
// with values that overflow, underflow, divide by zero and leave the domain.
// Both ways must give the same success, value bits, previous result, log,
// operation kinds and rewritten text. The calculation cases and the fuzz
// seeds run both ways in fast_term_test.cpp, whose switch turns this pass
// off together with the fast series terms.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "document/memory_store.h"
#include "document/preferences.h"
#include "language/calculate.h"
#include "language/fast_statement.h"
#include "support/data_cases.h"
#include "support/escapes.h"
#include "support/fresh_state.h"
#include "support/log_recorder.h"
#include "support/preference_names.h"
#include "support/shared_random.h"
#include "support/value_bits.h"

namespace {

using NCalculatorText::CalculateText;
using NCalculatorText::EvaluateExpression;
using NCalculatorText::EvaluatePlainStatement;

// What one evaluation shows. The context starts with a previous result
// whose imaginary part is -0, so that its sign shows in every value that
// passes it on.
struct COutcome {
    bool ok = false;
    std::string value;
    std::string log;
    int previousKind = 0;
    int currentKind = 0;
};

COutcome Evaluate(const std::u16string& expression, bool fast, int units)
{
    CLogRecorder log;
    log.context.fastEvaluation = fast;
    log.context.random = SharedRandom();
    log.context.run.trigonometricUnits = units;
    log.context.run.previousKind = Index;  // a kind no plain statement leaves
    log.context.previousResult = CComplex(2.5, -0.0);
    CComplex value(-7.0, 7.0);
    COutcome outcome;
    outcome.ok = EvaluateExpression(log.context, expression, value);
    outcome.value = ValueBits(value) + " previous " + ValueBits(log.context.previousResult);
    outcome.log = log.Joined();
    outcome.previousKind = log.context.run.previousKind;
    outcome.currentKind = log.context.run.currentKind;
    return outcome;
}

// The pass on an ASCII expression's bytes, followed by ";" in memory of
// exactly their size: it takes them when the pass on the code units does
// and every character is one it reads as it is (a lower-case letter, a
// digit, "._()+-*/^"), with the same value bits, length and kinds left.
void ExpectBytesAlike(const std::u16string& expression, int units, bool taken, CComplex value,
                      const CCalcRunState& run)
{
    const auto asIs = [](char16_t c) {
        return (c >= u'(' && c <= u'9' && c != u',') || c == u'^' || c == u'_' || (c >= u'a' && c <= u'z');
    };
    if (!std::all_of(expression.begin(), expression.end(), [](char16_t c) { return c < 0x80; }))
        return;
    const std::unique_ptr<char[]> bytes(new char[expression.size() + 1]);
    std::copy(expression.begin(), expression.end(), bytes.get());
    bytes[expression.size()] = ';';
    CLogRecorder log;
    log.context.run.trigonometricUnits = units;
    log.context.run.previousKind = Index;
    log.context.previousResult = CComplex(2.5, -0.0);
    CComplex byteValue;
    std::size_t length = 0;
    const bool byteTaken = NCalculatorText::EvaluatePlainBytes(log.context, bytes.get(), length, byteValue);
    const std::string what = Utf16ToUtf8(expression);
    EXPECT_EQ(byteTaken, taken && std::all_of(expression.begin(), expression.end(), asIs)) << what;
    if (!byteTaken) {
        EXPECT_EQ(log.context.run.previousKind, Index) << what;
        return;
    }
    EXPECT_EQ(length, expression.size()) << what;
    EXPECT_EQ(ValueBits(byteValue), ValueBits(value)) << what;
    EXPECT_EQ(log.context.run.previousKind, run.previousKind) << what;
    EXPECT_EQ(log.context.run.quietOverflow, run.quietOverflow) << what;
}

// Whether the pass computes the expression itself; the pass on its bytes
// must agree.
bool TakenByThePass(const std::u16string& expression, int units)
{
    CLogRecorder log;
    log.context.run.trigonometricUnits = units;
    log.context.run.previousKind = Index;
    log.context.previousResult = CComplex(2.5, -0.0);
    CComplex value;
    const bool taken = EvaluatePlainStatement(log.context, expression, value);
    ExpectBytesAlike(expression, units, taken, value, log.context.run);
    return taken;
}

void ExpectSameBothWays(const std::u16string& expression, int units, const std::string& where)
{
    const COutcome checked = Evaluate(expression, false, units);
    const COutcome fast = Evaluate(expression, true, units);
    const std::string what = where + ": " + Utf16ToUtf8(expression) + " units " + std::to_string(units);
    EXPECT_EQ(fast.ok, checked.ok) << what;
    EXPECT_EQ(fast.value, checked.value) << what;
    EXPECT_EQ(fast.log, checked.log) << what;
    EXPECT_EQ(fast.previousKind, checked.previousKind) << what;
    EXPECT_EQ(fast.currentKind, checked.currentKind) << what;
}

// A calculation run of a whole text: rewritten text, result and log.
struct CRunOutcome {
    std::string text;
    bool ok = false;
    std::string log;
    std::string previous;
};

CRunOutcome RunText(const std::string& settings, std::u16string text, bool fast)
{
    const CFreshState fresh;
    CLogRecorder log;
    ApplyPreferenceSettings(settings);
    log.context.run.Reset();
    log.context.fastEvaluation = fast;
    log.context.random = SharedRandom();
    std::ptrdiff_t cursor = -1;
    CRunOutcome outcome;
    outcome.ok = CalculateText(log.context, text, cursor);
    outcome.text = Utf16ToUtf8(text);
    outcome.log = log.Joined();
    outcome.previous = ValueBits(log.context.previousResult);
    return outcome;
}

// ---------------------------------------------------------------- cases

class PlainStatements : public testing::TestWithParam<CDataRow> {};

TEST(PlainStatementsFile, HoldsTheCases)
{
    EXPECT_GT(DataRows("plain_statements.txt").size(), 80u);
}

// Each row: the text as a calculation run rewrites it, and its log, both
// ways; whether the pass takes it; and the statement alone both ways.
TEST_P(PlainStatements, CalculateAlikeAndTakeThePathExpected)
{
    const CFreshState fresh;
    const CDataRow& c = GetParam();
    const std::string where = c.Where();
    ASSERT_EQ(c.Fields().size(), 5u) << where;
    const std::u16string input = Unescape(c.Field(1));
    ASSERT_TRUE(c.Field(2) == "pass" || c.Field(2) == "tree") << where;

    for (const bool fast : {true, false}) {
        const CRunOutcome run = RunText(c.Field(0), input, fast);
        EXPECT_EQ(run.text, Utf16ToUtf8(Unescape(c.Field(3)))) << where << (fast ? " fast" : " checked");
        EXPECT_EQ(run.log, Utf16ToUtf8(Unescape(c.Field(4)))) << where << (fast ? " fast" : " checked");
    }

    ASSERT_TRUE(ApplyPreferenceSettings(c.Field(0))) << where;
    const int units = static_cast<int>(Preferences().Get(EPreference::TrigonometricUnits));
    Preferences().SetDefaults();
    // A text of several statements is the pass's business one statement at
    // a time; the last one stands for the row.
    std::u16string last = input.substr(input.rfind(u';') + 1);
    EXPECT_EQ(TakenByThePass(last, units) ? "pass" : "tree", c.Field(2)) << where;
    ExpectSameBothWays(last, units, where);
}

INSTANTIATE_DATA_ROWS(PlainStatements, "plain_statements.txt");

// ---------------------------------------------------------------- random

// Random expressions over what the pass reads, with a little of what it
// must refuse. Text is put together without regard to precedence, so that
// the parser's grouping decides; blanks, upper case, other bracket kinds
// and the operator signs − × ÷ come in now and then.
class CExpressionMaker {
public:
    explicit CExpressionMaker(unsigned seed) : m_random(seed) {}

    std::string Expression(int depth)
    {
        std::string text;
        const auto lead = Pick(12);
        if (lead == 0)
            text += "-";
        else if (lead == 1)
            text += "+";
        else if (lead == 2)
            text += Pick(2) ? "\xE2\x88\x92" : " - ";  // −
        const int operands = 1 + static_cast<int>(Pick(depth > 0 ? 4 : 2));
        for (int k = 0; k < operands; ++k) {
            if (k > 0)
                text += Operator();
            text += Operand(depth);
        }
        if (Pick(200) == 0)
            text += Pick(2) ? "*" : "!";  // a trailing operator or a factorial
        return text;
    }

private:
    unsigned Pick(unsigned n) { return static_cast<unsigned>(m_random() % n); }

    std::string Operator()
    {
        static const char* const operators[] = {"+", "-", "*", "/", "^", " + ", " * ", "\xC3\x97" /* × */,
                                                "\xC3\xB7" /* ÷ */, "^", "/", "-"};
        std::string op = operators[Pick(std::size(operators))];
        if (Pick(60) == 0)
            op += Pick(2) ? "-" : "+";  // "2*-3": no expression
        return op;
    }

    std::string Number()
    {
        static const char* const special[] = {
            "0",      "1e308",   "1e-308",  "2.5e-3", "1E+2",   ".5",      "5.",      "3.14159",  "1e-200",
            "1e200",  "0.1",     "e2",      "1e-",    "2.e-1",  "4.9e-324", "1.7976931348623157e308", "1e22",
            "1e23",   "123456789012345678", "9007199254740993", "0.000000000000000000001", "1e999", "00012",
            "1 2",    "710",     "-0",      "1e19",   "1e18",   "745",     "1e-5",    "33",       "90"};
        if (Pick(3) == 0)
            return special[Pick(std::size(special))];
        if (Pick(4) == 0) {
            char text[32];
            std::snprintf(text, sizeof text, "%d.%d", static_cast<int>(Pick(100)), static_cast<int>(Pick(1000)));
            return text;
        }
        return std::to_string(Pick(100));
    }

    std::string Operand(int depth)
    {
        const auto kind = Pick(depth > 0 ? 10 : 5);
        if (kind < 3)
            return Number();
        if (kind == 3) {
            static const char* const words[] = {"pi", "e", "i", "j", "rslt", "Result", "PI", "E"};
            if (Pick(40) == 0)
                return Pick(2) ? "rand" : "x";  // not plain
            return words[Pick(std::size(words))];
        }
        if (kind == 4)
            return Pick(2) ? "0" : "-1";
        std::string inner = Expression(depth - 1);
        static const char* const brackets[][2] = {{"(", ")"}, {"(", ")"}, {"[", "]"}, {"{", "}"}, {"(", "]"}};
        const auto* bracket = brackets[Pick(std::size(brackets))];
        std::string group = std::string(bracket[0]) + inner + bracket[1];
        if (kind <= 6)
            return group;
        static const char* const functions[] = {"sin",  "cos", "tg",   "tan",  "exp",   "ln", "lg", "log", "sqrt", "abs",
                                                "sign", "ceil", "floor", "re", "im", "arg", "conj", "SIN", "Sqrt"};
        static const char* const others[] = {"gamma", "sh", "asin", "nope"};  // not plain
        std::string function = Pick(40) == 0 ? others[Pick(std::size(others))] : functions[Pick(std::size(functions))];
        if (Pick(40) == 0)
            function += " ";
        return function + group;
    }

    std::mt19937 m_random;
};

TEST(PlainStatementsRandom, ExpressionsAlikeBothWays)
{
    CExpressionMaker maker(23);
    int taken = 0;
    const int count = 100'000;
    for (int n = 0; n < count; ++n) {
        const std::u16string expression = Utf8ToUtf16(maker.Expression(3));
        const int units = n % 5 == 0 ? 1 : (n % 7 == 0 ? 2 : 0);
        taken += TakenByThePass(expression, units);
        ExpectSameBothWays(expression, units, "random " + std::to_string(n));
        if (HasFailure())
            break;
    }
    // The generator is meant for the pass: most of it must take that way,
    // or the comparison proves little.
    EXPECT_GT(taken, count / 3);
}

// The sine and cosine of a real argument have a zero imaginary part whose
// sign is that of the other function: arguments on both sides of, and
// right at, the quarter periods where the signs change, up to and beyond
// 2^20, in radians and degrees. "1/f(x)" shows that sign in the value's
// imaginary part.
TEST(PlainStatementsSigns, CircularFunctionsNearQuarterPeriodsAlikeBothWays)
{
    const double offsets[] = {0, 1e-12, 1e-7, 9e-7, 1e-6, 2e-6, 1e-5, 1e-3, 0.3};
    int count = 0;
    for (int units : {0, 1}) {
        const double quarter = units == 0 ? 1.5707963267948966 : 90;
        for (const double scale : {1.0, 1000.0, 667544.0, 667545.0, 1e6}) {
            for (int k = -9; k <= 9; ++k) {
                for (const double offset : offsets) {
                    for (const double sign : {-1.0, 1.0}) {
                        const double x = (k + scale * (k < 0 ? -1 : 1)) * quarter + sign * offset;
                        char text[96];
                        for (const char* f : {"sin", "cos"}) {
                            std::snprintf(text, sizeof text, "%s(%.17g)", f, x);
                            ExpectSameBothWays(Utf8ToUtf16(text), units, "quarter periods");
                            std::snprintf(text, sizeof text, "1/%s(%.17g)", f, x);
                            ExpectSameBothWays(Utf8ToUtf16(text), units, "quarter periods");
                            count += 2;
                        }
                    }
                }
            }
        }
    }
    EXPECT_GT(count, 5000);
}

// Texts of many random statements, calculated whole: the rewritten text,
// the log and the last value, with the previous result carried from one
// statement to the next.
TEST(PlainStatementsRandom, TextsRewrittenAlikeBothWays)
{
    CExpressionMaker maker(29);
    for (int n = 0; n < 400; ++n) {
        std::string text;
        for (int k = 0; k < 25; ++k)
            text += maker.Expression(2) + (k % 3 ? "; " : ";\r\n");
        const std::string settings = "TrigonometricUnits=" + std::to_string(n % 3);
        const CRunOutcome checked = RunText(settings, Utf8ToUtf16(text), false);
        const CRunOutcome fast = RunText(settings, Utf8ToUtf16(text), true);
        EXPECT_EQ(fast.text, checked.text) << text;
        EXPECT_EQ(fast.ok, checked.ok) << text;
        EXPECT_EQ(fast.log, checked.log) << text;
        EXPECT_EQ(fast.previous, checked.previous) << text;
        if (HasFailure())
            break;
    }
}

}  // namespace
