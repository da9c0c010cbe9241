#pragma once
// Calculation and memory files as bytes and as text, and the execution of a
// file's calculations.

#include <string>
#include <string_view>

enum class EFileResult { Ok, CannotOpen, CannotRead, CannotWrite };

// "Cannot open the file for reading", "Cannot read the file", "Cannot open
// the file for writing"; empty for Ok.
const char* GetFileResultText(EFileResult result);

// A file's text from its bytes taken as UTF-16 little-endian without any
// check: an odd last byte is ignored, the text ends at the first zero code
// unit, and every U+FEFF is removed.
std::u16string DecodeUtf16File(std::string_view bytes);

// Bytes that begin with FF FE are read as above; anything else is UTF-8,
// with a leading byte-order mark dropped (invalid bytes become U+FFFD).
std::u16string DecodeTextFile(std::string_view bytes);

// U+FEFF, then the text, two bytes per code unit, little-endian. A text that
// already starts with U+FEFF does not get a second one.
std::string EncodeUtf16File(std::u16string_view text);

EFileResult ReadFileBytes(const std::string& path, std::string& bytes);

// Writes the bytes to a new file beside path and then puts it in path's
// place, so that path is replaced only when the whole file was written.
EFileResult WriteFileReplacing(const std::string& path, std::string_view bytes);

// Runs every calculation of a text as "Calculate all" does, without showing
// it: stores take effect, the previous result follows, and the first
// failing calculation stops the rest. Loading a memory file is executing
// it. Returns what the calculation run returned; the rewritten text is
// discarded.
bool ExecuteCalculationText(std::u16string text);
