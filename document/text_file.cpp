#include "document/text_file.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "document/utf.h"
#include "language/calculate.h"

const char* GetFileResultText(EFileResult result)
{
    switch (result) {
    case EFileResult::CannotOpen:
        return "Cannot open the file for reading";
    case EFileResult::CannotRead:
        return "Cannot read the file";
    case EFileResult::CannotWrite:
        return "Cannot open the file for writing";
    case EFileResult::Ok:
        break;
    }
    return "";
}

std::u16string DecodeUtf16File(std::string_view bytes)
{
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto unit = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                (static_cast<unsigned char>(bytes[i + 1]) << 8));
        if (unit == 0)
            break;
        if (unit != u'\uFEFF')
            text.push_back(unit);
    }
    return text;
}

std::u16string DecodeTextFile(std::string_view bytes)
{
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE)
        return DecodeUtf16File(bytes);
    if (bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
        static_cast<unsigned char>(bytes[1]) == 0xBB && static_cast<unsigned char>(bytes[2]) == 0xBF)
        bytes.remove_prefix(3);
    return Utf8ToUtf16(bytes);
}

std::string EncodeUtf16File(std::u16string_view text)
{
    std::string bytes;
    bytes.reserve(2 * text.size() + 2);
    auto put = [&bytes](char16_t unit) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    };
    if (text.empty() || text.front() != u'\uFEFF')
        put(u'\uFEFF');
    for (char16_t unit : text)
        put(unit);
    return bytes;
}

EFileResult ReadFileBytes(const std::string& path, std::string& bytes)
{
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        return EFileResult::CannotRead;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return EFileResult::CannotOpen;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad())
        return EFileResult::CannotRead;
    return EFileResult::Ok;
}

EFileResult WriteFileReplacing(const std::string& path, std::string_view bytes)
{
    namespace fs = std::filesystem;
    const fs::path target(path);
    fs::path temporary = target;
    temporary += ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
            return EFileResult::CannotWrite;
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            out.close();
            std::error_code ignored;
            fs::remove(temporary, ignored);
            return EFileResult::CannotWrite;
        }
    }
    std::error_code error;
    fs::rename(temporary, target, error);
    if (error) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return EFileResult::CannotWrite;
    }
    return EFileResult::Ok;
}

bool ExecuteCalculationText(std::u16string text)
{
    std::erase(text, u'\uFEFF');
    std::ptrdiff_t cursor = -1;
    return NCalculatorText::CalculateText(text, cursor);
}
