#pragma once
// The user's document as the calculations see it: the preferences give the
// trigonometric units and the way numbers are written, the memory store
// holds the cells. Installed in the run state before every calculation of
// the document.

#include "numeric/status.h"

class CDocumentEnvironment : public ICalcEnvironment {
public:
    unsigned TrigonometricUnits() const override;
    std::u16string RealText(double value) const override;
    std::u16string ComplexText(const CComplex& value) const override;
    bool FindMemory(const std::u16string& name, CComplex& value) override;
    void StoreMemory(const std::u16string& name, const CComplex& value) override;
};

// Makes the document's environment the run state's; a calculation of the
// user's text starts with it.
void UseDocumentEnvironment();
