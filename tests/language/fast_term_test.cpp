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

CExpressionOutcome Evaluate(const std::u16string& expression, bool fast, int units)
{
    const CFreshState fresh;
    CLogRecorder log;
    log.context.fastEvaluation = fast;
    log.context.run.trigonometricUnits = units;
    log.context.random = SharedRandom();
    log.context.previousResult = CComplex(2.5, -0.0);
    CComplex value(-7.0, 7.0);
    CExpressionOutcome outcome;
    outcome.ok = EvaluateExpression(log.context, expression, value);
    outcome.value = ValueBits(value) + " previous " + ValueBits(log.context.previousResult);
    outcome.log = log.Lines();
    return outcome;
}

// units: the angle setting, 0 radians, 1 degrees, 2 grads.
void ExpectSameBothWays(const std::u16string& expression, const std::string& where, int units = 0)
{
    const CExpressionOutcome checked = Evaluate(expression, false, units);
    const CExpressionOutcome fast = Evaluate(expression, true, units);
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
    // The terms of integrals, derivatives and roots run on it too; their
    // rows are single statements, compared as whole runs only (the nested
    // ones take a while on the checked path).
    const std::size_t statementRows = rows.size();
    const std::vector<CDataRow> calculus = DataRows("calculus.txt");
    rows.insert(rows.end(), calculus.begin(), calculus.end());
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const CDataRow& c = rows[k];
        if (c.Fields().size() < 6)
            continue;
        std::ptrdiff_t cursor = -1;
        if (const std::size_t arrow = c.Field(2).find('>'); arrow != std::string::npos)
            cursor = std::stol(c.Field(2).substr(0, arrow));
        const std::u16string text = Unescape(c.Field(1));
        ExpectSameRuns(c.Field(0), text, cursor, c.Where());
        if (k < statementRows) {
            ApplyPreferenceSettings(c.Field(0));
            ExpectSameStatements(text, c.Where());
            Preferences().SetDefaults();
        }
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

// Random terms of the operations the fast path compiles, over the index
// name, with numbers that overflow, underflow, cancel and divide by zero,
// angles that lose all precision, and powers of negative and zero bases.
std::string RandomTerm(std::mt19937& random, int depth, const std::string& index)
{
    static const char* const leaves[] = {"",     "",     "2",      "0",   "1e308", "1e-308", "3.5",    "pi",  "e",
                                         "i",    "rslt", "n",      "1e-200", "0.1", "1e200",  "-0",    "1e19", "0.05"};
    static const char* const unary[] = {"-",    "abs", "sqrt", "re",  "im",  "conj", "floor", "ceil",
                                        "sign", "exp", "ln",   "sin", "cos", "tan",  "atan"};
    static const char* const binary[] = {"+", "-", "*", "/", "^"};
    static const char* const exponents[] = {"0.5", "(-0.5)", "1.5", "(-1.5)", "0.3", "2.7", "1/3", "(-0.75)"};
    const auto pick = random() % 10;
    if (depth <= 0 || pick < 3) {
        const char* leaf = leaves[random() % std::size(leaves)];
        return leaf[0] ? leaf : index;
    }
    if (pick < 5) {
        const char* f = unary[random() % std::size(unary)];
        if (f[0] == '-')
            return "-(" + RandomTerm(random, depth - 1, index) + ")";
        return std::string(f) + "(" + RandomTerm(random, depth - 1, index) + ")";
    }
    const char* op = binary[random() % std::size(binary)];
    std::string right = RandomTerm(random, depth - 1, index);
    if (op[0] == '^') {
        const auto kind = random() % 4;
        if (kind == 0)
            right = std::to_string(static_cast<int>(random() % 9) - 3);
        else if (kind == 1)
            right = exponents[random() % std::size(exponents)];
    }
    return "(" + RandomTerm(random, depth - 1, index) + ")" + op + "(" + right + ")";
}

TEST(FastTerm, RandomTermsAlikeBothWays)
{
    std::mt19937 random(19);
    static const char* const ranges[] = {"1,10", "-5,5", "10,1", "1,40,3", "0,2,0.25", "1e306,1e308,1e307", "-3,3,-1"};
    for (int n = 0; n < 4000; ++n) {
        const std::string term = RandomTerm(random, 4, "k");
        const char* series = random() % 3 == 0 ? "product" : "sum";
        const std::string range = ranges[random() % std::size(ranges)];
        std::string text = std::string(series) + "(k," + range + "," + term + ")";
        if (random() % 5 == 0)
            text = "sum(n,1,3," + text + ")";  // an outer index the term reads
        ExpectSameBothWays(Utf8ToUtf16(text), "random term " + std::to_string(n), static_cast<int>(random() % 3));
        if (HasFailure())
            break;
    }
}

// The same random terms as integrands, derivatives and roots: their points
// go through the program in blocks, and a block the checked path must see
// again is handed back from its first point on.
TEST(FastTerm, RandomIntegrandsAlikeBothWays)
{
    std::mt19937 random(23);
    static const char* const nodes[] = {"integral(x,0,1,",  "integral(x,-2,3,",      "integral(x,0,inf,",
                                        "integral(x,0,i,",  "integral(x,-inf,inf,", "deriv(x,0.7,",
                                        "deriv(x,-2,2,",    "root(x,0.3,",          "root(x,-1,2,"};
    for (int n = 0; n < 600; ++n) {
        const std::string term = RandomTerm(random, 3, "x");
        const std::string text = nodes[random() % std::size(nodes)] + term + ")";
        ExpectSameBothWays(Utf8ToUtf16(text), "random integrand " + std::to_string(n) + ": " + text,
                           static_cast<int>(random() % 3));
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

    // The circular functions in each angle setting and the general power.
    for (int units = 0; units < 3; ++units) {
        for (const char* text :
             {// angles near and beyond the total loss, tiny ones that the
              // conversion of the units turns into subnormals or 0, the
              // sign of a zero imaginary part where sin or cos changes sign
              "sum(k,1,3,sin(k*2^62))", "sum(k,1,3,cos(k*2^63))", "sum(k,-3,3,tan(k*1e19))",
              "sum(k,1,3,sin(k*1e-320))", "sum(k,1,3,cos(k*5e-324)-1)", "sum(k,1,3,sin(k*5e-324))",
              "sum(k,-4,4,sqrt(sin(k*pi/2)-1))", "sum(k,-4,4,sqrt(-cos(k*pi/2)-1))", "sum(k,-8,8,sin(k*45)*i)",
              "sum(k,0,720,15,sin(k)+cos(k)+tan(k))", "sum(k,0,400,25,tan(k))",
              // complex arguments, beyond the range of cosh
              "sum(k,-3,3,sin(k+i*k*300))", "sum(k,1,3,cos(k*i*250))", "sum(k,-2,2,tan(k*i+1))",
              // the arctangent's ranges, ±i and complex arguments
              "sum(k,-40,40,atan(k*0.004))", "sum(k,1,5,atan(k*1e-9))", "sum(k,-3,3,atan(k*1e16))",
              "sum(k,1,3,atan(1e308*k))", "sum(k,-2,2,atan(k*i))", "sum(k,-2,2,atan(k*i+0.5))",
              "sum(k,-4,4,sqrt(atan(conj(k*0.5))-2))", "sum(k,-4,4,sqrt(atan(conj(k*1e-9))-2))",
              "sum(k,-4,4,sqrt(atan(conj(k*1e17))-2))",
              // negative and zero bases, a complex base or exponent, an
              // underflow and an overflow of the general power
              "sum(k,-3,3,k^0.5)", "sum(k,-3,3,k^1.5)", "sum(k,0,2,k^(-0.5))", "sum(k,0,2,k^(0-1.5))",
              "sum(k,1,9,k^0.5+k^(-0.5))", "sum(k,1,3,(k*i)^0.5)", "sum(k,1,3,k^(0.5+i))",
              "sum(k,1,3,(1e-200)^(k+0.5))", "sum(k,1,3,(1e200)^(k+0.5))", "sum(k,-3,3,(-0)^(k+0.5))",
              "sum(k,1,1,(2^-600)^(k+0.75))", "sum(k,1,1,(2^-600)^1.75)",
              "integral(x,0,1,sin(x)*cos(x)^0.5)", "integral(x,1,inf,atan(x)/x^2)", "integral(x,-1,1,x^(1/3))"})
            ExpectSameBothWays(Utf8ToUtf16(text), text + std::string(" in units ") + std::to_string(units), units);
    }
}

}  // namespace
