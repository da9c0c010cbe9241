#include "document/batch_text.h"

#include <algorithm>

#include "document/utf.h"
#include "language/calc_context.h"
#include "language/calculate.h"
#include "numeric/status.h"

namespace {

// Bytes decoded at a time.
constexpr std::size_t kBlockBytes = std::size_t{1} << 16;

// The text of a file's bytes, block by block, exactly as DecodeTextFile
// reads it whole: UTF-16 little-endian after FF FE (up to the first zero
// code unit, without U+FEFF), else UTF-8 without a leading byte-order
// mark. A UTF-8 block ends where the whole decoding starts a character
// anew, so that no sequence is cut; a CR at the end of a block waits for
// the next one, so that CR LF is seen whole.
class CBlockDecoder {
public:
    explicit CBlockDecoder(std::string_view bytes) : m_bytes(bytes)
    {
        const auto byte = [bytes](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
        m_utf16 = bytes.size() >= 2 && byte(0) == 0xFF && byte(1) == 0xFE;
        if (!m_utf16 && bytes.size() >= 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF)
            m_at = 3;
    }

    // Appends the next block with editor line breaks; false once the text
    // has ended (nothing is appended then).
    bool Next(std::u16string& text, std::vector<ELineBreak>& breaks)
    {
        if (m_ended)
            return false;
        m_raw.clear();
        if (m_held) {
            m_raw.push_back(u'\r');
            m_held = false;
        }
        if (m_utf16)
            DecodeUtf16Block();
        else
            DecodeUtf8Block();
        if (!m_ended && !m_raw.empty() && m_raw.back() == u'\r') {
            m_raw.pop_back();
            m_held = true;
        }
        AppendEditorLineBreaks(m_raw, text, breaks);
        return true;
    }

private:
    void DecodeUtf16Block()
    {
        const std::size_t units = std::min(kBlockBytes, m_bytes.size() - m_at) / 2;
        for (std::size_t i = 0; i < units; ++i, m_at += 2) {
            const auto unit = static_cast<char16_t>(static_cast<unsigned char>(m_bytes[m_at]) |
                                                    (static_cast<unsigned char>(m_bytes[m_at + 1]) << 8));
            if (unit == 0) {
                m_ended = true;
                return;
            }
            if (unit != u'\uFEFF')
                m_raw.push_back(unit);
        }
        if (m_bytes.size() - m_at < 2)
            m_ended = true;
    }

    void DecodeUtf8Block()
    {
        std::size_t end = std::min(m_at + kBlockBytes, m_bytes.size());
        if (end < m_bytes.size()) {
            // A byte that is no continuation byte starts a character (or an
            // invalid byte) in the whole decoding; so does one behind three
            // continuation bytes, since no sequence is longer than four.
            const auto continuation = [this](std::size_t i) {
                return (static_cast<unsigned char>(m_bytes[i]) & 0xC0) == 0x80;
            };
            std::size_t cut = end;
            while (cut > m_at && cut + 3 > end && continuation(cut))
                --cut;
            if (cut > m_at && !continuation(cut))
                end = cut;
        }
        m_raw += Utf8ToUtf16(m_bytes.substr(m_at, end - m_at));
        m_at = end;
        if (m_at == m_bytes.size())
            m_ended = true;
    }

    std::string_view m_bytes;
    std::size_t m_at = 0;
    bool m_utf16 = false;
    bool m_ended = false;
    bool m_held = false;
    std::u16string m_raw;
};

// Where a text may be cut for the run: behind its last ";" outside
// comments, with every comment before that point closed. 0 when there is
// no such place. strippedWhole tells whether the whole text had its
// comments closed.
std::size_t FindCut(const std::u16string& text, std::u16string& work, bool& strippedWhole)
{
    work = text;
    strippedWhole = NCalculatorText::StripComments(work);
    // Blanking stops at a "/*" without its "*/"; everything before that is
    // blanked, so that "/*" is the first one left.
    const std::size_t limit = strippedWhole ? work.size() : work.find(u"/*");
    if (limit == 0)
        return 0;
    const std::size_t semicolon = work.rfind(u';', limit - 1);
    return semicolon == std::u16string::npos ? 0 : semicolon + 1;
}

// Cuts the decoded text into parts that each end behind a ";" outside
// comments (the last part ends with the text) and hands each part, with
// the line break kinds that belong to it, to take(part, breaks, first).
// Returns whether the last part had its comments closed.
template <class TTake>
bool ForEachPart(std::string_view bytes, TTake take)
{
    CBlockDecoder decoder(bytes);
    std::u16string pending;
    std::vector<ELineBreak> breaks;
    std::size_t breaksUsed = 0;  // breaks[0, breaksUsed) belong to parts already taken
    std::u16string work;
    std::size_t tryAt = 0;       // a cut is looked for once pending is this long
    for (;;) {
        const bool more = decoder.Next(pending, breaks);
        if (more && pending.size() < tryAt)
            continue;
        bool strippedWhole = true;
        const std::size_t cut = more ? FindCut(pending, work, strippedWhole) : pending.size();
        if (!more)
            strippedWhole = (work = pending, NCalculatorText::StripComments(work));
        if (cut == 0 && more) {
            // One part runs on beyond this block: look again when it has
            // doubled, so that a long part costs linear time.
            tryAt = 2 * pending.size();
            continue;
        }
        const std::u16string_view part(pending.data(), cut);
        breaksUsed += take(part, breaks, breaksUsed);
        pending.erase(0, cut);
        tryAt = 0;
        if (!more)
            return strippedWhole;
        if (breaksUsed > kBlockBytes) {
            breaks.erase(breaks.begin(), breaks.begin() + static_cast<std::ptrdiff_t>(breaksUsed));
            breaksUsed = 0;
        }
    }
}

}  // namespace

void AppendEditorLineBreaks(std::u16string_view text, std::u16string& out, std::vector<ELineBreak>& breaks)
{
    out.reserve(out.size() + text.size() + text.size() / 16);
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t next = text.find_first_of(u"\r\n", i);
        if (next == std::u16string_view::npos) {
            out.append(text, i);
            break;
        }
        out.append(text, i, next - i);
        if (text[next] == u'\r' && next + 1 < text.size() && text[next + 1] == u'\n') {
            breaks.push_back(ELineBreak::CrLf);
            i = next + 2;
        } else {
            breaks.push_back(text[next] == u'\r' ? ELineBreak::Cr : ELineBreak::Lf);
            i = next + 1;
        }
        out += u"\r\n";
    }
}

std::size_t AppendOriginalLineBreaks(std::u16string_view text, const std::vector<ELineBreak>& breaks,
                                     std::size_t first, std::string& out)
{
    std::size_t next = first;
    std::size_t i = 0;
    for (;;) {
        const std::size_t crlf = text.find(u"\r\n", i);
        if (crlf == std::u16string_view::npos || next >= breaks.size()) {
            AppendUtf8(text.substr(i), out);
            break;
        }
        AppendUtf8(text.substr(i, crlf - i), out);
        switch (breaks[next++]) {
        case ELineBreak::CrLf: out += "\r\n"; break;
        case ELineBreak::Lf: out += '\n'; break;
        case ELineBreak::Cr: out += '\r'; break;
        }
        i = crlf + 2;
    }
    return next - first;
}

bool CalculateAllBytes(NCalculatorText::CCalcContext& context, std::string_view bytes, std::string& out)
{
    // A "/*" that is never closed makes the whole run a syntax error before
    // any statement runs; a first pass over the parts finds it.
    const auto countBreaks = [](std::u16string_view text, const std::vector<ELineBreak>&, std::size_t) {
        std::size_t count = 0;
        for (std::size_t at = text.find(u"\r\n"); at != std::u16string_view::npos; at = text.find(u"\r\n", at + 2))
            ++count;
        return count;
    };
    if (!ForEachPart(bytes, countBreaks)) {
        std::u16string text;
        std::vector<ELineBreak> breaks;
        CBlockDecoder decoder(bytes);
        while (decoder.Next(text, breaks)) {
        }
        std::ptrdiff_t cursor = -1;
        const bool calculated = NCalculatorText::CalculateText(context, text, cursor);
        AppendOriginalLineBreaks(text, breaks, 0, out);
        return calculated;
    }

    context.run.Reset();
    bool calculated = true;
    std::u16string part;
    ForEachPart(bytes, [&](std::u16string_view text, const std::vector<ELineBreak>& breaks, std::size_t first) {
        part.assign(text);
        // After a failure the rest of the text stays as it was.
        if (calculated && !NCalculatorText::CalculateAllContinued(context, part))
            calculated = false;
        return AppendOriginalLineBreaks(part, breaks, first, out);
    });
    return calculated;
}
