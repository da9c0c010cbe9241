#pragma once
// The words of the expression language besides the function names (which
// are in the function table): the constant words, and the forms in which the
// program itself writes a word, the random number, the previous result and
// a memory cell (the keypad and the status bar use those).
//
// Every accepted word is accepted whatever the preferences say; the
// preferences only choose how a word is written.

#include <optional>
#include <string>
#include <string_view>

namespace NCalculatorText {

// White space around words: blank, TAB, LF, CR, VT and FF.
inline bool IsWhiteSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f';
}

// The operator signs that stand for "-", "*" and "/".
inline constexpr char16_t kMinusSign = u'\u2212';
inline constexpr char16_t kTimesSign = u'\u00D7';
inline constexpr char16_t kDivisionSign = u'\u00F7';

inline bool IsMinus(char16_t c)
{
    return c == u'-' || c == kMinusSign;
}

inline bool IsDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// Names after normalization, which has made A to Z lower case.
inline bool IsIdentifierStart(char16_t c)
{
    return c == u'_' || (c >= u'a' && c <= u'z');
}

inline bool IsIdentifierCharacter(char16_t c)
{
    return IsIdentifierStart(c) || IsDigit(c);
}

// The constant words, given in lower case. "∞" (U+221E) stands only as a
// whole limit of an integral; anywhere else it is a syntax error.
enum class EConstantWord { Pi, E, ImaginaryUnit, Result, Random, Infinity };
std::optional<EConstantWord> FindConstantWord(std::u16string_view word);

// The words of an infinite limit besides "∞": a variable's name alone, "∞"
// after a "+".
inline bool IsInfinityWord(std::u16string_view word)
{
    return word == u"inf" || word == u"infinity";
}

// A written form for the notation and the letter case: the East form when
// notation is 1, else the West one; every letter upper case (A to Z) when
// notationCase is 1, else as listed. The functions' forms are in their table
// (language/functions.h).
std::u16string WrittenForm(std::u16string_view west, std::u16string_view east, unsigned notation,
                           unsigned notationCase);

// The spellings chosen by "FormatRandom", "FormatResult" and
// "FormatMemory"; a value outside 0 to 5 gives the form of 0.
std::u16string_view GetRandomWord(unsigned form);
std::u16string_view GetResultWord(unsigned form);
std::u16string_view GetMemoryWord(unsigned form);

}  // namespace NCalculatorText
