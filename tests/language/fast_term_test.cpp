// The fast evaluation of series terms against the checked path: the same
// texts calculated both ways must give the same values to the bit and the
// same log lines, over the calculation cases, the fuzz seeds and random
// terms of plain arithmetic built to overflow, underflow and divide by zero.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "document/memory_store.h"
#include "document/preferences.h"
#include "document/text_file.h"
#include "language/calculate.h"
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

// What one evaluation of an expression shows: success, value bits, log.
struct CExpressionOutcome {
    bool ok = false;
    std::string value;
    std::string log;
};

CExpressionOutcome Evaluate(const std::u16string& expression, bool fast)
{
    const CFreshState fresh;
    CLogRecorder log;
    log.context.fastEvaluation = fast;
    log.context.random = SharedRandom();
    log.context.previousResult = CComplex(2.5, -0.0);
    CComplex value(-7.0, 7.0);
    CExpressionOutcome outcome;
    outcome.ok = EvaluateExpression(log.context, expression, value);
    outcome.value = ValueBits(value) + " previous " + ValueBits(log.context.previousResult);
    outcome.log = log.Lines();
    return outcome;
}

void ExpectSameBothWays(const std::u16string& expression, const std::string& where)
{
    const CExpressionOutcome checked = Evaluate(expression, false);
    const CExpressionOutcome fast = Evaluate(expression, true);
    EXPECT_EQ(fast.ok, checked.ok) << where << ": " << Utf16ToUtf8(expression);
    EXPECT_EQ(fast.value, checked.value) << where << ": " << Utf16ToUtf8(expression);
    EXPECT_EQ(fast.log, checked.log) << where << ": " << Utf16ToUtf8(expression);
}

// What a whole calculation run shows: the rewritten text, the cursor, the
// result, the log, the memory cells and the last value's bits.
struct CRunOutcome {
    std::string text;
    std::ptrdiff_t cursor = 0;
    bool ok = false;
    std::string log;
    std::string memory;
    std::string previous;
};

CRunOutcome Run(const std::string& settings, std::u16string text, std::ptrdiff_t cursor, bool fast)
{
    const CFreshState fresh;
    ApplyPreferenceSettings(settings);
    CLogRecorder log;
    ApplyPreferenceSettings(settings);
    log.context.fastEvaluation = fast;
    log.context.random = SharedRandom();
    CRunOutcome outcome;
    outcome.ok = CalculateText(log.context, text, cursor);
    outcome.text = Utf16ToUtf8(text);
    outcome.cursor = cursor;
    outcome.log = log.Lines();
    outcome.memory = Utf16ToUtf8(MemoryStore().BuildMemoryFileText(EMemorySelection::All));
    outcome.previous = ValueBits(log.context.previousResult);
    return outcome;
}

void ExpectSameRuns(const std::string& settings, const std::u16string& text, std::ptrdiff_t cursor,
                    const std::string& where)
{
    const CRunOutcome checked = Run(settings, text, cursor, false);
    const CRunOutcome fast = Run(settings, text, cursor, true);
    EXPECT_EQ(fast.text, checked.text) << where;
    EXPECT_EQ(fast.cursor, checked.cursor) << where;
    EXPECT_EQ(fast.ok, checked.ok) << where;
    EXPECT_EQ(fast.log, checked.log) << where;
    EXPECT_EQ(fast.memory, checked.memory) << where;
    EXPECT_EQ(fast.previous, checked.previous) << where;
}

// Every statement of a text on its own, cut at ";" and before any old
// result, so that each value is compared to the bit.
void ExpectSameStatements(const std::u16string& text, const std::string& where)
{
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(u';', start);
        if (end == std::u16string::npos)
            end = text.size();
        std::u16string statement = text.substr(start, end - start);
        statement = statement.substr(0, statement.find(u'='));
        ExpectSameBothWays(statement, where);
        start = end + 1;
    }
}

TEST(FastTerm, CalculationCasesRunAlikeBothWays)
{
    const CFreshState fresh;
    std::vector<CDataRow> rows = DataRows("calculations.txt");
    ASSERT_GT(rows.size(), 250u);
    // Definitions: calls of defined functions in series terms are inlined
    // on the fast path.
    const std::vector<CDataRow> definitions = DataRows("definitions.txt");
    rows.insert(rows.end(), definitions.begin(), definitions.end());
    for (const CDataRow& c : rows) {
        if (c.Fields().size() < 6)
            continue;
        std::ptrdiff_t cursor = -1;
        if (const std::size_t arrow = c.Field(2).find('>'); arrow != std::string::npos)
            cursor = std::stol(c.Field(2).substr(0, arrow));
        const std::u16string text = Unescape(c.Field(1));
        ExpectSameRuns(c.Field(0), text, cursor, c.Where());
        ApplyPreferenceSettings(c.Field(0));
        ExpectSameStatements(text, c.Where());
        Preferences().SetDefaults();
    }
}

TEST(FastTerm, FuzzSeedsRunAlikeBothWays)
{
    const std::filesystem::path seeds =
        std::filesystem::path(KAVM_TEST_DATA_DIR).parent_path() / "fuzz" / "seeds" / "calculate";
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(seeds)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (bytes.size() < 2)
            continue;
        const std::u16string text = DecodeTextFile(std::string_view(bytes).substr(2));
        const std::string units = "TrigonometricUnits=" + std::to_string(static_cast<unsigned char>(bytes[0]) % 3);
        ExpectSameRuns(units, text, -1, entry.path().filename().string());
        ExpectSameStatements(text, entry.path().filename().string());
        ++count;
    }
    EXPECT_GT(count, 10);
}

// Powers of the reference file as series terms: the fast square and the
// library's power for the other whole exponents against the checked path.
TEST(FastTerm, PowerReferencesAlikeBothWays)
{
    int count = 0;
    for (const CDataRow& c : DataRows("power_references.txt")) {
        if (c.Fields().size() < 3 || std::stod(c.Field(1)) != 0)
            continue;
        const std::u16string expression = Utf8ToUtf16("sum(n,1,3,(" + c.Field(0) + ")^(" + c.Field(2) + ")*n)");
        ExpectSameBothWays(expression, c.Where());
        ++count;
    }
    EXPECT_GT(count, 100);
}

// Random terms of the operations the fast path compiles, with numbers that
// overflow, underflow, cancel and divide by zero, in sums and products.
std::string RandomTerm(std::mt19937& random, int depth)
{
    static const char* const leaves[] = {"k",     "k",       "2",    "0",   "1e308", "1e-308", "3.5",   "pi",
                                         "e",     "i",       "rslt", "n",   "1e-200", "0.1",   "1e200", "-0"};
    static const char* const unary[] = {"-", "abs", "sqrt", "re", "im", "conj", "floor", "ceil", "sign", "exp", "ln"};
    static const char* const binary[] = {"+", "-", "*", "/", "^"};
    const auto pick = random() % 10;
    if (depth <= 0 || pick < 3)
        return leaves[random() % std::size(leaves)];
    if (pick < 5) {
        const char* f = unary[random() % std::size(unary)];
        if (f[0] == '-')
            return "-(" + RandomTerm(random, depth - 1) + ")";
        return std::string(f) + "(" + RandomTerm(random, depth - 1) + ")";
    }
    const char* op = binary[random() % std::size(binary)];
    std::string right = RandomTerm(random, depth - 1);
    if (op[0] == '^' && random() % 2)
        right = std::to_string(static_cast<int>(random() % 9) - 3);
    return "(" + RandomTerm(random, depth - 1) + ")" + op + "(" + right + ")";
}

TEST(FastTerm, RandomTermsAlikeBothWays)
{
    std::mt19937 random(19);
    static const char* const ranges[] = {"1,10", "-5,5", "10,1", "1,40,3", "0,2,0.25", "1e306,1e308,1e307", "-3,3,-1"};
    for (int n = 0; n < 4000; ++n) {
        const std::string term = RandomTerm(random, 4);
        const char* series = random() % 3 == 0 ? "product" : "sum";
        const std::string range = ranges[random() % std::size(ranges)];
        std::string text = std::string(series) + "(k," + range + "," + term + ")";
        if (random() % 5 == 0)
            text = "sum(n,1,3," + text + ")";  // an outer index the term reads
        ExpectSameBothWays(Utf8ToUtf16(text), "random term " + std::to_string(n));
        if (HasFailure())
            break;
    }
}

TEST(FastTerm, EdgesOfTheLoopAlikeBothWays)
{
    for (const char* text : {"sum(k,1,10^7,k^2)",                // long enough to poll
                             "sum(k,2^53-3,2^53+3,k)",           // the index sticks
                             "sum(k,1,10,1e308*k)",              // overflow in the term
                             "sum(k,1,400,1e306)",               // overflow of the sum
                             "product(k,1,400,1e-5)",            // underflow of the product
                             "product(k,1,200,k)",               // overflow of the product
                             "sum(k,-2,2,1/k)",                  // a zero divisor
                             "sum(k,-2,2,k^-1)",                 // a zero base, negative exponent
                             "sum(k,1,3,(1+i)^k)",               // a complex base
                             "sum(k,1,3,k^0.5)",                 // the general power
                             "sum(k,1,3,k^k)",                   // an exponent computed in the term
                             "sum(k,1,3,undefinedname*k)",       // a variable without a value
                             "sum(k,1,3,sum(n,1,k,n*k))",        // nested series
                             "sum(k,1,5,-0*k)", "product(k,1,3,-0)", "sum(k,3,1,k)", "sum(k,1,1,(-k)^2)",
                             // turns in blocks: steps that are no whole
                             // numbers, downwards, across the largest exact
                             // block step, a flag in the middle of a block
                             "sum(k,0.1,20,0.1,k^2)", "sum(k,-1000.5,1000,0.5,k)", "sum(k,100,-100,-3,k^3)",
                             "sum(k,2^46-100,2^46+100,k)", "sum(k,2^52,2^52+200,k)", "sum(k,-2^52-70,-2^52,k)",
                             "sum(k,1,300,2^k*1e270)", "product(k,1,1000,1+1/k)", "sum(k,-100,100,1/(k-37))",
                             "sum(k,1,2*10^5,3.5,sqrt(k)*i-k)",
                             // exp: overflow, underflow to subnormals and 0,
                             // a complex argument, and integrals, whose points
                             // go through the same program
                             "sum(k,700,720,exp(k))", "sum(k,-760,-700,4,exp(k))", "sum(k,-1,3,exp(k*i+1/k))",
                             "integral(x,0,1,exp(-x^2))", "integral(x,-inf,inf,exp(-x^2)*x^2)",
                             "integral(x,0,1,exp(-x^2)+exp(-1e6*(x-0.6)^2))", "integral(x,0,1,exp(1/x))",
                             // ln: of 0, of negative and complex values, of
                             // a gamma value (then ln of gamma), in integrals
                             "sum(k,-2,2,ln(k))", "sum(k,-3,3,ln(k*i-0))", "sum(k,1,3,ln(gamma(k*50)))",
                             "integral(x,0,1,ln(x)^2)", "integral(x,0,1,x*ln(1+x))"})
        ExpectSameBothWays(Utf8ToUtf16(text), text);
}

}  // namespace
