// libFuzzer target: arbitrary texts through the calculation run.
//
// The first byte chooses the units, the letter case of numbers and whether
// one statement (at a cursor taken from the second byte) or all of them are
// calculated; the rest is the text, UTF-8 or UTF-16 as a file would be read.
// The text is calculated twice, with the fast evaluation of plain
// statements and series terms and on the checked path alone: the texts, cursors, results, logs, memory
// cells and last values must agree to the bit (unless the work budget
// cancelled one of them, which depends on how many polls each made).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "document/batch_text.h"
#include "document/calc_environment.h"
#include "document/memory_store.h"
#include "document/preferences.h"
#include "document/text_file.h"
#include "language/calculate.h"
#include "support/shared_random.h"
#include "work_budget.h"

namespace {

class CLogText final : public ILogReceiver {
public:
    void AddMessage(const CCalcMessage& message) override
    {
        text += static_cast<char16_t>(u'0' + message.severity);
        text += message.context;
        text += message.description;
        text += u'\n';
        cancelled = cancelled || message.description == u"Calculation cancelled";
    }
    void StartCalculation() override { text.clear(); }
    std::u16string text;
    bool cancelled = false;
};

struct CRun {
    std::u16string text;
    std::ptrdiff_t cursor = 0;
    bool ok = false;
    CLogText log;
    std::u16string memory;
    CComplex previous;
};

void Run(CRun& run, std::u16string text, std::ptrdiff_t cursor, bool fastEvaluation)
{
    MemoryStore().FreeMemory(EMemorySelection::All);
    NCalculatorText::CCalcContext context = MakeDocumentContext();
    context.fastEvaluation = fastEvaluation;
    context.random = SharedRandom();
    context.run.logReceiver = &run.log;
    CFuzzWorkBudget budget(context.run, 16);
    run.ok = NCalculatorText::CalculateText(context, text, cursor);
    run.text = std::move(text);
    run.cursor = cursor;
    run.memory = MemoryStore().BuildMemoryFileText(EMemorySelection::All);
    run.previous = context.previousResult;
}

// "Calculate all" over a file's bytes as the command line runs it (plain
// statements on the bytes themselves, the rest decoded a part at a time)
// against the run over the whole decoded text with its line breaks put
// back. The bytes lie in the fuzzer's memory of exactly their size.
void CompareBatch(std::string_view bytes)
{
    std::u16string text;
    std::vector<ELineBreak> breaks;
    AppendEditorLineBreaks(DecodeTextFile(bytes), text, breaks);
    CLogText wholeLog;
    MemoryStore().FreeMemory(EMemorySelection::All);
    bool wholeOk = false;
    std::string whole;
    {
        NCalculatorText::CCalcContext context = MakeDocumentContext();
        context.random = SharedRandom();
        context.run.logReceiver = &wholeLog;
        CFuzzWorkBudget budget(context.run, 16);
        std::ptrdiff_t cursor = -1;
        wholeOk = NCalculatorText::CalculateText(context, text, cursor);
        AppendOriginalLineBreaks(text, breaks, 0, whole);
    }
    CLogText batchLog;
    MemoryStore().FreeMemory(EMemorySelection::All);
    bool batchOk = false;
    std::string batch;
    {
        NCalculatorText::CCalcContext context = MakeDocumentContext();
        context.random = SharedRandom();
        context.run.logReceiver = &batchLog;
        CFuzzWorkBudget budget(context.run, 16);
        batchOk = CalculateAllBytes(context, bytes, batch);
    }
    if (!wholeLog.cancelled && !batchLog.cancelled &&
        (whole != batch || wholeOk != batchOk || wholeLog.text != batchLog.text))
        std::abort();
}

}  // namespace

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
    CRun fast;
    Run(fast, text, cursor, true);
    CRun checked;
    Run(checked, text, cursor, false);
    if (!fast.log.cancelled && !checked.log.cancelled &&
        (fast.text != checked.text || fast.cursor != checked.cursor || fast.ok != checked.ok ||
         fast.log.text != checked.log.text || fast.memory != checked.memory ||
         std::memcmp(&fast.previous, &checked.previous, sizeof(CComplex)) != 0))
        std::abort();
    const bool ok = fast.ok;
    text = fast.text;
    cursor = fast.cursor;

    // After a run the cursor stands inside the text (at its end when every
    // statement ran); after a failure it has not moved.
    if (ok && (cursor < 0 || static_cast<std::size_t>(cursor) > text.size()))
        std::abort();
    if (ok && before == -1 && static_cast<std::size_t>(cursor) != text.size())
        std::abort();
    if (!ok && cursor != before)
        std::abort();
    if (before == -1)
        CompareBatch(std::string_view(reinterpret_cast<const char*>(data + 2), size - 2));
    return 0;
}
