// The tokenizing parser against the rewriting parser: the same tree, or the
// same syntax error, for the case files, the fuzz seeds and random texts;
// and what only the tokenizing parser does (no length limit, a bracket
// depth limit).
#include "language/token_parser.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "document/text_file.h"
#include "language/calculate.h"
#include "support/data_file.h"
#include "support/escapes.h"
#include "support/parse_compare.h"
#include "support/repeat_text.h"

namespace {

using namespace NCalculatorText;
using NParseCompare::CompareParsers;
using NParseCompare::TokenTree;

// The expressions of a calculation text as the run hands them over: the
// comments blanked, cut at ";", each before its last "=".
std::vector<std::u16string> Expressions(std::u16string text)
{
    std::vector<std::u16string> out{text};
    StripComments(text);
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = std::min(text.find(u';', start), text.size());
        std::u16string statement = text.substr(start, end - start);
        out.push_back(statement);
        const std::size_t equals = statement.rfind(u'=');
        if (equals != std::u16string::npos)
            out.push_back(statement.substr(0, equals));
        if (end == text.size())
            break;
        start = end + 1;
    }
    return out;
}

void ExpectSameTrees(const std::u16string& text, const std::string& where)
{
    const std::string difference = CompareParsers(text);
    EXPECT_TRUE(difference.empty()) << where << ": " << Utf16ToUtf8(text) << "\n" << difference;
}

TEST(TokenParser, BuildsTheTreesOfTheCaseFiles)
{
    int compared = 0;
    for (const char* file : {"parser_cases.txt", "calculations.txt", "keypad_actions.txt"}) {
        for (const CDataCase& row : ReadDataFile(file)) {
            for (const std::string& field : row.fields) {
                for (const std::u16string& text : Expressions(Unescape(field))) {
                    ExpectSameTrees(text, std::string(file) + ":" + std::to_string(row.line));
                    ++compared;
                }
            }
        }
    }
    EXPECT_GT(compared, 3000);
}

TEST(TokenParser, BuildsTheTreesOfTheFuzzSeeds)
{
    const std::filesystem::path seeds = std::filesystem::path(KAVM_TEST_DATA_DIR) / ".." / "fuzz" / "seeds";
    int compared = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(seeds)) {
        if (!entry.is_regular_file())
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        for (std::size_t skip = 0; skip <= 2 && skip <= bytes.size(); ++skip) {
            for (const std::u16string& text : Expressions(DecodeTextFile(std::string_view(bytes).substr(skip)))) {
                ExpectSameTrees(text, entry.path().filename().string());
                ++compared;
            }
        }
    }
    EXPECT_GT(compared, 100);
}

// Texts from pieces that each rule of the parser looks at.
std::u16string RandomText(std::mt19937& random)
{
    static const char16_t* const pieces[] = {
        u"1",    u"2",     u"0.5",  u"1e",   u"e",    u"E",     u".",    u",",    u"+",      u"-",     u"\u2212",
        u"*",    u"\u00D7", u"/",    u"\u00F7", u"^",   u"!",     u"(",    u")",    u"[",      u"]",     u"{",
        u"}",    u" ",     u"->",   u"\u2212>", u">",   u"sin",   u"ln",   u"gamma", u"sum(",  u"prod(", u"j(",
        u"k",    u"x",     u"_a1",  u"mem",  u"mem[", u"memory(", u"pi",  u"\u03C0", u"rand",  u"rslt", u"i",
        u"$",    u"=",     u"\t",   u"\n",   u"\v",   u"Sin",   u"1.5e+3", u"2e-1", u"3,4",   u"abs(",  u"\u00E9",
        u"\uFEFF", u"mem[a]", u"->mem[b]", u"sqrt", u"e-", u"1e-"};
    constexpr std::size_t kCount = sizeof(pieces) / sizeof(pieces[0]);
    std::u16string text;
    const std::size_t length = 1 + random() % 14;
    for (std::size_t i = 0; i < length; ++i)
        text += pieces[random() % kCount];
    return text;
}

// Expressions from a small grammar, sometimes with a piece changed, so that
// most of them parse and the rules meet in many combinations.
std::u16string RandomExpression(std::mt19937& random, int depth)
{
    static const char16_t* const operators[] = {u"+", u"-", u"\u2212", u"*", u"/", u"\u00D7", u"^"};
    static const char16_t* const operands[] = {u"1", u"2.5", u"1e-3", u"7e+2", u"k", u"n", u"x1", u"pi", u"e",
                                               u"i", u"rslt", u"rand", u"mem[a]", u"Mem{ b c }", u"memory(k)"};
    static const char16_t* const functions[] = {u"sin", u"ln", u"gamma", u"sqrt", u"abs", u"j", u"conj"};
    std::u16string text;
    const int terms = 1 + static_cast<int>(random() % 4);
    for (int t = 0; t < terms; ++t) {
        if (t > 0)
            text += operators[random() % std::size(operators)];
        const unsigned choice = depth <= 0 ? 0 : random() % 8;
        switch (choice) {
        case 0:
        case 1: text += operands[random() % std::size(operands)]; break;
        case 2: text += u"(" + RandomExpression(random, depth - 1) + u")"; break;
        case 3:
            text += std::u16string(functions[random() % std::size(functions)]) + u"[" +
                    RandomExpression(random, depth - 1) + u"]";
            break;
        case 4: text += (t == 0 ? u"-" : u"") + RandomExpression(random, depth - 1); break;
        case 5: text += u"(" + RandomExpression(random, depth - 1) + u")!"; break;
        case 6:
            text += std::u16string(random() % 2 ? u"sum" : u"prod") + u"(k,1,3," + RandomExpression(random, depth - 1) +
                    u")";
            break;
        default: text += u"(" + RandomExpression(random, depth - 1) + u"->mem[c])"; break;
        }
        if (random() % 6 == 0)
            text += u" ";
    }
    if (random() % 10 == 0 && !text.empty())
        text.erase(random() % text.size(), 1);
    if (random() % 10 == 0)
        text.insert(random() % (text.size() + 1), RandomText(random).substr(0, 2));
    return text;
}

TEST(TokenParser, BuildsTheTreesOfRandomExpressions)
{
    std::mt19937 random(19);
    int parsed = 0;
    for (int i = 0; i < 20000; ++i) {
        const std::u16string text = RandomExpression(random, 4);
        const std::string difference = CompareParsers(text);
        ASSERT_TRUE(difference.empty()) << Utf16ToUtf8(text) << "\n" << difference;
        parsed += TokenTree(text) != "fail";
    }
    EXPECT_GT(parsed, 3500);
}

TEST(TokenParser, BuildsTheTreesOfRandomTexts)
{
    std::mt19937 random(2026);
    int parsed = 0;
    for (int i = 0; i < 200000; ++i) {
        const std::u16string text = RandomText(random);
        const std::string difference = CompareParsers(text);
        ASSERT_TRUE(difference.empty()) << Utf16ToUtf8(text) << "\n" << difference;
        parsed += TokenTree(text) != "fail";
    }
    // Enough of them are expressions for the comparison to mean something.
    EXPECT_GT(parsed, 8000);
}

TEST(TokenParser, HasNoLengthLimitAndChainsGroupToTheLeft)
{
    CParseTree tree;
    ASSERT_TRUE(ParseTokens(u"1" + Repeat(u"+1", 99999), tree));
    EXPECT_EQ(tree.depth, 100000u);
    EXPECT_EQ(tree.nodes[tree.root].kind, EParseKind::Plus);
    EXPECT_EQ(tree.nodes.size(), 199999u);
    ASSERT_TRUE(ParseTokens(u"2" + Repeat(u"^2", 5000) + u"-" + Repeat(u"(", 900) + u"1" + Repeat(u")", 900), tree));
    EXPECT_EQ(tree.nodes[tree.root].kind, EParseKind::Minus);
    // A series over a long list.
    EXPECT_TRUE(ParseTokens(u"sum(k,1,10," + Repeat(u"k*", 3000) + u"k)", tree));
}

TEST(TokenParser, BracketsDeeperThanTheLimitAreASyntaxError)
{
    CParseTree tree;
    const auto nested = [](std::u16string_view open, std::size_t depth) {
        return Repeat(open, depth) + u"7" + Repeat(u")", depth);
    };
    EXPECT_TRUE(ParseTokens(nested(u"(", kMaxBracketDepth), tree));
    EXPECT_TRUE(ParseTokens(nested(u"sin(", kMaxBracketDepth), tree));
    EXPECT_FALSE(ParseTokens(nested(u"(", kMaxBracketDepth + 1), tree));
    EXPECT_FALSE(ParseTokens(nested(u"abs[", 1000000), tree));
    EXPECT_FALSE(ParseTokens(Repeat(u"(", 1000000), tree));
    EXPECT_FALSE(ParseTokens(Repeat(u")", 1000000), tree));
}

}  // namespace
