#include "document/utf.h"

#include <cstdint>
#include <cstring>

void AppendUtf16(std::u16string& out, char32_t c)
{
    if (c >= 0x10000) {
        c -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
        out.push_back(static_cast<char16_t>(c));
    }
}

std::string Utf16ToUtf8(std::u16string_view text)
{
    std::string out;
    AppendUtf8(text, out);
    return out;
}

void AppendUtf8(std::u16string_view text, std::string& out)
{
    out.reserve(out.size() + text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;  // an unpaired surrogate
        }
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
}

std::size_t DecodeUtf8Character(std::string_view text, std::size_t i, char32_t& c)
{
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    if (lead < 0x80) {
        c = lead;
        return 1;
    }
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        c = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        c = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        c = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() - i < length)
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const unsigned char next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (next & 0x3F);
    }
    static constexpr char32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kMinimum[length] || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000))
        return 0;
    return length;
}

namespace {

// Appends the UTF-16 form of text to out. A malformed sequence becomes
// U+FFFD, or ends the decoding with false when strict. Eight bytes of ASCII
// are widened at a time.
bool DecodeUtf8(std::string_view text, std::u16string& out, bool strict)
{
    out.reserve(out.size() + text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        if (text.size() - i >= 8) {
            std::uint64_t block;
            std::memcpy(&block, text.data() + i, 8);
            if ((block & 0x8080808080808080ull) == 0) {
                char16_t wide[8];
                for (int k = 0; k < 8; ++k)
                    wide[k] = static_cast<char16_t>(static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]));
                out.append(wide, 8);
                i += 8;
                continue;
            }
        }
        char32_t c = 0;
        const std::size_t length = DecodeUtf8Character(text, i, c);
        if (length == 0) {
            if (strict)
                return false;
            out.push_back(u'\uFFFD');
            ++i;
            continue;
        }
        AppendUtf16(out, c);
        i += length;
    }
    return true;
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view text)
{
    std::u16string out;
    DecodeUtf8(text, out, false);
    return out;
}

bool StrictUtf8ToUtf16(std::string_view text, std::u16string& out)
{
    return DecodeUtf8(text, out, true);
}
