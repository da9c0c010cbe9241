// The open-request line: what it accepts, what it refuses, and that every
// path the encoder writes reads back unchanged.
#include "document/open_request.h"

#include <gtest/gtest.h>

#include <string>

#include "document/utf.h"

namespace {

using S = EOpenRequestStatus;

struct Case {
    const char* line;
    S status;
    const char16_t* path;  // for Ok
};

TEST(OpenRequest, LinesAndTheirOutcome)
{
    const Case cases[] = {
        {"open /tmp/a.vcl\n", S::Ok, u"/tmp/a.vcl"},
        {"open /tmp/a.vcl", S::Ok, u"/tmp/a.vcl"},
        {"  open /tmp/a.vcl \r\n", S::Ok, u"/tmp/a.vcl"},
        {"open /tmp/with%20space/%C3%BCn%C3%AF%0Acode.vcl\n", S::Ok, u"/tmp/with space/\u00FCn\u00EF\ncode.vcl"},
        {"open /%f0%9f%98%80.vcl", S::Ok, u"/\U0001F600.vcl"},
        {"open /a b", S::Ok, u"/a b"},  // a raw blank inside is taken as it is
        {"open /%25", S::Ok, u"/%"},
        // Zero characters would cut the path short and name another file.
        {"open /tmp/a.vcl%00.txt", S::ZeroCharacter, nullptr},
        {"open %00", S::ZeroCharacter, nullptr},
        {"open /a%C0%80b", S::NotUtf8, nullptr},  // the overlong zero
        {"open /a%FFb", S::NotUtf8, nullptr},
        {"open /a%ED%A0%80", S::NotUtf8, nullptr},  // a surrogate
        {"open /a%F4%90%80%80", S::NotUtf8, nullptr},  // above U+10FFFF
        {"open /a%C3", S::NotUtf8, nullptr},  // cut short
        {"open /a%2", S::BadEscape, nullptr},
        {"open /a%", S::BadEscape, nullptr},
        {"open /a%g0", S::BadEscape, nullptr},
        {"open /a\tb", S::ControlCharacter, nullptr},
        {"open /a\x7F", S::ControlCharacter, nullptr},
        {"open a.vcl", S::NotAbsolute, nullptr},
        {"open ../etc/passwd", S::NotAbsolute, nullptr},
        {"open %20/a", S::NotAbsolute, nullptr},
        {"open ", S::NotARequest, nullptr},  // the blank goes with the line end
        {"open", S::NotARequest, nullptr},
        {"OPEN /a", S::NotARequest, nullptr},
        {"print /a", S::NotARequest, nullptr},
        {"", S::NotARequest, nullptr},
        {"open\t/a", S::NotARequest, nullptr},
    };
    for (const Case& c : cases) {
        const COpenRequest request = ParseOpenRequest(c.line);
        EXPECT_EQ(request.status, c.status) << c.line;
        if (c.status == S::Ok)
            EXPECT_EQ(request.path, c.path) << c.line;
        else
            EXPECT_TRUE(request.path.empty()) << c.line;
        EXPECT_EQ(*GetOpenRequestStatusText(request.status) == '\0', request.status == S::Ok) << c.line;
    }
}

TEST(OpenRequest, EmbeddedZeroByteIsNotALineEnd)
{
    const std::string line("open /a\0b", 9);
    EXPECT_EQ(ParseOpenRequest(line).status, S::ControlCharacter);
}

TEST(OpenRequest, LengthLimits)
{
    const std::string longest = "/" + std::string(kMaxOpenRequestPath - 1, 'a');
    EXPECT_EQ(ParseOpenRequest("open " + longest).status, S::Ok);
    EXPECT_EQ(ParseOpenRequest("open " + longest + "a").status, S::TooLong);
    // Every byte escaped: the line is three times as long and still fits.
    std::string escaped = "open /";
    for (std::size_t i = 1; i < kMaxOpenRequestPath; ++i)
        escaped += "%61";
    EXPECT_EQ(ParseOpenRequest(escaped).status, S::Ok);
    EXPECT_EQ(ParseOpenRequest(escaped + "%61").status, S::TooLong);
    EXPECT_EQ(ParseOpenRequest("open /" + std::string(kMaxOpenRequestLine, 'a')).status, S::TooLong);
}

TEST(OpenRequest, EncodedPathsReadBackUnchanged)
{
    const std::u16string paths[] = {
        u"/tmp/a.vcl",
        u"/tmp/with space/\u00FCn\u00EF\ncode.vcl",
        u"/%41 ;=&?#+",
        u"/\U0001F600/\u4E2D\u6587.vcm",
        u"/\r\n\t\x7F",
        u"/",
    };
    for (const std::u16string& path : paths) {
        const std::string line = EncodeOpenRequest(path);
        ASSERT_EQ(line.back(), '\n');
        EXPECT_EQ(line.find_first_of(std::string("\0 \t\r", 4), 5), std::string::npos) << Utf16ToUtf8(path);
        EXPECT_EQ(line.find('\n'), line.size() - 1) << Utf16ToUtf8(path);
        const COpenRequest request = ParseOpenRequest(line);
        EXPECT_EQ(request.status, S::Ok) << line;
        EXPECT_EQ(request.path, path) << line;
    }
    EXPECT_EQ(EncodeOpenRequest(u"/a b/\u00FC"), "open /a%20b/%C3%BC\n");
    // The encoder does not judge: a zero it is given comes back refused.
    EXPECT_EQ(ParseOpenRequest(EncodeOpenRequest(std::u16string(u"/a\0b", 4))).status, S::ZeroCharacter);
}

}  // namespace
