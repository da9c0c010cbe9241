// The function table: every accepted name and written form of a row parses
// to the row's node, the node works under the row's operation kind (so its
// messages carry the row's display name), and a node that needs a list of a
// given size refuses any other.
#include "language/functions.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <typeinfo>

#include "document/utf.h"
#include "language/calculate.h"
#include "language/keywords.h"
#include "language/node.h"
#include "support/log_recorder.h"

namespace {

using namespace NCalculatorText;

// A list of count elements that every function of that many arguments
// accepts: 2 alone, an order 0 and 2 for the Bessel functions, and
// (index, start, end, [step,] term) for the series.
std::u16string Arguments(std::size_t count)
{
    // An index, limits (the root's change sign), a step and the term.
    static const char16_t* const kSeries[] = {u"k", u"-1", u"3", u"1", u"k"};
    if (count == 3)
        return u"k,1,k";  // a derivative at 1, a root from 1
    std::u16string text;
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0)
            text += u",";
        text += count >= 4 ? kSeries[i == count - 1 ? 4 : i] : (i == 0 && count > 1 ? u"0" : u"2");
    }
    return text;
}

// Every spelling a row accepts: its names and its written forms.
std::set<std::u16string> Spellings(const CFunction& function)
{
    std::set<std::u16string> spellings;
    for (std::u16string_view name : function.names) {
        if (!name.empty())
            spellings.emplace(name);
    }
    for (unsigned notation : {0u, 1u}) {
        for (unsigned notationCase : {0u, 1u}) {
            if (!function.west.empty())
                spellings.insert(WrittenForm(function.west, function.east, notation, notationCase));
        }
    }
    return spellings;
}

std::string Name(const CFunction& function)
{
    return Utf16ToUtf8(function.names[0]);
}

TEST(FunctionTable, EverySpellingParsesToTheRowsNode)
{
    for (const CFunction& function : FunctionTable()) {
        const std::unique_ptr<CNode> made = function.make();
        ASSERT_NE(made, nullptr) << Name(function);
        EXPECT_TRUE(made->Texts().empty() && made->Children().empty()) << Name(function);
        for (const std::u16string& spelling : Spellings(function)) {
            CNode root;
            ASSERT_TRUE(CParcer::ParseExpression(root, spelling + u"(" + Arguments(function.minArguments) + u")"))
                << Utf16ToUtf8(spelling);
            ASSERT_EQ(root.Children().size(), 1u);
            const CNode& node = *root.Children()[0];
            EXPECT_EQ(typeid(node), typeid(*made)) << Utf16ToUtf8(spelling);
        }
    }
}

TEST(FunctionTable, NamesAreLowerCaseShortAndUnique)
{
    std::set<std::u16string_view> seen;
    for (const CFunction& function : FunctionTable()) {
        EXPECT_FALSE(function.names[0].empty());
        for (std::u16string_view name : function.names) {
            if (name.empty())
                continue;
            EXPECT_TRUE(seen.insert(name).second) << Utf16ToUtf8(name);
            EXPECT_LE(name.size(), kMaxFunctionNameLength) << Utf16ToUtf8(name);
            for (char16_t c : name)
                EXPECT_FALSE(c >= u'A' && c <= u'Z') << Utf16ToUtf8(name);
            EXPECT_EQ(FindFunction(name), &function);
        }
        EXPECT_LE(function.minArguments, function.maxArguments);
    }
}

TEST(FunctionTable, NodesWorkUnderTheRowsKind)
{
    for (const CFunction& function : FunctionTable()) {
        CLogRecorder log;
        CComplex value;
        const std::u16string text = std::u16string(function.names[0]) + u"(" + Arguments(function.minArguments) + u")";
        ASSERT_TRUE(EvaluateExpression(log.context, text, value)) << Name(function) << "\n" << log.Lines();
        // The node is the last one to finish; a node without a kind passes
        // on the kind of its operand, the number.
        const EOperationKind expected = function.kind == None ? Number : function.kind;
        EXPECT_EQ(CurrentRunState().previousKind, expected) << Name(function);
        EXPECT_EQ(DisplayName(function), GetOperationName(function.kind));
    }
    EXPECT_EQ(DisplayName(*FindFunction(u"arcth")), u"Archyperbolic cotangent");
    EXPECT_EQ(DisplayName(*FindFunction(u"y")), u"Bessel of the second kind");
    EXPECT_EQ(DisplayName(*FindFunction(u"prod")), u"Series product");
    EXPECT_EQ(DisplayName(*FindFunction(u"conj")), u"None");
}

TEST(FunctionTable, ListFunctionsRefuseOtherSizes)
{
    int lists = 0;
    for (const CFunction& function : FunctionTable()) {
        if (function.maxArguments == 1)
            continue;
        ++lists;
        for (std::size_t count : {function.minArguments - 1, function.maxArguments + 1}) {
            CLogRecorder log;
            CComplex value;
            const std::u16string text = std::u16string(function.names[0]) + u"(" + Arguments(count) + u")";
            EXPECT_FALSE(EvaluateExpression(log.context, text, value)) << Utf16ToUtf8(text);
            EXPECT_EQ(log.Lines(), "Error|" + Utf16ToUtf8(DisplayName(function)) + "|Syntax error\n")
                << Utf16ToUtf8(text);
        }
    }
    EXPECT_EQ(lists, 9);  // J, Y, I, K, the sum, the product, the integral, the derivative, the root
}

}  // namespace
