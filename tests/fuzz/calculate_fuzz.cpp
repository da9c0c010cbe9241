// libFuzzer target: arbitrary texts through the calculation run.
//
// The first byte chooses the units, the letter case of numbers and whether
// one statement (at a cursor taken from the second byte) or all of them are
// calculated; the rest is the text, UTF-8 or UTF-16 as a file would be read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "document/calc_environment.h"
#include "document/memory_store.h"
#include "document/preferences.h"
#include "document/text_file.h"
#include "language/calculate.h"
#include "work_budget.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;

    const std::uint8_t mode = data[0];
    Preferences().SetDefaults();
    Preferences().Set(EPreference::TrigonometricUnits, mode % 3);
    Preferences().Set(EPreference::NotationCase, (mode >> 2) & 1);
    Preferences().Set(EPreference::FormatI, (mode >> 3) & 1);
    MemoryStore().FreeMemory(EMemorySelection::All);

    std::u16string text = DecodeTextFile(std::string_view(reinterpret_cast<const char*>(data + 2), size - 2));
    const std::size_t length = text.size();
    std::ptrdiff_t cursor = (mode & 0x10) ? static_cast<std::ptrdiff_t>(data[1] % (length + 1)) : -1;
    const std::ptrdiff_t before = cursor;
    NCalculatorText::CCalcContext context = MakeDocumentContext();
    CFuzzWorkBudget budget(context.run, 16);
    const bool ok = NCalculatorText::CalculateText(context, text, cursor);

    // After a run the cursor stands inside the text (at its end when every
    // statement ran); after a failure it has not moved.
    if (ok && (cursor < 0 || static_cast<std::size_t>(cursor) > text.size()))
        std::abort();
    if (ok && before == -1 && static_cast<std::size_t>(cursor) != text.size())
        std::abort();
    if (!ok && cursor != before)
        std::abort();
    return 0;
}
