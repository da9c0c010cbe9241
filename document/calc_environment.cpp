#include "document/calc_environment.h"

#include "document/memory_store.h"
#include "document/number_format.h"
#include "document/preferences.h"

namespace {

// The memory cells and preferences a scratch environment owns; a base of
// it, so that they exist before the environment refers to them.
struct CScratchCopies {
    CMemoryStore memory;
    CPreferenceValues preferences;
};

class CScratchEnvironment final : private CScratchCopies, public CDocumentEnvironment {
public:
    CScratchEnvironment(const CMemoryStore& userMemory, const CPreferenceValues& userPreferences)
        : CScratchCopies{userMemory, userPreferences}, CDocumentEnvironment(memory, preferences)
    {
    }
};

}  // namespace

unsigned CDocumentEnvironment::TrigonometricUnits() const
{
    return m_preferences.Get(EPreference::TrigonometricUnits);
}

std::u16string CDocumentEnvironment::RealText(double value) const
{
    return FormatReal(value, GetResultFormat(m_preferences));
}

std::u16string CDocumentEnvironment::ComplexText(const CComplex& value) const
{
    return FormatComplex(value, GetResultFormat(m_preferences), GetImaginaryUnit(m_preferences));
}

void CDocumentEnvironment::AppendComplexText(const CComplex& value, std::u16string& out) const
{
    AppendComplex(out, value, GetResultFormat(m_preferences), GetImaginaryUnit(m_preferences));
}

CComplexTextWriter CDocumentEnvironment::ComplexTextWriter() const
{
    CComplexTextWriter writer;
    writer.upper = GetResultFormat(m_preferences) == kFormatUpper;
    writer.unit = GetImaginaryUnit(m_preferences);
    writer.environment = this;
    writer.append = [](const CComplexTextWriter& self, const CComplex& value, std::u16string& out) {
        AppendComplex(out, value, self.upper, self.unit);
    };
    if (writer.unit < 0x80) {
        writer.writeUtf8 = [](const CComplexTextWriter& self, const CComplex& value, char* out) {
            return WriteComplexUtf8(out, value, self.upper, static_cast<char>(self.unit));
        };
    }
    return writer;
}

bool CDocumentEnvironment::FindMemory(const std::u16string& name, CComplex& value)
{
    const CMemoryCell* cell = m_memory.Find(name);
    if (!cell)
        return false;
    value = cell->value;
    return true;
}

void CDocumentEnvironment::StoreMemory(const std::u16string& name, const CComplex& value)
{
    m_memory.Store(name, value);
}

NCalculatorText::CDefinitions* CDocumentEnvironment::Definitions()
{
    return &m_memory.Definitions();
}

std::unique_ptr<ICalcEnvironment> CDocumentEnvironment::Clone() const
{
    return std::make_unique<CScratchEnvironment>(m_memory, m_preferences);
}

NCalculatorText::CCalcContext MakeDocumentContext(CMemoryStore& memory, const CPreferenceValues& preferences)
{
    NCalculatorText::CCalcContext context;
    context.SetEnvironment(std::make_unique<CDocumentEnvironment>(memory, preferences));
    return context;
}

NCalculatorText::CCalcContext MakeDocumentContext()
{
    return MakeDocumentContext(MemoryStore(), Preferences());
}
