#pragma once
// Conversions between the UTF-16 texts of the core and UTF-8 byte strings
// (terminal output, command-line arguments, test reports).

#include <cstddef>
#include <string>
#include <string_view>

std::string Utf16ToUtf8(std::u16string_view text);
// The same, appended to out.
void AppendUtf8(std::u16string_view text, std::string& out);
// Invalid bytes become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
// Appends the text to out when it is strictly formed UTF-8; false at the
// first malformed sequence (out then holds what came before it).
bool StrictUtf8ToUtf16(std::string_view text, std::u16string& out);

// The character that starts at text[i]: its length in bytes (1 to 4), or 0
// when the bytes there are malformed (a stray or missing continuation byte,
// an overlong form, a surrogate, a value above U+10FFFF), which a lenient
// decoding takes as U+FFFD for the one byte text[i].
std::size_t DecodeUtf8Character(std::string_view text, std::size_t i, char32_t& c);
// Appends c (at most U+10FFFF) as one code unit or a surrogate pair.
void AppendUtf16(std::u16string& out, char32_t c);
