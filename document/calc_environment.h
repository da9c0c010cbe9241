#pragma once
// The user's document as the calculations see it: the preferences give the
// trigonometric units and the way numbers are written, the memory store
// holds the cells. A calculation context made here works on them.

#include "language/calc_context.h"
#include "numeric/status.h"

class CMemoryStore;
class CPreferenceValues;

class CDocumentEnvironment : public ICalcEnvironment {
public:
    CDocumentEnvironment(CMemoryStore& memory, const CPreferenceValues& preferences)
        : m_memory(memory), m_preferences(preferences)
    {
    }

    unsigned TrigonometricUnits() const override;
    std::u16string RealText(double value) const override;
    std::u16string ComplexText(const CComplex& value) const override;
    void AppendComplexText(const CComplex& value, std::u16string& out) const override;
    // The preferences as they stand now; a run must not outlive a change.
    CComplexTextWriter ComplexTextWriter() const override;
    bool FindMemory(const std::u16string& name, CComplex& value) override;
    void StoreMemory(const std::u16string& name, const CComplex& value) override;
    // The memory store's definitions; the store is told of every change.
    NCalculatorText::CDefinitions* Definitions() override;
    // Copies of the memory cells and of the preferences as they stand now.
    std::unique_ptr<ICalcEnvironment> Clone() const override;

private:
    CMemoryStore& m_memory;
    const CPreferenceValues& m_preferences;
};

// A calculation context over a memory store and a set of preferences: by
// default the user's own, which the application's document calculates in.
NCalculatorText::CCalcContext MakeDocumentContext();
NCalculatorText::CCalcContext MakeDocumentContext(CMemoryStore& memory, const CPreferenceValues& preferences);
