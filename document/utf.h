#pragma once
// Conversions between the UTF-16 texts of the core and UTF-8 byte strings
// (terminal output, command-line arguments, test reports).

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
