// libFuzzer target: arbitrary bytes through the memory-file loader.
//
// Whatever a loaded file stored, saving the memory and loading that file
// into an empty store must give the same memory file again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "document/memory_store.h"
#include "document/preferences.h"
#include "document/text_file.h"
#include "language/node.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool initialised = [] {
        NCalculatorText::SetSeriesTurnLimit(20'000);
        return true;
    }();
    (void)initialised;

    Preferences().SetDefaults();
    CMemoryStore& store = MemoryStore();
    store.FreeMemory(EMemorySelection::All);

    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ExecuteCalculationText(DecodeUtf16File(bytes));

    const std::u16string saved = store.BuildMemoryFileText(EMemorySelection::All);
    const std::string file = EncodeUtf16File(saved);
    store.FreeMemory(EMemorySelection::All);
    if (!ExecuteCalculationText(DecodeUtf16File(file)))
        std::abort();
    if (store.BuildMemoryFileText(EMemorySelection::All) != saved)
        std::abort();
    return 0;
}
