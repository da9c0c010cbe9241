// The keyword tables: every function name, the constant words and the forms
// the program writes.
#include "language/keywords.h"

#include <gtest/gtest.h>

#include <set>

#include "document/utf.h"

namespace {

using namespace NCalculatorText;

TEST(Keywords, FunctionNamesAreMatchedWhole)
{
    EXPECT_EQ(FindFunctionName(u"tan"), EFunction::Tg);
    EXPECT_EQ(FindFunctionName(u"tg"), EFunction::Tg);
    EXPECT_EQ(FindFunctionName(u"arsch"), EFunction::ArSch);
    EXPECT_EQ(FindFunctionName(u"asech"), EFunction::ArSch);
    EXPECT_EQ(FindFunctionName(u"arcsch"), EFunction::ArCsch);
    EXPECT_EQ(FindFunctionName(u"imaginarypart"), EFunction::Im);
    EXPECT_EQ(FindFunctionName(u"\u221A"), EFunction::Sqrt);
    EXPECT_EQ(FindFunctionName(u"\u0393"), EFunction::Gamma);
    EXPECT_EQ(FindFunctionName(u"\u2211"), EFunction::Sum);
    EXPECT_EQ(FindFunctionName(u"\u220F"), EFunction::Product);
    for (const char16_t* name : {u"arcsech", u"log10", u"tgh", u"TAN", u"", u"ta", u"tann", u"imaginaryparts",
                                 u"sinsin", u"\u03C0", u"e", u"mem"})
        EXPECT_FALSE(FindFunctionName(name).has_value()) << Utf16ToUtf8(name);
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
        u"prod", u"product"};
    std::set<EFunction> functions;
    for (const char16_t* name : names) {
        const auto function = FindFunctionName(name);
        ASSERT_TRUE(function.has_value()) << Utf16ToUtf8(name);
        EXPECT_LE(std::u16string_view(name).size(), kMaxFunctionNameLength);
        functions.insert(*function);
    }
    EXPECT_EQ(functions.size(), static_cast<std::size_t>(EFunction::Product) + 1);
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
    EXPECT_EQ(GetWrittenForm(EWrittenOperation::Tangent, 0, 0), u"tan");
    EXPECT_EQ(GetWrittenForm(EWrittenOperation::Tangent, 1, 0), u"tg");
    EXPECT_EQ(GetWrittenForm(EWrittenOperation::Tangent, 1, 1), u"TG");
    EXPECT_EQ(GetWrittenForm(EWrittenOperation::Tangent, 0, 1), u"TAN");
    EXPECT_EQ(GetWrittenForm(EWrittenOperation::ArchyperbolicSecant, 0, 0), u"arsech");
    EXPECT_EQ(GetWrittenForm(EWrittenOperation::ArchyperbolicSecant, 1, 0), u"arsch");
    EXPECT_EQ(GetWrittenForm(EWrittenOperation::ArchyperbolicCosecant, 0, 0), u"arcsch");
    EXPECT_EQ(GetWrittenForm(EWrittenOperation::DecimalLogarithm, 1, 0), u"lg");
    EXPECT_EQ(GetWrittenForm(EWrittenOperation::DecimalSeparator, 0, 1), u".");
    EXPECT_EQ(GetWrittenForm(EWrittenOperation::DecimalSeparator, 1, 0), u",");
    EXPECT_EQ(GetWrittenForm(EWrittenOperation::Factorial, 0, 1), u"N!");
    EXPECT_EQ(GetWrittenForm(EWrittenOperation::BesselJ, 1, 0), u"J");
    EXPECT_EQ(GetWrittenForm(EWrittenOperation::Conjugate, 1, 1), u"CONJ");
    EXPECT_EQ(GetWrittenForm(EWrittenOperation::Sine, 7, 7), u"sin");  // unknown values: West, as listed
}

TEST(Keywords, WrittenFormsAreAcceptedAsInput)
{
    // Every function button's text, in either notation, reads back as a
    // function (after the folding of the input to lower case).
    int differing = 0;
    for (int op = 0; op < kWrittenOperationCount; ++op) {
        const auto operation = static_cast<EWrittenOperation>(op);
        if (operation == EWrittenOperation::DecimalSeparator || operation == EWrittenOperation::Factorial)
            continue;
        for (unsigned notation : {0u, 1u}) {
            std::u16string name = GetWrittenForm(operation, notation, 1);
            for (char16_t& c : name)
                c = (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
            EXPECT_TRUE(FindFunctionName(name).has_value()) << Utf16ToUtf8(name);
        }
        differing += GetWrittenForm(operation, 0, 0) != GetWrittenForm(operation, 1, 0);
    }
    EXPECT_EQ(differing, 16);
    EXPECT_EQ(kWrittenOperationCount, 39);
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
