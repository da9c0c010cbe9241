// The keyword tables: every function name, the constant words and the forms
// the program writes.
#include "language/keywords.h"

#include <gtest/gtest.h>

#include <set>

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

TEST(Keywords, EveryFunctionHasANameAndNamesAreShort)
{
    // The names the parser accepts, as listed for users.
    const char16_t* const names[] = {
        u"sin", u"cos", u"tg", u"tan", u"ctg", u"cot", u"sec", u"csc", u"cosec", u"asin", u"arcsin", u"acos",
        u"arccos", u"atan", u"arctg", u"arctan", u"acot", u"arcctg", u"arccot", u"asec", u"arcsec", u"acsc",
        u"arccsc", u"arccosec", u"sh", u"sinh", u"ch", u"cosh", u"th", u"tanh", u"cth", u"coth", u"sech", u"csch",
        u"arsh", u"asinh", u"arsinh", u"arch", u"acosh", u"arcosh", u"arth", u"atanh", u"artanh", u"acoth",
        u"arcth", u"arcoth", u"asech", u"arsch", u"arsech", u"acsch", u"arcsch", u"exp", u"ln", u"lg", u"log",
        u"\u221A", u"sqrt", u"abs", u"sign", u"ceil", u"ceiling", u"floor", u"re", u"real", u"realpart", u"im",
        u"imag", u"imaginary", u"imaginarypart", u"arg", u"argument", u"conj", u"conjugate", u"\u0393", u"gamma",
        u"j", u"besselj", u"y", u"bessely", u"i", u"besseli", u"k", u"besselk", u"\u2211", u"sum", u"\u220F",
        u"prod", u"product", u"\u222B", u"integral", u"integrate", u"deriv", u"derivative", u"root", u"solve"};
    std::set<const CFunction*> functions;
    std::size_t tableNames = 0;
    for (const CFunction& function : FunctionTable())
        for (std::u16string_view name : function.names)
            tableNames += !name.empty();
    for (const char16_t* name : names) {
        const CFunction* function = FindFunction(name);
        ASSERT_NE(function, nullptr) << Utf16ToUtf8(name);
        EXPECT_LE(std::u16string_view(name).size(), kMaxFunctionNameLength);
        functions.insert(function);
    }
    EXPECT_EQ(functions.size(), FunctionTable().size());
    EXPECT_EQ(functions.size(), 46u);
    EXPECT_EQ(tableNames, std::size(names));
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
