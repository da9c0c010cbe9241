#include "document/open_request.h"

#include "document/utf.h"

namespace {

constexpr std::string_view kWord = "open ";

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Bytes that the encoder writes as they are.
bool IsPlain(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~' || c == '/';
}

}  // namespace

COpenRequest ParseOpenRequest(std::string_view line)
{
    COpenRequest request;
    while (!line.empty() && IsBlank(line.front()))
        line.remove_prefix(1);
    while (!line.empty() && IsBlank(line.back()))
        line.remove_suffix(1);
    if (line.size() > kMaxOpenRequestLine) {
        request.status = EOpenRequestStatus::TooLong;
        return request;
    }
    if (line.substr(0, kWord.size()) != kWord) {
        request.status = EOpenRequestStatus::NotARequest;
        return request;
    }
    line.remove_prefix(kWord.size());

    std::string bytes;
    bytes.reserve(line.size());
    for (std::size_t i = 0; i < line.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(line[i]);
        if (c == '%') {
            const bool room = line.size() - i > 2;
            const int high = room ? HexValue(line[i + 1]) : -1;
            const int low = room ? HexValue(line[i + 2]) : -1;
            if (high < 0 || low < 0) {
                request.status = EOpenRequestStatus::BadEscape;
                return request;
            }
            bytes.push_back(static_cast<char>(high * 16 + low));
            i += 2;
        } else if (c < 0x20 || c == 0x7F) {
            request.status = EOpenRequestStatus::ControlCharacter;
            return request;
        } else {
            bytes.push_back(static_cast<char>(c));
        }
    }
    if (bytes.size() > kMaxOpenRequestPath) {
        request.status = EOpenRequestStatus::TooLong;
        return request;
    }
    if (bytes.find('\0') != std::string::npos) {
        request.status = EOpenRequestStatus::ZeroCharacter;
        return request;
    }
    if (!StrictUtf8ToUtf16(bytes, request.path)) {
        request.path.clear();
        request.status = EOpenRequestStatus::NotUtf8;
        return request;
    }
    if (request.path.empty() || request.path.front() != u'/') {
        request.path.clear();
        request.status = EOpenRequestStatus::NotAbsolute;
        return request;
    }
    request.status = EOpenRequestStatus::Ok;
    return request;
}

std::string EncodeOpenRequest(std::u16string_view path)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string line(kWord);
    for (const char byte : Utf16ToUtf8(path)) {
        const unsigned char c = static_cast<unsigned char>(byte);
        if (IsPlain(c)) {
            line.push_back(byte);
        } else {
            line.push_back('%');
            line.push_back(kHex[c >> 4]);
            line.push_back(kHex[c & 0x0F]);
        }
    }
    line.push_back('\n');
    return line;
}

const char* GetOpenRequestStatusText(EOpenRequestStatus status)
{
    switch (status) {
    case EOpenRequestStatus::Ok:
        return "";
    case EOpenRequestStatus::NotARequest:
        return "not an open request";
    case EOpenRequestStatus::BadEscape:
        return "a \"%\" without two hexadecimal digits";
    case EOpenRequestStatus::ControlCharacter:
        return "a control character in the path";
    case EOpenRequestStatus::NotUtf8:
        return "the path is not UTF-8";
    case EOpenRequestStatus::ZeroCharacter:
        return "a zero character in the path";
    case EOpenRequestStatus::NotAbsolute:
        return "the path is not absolute";
    case EOpenRequestStatus::TooLong:
        return "the path is too long";
    }
    return "not an open request";
}
