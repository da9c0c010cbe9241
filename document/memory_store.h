#pragma once
// The memory cells of the calculator: one process-wide store, ordered by the
// UTF-16 code units of the cell names, saved as a memory file that is itself
// a calculation text of store statements.

#include <cstddef>
#include <map>
#include <string>

#include "numeric/complex.h"

struct CMemoryCell {
    std::u16string name;
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

    // Erases every cell, or the included ones only; sets the refresh-needed
    // flag.
    void FreeMemory(EMemorySelection selection);
    // The memory file as text, starting with U+FEFF: one line
    // "value->Mem[name];" CR LF per cell, in the order of the names, the
    // value written with "%.20g" and "i" whatever the preferences say.
    // Written two bytes per code unit, little-endian, it is the file.
    std::u16string BuildMemoryFileText(EMemorySelection selection) const;

    std::size_t Count() const { return m_cells.size(); }
    const CCells& Cells() const { return m_cells; }

    // Read and cleared by the memory pane when it refreshes.
    bool TakeRefreshNeeded();
    bool RefreshNeeded() const { return m_refreshNeeded; }

private:
    CCells m_cells;
    bool m_refreshNeeded = false;
};

// The one process-wide store.
CMemoryStore& MemoryStore();
