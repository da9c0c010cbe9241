#include "document/batch_text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "document/text_file.h"
#include "document/utf.h"
#include "language/calc_context.h"
#include "language/calculate.h"
#include "numeric/status.h"

namespace {

// Bytes decoded at a time.
constexpr std::size_t kBlockBytes = std::size_t{1} << 16;

// Eight bytes (or four UTF-16 code units) read as one number, so that a
// block of plain characters is recognised at once.
std::uint64_t LoadWord(const void* at)
{
    std::uint64_t word;
    std::memcpy(&word, at, sizeof(word));
    return word;
}

// True when one of the eight bytes of word is below 0x0E (a line break or
// another control character) or above 0x7F: such a block takes the way of
// one character at a time.
bool HasSpecialByte(std::uint64_t word)
{
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kHigh = 0x8080808080808080ull;
    return ((word | ((word - 0x0E * kOnes) & ~word)) & kHigh) != 0;
}

// The same for four code units: one of them below 0x0E or above 0x7F.
bool HasSpecialUnit(std::uint64_t word)
{
    constexpr std::uint64_t kOnes = 0x0001000100010001ull;
    constexpr std::uint64_t kHigh = 0x8000800080008000ull;
    return (word & 0xFF80FF80FF80FF80ull) != 0 || ((word - 0x0E * kOnes) & ~word & kHigh) != 0;
}

// Eight plain characters at once: bytes widened to code units and code
// units narrowed to bytes, which the compiler turns into one or two vector
// instructions.
using TEightBytes = std::uint8_t __attribute__((vector_size(8)));
using TEightUnits = std::uint16_t __attribute__((vector_size(16)));

// Widens eight bytes, none special, to out.
void WidenEight(const char* bytes, char16_t* out)
{
    TEightBytes narrow;
    std::memcpy(&narrow, bytes, sizeof(narrow));
    const TEightUnits wide = __builtin_convertvector(narrow, TEightUnits);
    std::memcpy(out, &wide, sizeof(wide));
}

// Narrows eight code units to out when none of them is special (below
// 0x0E or above 0x7F); false, writing nothing, otherwise.
bool NarrowEight(const char16_t* units, char* out)
{
    TEightUnits wide;
    std::memcpy(&wide, units, sizeof(wide));
    const TEightUnits special = (wide > 0x7F) | (wide < 0x0E);
    std::uint64_t halves[2];
    std::memcpy(halves, &special, sizeof(halves));
    if ((halves[0] | halves[1]) != 0)
        return false;
    const TEightBytes narrow = __builtin_convertvector(wide, TEightBytes);
    std::memcpy(out, &narrow, sizeof(narrow));
    return true;
}

#if defined(__SSE2__)
// The same for sixteen at a time where the vector unit has them. A code
// unit from 0x8000 on is negative to its signed comparisons, so below 0x0E.
bool NarrowSixteen(const char16_t* units, char* out)
{
    const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units));
    const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + 8));
    const __m128i high = _mm_set1_epi16(0x7F);
    const __m128i low = _mm_set1_epi16(0x0E);
    const __m128i special = _mm_or_si128(_mm_or_si128(_mm_cmpgt_epi16(first, high), _mm_cmplt_epi16(first, low)),
                                         _mm_or_si128(_mm_cmpgt_epi16(second, high), _mm_cmplt_epi16(second, low)));
    if (_mm_movemask_epi8(special) != 0)
        return false;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(first, second));
    return true;
}

// Widens sixteen bytes to out when none is special (below 0x0E or above
// 0x7F); false, writing nothing, otherwise. A byte above 0x7F is negative
// to the signed comparison.
bool WidenSixteen(const char* bytes, char16_t* out)
{
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    if (_mm_movemask_epi8(_mm_cmplt_epi8(block, _mm_set1_epi8(0x0E))) != 0)
        return false;
    const __m128i zero = _mm_setzero_si128();
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(block, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8), _mm_unpackhi_epi8(block, zero));
    return true;
}
#endif

// The text of a file's bytes, block by block, exactly as DecodeTextFile
// reads it whole: UTF-16 little-endian after FF FE (up to the first zero
// code unit, without U+FEFF), else UTF-8 without a leading byte-order
// mark, or Windows-1252 when the bytes are not valid UTF-8. Every line break comes out as CR LF, its kind noted. A UTF-8 block
// ends where the whole decoding starts a character anew, so that no
// sequence is cut; a CR at the end of a block waits for the next one, so
// that CR LF is seen whole.
class CBlockDecoder {
public:
    // encoding: FindTextEncoding(bytes). A piece of a UTF-8 or Windows-1252
    // text (not its start) keeps a leading EF BB BF: that is U+FEFF there.
    CBlockDecoder(std::string_view bytes, ETextEncoding encoding, bool textStart = true) : m_bytes(bytes)
    {
        const auto byte = [bytes](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
        m_utf16 = encoding == ETextEncoding::Utf16;
        // Bytes that are not valid UTF-8 are Windows-1252 throughout, a
        // byte a character, as DecodeTextFile reads them.
        m_singleByte = encoding == ETextEncoding::Windows1252;
        if (textStart && !m_utf16 && !m_singleByte && bytes.size() >= 3 && byte(0) == 0xEF && byte(1) == 0xBB &&
            byte(2) == 0xBF)
            m_at = 3;
    }

    bool Utf16() const { return m_utf16; }
    // The bytes of the text: without the UTF-8 byte-order mark.
    std::string_view Text() const { return m_bytes.substr(m_utf16 ? 0 : m_at); }

    // Appends the next block with editor line breaks; false once the text
    // has ended (nothing is appended then).
    bool Next(std::u16string& text, std::vector<ELineBreak>& breaks)
    {
        if (m_ended)
            return false;
        m_out = &text;
        m_breaks = &breaks;
        m_used = 0;
        if (m_utf16)
            DecodeUtf16Block();
        else if (m_singleByte)
            DecodeSingleByteBlock();
        else
            DecodeUtf8Block();
        if (m_ended && m_heldCr) {
            m_heldCr = false;
            PutBreak(ELineBreak::Cr);
        }
        Flush();
        return true;
    }

private:
    // Code units gather in a small buffer that is appended to the text when
    // full: one append per few thousand characters.
    static constexpr std::size_t kChunk = 2048;

    void Flush()
    {
        m_out->append(m_chunk, m_used);
        m_used = 0;
    }

    void PutBreak(ELineBreak kind)
    {
        m_breaks->push_back(kind);
        if (m_used + 2 > kChunk)
            Flush();
        m_chunk[m_used++] = u'\r';
        m_chunk[m_used++] = u'\n';
    }

    // One code unit of the decoded text, line breaks turned into CR LF.
    void Put(char16_t unit)
    {
        if (m_heldCr) {
            m_heldCr = false;
            if (unit == u'\n') {
                PutBreak(ELineBreak::CrLf);
                return;
            }
            PutBreak(ELineBreak::Cr);
        }
        if (unit == u'\r') {
            m_heldCr = true;
        } else if (unit == u'\n') {
            PutBreak(ELineBreak::Lf);
        } else {
            if (m_used == kChunk)
                Flush();
            m_chunk[m_used++] = unit;
        }
    }

    void DecodeUtf16Block()
    {
        const std::size_t units = std::min(kBlockBytes, m_bytes.size() - m_at) / 2;
        const char* data = m_bytes.data() + m_at;
        std::size_t i = 0;
        while (i < units) {
            // Four plain characters at a time (the bytes are little-endian).
            if (units - i >= 4 && !m_heldCr && m_used + 4 <= kChunk) {
                const std::uint64_t word = LoadWord(data + 2 * i);
                if (!HasSpecialUnit(word)) {
                    for (std::size_t k = 0; k < 4; ++k)
                        m_chunk[m_used + k] = static_cast<char16_t>((word >> (16 * k)) & 0xFF);
                    m_used += 4;
                    i += 4;
                    continue;
                }
            }
            const auto unit = static_cast<char16_t>(static_cast<unsigned char>(data[2 * i]) |
                                                    (static_cast<unsigned char>(data[2 * i + 1]) << 8));
            ++i;
            if (unit == 0) {
                m_at += 2 * i;
                m_ended = true;
                return;
            }
            if (unit != u'\uFEFF')
                Put(unit);
        }
        m_at += 2 * units;
        if (m_bytes.size() - m_at < 2)
            m_ended = true;
    }

    void DecodeSingleByteBlock()
    {
        const std::size_t end = std::min(m_at + kBlockBytes, m_bytes.size());
        for (std::size_t i = m_at; i < end; ++i) {
            if (end - i >= 8 && !m_heldCr && m_used + 8 <= kChunk &&
                !HasSpecialByte(LoadWord(m_bytes.data() + i))) {
                WidenEight(m_bytes.data() + i, m_chunk + m_used);
                m_used += 8;
                i += 7;
                continue;
            }
            Put(Windows1252Character(static_cast<unsigned char>(m_bytes[i])));
        }
        m_at = end;
        if (m_at == m_bytes.size())
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
        // The whole decoding sees the bytes up to the end of the file; the
        // block's last character never reaches beyond end.
        const std::string_view bytes = m_bytes.substr(0, end);
        std::size_t i = m_at;
        while (i < end) {
#if defined(__SSE2__)
            if (end - i >= 16 && !m_heldCr && m_used + 16 <= kChunk &&
                WidenSixteen(bytes.data() + i, m_chunk + m_used)) {
                m_used += 16;
                i += 16;
                continue;
            }
#endif
            if (end - i >= 8 && !m_heldCr && m_used + 8 <= kChunk) {
                if (!HasSpecialByte(LoadWord(bytes.data() + i))) {
                    WidenEight(bytes.data() + i, m_chunk + m_used);
                    m_used += 8;
                    i += 8;
                    continue;
                }
            }
            char32_t c = 0;
            const std::size_t length = DecodeUtf8Character(bytes, i, c);
            if (length == 0) {
                Put(u'\uFFFD');
                ++i;
            } else if (c >= 0x10000) {
                c -= 0x10000;
                Put(static_cast<char16_t>(0xD800 + (c >> 10)));
                Put(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
                i += length;
            } else {
                Put(static_cast<char16_t>(c));
                i += length;
            }
        }
        m_at = end;
        if (m_at == m_bytes.size())
            m_ended = true;
    }

    std::string_view m_bytes;
    std::size_t m_at = 0;
    bool m_utf16 = false;
    bool m_singleByte = false;
    bool m_ended = false;
    bool m_heldCr = false;
    std::u16string* m_out = nullptr;
    std::vector<ELineBreak>* m_breaks = nullptr;
    char16_t m_chunk[kChunk];
    std::size_t m_used = 0;
};

// Whether every "/*" of the text the decoder reads is closed, found on the
// bytes without decoding them. Comments are made of ASCII characters, which
// UTF-8 never uses inside another character (an invalid byte decodes as
// U+FFFD), so the comments of the bytes are those of the text. A "//"
// comment ends at the first CR or LF: in the text that line break is CR LF
// and the comment takes it whole.
// The first "//" or "/*" at i or behind it; npos when there is none.
std::size_t FindCommentOpening(std::string_view bytes, std::size_t i)
{
    const std::size_t n = bytes.size();
#if defined(__SSE2__)
    // Sixteen places at a time where the vector unit has them: a "/" whose
    // next byte is "/" or "*" (a "/" alone is common, in divisions).
    const __m128i slashes = _mm_set1_epi8('/');
    const __m128i stars = _mm_set1_epi8('*');
    while (n - i >= 17) {
        const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data() + i));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data() + i + 1));
        const int opens = _mm_movemask_epi8(_mm_and_si128(
            _mm_cmpeq_epi8(here, slashes), _mm_or_si128(_mm_cmpeq_epi8(next, slashes), _mm_cmpeq_epi8(next, stars))));
        if (opens != 0)
            return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(opens)));
        i += 16;
    }
#endif
    for (; i + 1 < n; ++i) {
        if (bytes[i] == '/' && (bytes[i + 1] == '/' || bytes[i + 1] == '*'))
            return i;
    }
    return std::string_view::npos;
}

bool Utf8CommentsClosed(std::string_view bytes)
{
    std::size_t i = 0;
    for (;;) {
        i = FindCommentOpening(bytes, i);
        if (i == std::string_view::npos)
            return true;
        if (bytes[i + 1] == '/') {
            const auto lineEnd = std::find_if(bytes.begin() + static_cast<std::ptrdiff_t>(i) + 2, bytes.end(),
                                              [](char c) { return c == '\r' || c == '\n'; });
            if (lineEnd == bytes.end())
                return true;
            i = static_cast<std::size_t>(lineEnd - bytes.begin()) + 1;
        } else if (bytes[i + 1] == '*') {
            // "*/" is looked for from the "*" on: "/*/" is a whole comment.
            const std::size_t close = bytes.find("*/", i + 1);
            if (close == std::string_view::npos)
                return false;
            i = close + 2;
        }
    }
}

// The same for UTF-16 bytes, a code unit at a time: the text ends at the
// first zero unit and U+FEFF is dropped, which may bring "/" and "*"
// together.
bool Utf16CommentsClosed(std::string_view bytes)
{
    enum { kPlain, kSlash, kLine, kBlock, kBlockStar } state = kPlain;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        const auto unit = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                (static_cast<unsigned char>(bytes[i + 1]) << 8));
        if (unit == 0)
            break;
        if (unit == u'\uFEFF')
            continue;
        switch (state) {
        case kPlain: state = unit == u'/' ? kSlash : kPlain; break;
        case kSlash: state = unit == u'/' ? kLine : unit == u'*' ? kBlockStar : kPlain; break;
        case kLine: state = unit == u'\r' || unit == u'\n' ? kPlain : kLine; break;
        case kBlock: state = unit == u'*' ? kBlockStar : kBlock; break;
        case kBlockStar: state = unit == u'/' ? kPlain : unit == u'*' ? kBlockStar : kBlock; break;
        }
    }
    return state != kBlock && state != kBlockStar;
}

// Where a text may be cut for the run: behind its last ";" outside
// comments, with every comment before that point closed. 0 when there is
// no such place. closed tells whether every comment of the text is closed;
// firstComment receives where the first one starts (npos when none does).
// Comments are followed as StripComments blanks them, without a copy.
std::size_t FindCut(std::u16string_view text, bool& closed, std::size_t& firstComment)
{
    closed = true;
    const std::size_t n = text.size();
    std::size_t i = NCalculatorText::FindCommentStart(text);
    firstComment = i;
    std::size_t last = text.substr(0, std::min(i, n)).rfind(u';');
    while (i < n) {
        const char16_t c = text[i];
        if (c == u';') {
            last = i;
        } else if (c == u'/' && i + 1 < n) {
            if (text[i + 1] == u'/') {
                const std::size_t lineFeed = text.find(u'\n', i + 2);
                i = lineFeed == std::u16string_view::npos ? n : lineFeed + 1;
                continue;
            }
            if (text[i + 1] == u'*') {
                const std::size_t close = text.find(u"*/", i + 1);
                if (close == std::u16string_view::npos) {
                    closed = false;
                    break;
                }
                i = close + 2;
                continue;
            }
        }
        ++i;
    }
    return last == std::u16string_view::npos ? 0 : last + 1;
}

// Cuts the decoded text into parts that each end behind a ";" outside
// comments (the last part ends with the text) and hands each part, with
// the line break kinds that belong to it, to take(part, breaks, first,
// withoutComments), the last telling that the part holds no comment.
// pending and breaks are room kept from one call to the next.
template <class TTake>
void ForEachPart(CBlockDecoder& decoder, std::u16string& pending, std::vector<ELineBreak>& breaks, TTake take)
{
    pending.clear();
    breaks.clear();
    std::size_t breaksUsed = 0;  // breaks[0, breaksUsed) belong to parts already taken
    std::size_t tryAt = 0;       // a cut is looked for once pending is this long
    for (;;) {
        const bool more = decoder.Next(pending, breaks);
        if (more && pending.size() < tryAt)
            continue;
        bool closed = true;
        std::size_t firstComment = 0;  // unknown for the last part
        const std::size_t cut = more ? FindCut(pending, closed, firstComment) : pending.size();
        if (cut == 0 && more) {
            // One part runs on beyond this block: look again when it has
            // doubled, so that a long part costs linear time.
            tryAt = 2 * pending.size();
            continue;
        }
        const std::u16string_view part(pending.data(), cut);
        breaksUsed += take(part, breaks, breaksUsed, firstComment >= cut);
        pending.erase(0, cut);
        tryAt = 0;
        if (!more)
            return;
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
        const auto found = std::find_if(text.begin() + static_cast<std::ptrdiff_t>(i), text.end(),
                                        [](char16_t c) { return c == u'\r' || c == u'\n'; });
        const auto next = static_cast<std::size_t>(found - text.begin());
        if (next == text.size()) {
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
    // Bytes gather in a small buffer appended to out when full; eight plain
    // characters are narrowed at a time.
    constexpr std::size_t kChunk = 4096;
    char chunk[kChunk];
    std::size_t used = 0;
    std::size_t next = first;
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        if (used + 16 > kChunk) {
            out.append(chunk, used);
            used = 0;
        }
#if defined(__SSE2__)
        if (n - i >= 16 && NarrowSixteen(text.data() + i, chunk + used)) {
            used += 16;
            i += 16;
            continue;
        }
#endif
        if (n - i >= 8 && NarrowEight(text.data() + i, chunk + used)) {
            used += 8;
            i += 8;
            continue;
        }
        const char16_t c = text[i];
        if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n' && next < breaks.size()) {
            switch (breaks[next++]) {
            case ELineBreak::CrLf: chunk[used++] = '\r'; chunk[used++] = '\n'; break;
            case ELineBreak::Lf: chunk[used++] = '\n'; break;
            case ELineBreak::Cr: chunk[used++] = '\r'; break;
            }
            i += 2;
        } else if (c < 0x80) {
            chunk[used++] = static_cast<char>(c);
            ++i;
        } else {
            // A run of other characters, surrogate pairs kept whole.
            std::size_t end = i + 1;
            while (end < n && end - i < 256 && text[end] >= 0x80)
                ++end;
            if (end < n && text[end - 1] >= 0xD800 && text[end - 1] < 0xDC00 && text[end] >= 0xDC00 &&
                text[end] < 0xE000)
                ++end;
            out.append(chunk, used);
            used = 0;
            AppendUtf8(text.substr(i, end - i), out);
            i = end;
        }
    }
    out.append(chunk, used);
    return next - first;
}

namespace {

// Bytes a plain statement holds: printable ASCII but "=" (an old result or
// a definition), tabs and line breaks.
bool PlainControl(unsigned char c)
{
    return c == '\t' || c == '\n' || c == '\r';
}

bool IsBlankByte(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Whether the statement that starts at text[s] (behind a ";" or at the
// start of the text) is plain: it ends at the next ";" or with the text,
// is made of the bytes above and holds no comment. end receives where it
// ends. Such a statement is one statement by the rules of the whole run,
// and its bytes are the code units of its text.
bool PlainStatement(std::string_view text, std::size_t s, std::size_t& end)
{
    const std::size_t n = text.size();
    std::size_t p = s;
#if defined(__SSE2__)
    // Sixteen bytes at a time, each with the byte behind it (a "/" before
    // "/" or "*" opens a comment); the last one is left to the loop below,
    // so that nothing beyond the text is read.
    const auto equal = [](__m128i block, char c) { return _mm_cmpeq_epi8(block, _mm_set1_epi8(c)); };
    while (n - p >= 17) {
        const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + p));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + p + 1));
        // A byte from 0x80 on is negative to the signed comparison, so
        // below 0x20.
        const __m128i control = _mm_andnot_si128(
            _mm_or_si128(_mm_or_si128(equal(here, '\t'), equal(here, '\n')), equal(here, '\r')),
            _mm_cmplt_epi8(here, _mm_set1_epi8(0x20)));
        const __m128i opener = _mm_and_si128(equal(here, '/'), _mm_or_si128(equal(next, '/'), equal(next, '*')));
        const __m128i refused =
            _mm_or_si128(_mm_or_si128(control, opener), _mm_or_si128(equal(here, '='), equal(here, '\x7F')));
        const auto ends = static_cast<unsigned>(_mm_movemask_epi8(equal(here, ';')));
        const auto bad = static_cast<unsigned>(_mm_movemask_epi8(refused));
        if ((ends | bad) != 0) {
            // Only what stands before the first ";" counts.
            if (ends == 0 || (bad & ((ends & -ends) - 1)) != 0)
                return false;
            end = p + static_cast<std::size_t>(__builtin_ctz(ends));
            return true;
        }
        p += 16;
    }
#endif
    for (; p < n; ++p) {
        const auto c = static_cast<unsigned char>(text[p]);
        if (c == ';')
            break;
        if (c == '=' || c >= 0x7F || (c < 0x20 && !PlainControl(c)) ||
            (c == '/' && p + 1 < n && (text[p + 1] == '/' || text[p + 1] == '*')))
            return false;
    }
    end = p;
    return true;
}

// Behind the first ";" outside comments at or after text[i], or the end of
// the text; comments are followed as FindCut follows them.
std::size_t BehindSemicolon(std::string_view text, std::size_t i)
{
    const std::size_t n = text.size();
    for (; i < n; ++i) {
#if defined(__SSE2__)
        // Straight to the next ";" or comment opening, sixteen bytes at a
        // time, each with the byte behind it (a "/" alone, a division,
        // does not stop the search).
        const __m128i slashes = _mm_set1_epi8('/');
        while (n - i >= 17) {
            const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
            const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i + 1));
            const __m128i opens = _mm_and_si128(
                _mm_cmpeq_epi8(here, slashes),
                _mm_or_si128(_mm_cmpeq_epi8(next, slashes), _mm_cmpeq_epi8(next, _mm_set1_epi8('*'))));
            const auto found =
                static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(here, _mm_set1_epi8(';')), opens)));
            if (found != 0) {
                i += static_cast<std::size_t>(__builtin_ctz(found));
                break;
            }
            i += 16;
        }
#endif
        const char c = text[i];
        if (c == ';')
            return i + 1;
        if (c != '/' || i + 1 == n)
            continue;
        if (text[i + 1] == '/') {
            // Up to the line break that ends it, which holds no ";".
            const std::size_t lineEnd = text.find_first_of("\r\n", i + 2);
            if (lineEnd == std::string_view::npos)
                return n;
            i = lineEnd;
        } else if (text[i + 1] == '*') {
            const std::size_t close = text.find("*/", i + 1);
            if (close == std::string_view::npos)
                return n;
            i = close + 1;
        }
    }
    return n;
}

// Behind the last ";" outside comments in the block of kBlockBytes from
// text[s] on (or, where the block holds none, behind the first one after
// it), or the end of the text: only the comments are looked for one by
// one, not every ";".
std::size_t BlockCut(std::string_view text, std::size_t s)
{
    const std::size_t n = text.size();
    const std::size_t limit = std::min(n, s + kBlockBytes);
    const std::string_view block = text.substr(0, limit);
    std::size_t cut = 0;
    std::size_t i = s;
    while (i < limit) {
        const std::size_t opening = FindCommentOpening(block, i);
        const std::size_t plain = opening == std::string_view::npos ? limit : opening;
        if (const std::size_t semicolon = text.substr(i, plain - i).rfind(';'); semicolon != std::string_view::npos)
            cut = i + semicolon + 1;
        if (opening == std::string_view::npos)
            break;
        // Past the comment, which may run on beyond the block.
        std::size_t end = n;
        if (text[opening + 1] == '/') {
            const std::size_t lineEnd = text.find_first_of("\r\n", opening + 2);
            end = lineEnd == std::string_view::npos ? n : lineEnd;
        } else if (const std::size_t close = text.find("*/", opening + 1); close != std::string_view::npos) {
            end = close + 2;
        }
        i = end;
    }
    // The search goes on from the block's last byte, which may open a
    // comment with the byte behind the block.
    return cut != 0 ? cut : BehindSemicolon(text, std::max(i, limit - 1));
}

// "Calculate all" over the bytes of a text, written to out in UTF-8. A
// plain statement, which is all most texts hold, is read, calculated and
// written on the bytes themselves: no decoding, no copy of the text in
// code units, no encoding back. The rest of the text, cut behind a ";"
// outside comments as the parts of the whole run are, takes the way of
// the decoded text. Both give what the whole run over the decoded text
// gives, and the run goes on from one to the other.
class CTextRun {
public:
    CTextRun(NCalculatorText::CCalcContext& context, ETextEncoding encoding, std::string& out,
             std::size_t drainBytes, const std::function<void(std::string&)>& drain)
        : m_context(context), m_writer(context.run.ComplexTextWriter()), m_encoding(encoding), m_out(out),
          m_drainBytes(drainBytes), m_drain(drain)
    {
    }

    // The run over the whole text of a UTF-8 or Windows-1252 file (without
    // its byte-order mark).
    bool RunBytes(std::string_view text)
    {
        // Bound for the statements evaluated on their bytes; the others
        // bind it again themselves.
        const CRunStateBinding binding(m_context.run);
        const std::size_t n = text.size();
        // Statements that start before the last ";" are read on their
        // bytes first: the one-pass evaluation stops at a ";" at the
        // latest.
        const std::size_t lastSemicolon = text.rfind(';');
        std::size_t copied = 0;  // text[0, copied) is written
        std::size_t s = 0;
        while (s < n) {
            if (text[s] == ';') {
                ++s;
                continue;
            }
            if (lastSemicolon != std::string_view::npos && s < lastSemicolon) {
                // The usual statement, taken whole by the evaluation on its
                // bytes; any other (a blank or a capital inside, a name it
                // does not know, a comment, an old result) is looked at
                // below.
                CComplex value;
                std::size_t length = 0;
                bool evaluated = true;
                if (NCalculatorText::EvaluatePlainBytesStatement(m_context, text.data() + s, length, value,
                                                                 evaluated)) {
                    if (!evaluated) {
                        m_calculated = false;
                        break;
                    }
                    PutStatement(text, copied, s + length);
                    PutResult(value);
                    copied = s = s + length;
                    continue;
                }
            }
            std::size_t e = 0;
            if (!PlainStatement(text, s, e)) {
                // This statement the decoded way; where the next one is
                // not plain either (a text calculated before, whose
                // statements all hold old results), a block of them at once,
                // cut as the decoded way cuts its parts.
                Put(text.substr(copied, s - copied));
                Flush();
                std::size_t t = BehindSemicolon(text, s);
                if (t < n && !PlainStatement(text, t, e))
                    t = std::max(t, BlockCut(text, s));
                CBlockDecoder decoder(text.substr(s, t - s), m_encoding, false);
                const bool calculated = RunDecoded(decoder);
                copied = s = t;
                if (!calculated)
                    break;
                continue;
            }
            // The expression runs to one past its last non-blank byte; "="
            // and the result go there. A statement of blanks stays as it is.
            std::size_t last = e;
            while (last > s && IsBlankByte(text[last - 1]))
                --last;
            if (last == s) {
                s = e;
                continue;
            }
            CComplex value;
            bool hasValue = true;
            if (!NCalculatorText::EvaluateStatement(m_context, Widen(text, s, last), value, hasValue)) {
                // The rest of the text stays as it was.
                m_calculated = false;
                break;
            }
            if (hasValue) {
                // A function's definition writes no "=" (it has no value).
                PutStatement(text, copied, last);
                PutResult(value);
                copied = last;
            }
            s = e;
        }
        // After a failure the text goes on as it was, a block at a time:
        // UTF-8 bytes as they are, those of another encoding decoded.
        if (m_encoding == ETextEncoding::Utf8) {
            while (copied < n) {
                const std::size_t size = std::min(n - copied, kBlockBytes);
                Put(text.substr(copied, size));
                copied += size;
            }
        } else if (copied < n) {
            Flush();
            CBlockDecoder decoder(text.substr(copied), m_encoding, false);
            RunDecoded(decoder);
        }
        Flush();
        return m_calculated;
    }

    // The run over a decoded text, a part at a time.
    bool RunDecoded(CBlockDecoder& decoder)
    {
        ForEachPart(decoder, m_pending, m_breaks,
                    [&](std::u16string_view text, const std::vector<ELineBreak>& breaks, std::size_t first,
                        bool withoutComments) {
                        // After a failure the rest of the text stays as it was.
                        std::u16string_view part = text;
                        if (m_calculated) {
                            m_rewritten.clear();
                            if (!NCalculatorText::CalculateAllContinued(m_context, text, m_rewritten,
                                                                        withoutComments))
                                m_calculated = false;
                            part = m_rewritten;
                        }
                        const std::size_t used = AppendOriginalLineBreaks(part, breaks, first, m_out);
                        Drain();
                        return used;
                    });
        return m_calculated;
    }

private:
    // Bytes gather here and go to out when it is full: one append per many
    // statements.
    static constexpr std::size_t kBufferBytes = 16384;

    void Drain()
    {
        if (m_drain && m_out.size() >= m_drainBytes)
            m_drain(m_out);
    }

    void Flush()
    {
        m_out.append(m_buffer, m_used);
        m_used = 0;
        Drain();
    }

    void Put(std::string_view bytes)
    {
        if (m_used + bytes.size() > kBufferBytes) {
            Flush();
            if (bytes.size() > kBufferBytes / 2) {
                m_out.append(bytes);
                Drain();
                return;
            }
        }
        std::memcpy(m_buffer + m_used, bytes.data(), bytes.size());
        m_used += bytes.size();
    }

    // text[from, to), a statement's text up to its result. A short one,
    // the usual, is copied as one block of sixteen bytes where the text
    // and the buffer have them (the bytes behind it are written over
    // next); a call to copy fifteen bytes costs more than the statement's
    // other copying.
    void PutStatement(std::string_view text, std::size_t from, std::size_t to)
    {
        const std::size_t size = to - from;
        if (size <= 16 && text.size() - from >= 16 && m_used + 16 <= kBufferBytes) {
            std::uint64_t block[2];
            std::memcpy(block, text.data() + from, sizeof(block));
            std::memcpy(m_buffer + m_used, block, sizeof(block));
            m_used += size;
            return;
        }
        Put(text.substr(from, size));
    }

    // "=" and the text of a value, written straight into the buffer where
    // the writer can write UTF-8.
    void PutResult(const CComplex& value)
    {
        if (m_writer.writeUtf8 == nullptr) {
            m_result.clear();
            m_writer(value, m_result);
            Flush();
            m_out.push_back('=');
            AppendUtf8(m_result, m_out);
            return;
        }
        if (m_used + 1 + kComplexUtf8TextRoom > kBufferBytes)
            Flush();
        char* const at = m_buffer + m_used;
        *at = '=';
        m_used = static_cast<std::size_t>(m_writer.writeUtf8(m_writer, value, at + 1) - m_buffer);
    }

    // The code units of text[s, last), a plain statement's expression, its
    // line breaks made CR LF as the decoded text has them.
    std::u16string_view Widen(std::string_view text, std::size_t s, std::size_t last)
    {
        const std::size_t n = last - s;
        if (m_wide.size() < 2 * n + 16)
            m_wide.resize(2 * n + 16);
        char16_t* out = m_wide.data();
        const char* const bytes = text.data() + s;
        std::size_t i = 0;
#if defined(__SSE2__)
        // Sixteen at a time up to the first line break or tab. An
        // expression is mostly shorter: its block reads on into the rest of
        // the text (never beyond it), whose code units are written to the
        // room behind the expression and not taken.
        while (i < n && text.size() - s - i >= 16) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
            const unsigned taken = n - i >= 16 ? 0xFFFFu : (1u << (n - i)) - 1;
            if ((static_cast<unsigned>(_mm_movemask_epi8(_mm_cmplt_epi8(block, _mm_set1_epi8(0x0E)))) & taken) != 0)
                break;
            const __m128i zero = _mm_setzero_si128();
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(block, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8), _mm_unpackhi_epi8(block, zero));
            const std::size_t step = std::min<std::size_t>(16, n - i);
            out += step;
            i += step;
        }
#endif
        for (; i < n; ++i) {
            const char c = bytes[i];
            if (c == '\r' || c == '\n') {
                *out++ = u'\r';
                *out++ = u'\n';
                if (c == '\r' && i + 1 < n && bytes[i + 1] == '\n')
                    ++i;
            } else {
                *out++ = static_cast<char16_t>(c);
            }
        }
        return {m_wide.data(), static_cast<std::size_t>(out - m_wide.data())};
    }

    NCalculatorText::CCalcContext& m_context;
    // Nothing a statement does changes how results are written.
    const CComplexTextWriter m_writer;
    ETextEncoding m_encoding;
    std::string& m_out;
    std::size_t m_drainBytes;
    const std::function<void(std::string&)>& m_drain;
    bool m_calculated = true;
    char m_buffer[kBufferBytes];
    std::size_t m_used = 0;
    std::vector<char16_t> m_wide;
    std::u16string m_result;
    std::u16string m_pending;
    std::vector<ELineBreak> m_breaks;
    std::u16string m_rewritten;
};

}  // namespace

bool CalculateAllBytes(NCalculatorText::CCalcContext& context, std::string_view bytes, std::string& out)
{
    bool withoutBlockComment = false;
    const ETextEncoding encoding = FindTextEncoding(bytes, withoutBlockComment);
    return CalculateAllBytes(context, bytes, encoding, out, 0, {}, withoutBlockComment);
}

bool CalculateAllBytes(NCalculatorText::CCalcContext& context, std::string_view bytes, ETextEncoding encoding,
                       std::string& out)
{
    return CalculateAllBytes(context, bytes, encoding, out, 0, {});
}

bool CalculateAllBytes(NCalculatorText::CCalcContext& context, std::string_view bytes, ETextEncoding encoding,
                       std::string& out, std::size_t drainBytes, const std::function<void(std::string&)>& drain,
                       bool withoutBlockComment)
{
    // A "/*" that is never closed makes the whole run a syntax error before
    // any statement runs; a look over the bytes finds it.
    CBlockDecoder decoder(bytes, encoding);
    if (!withoutBlockComment &&
        !(decoder.Utf16() ? Utf16CommentsClosed(bytes) : Utf8CommentsClosed(decoder.Text()))) {
        std::u16string text;
        std::vector<ELineBreak> breaks;
        while (decoder.Next(text, breaks)) {
        }
        std::ptrdiff_t cursor = -1;
        const bool calculated = NCalculatorText::CalculateText(context, text, cursor);
        AppendOriginalLineBreaks(text, breaks, 0, out);
        return calculated;
    }

    context.run.Reset();
    CTextRun run(context, encoding, out, drainBytes, drain);
    return decoder.Utf16() ? run.RunDecoded(decoder) : run.RunBytes(decoder.Text());
}
