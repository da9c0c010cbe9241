#include "language/keywords.h"

namespace NCalculatorText {

namespace {

constexpr std::u16string_view kRandomWords[] = {u"Rand", u"rand", u"RAND", u"Random", u"random", u"RANDOM"};
constexpr std::u16string_view kResultWords[] = {u"Rslt", u"rslt", u"RSLT", u"Result", u"result", u"RESULT"};
constexpr std::u16string_view kMemoryWords[] = {u"Mem", u"mem", u"MEM", u"Memory", u"memory", u"MEMORY"};

}  // namespace

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

std::u16string WrittenForm(std::u16string_view west, std::u16string_view east, unsigned notation,
                           unsigned notationCase)
{
    std::u16string text(notation == 1 ? east : west);
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
