// libFuzzer target: arbitrary bytes as an open-request line.
//
// An accepted request names a non-empty absolute path without a zero
// character, and writing that path as a request again reads back the same
// path. A refusal carries no path.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "document/open_request.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const COpenRequest request = ParseOpenRequest(line);
    if (request.status != EOpenRequestStatus::Ok) {
        if (!request.path.empty())
            std::abort();
        return 0;
    }
    const std::u16string& path = request.path;
    if (path.empty() || path.front() != u'/' || path.find(u'\0') != std::u16string::npos)
        std::abort();
    const COpenRequest again = ParseOpenRequest(EncodeOpenRequest(path));
    if (again.status != EOpenRequestStatus::Ok || again.path != path)
        std::abort();
    return 0;
}
