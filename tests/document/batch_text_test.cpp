// "Calculate all" over a file's bytes a part at a time against the same run
// over the whole decoded text.
#include "document/batch_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>

#include "document/memory_store.h"
#include "document/text_file.h"
#include "document/utf.h"
#include "language/calculate.h"
#include "support/data_cases.h"
#include "support/fresh_state.h"
#include "support/log_recorder.h"

namespace {

struct CResult {
    bool calculated = false;
    std::string out;
    std::string log;
    CComplex previous;
    int starts = 0;
};

// The whole text decoded, its line breaks made CR LF, calculated at once and
// its line breaks put back.
CResult Whole(const std::string& bytes)
{
    const CFreshState fresh;
    CLogRecorder log;
    const std::u16string decoded = DecodeTextFile(bytes);
    std::u16string text;
    std::vector<char> kinds;
    for (std::size_t i = 0; i < decoded.size(); ++i) {
        if (decoded[i] == u'\r' || decoded[i] == u'\n') {
            const bool pair = decoded[i] == u'\r' && i + 1 < decoded.size() && decoded[i + 1] == u'\n';
            kinds.push_back(pair ? 'p' : static_cast<char>(decoded[i]));
            i += pair ? 1 : 0;
            text += u"\r\n";
        } else {
            text.push_back(decoded[i]);
        }
    }
    CResult result;
    std::ptrdiff_t cursor = -1;
    result.calculated = NCalculatorText::CalculateText(log.context, text, cursor);
    std::u16string back;
    std::size_t next = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n' && next < kinds.size()) {
            const char kind = kinds[next++];
            back += kind == 'p' ? u"\r\n" : std::u16string(1, static_cast<char16_t>(kind));
            ++i;
        } else {
            back.push_back(text[i]);
        }
    }
    result.out = Utf16ToUtf8(back);
    result.log = log.Lines();
    result.previous = log.context.previousResult;
    result.starts = log.starts;
    return result;
}

CResult InParts(const std::string& bytes)
{
    const CFreshState fresh;
    CLogRecorder log;
    CResult result;
    result.calculated = CalculateAllBytes(log.context, bytes, result.out);
    result.log = log.Lines();
    result.previous = log.context.previousResult;
    result.starts = log.starts;
    return result;
}

// Returns whether the run went through.
bool ExpectSame(const std::string& bytes, const std::string& what)
{
    const CResult whole = Whole(bytes);
    const CResult parts = InParts(bytes);
    EXPECT_EQ(parts.calculated, whole.calculated) << what;
    EXPECT_TRUE(parts.out == whole.out) << what << ": the texts differ first at byte "
                                        << std::mismatch(parts.out.begin(), parts.out.end(), whole.out.begin(),
                                                         whole.out.end()).first - parts.out.begin();
    EXPECT_EQ(parts.log, whole.log) << what;
    EXPECT_EQ(parts.previous, whole.previous) << what;
    EXPECT_EQ(parts.starts, whole.starts) << what;
    return whole.calculated;
}

// Texts long enough to be cut into many parts, made of pieces that matter to
// the cutting: statements, old results, comments of both kinds (also ones
// that hold ";" or run over many blocks), each kind of line break,
// characters of several UTF-8 lengths and, unless validUtf8, invalid bytes
// (which make the whole text Windows-1252).
std::string RandomText(std::mt19937& random, std::size_t bytes, bool failing, bool validUtf8)
{
    static const char* const pieces[] = {
        "1+2*3;", "12.5/4-1 = 99;", "2^10 // power\r\n;", "sqrt(16)+abs(-3); ", "7->mem[a];", "mem[a]*2 =\n",
        "/* a ; comment */", "/**/;", "//;\n", "\r", "\n", "\r\n", "=", ";", " ", "\xE2\x88\x92" "5;",
        "\xC3\xA9", "\xF0\x9F\x98\x80", "\xFF", "\x80\x80", "\xE2\x88", "rslt+1;", "1 = 2 = 3\r\n4;", "x;",
        "sum(k,1,10,k);", "(1;", "*/;", "/"};
    constexpr std::size_t kCount = sizeof(pieces) / sizeof(pieces[0]);
    std::string text;
    while (text.size() < bytes) {
        const std::size_t k = random() % kCount;
        if (random() % 5000 == 0)
            text += "/* a long comment " + std::string(100000, ';') + " */";
        if (validUtf8 && k >= 18 && k <= 20)
            continue;
        // A run that is to go through keeps what would fail in comments;
        // in Windows-1252 the bytes of U+2212 are three letters.
        const bool fails = k == 12 || (k >= 16 && k <= 20) || k >= 22 || (!validUtf8 && k == 15);
        if (!failing && fails)
            text += k >= 26 ? "" : std::string("/*") + pieces[k] + "*/";
        else
            text += pieces[k];
    }
    return text;
}

TEST(CalculateAllBytes, CutsTheTextWhereTheWholeRunWouldGiveTheSameTextAndLog)
{
    std::mt19937 random(19);
    for (int round = 0; round < 6; ++round) {
        const bool failing = round % 3 == 2;
        const std::string text =
            RandomText(random, 150000 + 50000 * static_cast<std::size_t>(round), failing, round < 3);
        EXPECT_EQ(ExpectSame(text, "UTF-8 round " + std::to_string(round)), !failing);
        ExpectSame("\xEF\xBB\xBF" + text, "UTF-8 with a byte-order mark, round " + std::to_string(round));
        ExpectSame(EncodeUtf16File(Utf8ToUtf16(text)), "UTF-16 round " + std::to_string(round));
    }
}

TEST(CalculateAllBytes, EdgesOfTheText)
{
    for (const std::string& text :
         {std::string(), std::string(";;;"), std::string("1+1"), std::string("1;/* never closed"),
          std::string(70000, ' ') + "1;" + std::string(70000, '\r') + "/*" + std::string(70000, ';'),
          "1;" + std::string(65535, ' ') + "\r\n2=5\r\n3", std::string(65536, '\x80') + "1;",
          std::string(65534, ' ') + "\xF0\x9F\x98\x80;1", "2;" + std::string(200000, '1') + ";3",
          std::string("\xFF\xFE") + std::string("1\0;2\0", 6), std::string("\xFF\xFE\x31\x00\x3B\x00\x0D"),
          "1;" + std::string(100000, '(') + ";2"})
        ExpectSame(text, "a text of " + std::to_string(text.size()) + " bytes");
}

// A file's bytes are read where they lie, in memory of exactly their size:
// the run reads no byte beyond them (the sanitized build tells), for every
// length of texts of plain statements, whose bytes are read sixteen at a
// time, and of texts that go from those to the decoded way and back.
TEST(CalculateAllBytes, ReadsNothingBeyondTheBytes)
{
    const std::string pieces[] = {"12+3*4;sin(1)/2+7;(9-31)/(12+0.5);exp(-55/100)*8-73;sqrt(20)^2-51*84;",
                                  "1 + 2;\t3\r\n*4;\n5 = 6;/* c */7;8/9;\r\n//x\n10;;11",
                                  "1/2;3/4;5/6;7/8;9/10;11/12;13/14;15/16;17/18;19/20;21/22",
                                  // Statements read on their bytes up to a ";" and those they leave.
                                  "Sin(1);2 ;x;1e-3;pi*2;1.5.2;-3^2;(1;2);2(3);rslt*2;[1]+{2};1/0;2e+5;3",
                                  "1\xE2\x88\x92" "2;1+\xC3\xA9;3\xE9;4"};
    for (const std::string& piece : pieces) {
        const std::string text = piece + piece;
        for (std::size_t length = 0; length <= text.size(); ++length) {
            const std::string prefix = text.substr(0, length);
            const auto bytes = std::make_unique<char[]>(length);
            std::copy(prefix.begin(), prefix.end(), bytes.get());
            const CResult whole = Whole(prefix);
            const CFreshState fresh;
            CLogRecorder log;
            std::string out;
            const bool calculated = CalculateAllBytes(log.context, std::string_view(bytes.get(), length), out);
            EXPECT_EQ(calculated, whole.calculated) << prefix;
            EXPECT_EQ(out, whole.out) << prefix;
            EXPECT_EQ(log.Lines(), whole.log) << prefix;
        }
    }
}

// The text of a case line as the bytes of a UTF-8 file and as the code
// units of a UTF-16 one; see tests/data/batch_texts.txt for the notation.
struct CCaseText {
    std::string bytes;
    std::u16string units;
};

CCaseText ExpandCaseText(const std::string& field, std::size_t& i, bool inRepeat)
{
    CCaseText out;
    std::string plain;  // bytes not yet added to the units
    const auto flush = [&] {
        out.units += Utf8ToUtf16(plain);
        plain.clear();
    };
    while (i < field.size()) {
        const char c = field[i++];
        if (c == '}' && inRepeat)
            break;
        if (c == '{') {
            const std::size_t star = field.find('*', i);
            const int count = std::stoi(field.substr(i, star - i));
            i = star + 1;
            const CCaseText piece = ExpandCaseText(field, i, true);
            flush();
            for (int k = 0; k < count; ++k) {
                out.bytes += piece.bytes;
                out.units += piece.units;
            }
            continue;
        }
        if (c != '\\') {
            out.bytes.push_back(c);
            plain.push_back(c);
            continue;
        }
        const char next = field.at(i++);
        if (next == 'x') {
            const char byte = static_cast<char>(std::stoul(field.substr(i, 2), nullptr, 16));
            i += 2;
            out.bytes.push_back(byte);
            plain.push_back(byte);
        } else if (next == 'u') {
            const auto unit = static_cast<char16_t>(std::stoul(field.substr(i, 4), nullptr, 16));
            i += 4;
            flush();
            out.units.push_back(unit);
            const char32_t c32 = unit;
            out.bytes.push_back(static_cast<char>(c32 < 0x80 ? c32 : c32 < 0x800 ? 0xC0 | (c32 >> 6) : 0xE0 | (c32 >> 12)));
            if (c32 >= 0x800)
                out.bytes.push_back(static_cast<char>(0x80 | ((c32 >> 6) & 0x3F)));
            if (c32 >= 0x80)
                out.bytes.push_back(static_cast<char>(0x80 | (c32 & 0x3F)));
        } else {
            const char escaped = next == 'n' ? '\n' : next == 'r' ? '\r' : next == 't' ? '\t' : next;
            out.bytes.push_back(escaped);
            plain.push_back(escaped);
        }
    }
    flush();
    return out;
}

class BatchTextRows : public testing::TestWithParam<CDataRow> {};

TEST_P(BatchTextRows, RunsAsTheWholeText)
{
    const CDataRow& c = GetParam();
    ASSERT_EQ(c.Fields().size(), 3u) << c.Where();
    std::size_t at = 0;
    const CCaseText text = ExpandCaseText(c.Field(0), at, false);
    const bool expected = c.Field(2) == "ok";
    std::size_t from = 0;
    const std::string& encodings = c.Field(1);
    while (from < encodings.size()) {
        const std::size_t end = std::min(encodings.find(',', from), encodings.size());
        const std::string encoding = encodings.substr(from, end - from);
        from = end + 1;
        std::string bytes;
        if (encoding == "8")
            bytes = text.bytes;
        else if (encoding == "8bom")
            bytes = "\xEF\xBB\xBF" + text.bytes;
        else if (encoding == "16")
            bytes = EncodeUtf16File(text.units);
        else
            FAIL() << c.Where() << ": unknown encoding " << encoding;
        EXPECT_EQ(ExpectSame(bytes, c.Where() + " in " + encoding), expected) << c.Where() << " in " << encoding;
    }
}

INSTANTIATE_DATA_ROWS(BatchTextRows, "batch_texts.txt");

}  // namespace
