#pragma once
// The "Preferences" dialog: shows the process-wide preferences, lets the
// user change them, and copies them back on OK.

#include <QDialog>

#include <array>
#include <utility>

#include "document/preferences.h"

class QCheckBox;
class QComboBox;
class QPushButton;

class CCalcPreferencesDialog : public QDialog {
    Q_OBJECT
public:
    // The controls' ids, carried by each control as the property "controlId".
    enum EControlId {
        IdAppendFunction = 1001,
        IdAppendFunctionWith = 1002,
        IdAppendMemory = 1003,
        IdAppendMemoryWith = 1004,
        IdAppendIncludePower = 1005,
        IdFormatRandom = 1006,
        IdFormatResult = 1007,
        IdFormatMemory = 1008,
        IdFormatI = 1009,
        IdNotation = 1010,
        IdNotationCase = 1011,
        IdGammaFunction = 1012,
        IdLogPopup = 1013,
        IdTrigonometricUnits = 1014,
        IdFreeConfirmation = 1015,
        IdPartialFreeConfirmation = 1016,
        IdUseSSE2 = 1017,
        IdOk = 1018,
        IdCancel = 1019,
        IdDefault = 1020,
        IdKeypadGroup = 1021,
        IdLogGroup = 1022,
        IdCalculationGroup = 1023,
        IdLiveResult = 1024,
    };

    // The controls show the preferences handed in; OK writes them back.
    explicit CCalcPreferencesDialog(CPreferenceValues& preferences, QWidget* parent = nullptr);

    // Runs the dialog modally; true when it was closed with OK, which means
    // the preferences were updated and PreferencesChanged set. The caller
    // then refreshes what shows them (status bar, units, keypad texts).
    static bool Edit(CPreferenceValues& preferences, QWidget* parent);

    // The control with the given id, or nullptr.
    QWidget* Control(EControlId id) const;

    // Button actions, also reachable from tests.
    void SetDefaults();  // the controls only; the preferences stay as they are
    void accept() override;

private:
    std::array<std::pair<EPreference, QCheckBox*>, 6> CheckFields() const;
    std::array<std::pair<EPreference, QComboBox*>, 9> ComboFields() const;
    void ShowValues(const CPreferenceValues& values);
    void ShowFreeConfirmation(bool confirm, bool partial);
    void FreeConfirmationClicked(bool checked);

    CPreferenceValues& m_preferences;
    QCheckBox* m_appendFunction = nullptr;
    QComboBox* m_appendFunctionWith = nullptr;
    QCheckBox* m_appendMemory = nullptr;
    QComboBox* m_appendMemoryWith = nullptr;
    QCheckBox* m_appendIncludePower = nullptr;
    QComboBox* m_formatRandom = nullptr;
    QComboBox* m_formatResult = nullptr;
    QComboBox* m_formatMemory = nullptr;
    QComboBox* m_formatI = nullptr;
    QComboBox* m_notation = nullptr;
    QComboBox* m_notationCase = nullptr;
    QCheckBox* m_gammaFunction = nullptr;
    QCheckBox* m_logPopup = nullptr;
    QComboBox* m_trigonometricUnits = nullptr;
    QCheckBox* m_freeConfirmation = nullptr;
    QCheckBox* m_partialFreeConfirmation = nullptr;
    QCheckBox* m_useSse2 = nullptr;
    QCheckBox* m_liveResult = nullptr;
};
