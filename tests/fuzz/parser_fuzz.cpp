// libFuzzer target: the tokenizing parser against the rewriting parser. Any
// text (UTF-8) must give both the same tree or both a syntax error, apart
// from the rewriting parser's own depth limit.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "document/utf.h"
#include "support/parse_compare.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::u16string text = Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(data), size));
    const std::string difference = NParseCompare::CompareParsers(text);
    if (!difference.empty()) {
        std::fprintf(stderr, "the parsers differ:\n%s\n", difference.c_str());
        std::abort();
    }
    return 0;
}
