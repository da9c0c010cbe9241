#include "document/memory_store.h"

#include "document/number_format.h"

const CMemoryCell* CMemoryStore::Find(const std::u16string& name)
{
    const auto found = m_cells.find(name);
    if (found == m_cells.end())
        return nullptr;
    m_refreshNeeded = true;
    return &found->second;
}

void CMemoryStore::Store(const std::u16string& name, const CComplex& value)
{
    auto found = m_cells.find(name);
    if (found == m_cells.end())
        found = m_cells.emplace(name, CMemoryCell{name, CComplex(), false}).first;
    found->second.value = value;
    m_refreshNeeded = true;
}

bool CMemoryStore::SetIncluded(const std::u16string& name, bool included)
{
    const auto found = m_cells.find(name);
    if (found == m_cells.end())
        return false;
    found->second.included = included;
    return true;
}

void CMemoryStore::FreeMemory(EMemorySelection selection)
{
    m_refreshNeeded = true;
    if (selection == EMemorySelection::All) {
        m_cells.clear();
        return;
    }
    std::erase_if(m_cells, [](const auto& entry) { return entry.second.included; });
}

std::u16string CMemoryStore::BuildMemoryFileText(EMemorySelection selection) const
{
    // Fixed format and unit letter, whatever the preferences say, so that the
    // file reads back the same everywhere; seventeen significant digits
    // identify every double.
    std::u16string text(1, u'\uFEFF');
    for (const auto& [name, cell] : m_cells) {
        if (selection == EMemorySelection::IncludedOnly && !cell.included)
            continue;
        text += FormatComplex(cell.value, kFormatLower, u'i');
        text += u"->Mem[";
        text += name;
        text += u"];\r\n";
    }
    return text;
}

bool CMemoryStore::TakeRefreshNeeded()
{
    const bool needed = m_refreshNeeded;
    m_refreshNeeded = false;
    return needed;
}

CMemoryStore& MemoryStore()
{
    static CMemoryStore store;
    return store;
}
