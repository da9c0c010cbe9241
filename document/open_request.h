#pragma once
// The message of an open request: the one line a program sends to a
// calculator waiting for requests (windows/desktop/single_instance.h) to make it
// open a file.
//
//   open <path>\n
//
// The path is absolute, in UTF-8, with every byte outside the letters,
// digits and "-._~/" written as "%" and two hexadecimal digits. Blanks
// around the line and a CR before the LF are ignored. A request is refused
// as a whole when anything in it is not so: a missing or misspelt word,
// a "%" without two hexadecimal digits, a control character, bytes that
// are not UTF-8, a zero character (which would cut the path short and
// name another file), a relative or empty path, or a path longer than
// kMaxOpenRequestPath bytes.

#include <cstddef>
#include <string>
#include <string_view>

enum class EOpenRequestStatus {
    Ok,
    NotARequest,  // not "open " and a path
    BadEscape,  // "%" without two hexadecimal digits
    ControlCharacter,  // a raw control character inside the path
    NotUtf8,  // the decoded bytes are not UTF-8
    ZeroCharacter,  // U+0000 in the path
    NotAbsolute,  // an empty path, or one that does not start with "/"
    TooLong,  // more than kMaxOpenRequestPath bytes
};

// The longest path a request may carry, in UTF-8 bytes.
inline constexpr std::size_t kMaxOpenRequestPath = 4096;
// The longest request line, its escapes included.
inline constexpr std::size_t kMaxOpenRequestLine = 3 * kMaxOpenRequestPath + 16;

struct COpenRequest {
    EOpenRequestStatus status = EOpenRequestStatus::NotARequest;
    std::u16string path;  // set when status is Ok
};

// Reads one request line (with or without its line end).
COpenRequest ParseOpenRequest(std::string_view line);

// The request line for a path, line end included.
std::string EncodeOpenRequest(std::u16string_view path);

// A short English reason for a refusal, for the program's log; empty for Ok.
const char* GetOpenRequestStatusText(EOpenRequestStatus status);
