// libFuzzer target: arbitrary bytes through the memory-file loader.
//
// Whatever a loaded file stored, saving the memory and loading that file
// into an empty store must give the same memory file again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "document/calc_environment.h"
#include "document/memory_store.h"
#include "document/preferences.h"
#include "document/text_file.h"
#include "work_budget.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const CPreferenceValues preferences;
    CMemoryStore store;
    NCalculatorText::CCalcContext context = MakeDocumentContext(store, preferences);

    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    {
        CFuzzWorkBudget budget(context.run, 16);
        ExecuteCalculationText(context, DecodeUtf16File(bytes));
    }

    const std::u16string saved = store.BuildMemoryFileText(EMemorySelection::All);
    const std::string file = EncodeUtf16File(saved);
    store.FreeMemory(EMemorySelection::All);
    if (!ExecuteCalculationText(context, DecodeUtf16File(file)))
        std::abort();
    if (store.BuildMemoryFileText(EMemorySelection::All) != saved)
        std::abort();
    return 0;
}
