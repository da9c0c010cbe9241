#include "language/keywords.h"

#include <array>

namespace NCalculatorText {

namespace {

struct CFunctionName {
    std::u16string_view name;
    EFunction function;
};

// Grouped by name length; a lookup compares only the names of the right
// length.
constexpr CFunctionName kFunctionNames[] = {
    {u"\u221A", EFunction::Sqrt},  // √
    {u"\u0393", EFunction::Gamma},  // Γ
    {u"\u2211", EFunction::Sum},    // ∑
    {u"\u220F", EFunction::Product},  // ∏
    {u"j", EFunction::BesselJ},
    {u"y", EFunction::BesselY},
    {u"i", EFunction::BesselI},
    {u"k", EFunction::BesselK},

    {u"tg", EFunction::Tg},
    {u"sh", EFunction::Sh},
    {u"ch", EFunction::Ch},
    {u"th", EFunction::Th},
    {u"ln", EFunction::Ln},
    {u"lg", EFunction::Lg},
    {u"re", EFunction::Re},
    {u"im", EFunction::Im},

    {u"sin", EFunction::Sin},
    {u"cos", EFunction::Cos},
    {u"tan", EFunction::Tg},
    {u"ctg", EFunction::Ctg},
    {u"cot", EFunction::Ctg},
    {u"sec", EFunction::Sec},
    {u"csc", EFunction::Cosec},
    {u"cth", EFunction::Cth},
    {u"exp", EFunction::Exp},
    {u"log", EFunction::Lg},
    {u"abs", EFunction::Abs},
    {u"arg", EFunction::Arg},
    {u"sum", EFunction::Sum},

    {u"asin", EFunction::ArcSin},
    {u"acos", EFunction::ArcCos},
    {u"atan", EFunction::ArcTg},
    {u"acot", EFunction::ArcCtg},
    {u"asec", EFunction::ArcSec},
    {u"acsc", EFunction::ArcCosec},
    {u"sinh", EFunction::Sh},
    {u"cosh", EFunction::Ch},
    {u"tanh", EFunction::Th},
    {u"coth", EFunction::Cth},
    {u"sech", EFunction::Sech},
    {u"csch", EFunction::Csch},
    {u"arsh", EFunction::ArSh},
    {u"arch", EFunction::ArCh},
    {u"arth", EFunction::ArTh},
    {u"sqrt", EFunction::Sqrt},
    {u"sign", EFunction::Sign},
    {u"ceil", EFunction::Ceil},
    {u"real", EFunction::Re},
    {u"imag", EFunction::Im},
    {u"conj", EFunction::Conjugate},
    {u"prod", EFunction::Product},

    {u"cosec", EFunction::Cosec},
    {u"arctg", EFunction::ArcTg},
    {u"asinh", EFunction::ArSh},
    {u"acosh", EFunction::ArCh},
    {u"atanh", EFunction::ArTh},
    {u"acoth", EFunction::ArCth},
    {u"arcth", EFunction::ArCth},
    {u"asech", EFunction::ArSch},
    {u"arsch", EFunction::ArSch},
    {u"acsch", EFunction::ArCsch},
    {u"floor", EFunction::Floor},
    {u"gamma", EFunction::Gamma},

    {u"arcsin", EFunction::ArcSin},
    {u"arccos", EFunction::ArcCos},
    {u"arctan", EFunction::ArcTg},
    {u"arcctg", EFunction::ArcCtg},
    {u"arccot", EFunction::ArcCtg},
    {u"arcsec", EFunction::ArcSec},
    {u"arccsc", EFunction::ArcCosec},
    {u"arsinh", EFunction::ArSh},
    {u"arcosh", EFunction::ArCh},
    {u"artanh", EFunction::ArTh},
    {u"arcoth", EFunction::ArCth},
    {u"arsech", EFunction::ArSch},
    {u"arcsch", EFunction::ArCsch},
    {u"besselj", EFunction::BesselJ},
    {u"bessely", EFunction::BesselY},
    {u"besseli", EFunction::BesselI},
    {u"besselk", EFunction::BesselK},
    {u"product", EFunction::Product},
    {u"ceiling", EFunction::Ceil},

    {u"arccosec", EFunction::ArcCosec},
    {u"realpart", EFunction::Re},
    {u"argument", EFunction::Arg},
    {u"conjugate", EFunction::Conjugate},
    {u"imaginary", EFunction::Im},
    {u"imaginarypart", EFunction::Im},
};

struct CWrittenForm {
    std::u16string_view west;
    std::u16string_view east;
};

constexpr std::array<CWrittenForm, kWrittenOperationCount> kWrittenForms = {{
    {u"tan", u"tg"},
    {u"cot", u"ctg"},
    {u"csc", u"cosec"},
    {u"arctan", u"arctg"},
    {u"arccot", u"arcctg"},
    {u"arccsc", u"arccosec"},
    {u"sinh", u"sh"},
    {u"cosh", u"ch"},
    {u"tanh", u"th"},
    {u"coth", u"cth"},
    {u"arsinh", u"arsh"},
    {u"arcosh", u"arch"},
    {u"artanh", u"arth"},
    {u"arcoth", u"arcth"},
    {u"arsech", u"arsch"},
    {u"log", u"lg"},
    {u".", u","},
    {u"sin", u"sin"},
    {u"cos", u"cos"},
    {u"sec", u"sec"},
    {u"csch", u"csch"},
    {u"sech", u"sech"},
    {u"exp", u"exp"},
    {u"ln", u"ln"},
    {u"abs", u"abs"},
    {u"n!", u"n!"},
    {u"arcsin", u"arcsin"},
    {u"arccos", u"arccos"},
    {u"arcsec", u"arcsec"},
    {u"arcsch", u"arcsch"},
    {u"J", u"J"},
    {u"Y", u"Y"},
    {u"I", u"I"},
    {u"K", u"K"},
    {u"sign", u"sign"},
    {u"conj", u"conj"},
    {u"re", u"re"},
    {u"im", u"im"},
    {u"arg", u"arg"},
}};

constexpr std::u16string_view kRandomWords[] = {u"Rand", u"rand", u"RAND", u"Random", u"random", u"RANDOM"};
constexpr std::u16string_view kResultWords[] = {u"Rslt", u"rslt", u"RSLT", u"Result", u"result", u"RESULT"};
constexpr std::u16string_view kMemoryWords[] = {u"Mem", u"mem", u"MEM", u"Memory", u"memory", u"MEMORY"};

}  // namespace

std::optional<EFunction> FindFunctionName(std::u16string_view name)
{
    if (name.empty() || name.size() > kMaxFunctionNameLength)
        return std::nullopt;
    for (const CFunctionName& entry : kFunctionNames) {
        if (entry.name.size() == name.size() && entry.name == name)
            return entry.function;
    }
    return std::nullopt;
}

std::optional<EConstantWord> FindConstantWord(std::u16string_view word)
{
    if (word == u"pi" || word == u"\u03C0")
        return EConstantWord::Pi;
    if (word == u"e")
        return EConstantWord::E;
    if (word == u"i" || word == u"j")
        return EConstantWord::ImaginaryUnit;
    if (word == u"result" || word == u"rslt")
        return EConstantWord::Result;
    if (word == u"rand" || word == u"random")
        return EConstantWord::Random;
    return std::nullopt;
}

std::u16string GetWrittenForm(EWrittenOperation operation, unsigned notation, unsigned notationCase)
{
    const CWrittenForm& forms = kWrittenForms[static_cast<std::size_t>(operation)];
    std::u16string text(notation == 1 ? forms.east : forms.west);
    if (notationCase == 1) {
        for (char16_t& c : text) {
            if (c >= u'a' && c <= u'z')
                c = static_cast<char16_t>(c - u'a' + u'A');
        }
    }
    return text;
}

std::u16string_view GetRandomWord(unsigned form)
{
    return kRandomWords[form < 6 ? form : 0];
}

std::u16string_view GetResultWord(unsigned form)
{
    return kResultWords[form < 6 ? form : 0];
}

std::u16string_view GetMemoryWord(unsigned form)
{
    return kMemoryWords[form < 6 ? form : 0];
}

}  // namespace NCalculatorText
