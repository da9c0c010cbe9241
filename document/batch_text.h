#pragma once
// "Calculate all" over the bytes of a calculation file, as the command line
// runs it: plain statements are calculated on the bytes themselves, the rest
// of the text is decoded, calculated and encoded a part at a time, so that
// besides the file's bytes and the rewritten text only a few blocks are
// held.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace NCalculatorText {
class CCalcContext;
}
enum class ETextEncoding;

// The editor holds line breaks as CR LF. A text is handed to the run that
// way, and each CR LF of the result is turned back into the line break that
// stood there: the run never adds, removes or splits a line break.
enum class ELineBreak { CrLf, Lf, Cr };

// Appends text with every line break (CR LF, LF or CR) as CR LF to out,
// and the kind of each to breaks.
void AppendEditorLineBreaks(std::u16string_view text, std::u16string& out, std::vector<ELineBreak>& breaks);
// Appends text to out with its n-th CR LF turned back into breaks[first + n]
// (CR LF with no entry left stays); returns the entries used.
std::size_t AppendOriginalLineBreaks(std::u16string_view text, const std::vector<ELineBreak>& breaks,
                                     std::size_t first, std::string& out);

// Runs "Calculate all" in a context (its run state reset first, as
// CalculateText does) over the text DecodeTextFile reads from bytes, and appends the rewritten
// text, with its original line breaks, to out in UTF-8: the same bytes and
// the same log as calculating the decoded text whole. Returns what the run
// returned.
bool CalculateAllBytes(NCalculatorText::CCalcContext& context, std::string_view bytes, std::string& out);
// The same for bytes whose encoding the caller found already with
// FindTextEncoding (the check of UTF-8 is a whole pass over the bytes).
bool CalculateAllBytes(NCalculatorText::CCalcContext& context, std::string_view bytes, ETextEncoding encoding,
                       std::string& out);
// The same, handing out to drain each time it has grown to drainBytes or
// more, so that the whole rewritten text is never held; drain takes the
// bytes and leaves out empty. What is left at the end stays in out.
// withoutBlockComment: FindTextEncoding found that the bytes hold no "/*"
// (then they are not looked over for a comment left open).
bool CalculateAllBytes(NCalculatorText::CCalcContext& context, std::string_view bytes, ETextEncoding encoding,
                       std::string& out, std::size_t drainBytes, const std::function<void(std::string&)>& drain,
                       bool withoutBlockComment = false);
