// The parser: the trees it builds (from tests/data/parser_cases.txt), the
// number test, the additive operator, variable tables and the bounds that
// keep absurd texts from exhausting the stack.
#include <gtest/gtest.h>

#include <cxxabi.h>

#include <charconv>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <typeinfo>

#include "document/utf.h"
#include "language/calculate.h"
#include "language/node.h"
#include "language/nodes.h"
#include "language/token_parser.h"
#include "support/data_cases.h"
#include "support/log_recorder.h"
#include "support/repeat_text.h"

namespace {

using namespace NCalculatorText;

std::string ClassName(const CNode& node)
{
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(abi::__cxa_demangle(typeid(node).name(), nullptr, nullptr, &status),
                                                     std::free);
    std::string name = demangled ? demangled.get() : typeid(node).name();
    const std::string prefix = "NCalculatorText::CNode";
    return name.compare(0, prefix.size(), prefix) == 0 ? name.substr(prefix.size()) : name;
}

std::string Dump(const CNode& node)
{
    if (const auto* number = dynamic_cast<const CNodeNumber*>(&node)) {
        char text[32];
        const auto end = std::to_chars(text, text + sizeof(text), number->Value()).ptr;
        return std::string(text, end);
    }
    if (dynamic_cast<const CNodeVariableReference*>(&node))
        return Utf16ToUtf8(node.Texts().at(0));
    if (const auto* memory = dynamic_cast<const CNodeMemory*>(&node))
        return "Memory[" + Utf16ToUtf8(memory->Key()) + "]";
    std::string out = ClassName(node);
    if (node.Children().empty() && node.GetNodeType() != NodeVector)
        return out;
    out += "(";
    for (std::size_t i = 0; i < node.Children().size(); ++i)
        out += (i ? "," : "") + Dump(*node.Children()[i]);
    return out + ")";
}

std::string Parse(const std::u16string& text)
{
    CNode root;
    if (!CParcer::ParseExpression(root, text))
        return "fail";
    if (root.Children().size() != 1)
        return "root has " + std::to_string(root.Children().size()) + " children";
    return Dump(*root.Children()[0]);
}

class ParserRows : public testing::TestWithParam<CDataRow> {};

TEST_P(ParserRows, TreeNumberOrOperator)
{
    const CDataRow& c = GetParam();
    const std::string where = c.Where();
    ASSERT_GE(c.Fields().size(), 3u) << where;
    const std::u16string text = Utf8ToUtf16(c.Field(1));
    if (c.Field(0) == "tree") {
        EXPECT_EQ(Parse(text), c.Field(2)) << where;
    } else if (c.Field(0) == "number") {
        const bool plusRemoved = c.Fields().size() > 3 && c.Field(3) == "plus";
        EXPECT_EQ(CParcer::IsNumberText(text, plusRemoved) ? "pass" : "fail", c.Field(2)) << where;
    } else if (c.Field(0) == "additive") {
        const std::size_t position = CParcer::FindAdditiveOperator(text);
        EXPECT_EQ(position == std::u16string_view::npos ? "none" : std::to_string(position), c.Field(2)) << where;
    } else {
        ADD_FAILURE() << where << ": unknown kind " << c.Field(0);
    }
}

INSTANTIATE_DATA_ROWS(ParserRows, "parser_cases.txt");

TEST(Parser, FileHoldsTheCases)
{
    EXPECT_GT(DataRows("parser_cases.txt").size(), 150u);
}

const CNode& Top(const CNode& root)
{
    return *root.Children().at(0);
}

CNodeVariable* VariableOf(const CNode& node)
{
    const auto* reference = dynamic_cast<const CNodeVariableReference*>(&node);
    return reference ? reference->Variable() : nullptr;
}

TEST(VariableTables, TheListOfASumCreatesTheTableItsTermShares)
{
    CNode root;
    ASSERT_TRUE(CParcer::ParseExpression(root, u"sum(k,1,10,k^2)"));
    const CNode& list = *Top(root).Children()[0];
    EXPECT_TRUE(list.OwnsVariables());
    EXPECT_FALSE(Top(root).OwnsVariables());
    EXPECT_EQ(Top(root).Variables(), nullptr);
    CNodeVariable* index = VariableOf(*list.Children()[0]);
    ASSERT_NE(index, nullptr);
    EXPECT_EQ(VariableOf(*list.Children()[3]->Children()[0]), index);
    EXPECT_EQ(list.Variables()->size(), 1u);
}

TEST(VariableTables, AnIdentifierBeforeTheSumSharesOneVariableWithIt)
{
    CNode root;
    ASSERT_TRUE(CParcer::ParseExpression(root, u"k+sum(k,1,3,k)"));
    const CNode& plus = Top(root);
    EXPECT_TRUE(plus.OwnsVariables());
    CNodeVariable* left = VariableOf(*plus.Children()[0]);
    const CNode& list = *plus.Children()[1]->Children()[0];
    EXPECT_FALSE(list.OwnsVariables());
    EXPECT_EQ(VariableOf(*list.Children()[0]), left);
    EXPECT_EQ(VariableOf(*list.Children()[3]), left);
}

TEST(VariableTables, AnIdentifierAfterTheSumIsAnotherVariable)
{
    CNode root;
    ASSERT_TRUE(CParcer::ParseExpression(root, u"sum(k,1,3,k)+k"));
    const CNode& plus = Top(root);
    CNodeVariable* index = VariableOf(*plus.Children()[0]->Children()[0]->Children()[0]);
    CNodeVariable* trailing = VariableOf(*plus.Children()[1]);
    ASSERT_NE(index, nullptr);
    ASSERT_NE(trailing, nullptr);
    EXPECT_NE(index, trailing);
}

TEST(VariableTables, TwoSumsHaveTablesOfTheirOwn)
{
    CNode root;
    ASSERT_TRUE(CParcer::ParseExpression(root, u"sum(k,1,2,k)+sum(k,1,3,k)"));
    const CNode& plus = Top(root);
    EXPECT_NE(VariableOf(*plus.Children()[0]->Children()[0]->Children()[0]),
              VariableOf(*plus.Children()[1]->Children()[0]->Children()[0]));
}

TEST(VariableTables, IdentifiersAreFoldedToLowerCase)
{
    CNode root;
    ASSERT_TRUE(CParcer::ParseExpression(root, u"Ab+aB"));
    EXPECT_EQ(VariableOf(*Top(root).Children()[0]), VariableOf(*Top(root).Children()[1]));
    EXPECT_EQ(Top(root).Variables()->count(u"ab"), 1u);
}

// ---------------------------------------------------------------- nesting

bool Evaluates(NCalculatorText::CCalcContext& context, const std::u16string& text, CComplex& value)
{
    return EvaluateExpression(context, text, value);
}

TEST(Nesting, DeepButBoundedNestingWorks)
{
    CLogRecorder log;
    CComplex value;
    const std::size_t depth = kMaxNestingDepth - 2;
    EXPECT_TRUE(Evaluates(log.context, Repeat(u"(", depth) + u"7" + Repeat(u")", depth), value));
    EXPECT_EQ(value, CComplex(7));
    // Every level of abs and of its bracket is a level of the tree.
    EXPECT_TRUE(Evaluates(log.context, Repeat(u"abs(", depth - 1) + u"-2" + Repeat(u")", depth - 1), value));
    EXPECT_EQ(value, CComplex(2));
    EXPECT_TRUE(Evaluates(log.context, u"1" + Repeat(u"+1", depth - 1), value));
    EXPECT_EQ(value, CComplex(static_cast<double>(depth)));
    EXPECT_TRUE(log.messages.empty());
}

TEST(Nesting, ExcessiveNestingIsASyntaxErrorButChainsHaveNoLimit)
{
    CLogRecorder log;
    CComplex value;
    const std::size_t depth = kMaxBracketDepth + 1;
    EXPECT_FALSE(Evaluates(log.context, Repeat(u"(", depth) + u"7" + Repeat(u")", depth), value));
    EXPECT_FALSE(Evaluates(log.context, Repeat(u"sin(", depth) + u"1" + Repeat(u")", depth), value));
    EXPECT_FALSE(Evaluates(log.context, u"(1)" + Repeat(u"!", kMaxEvaluationDepth + 1), value));
    EXPECT_EQ(log.Lines(), "Error|None|Syntax error\nError|None|Syntax error\nError|None|Syntax error\n");
    // As deep as allowed, evaluated on the stack.
    EXPECT_TRUE(Evaluates(log.context, u"(1)" + Repeat(u"!", kMaxEvaluationDepth - 1), value));
    EXPECT_EQ(value, CComplex(1));
    // A chain of operations of two operands is no nesting.
    EXPECT_TRUE(Evaluates(log.context, u"1" + Repeat(u"+1", depth), value));
    EXPECT_EQ(value, CComplex(static_cast<double>(depth + 1)));
    EXPECT_FALSE(Evaluates(log.context, u"2" + Repeat(u"^2", depth), value));
    EXPECT_EQ(log.messages.back().description, u"Operation resulted in overflow, too big number returned");
}

TEST(Nesting, AMillionNestedBracketsEndQuicklyAsASyntaxErrorAndAMillionTermsAddUp)
{
    CLogRecorder log;
    CComplex value;
    const std::size_t million = 1'000'000;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(Evaluates(log.context, Repeat(u"(", million) + u"1" + Repeat(u")", million), value));
    EXPECT_FALSE(Evaluates(log.context, Repeat(u"[", million) + u"1", value));
    EXPECT_FALSE(Evaluates(log.context, Repeat(u"-", million) + u"1", value));
    EXPECT_FALSE(Evaluates(log.context, u"(1)" + Repeat(u"!", million), value));
    EXPECT_EQ(log.messages.size(), 4u);
    EXPECT_TRUE(Evaluates(log.context, u"1" + Repeat(u"+1", million), value));
    EXPECT_EQ(value, CComplex(1'000'001.0));
    EXPECT_TRUE(Evaluates(log.context, u"1" + Repeat(u"*1", million) + Repeat(u"+1", 999), value));
    EXPECT_EQ(value, CComplex(1000.0));
    EXPECT_TRUE(Evaluates(log.context, u"sum(k,1,3," + Repeat(u"k-", million) + u"k)", value));
    EXPECT_EQ(value, CComplex(-5'999'994.0));
    EXPECT_EQ(log.messages.size(), 4u);
    // Not a timing requirement: a guard against work that grows with the
    // square of the length (which would take hours here).
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
}

TEST(Nesting, AWideListIsNoNesting)
{
    CLogRecorder log;
    CComplex value;
    std::u16string text = u"sum(k,1,3,k)";
    text += Repeat(u",1", 100'000);
    EXPECT_TRUE(Evaluates(log.context, text, value));
    EXPECT_EQ(value, CComplex(6));
}

// ---------------------------------------------------------------- evaluation

TEST(Evaluation, TheRootAndAListStandForTheirFirstChild)
{
    CLogRecorder log;
    CNode root;
    CComplex value(9, 9);
    EXPECT_FALSE(root.Evaluate(log.context, value));  // no child: nothing to stand for
    EXPECT_EQ(log.Lines(), "Error|None|Syntax error\n");
}

TEST(Evaluation, APreviousResultChangesOnlyOnSuccess)
{
    CLogRecorder log;
    CComplex value;
    ASSERT_TRUE(EvaluateExpression(log.context, u"2+3", value));
    EXPECT_EQ(log.context.previousResult, CComplex(5));
    EXPECT_FALSE(EvaluateExpression(log.context, u"1/0", value));
    EXPECT_FALSE(EvaluateExpression(log.context, u"2*-3", value));
    EXPECT_EQ(log.context.previousResult, CComplex(5));
    ASSERT_TRUE(EvaluateExpression(log.context, u"rslt*2", value));
    EXPECT_EQ(value, CComplex(10));
}

TEST(Evaluation, RandomValuesAreFreshOnEveryEvaluationAndInTheUnitSquare)
{
    CLogRecorder log;
    CComplex first;
    CComplex second;
    ASSERT_TRUE(EvaluateExpression(log.context, u"rand", first));
    ASSERT_TRUE(EvaluateExpression(log.context, u"RANDOM", second));
    EXPECT_NE(first, second);
    CComplex difference;
    ASSERT_TRUE(EvaluateExpression(log.context, u"rand-rand", difference));
    EXPECT_NE(difference, CComplex());
    for (int i = 0; i < 100; ++i) {
        CComplex value;
        ASSERT_TRUE(EvaluateExpression(log.context, u"rand", value));
        EXPECT_GE(value.real(), 0.0);
        EXPECT_LE(value.real(), 1.0);
        EXPECT_GE(value.imag(), 0.0);
        EXPECT_LE(value.imag(), 1.0);
    }
    // A term draws anew on every turn.
    CComplex sum;
    ASSERT_TRUE(EvaluateExpression(log.context, u"sum(k,1,1000,re(rand))", sum));
    EXPECT_GT(sum.real(), 350.0);
    EXPECT_LT(sum.real(), 650.0);
    EXPECT_TRUE(log.messages.empty());
}

TEST(Evaluation, UnitsApplyToCircularFunctionsOnly)
{
    CLogRecorder log;
    CComplex radians;
    ASSERT_TRUE(EvaluateExpression(log.context, u"sh(1)+th(0.5)+exp(1)", radians));
    CurrentRunState().trigonometricUnits = 1;
    CComplex degrees;
    ASSERT_TRUE(EvaluateExpression(log.context, u"sh(1)+th(0.5)+exp(1)", degrees));
    EXPECT_EQ(radians, degrees);
    CComplex arcsine;
    ASSERT_TRUE(EvaluateExpression(log.context, u"arcsin(1)", arcsine));
    EXPECT_NEAR(arcsine.real(), 90.0, 1e-12);
    CurrentRunState().trigonometricUnits = 0;
}

TEST(Evaluation, AnIndexIsResetWhenItsSeriesEnds)
{
    CLogRecorder log;
    CNode root;
    ASSERT_TRUE(CParcer::ParseExpression(root, u"sum(k,1,3,k)"));
    CNodeVariable* index = VariableOf(*Top(root).Children()[0]->Children()[0]);
    CComplex value;
    ASSERT_TRUE(root.Evaluate(log.context, value));
    EXPECT_EQ(value, CComplex(6));
    EXPECT_TRUE(index->Uninitialized());
    CComplex after(5, 5);
    ASSERT_TRUE(index->Evaluate(log.context, after));
    EXPECT_EQ(after, CComplex());
}

TEST(StripComments, KeepsTheLengthAndBlanksEveryComment)
{
    std::u16string text = u"a/*b*";
    EXPECT_FALSE(StripComments(text));
    text = u"a//b\nc/*d*/e/*/f//g";
    EXPECT_TRUE(StripComments(text));
    EXPECT_EQ(text, u"a    c     e   f   ");
    text = u"x/y*z";
    EXPECT_TRUE(StripComments(text));
    EXPECT_EQ(text, u"x/y*z");
}

}  // namespace
