// The keyword tables: the function names against the help page's list, the
// constant words and the forms the program writes.
#include "language/keywords.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "document/utf.h"
#include "language/functions.h"

namespace {

using namespace NCalculatorText;

TEST(Keywords, FunctionNamesAreMatchedWhole)
{
    EXPECT_EQ(FindFunction(u"tan"), FindFunction(u"tg"));
    EXPECT_EQ(FindFunction(u"tan")->east, u"tg");
    EXPECT_EQ(FindFunction(u"asech"), FindFunction(u"arsch"));
    EXPECT_EQ(FindFunction(u"arsch")->west, u"arsech");
    EXPECT_EQ(FindFunction(u"arcsch")->kind, ArchyperbolicCosecant);
    EXPECT_EQ(FindFunction(u"imaginarypart"), FindFunction(u"im"));
    EXPECT_EQ(FindFunction(u"\u221A"), FindFunction(u"sqrt"));
    EXPECT_EQ(FindFunction(u"\u0393"), FindFunction(u"gamma"));
    EXPECT_EQ(FindFunction(u"\u2211"), FindFunction(u"sum"));
    EXPECT_EQ(FindFunction(u"\u220F"), FindFunction(u"product"));
    for (const char16_t* name : {u"arcsech", u"log10", u"tgh", u"TAN", u"", u"ta", u"tann", u"imaginaryparts",
                                 u"sinsin", u"\u03C0", u"e", u"mem"})
        EXPECT_EQ(FindFunction(name), nullptr) << Utf16ToUtf8(name);
}

// The words of the help page's list of functions (the table after its
// "functions" anchor): the text of each <code> element without its
// bracketed argument list, split at blanks and commas, in lower case.
std::set<std::u16string> HelpFunctionWords()
{
    std::ifstream in(KAVM_HELP_DIR "/index.html", std::ios::binary);
    const std::string page((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t anchor = page.find("<a name=\"functions\">");
    const std::size_t begin = page.find("<table>", anchor);
    const std::size_t end = page.find("</table>", begin);
    std::set<std::u16string> words;
    if (anchor == std::string::npos || begin == std::string::npos || end == std::string::npos)
        return words;
    const std::string table = page.substr(begin, end - begin);
    for (std::size_t at = table.find("<code>"); at != std::string::npos; at = table.find("<code>", at)) {
        at += 6;
        std::string code = table.substr(at, table.find("</code>", at) - at);
        const std::size_t bracket = code.find('(');
        if (bracket != std::string::npos)
            code.erase(bracket, code.find(')', bracket) + 1 - bracket);
        std::u16string word;
        for (char16_t c : Utf8ToUtf16(code + " ")) {
            if (c != u' ' && c != u',') {
                word += (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
            } else if (!word.empty()) {
                words.insert(word);
                word.clear();
            }
        }
    }
    return words;
}

TEST(Keywords, TheHelpListsEveryFunctionName)
{
    const std::set<std::u16string> words = HelpFunctionWords();
    ASSERT_FALSE(words.empty()) << "no list of functions in " KAVM_HELP_DIR "/index.html";
    for (const CFunction& function : FunctionTable()) {
        for (std::u16string_view name : function.names) {
            if (name.empty())
                continue;
            EXPECT_TRUE(words.contains(std::u16string(name))) << Utf16ToUtf8(name) << " is not in the help";
        }
    }
}

TEST(Keywords, TheHelpListsOnlyAcceptedNames)
{
    // Besides the functions the list shows the random number, a constant
    // word, and n!, the factorial operator.
    for (const std::u16string& word : HelpFunctionWords()) {
        if (word == u"n!" || FindConstantWord(word).has_value())
            continue;
        EXPECT_NE(FindFunction(word), nullptr) << "the help lists " << Utf16ToUtf8(word);
    }
}

TEST(Keywords, ConstantWords)
{
    EXPECT_EQ(FindConstantWord(u"pi"), EConstantWord::Pi);
    EXPECT_EQ(FindConstantWord(u"\u03C0"), EConstantWord::Pi);
    EXPECT_EQ(FindConstantWord(u"e"), EConstantWord::E);
    EXPECT_EQ(FindConstantWord(u"i"), EConstantWord::ImaginaryUnit);
    EXPECT_EQ(FindConstantWord(u"j"), EConstantWord::ImaginaryUnit);
    EXPECT_EQ(FindConstantWord(u"rslt"), EConstantWord::Result);
    EXPECT_EQ(FindConstantWord(u"result"), EConstantWord::Result);
    EXPECT_EQ(FindConstantWord(u"rand"), EConstantWord::Random);
    EXPECT_EQ(FindConstantWord(u"random"), EConstantWord::Random);
    EXPECT_FALSE(FindConstantWord(u"Pi").has_value());  // input is folded before the lookup
    EXPECT_FALSE(FindConstantWord(u"k").has_value());
    EXPECT_FALSE(FindConstantWord(u"results").has_value());
}

TEST(Keywords, WrittenFormsFollowNotationAndCase)
{
    auto form = [](const char16_t* name, unsigned notation, unsigned notationCase) {
        const CFunction& function = *FindFunction(name);
        return WrittenForm(function.west, function.east, notation, notationCase);
    };
    EXPECT_EQ(form(u"tan", 0, 0), u"tan");
    EXPECT_EQ(form(u"tan", 1, 0), u"tg");
    EXPECT_EQ(form(u"tan", 1, 1), u"TG");
    EXPECT_EQ(form(u"tan", 0, 1), u"TAN");
    EXPECT_EQ(form(u"asech", 0, 0), u"arsech");
    EXPECT_EQ(form(u"asech", 1, 0), u"arsch");
    EXPECT_EQ(form(u"acsch", 0, 0), u"arcsch");
    EXPECT_EQ(form(u"log", 1, 0), u"lg");
    EXPECT_EQ(WrittenForm(u".", u",", 0, 1), u".");
    EXPECT_EQ(WrittenForm(u".", u",", 1, 0), u",");
    EXPECT_EQ(WrittenForm(u"n!", u"n!", 0, 1), u"N!");
    EXPECT_EQ(form(u"besselj", 1, 0), u"J");
    EXPECT_EQ(form(u"conjugate", 1, 1), u"CONJ");
    EXPECT_EQ(form(u"sin", 7, 7), u"sin");  // unknown values: West, as listed
}

TEST(Keywords, WrittenFormsAreAcceptedAsInput)
{
    // Every written function name, in either notation, reads back as the
    // same function (after the folding of the input to lower case).
    int written = 0;
    int differing = 0;
    for (const CFunction& function : FunctionTable()) {
        if (function.west.empty()) {
            EXPECT_TRUE(function.east.empty());
            continue;
        }
        ++written;
        for (unsigned notation : {0u, 1u}) {
            std::u16string name = WrittenForm(function.west, function.east, notation, 1);
            for (char16_t& c : name)
                c = (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
            EXPECT_EQ(FindFunction(name), &function) << Utf16ToUtf8(name);
        }
        differing += function.west != function.east;
    }
    // With the decimal separator and the factorial these are the 39 names
    // of the keypad; the separator too differs in the two notations.
    EXPECT_EQ(differing, 16);
    EXPECT_EQ(written, 37);
}

TEST(Keywords, KeywordSpellingsByPreference)
{
    EXPECT_EQ(GetRandomWord(0), u"Rand");
    EXPECT_EQ(GetRandomWord(5), u"RANDOM");
    EXPECT_EQ(GetRandomWord(6), u"Rand");
    EXPECT_EQ(GetResultWord(1), u"rslt");
    EXPECT_EQ(GetResultWord(3), u"Result");
    EXPECT_EQ(GetResultWord(100), u"Rslt");
    EXPECT_EQ(GetMemoryWord(2), u"MEM");
    EXPECT_EQ(GetMemoryWord(3), u"Memory");
    EXPECT_EQ(GetMemoryWord(4), u"memory");
    EXPECT_EQ(GetMemoryWord(4294967295u), u"Mem");
}

}  // namespace
