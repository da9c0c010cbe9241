// The completion offers and the function hints of the editor.
#include "document/editor/completion_model.h"

#include <gtest/gtest.h>

#include <string>

#include "document/memory_store.h"
#include "document/utf.h"

namespace {

std::string Offers(const std::vector<CCompletion>& completions)
{
    std::string out;
    for (const CCompletion& c : completions)
        out += (out.empty() ? "" : " ") + Utf16ToUtf8(c.label) + ">" + Utf16ToUtf8(c.text);
    return out;
}

CPreferenceValues With(std::initializer_list<std::pair<EPreference, unsigned>> settings)
{
    CPreferenceValues preferences;
    for (const auto& [preference, value] : settings)
        preferences.Set(preference, value);
    return preferences;
}

TEST(NameCompletions, OfferFunctionsInTheNotationsSpellingWithTheKeypadsBracket)
{
    const CPreferenceValues west = With({{EPreference::Notation, 0}});
    const CPreferenceValues east = With({{EPreference::Notation, 1}});
    EXPECT_EQ(Offers(NameCompletions(u"ars", west)), "arsech>arsech( arsinh>arsinh(");
    EXPECT_EQ(Offers(NameCompletions(u"ars", east)), "arsch>arsch( arsh>arsh(");
    // Any accepted spelling finds the function; the offer is the written one.
    EXPECT_EQ(Offers(NameCompletions(u"ASIN", east)), "arcsin>arcsin( arsh>arsh(");
    EXPECT_EQ(Offers(NameCompletions(u"tan", With({{EPreference::Notation, 1}, {EPreference::NotationCase, 1}}))),
              "TG>TG( TH>TH(");
    // Without AppendFunction no bracket; with AppendFunctionWith 1 "[".
    EXPECT_EQ(Offers(NameCompletions(u"sq", With({{EPreference::AppendFunction, 0}}))), "sqrt>sqrt");
    EXPECT_EQ(Offers(NameCompletions(u"gam", With({{EPreference::AppendFunctionWith, 1}}))), "gamma>gamma[");
    EXPECT_EQ(Offers(NameCompletions(u"bessel", west)), "I>I( J>J( K>K( Y>Y(");
    EXPECT_EQ(Offers(NameCompletions(u"xy", west)), "");
    EXPECT_EQ(Offers(NameCompletions(u"", west)), "");
}

TEST(NameCompletions, OfferKeywordsInTheirChosenForms)
{
    EXPECT_EQ(Offers(NameCompletions(u"me", CPreferenceValues())), "Mem>Mem[");
    EXPECT_EQ(Offers(NameCompletions(u"MEMO",
                                     With({{EPreference::FormatMemory, 3}, {EPreference::AppendMemoryWith, 0}}))),
              "Memory>Memory(");
    EXPECT_EQ(Offers(NameCompletions(u"mem", With({{EPreference::AppendMemory, 0}}))), "Mem>Mem");
    EXPECT_EQ(Offers(NameCompletions(u"res", With({{EPreference::FormatResult, 5}}))), "RESULT>RESULT");
    EXPECT_EQ(Offers(NameCompletions(u"ra", With({{EPreference::FormatRandom, 1}}))), "rand>rand");
    EXPECT_EQ(Offers(NameCompletions(u"pi", CPreferenceValues())), "pi>pi");
}

TEST(MemoryCompletions, OfferTheStoredCells)
{
    CMemoryStore store;
    store.Store(u"x1", CComplex(1));
    store.Store(u"x2", CComplex(2));
    store.Store(u"total", CComplex(3));
    EXPECT_EQ(Offers(MemoryCompletions(u"", store, u"]")), "total>total] x1>x1] x2>x2]");
    EXPECT_EQ(Offers(MemoryCompletions(u"X", store, u"")), "x1>x1 x2>x2");
    EXPECT_EQ(Offers(MemoryCompletions(u"y", store, u")")), "");
}

TEST(FunctionHint, NamesTheFunctionItsArgumentsAndWhatItComputes)
{
    const CPreferenceValues west;
    EXPECT_EQ(Utf16ToUtf8(FunctionHint(u"j", west)), "J(\u03BD, z): Bessel function of the first kind");
    EXPECT_EQ(Utf16ToUtf8(FunctionHint(u"BesselJ", west)), "J(\u03BD, z): Bessel function of the first kind");
    EXPECT_EQ(Utf16ToUtf8(FunctionHint(u"tan", With({{EPreference::Notation, 1}}))), "tg(z): Tangent");
    EXPECT_EQ(Utf16ToUtf8(FunctionHint(u"\u2211", west)),
              "sum(k, start, end, [step,] term): Sum of the term for k from start to end");
    EXPECT_EQ(FunctionHint(u"log10", west), u"");
    EXPECT_EQ(FunctionHint(u"x", west), u"");
}

}  // namespace
