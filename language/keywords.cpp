#include "language/keywords.h"

namespace NCalculatorText {

namespace {

constexpr std::u16string_view kRandomWords[] = {u"Rand", u"rand", u"RAND", u"Random", u"random", u"RANDOM"};
constexpr std::u16string_view kResultWords[] = {u"Rslt", u"rslt", u"RSLT", u"Result", u"result", u"RESULT"};
constexpr std::u16string_view kMemoryWords[] = {u"Mem", u"mem", u"MEM", u"Memory", u"memory", u"MEMORY"};

}  // namespace

std::optional<EConstantWord> FindConstantWord(std::u16string_view word)
{
    // Every number and name of a statement passes here: the length first.
    switch (word.size()) {
    case 1:
        switch (word[0]) {
        case u'e': return EConstantWord::E;
        case u'i':
        case u'j': return EConstantWord::ImaginaryUnit;
        case u'\u03C0': return EConstantWord::Pi;
        case u'\u221E': return EConstantWord::Infinity;
        default: return std::nullopt;
        }
    case 2:
        if (word[0] == u'p' && word[1] == u'i')
            return EConstantWord::Pi;
        return std::nullopt;
    case 4:
        if (word == u"rslt")
            return EConstantWord::Result;
        if (word == u"rand")
            return EConstantWord::Random;
        return std::nullopt;
    case 6:
        if (word == u"result")
            return EConstantWord::Result;
        if (word == u"random")
            return EConstantWord::Random;
        return std::nullopt;
    default: return std::nullopt;
    }
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
