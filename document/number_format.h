#pragma once
// The one way a number becomes text: results in the editor, the status bar,
// the memory and statistics panes, log messages and the memory file.

#include <string>
#include <string_view>

#include "numeric/complex.h"
#include "numeric/status.h"

inline constexpr std::u16string_view kFormatLower = u"%.20g";
inline constexpr std::u16string_view kFormatUpper = u"%.20G";

// A real number as "%.20g" (or "%.20G") prints it: at most 17 significant
// digits, %g style choice at precision 20, three-digit exponents, "-0",
// "1.#INF", "-1.#INF", "1.#QNAN", "-1.#IND". Any format other than the upper
// case one is taken as the lower case one.
std::u16string FormatReal(double value, std::u16string_view format);

// A complex value in its shortest natural reading: "3", "i×2", "−i",
// "-2+i×3", "1.5−i×0.25" (U+2212 and U+00D7 between the parts).
std::u16string FormatComplex(const CComplex& value, std::u16string_view format, char16_t unit);
// The same text appended to out.
void AppendComplex(std::u16string& out, const CComplex& value, std::u16string_view format, char16_t unit);
// The same with the format decided: upper is the upper case one.
void AppendComplex(std::u16string& out, const CComplex& value, bool upper, char16_t unit);
// The same text in UTF-8, for an ASCII unit, written to out, which has
// kComplexUtf8TextRoom bytes of room; returns the end of the text.
char* WriteComplexUtf8(char* out, const CComplex& value, bool upper, char unit);

class CPreferenceValues;

// The format chosen by the "NotationCase" preference (of the user's
// preferences unless others are given).
std::u16string_view GetResultFormat();
std::u16string_view GetResultFormat(const CPreferenceValues& preferences);
// The imaginary unit letter chosen by the "FormatI" preference.
char16_t GetImaginaryUnit();
char16_t GetImaginaryUnit(const CPreferenceValues& preferences);
