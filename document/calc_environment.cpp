#include "document/calc_environment.h"

#include "document/memory_store.h"
#include "document/number_format.h"
#include "document/preferences.h"

namespace {

CDocumentEnvironment DocumentEnvironment;

}  // namespace

unsigned CDocumentEnvironment::TrigonometricUnits() const
{
    return Preferences().Get(EPreference::TrigonometricUnits);
}

std::u16string CDocumentEnvironment::RealText(double value) const
{
    return FormatReal(value, GetResultFormat());
}

std::u16string CDocumentEnvironment::ComplexText(const CComplex& value) const
{
    return FormatComplex(value, GetResultFormat(), GetImaginaryUnit());
}

bool CDocumentEnvironment::FindMemory(const std::u16string& name, CComplex& value)
{
    const CMemoryCell* cell = MemoryStore().Find(name);
    if (!cell)
        return false;
    value = cell->value;
    return true;
}

void CDocumentEnvironment::StoreMemory(const std::u16string& name, const CComplex& value)
{
    MemoryStore().Store(name, value);
}

void UseDocumentEnvironment()
{
    RunState().environment = &DocumentEnvironment;
}
