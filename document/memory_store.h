#pragma once
// The memory cells of the calculator: one process-wide store, ordered by the
// UTF-16 code units of the cell names, saved as a memory file that is itself
// a calculation text of store statements.

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "language/definitions.h"
#include "numeric/complex.h"

// A cell's name is its key in the store; the cell holds what goes with it.
struct CMemoryCell {
    CComplex value;
    bool included = false;
};

enum class EMemorySelection { All, IncludedOnly };

class CMemoryStore {
public:
    using CCells = std::map<std::u16string, CMemoryCell>;

    // Looks a cell up without creating it; sets the refresh-needed flag when
    // the cell exists.
    const CMemoryCell* Find(const std::u16string& name);
    // Finds or creates (value 0, not included) a cell and stores a value in
    // it; sets the refresh-needed flag.
    void Store(const std::u16string& name, const CComplex& value);
    // Marks a cell included or not; false when there is no such cell.
    bool SetIncluded(const std::u16string& name, bool included);

    // Erases every cell and every definition, or the included cells only;
    // sets the refresh-needed flag.
    void FreeMemory(EMemorySelection selection);
    // The memory file as text, starting with U+FEFF: one line
    // "value->Mem[name];" CR LF per cell, in the order of the names, the
    // value written with "%.20g" and "i" whatever the preferences say.
    // Of all the memory, a line per definition follows, in the order of the
    // names: "name := value;" for a value (written like a cell's) and
    // "f(x, y) := expression;" for a function. Written two bytes per code
    // unit, little-endian, it is the file.
    std::u16string BuildMemoryFileText(EMemorySelection selection) const;

    // The defined values and functions, which belong to the memory.
    NCalculatorText::CDefinitions& Definitions() { return m_definitions; }
    const NCalculatorText::CDefinitions& Definitions() const { return m_definitions; }
    // Removes a definition; sets the refresh-needed flag. False when the
    // name has none.
    bool RemoveDefinition(std::u16string_view name);
    // Whether there is anything to save or free: a cell or a definition.
    bool Empty() const { return m_cells.empty() && m_definitions.Empty(); }

    std::size_t Count() const { return m_cells.size(); }
    const CCells& Cells() const { return m_cells; }

    // Read and cleared by the memory pane when it refreshes.
    // A change of the definitions counts as well.
    bool TakeRefreshNeeded();
    bool RefreshNeeded() const { return m_refreshNeeded || m_definitions.Generation() != m_seenGeneration; }

private:
    CCells m_cells;
    NCalculatorText::CDefinitions m_definitions;
    // The generation of the definitions at the last refresh.
    std::uint64_t m_seenGeneration = 0;
    bool m_refreshNeeded = false;
};

// The one process-wide store.
CMemoryStore& MemoryStore();

// One line of a memory file as the store writes it: the value the store
// statement computes, the name of its cell, and the length of the statement
// as the calculation run hands it over (the line break before it included).
struct CMemoryFileLine {
    CComplex value;
    std::u16string_view name;
    std::size_t statementLength = 0;
};

// Reads a text that is exactly what BuildMemoryFileText writes (without its
// U+FEFF): lines "value->Mem[name];" CR LF, each value in the form
// FormatComplex gives it with "%.20g" and "i", each name free of anything
// the calculation text would read in a special way (brackets, "$", "=",
// ";", "/", letters A to Z, line breaks, white space at its ends). The
// values are computed with the same operations, in the same order, as the
// evaluation of the store statements, so they are the same bit for bit.
// False, with lines unspecified, for any other text; such a text is
// executed as the calculation text it is.
bool ReadMemoryFileLines(std::u16string_view text, std::vector<CMemoryFileLine>& lines);
