#include "windows/frame/calc_preferences_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <optional>
#include <utility>

#include "document/preferences.h"
#include "document/qt/qt_text.h"
#include "windows/editor/calc_live_result.h"

namespace {

// The state of "Partial free confirmation as well" while "Memory free
// confirmation" is unchecked; it outlives the dialog, so reopening the
// dialog and checking the first box again brings back what the user had.
// Before anything was remembered the box comes back checked, as in the
// default table.
std::optional<bool> g_rememberedPartial;

void Tag(QWidget* widget, const char* objectName, int id)
{
    widget->setObjectName(QString::fromLatin1(objectName));
    widget->setProperty("controlId", id);
}

// The lists whose entries are words of the interface, shown translated;
// the others list spellings of the calculation language, shown as written.
[[maybe_unused]] const char* const kTranslatedItems[] = {
    QT_TRANSLATE_NOOP("CCalcPreferencesDialog", "West"),    QT_TRANSLATE_NOOP("CCalcPreferencesDialog", "East"),
    QT_TRANSLATE_NOOP("CCalcPreferencesDialog", "Lower"),   QT_TRANSLATE_NOOP("CCalcPreferencesDialog", "Upper"),
    QT_TRANSLATE_NOOP("CCalcPreferencesDialog", "Radians"), QT_TRANSLATE_NOOP("CCalcPreferencesDialog", "Degrees"),
    QT_TRANSLATE_NOOP("CCalcPreferencesDialog", "Grads"),
};

QComboBox* MakeCombo(QWidget* parent, EPreference preference, const char* objectName, int id)
{
    auto* combo = new QComboBox(parent);
    const bool words = preference == EPreference::Notation || preference == EPreference::NotationCase ||
                       preference == EPreference::TrigonometricUnits;
    for (std::u16string_view item : GetPreferenceItems(preference)) {
        const QString text = ToQString(item);
        combo->addItem(words ? CCalcPreferencesDialog::tr(text.toUtf8().constData()) : text);
    }
    Tag(combo, objectName, id);
    return combo;
}

QCheckBox* MakeCheck(QWidget* parent, const char* text, const char* objectName, int id)
{
    auto* box = new QCheckBox(CCalcPreferencesDialog::tr(text), parent);
    Tag(box, objectName, id);
    return box;
}

}  // namespace

CCalcPreferencesDialog::CCalcPreferencesDialog(CPreferenceValues& preferences, QWidget* parent)
    : QDialog(parent), m_preferences(preferences)
{
    setWindowTitle(tr("Preferences"));
    setObjectName(QStringLiteral("preferencesDialog"));

    auto* keypad = new QGroupBox(tr("Keypad"), this);
    Tag(keypad, "keypadGroup", IdKeypadGroup);
    m_appendFunction = MakeCheck(keypad, QT_TR_NOOP("Append functions with"), "appendFunction", IdAppendFunction);
    m_appendFunctionWith = MakeCombo(keypad, EPreference::AppendFunctionWith, "appendFunctionWith", IdAppendFunctionWith);
    m_appendMemory = MakeCheck(keypad, QT_TR_NOOP("Append memory with"), "appendMemory", IdAppendMemory);
    m_appendMemoryWith = MakeCombo(keypad, EPreference::AppendMemoryWith, "appendMemoryWith", IdAppendMemoryWith);
    m_appendIncludePower =
        MakeCheck(keypad, QT_TR_NOOP("including power ^"), "appendIncludePower", IdAppendIncludePower);
    m_formatRandom = MakeCombo(keypad, EPreference::FormatRandom, "formatRandom", IdFormatRandom);
    m_formatResult = MakeCombo(keypad, EPreference::FormatResult, "formatResult", IdFormatResult);
    m_formatMemory = MakeCombo(keypad, EPreference::FormatMemory, "formatMemory", IdFormatMemory);
    m_formatI = MakeCombo(keypad, EPreference::FormatI, "formatI", IdFormatI);
    m_notation = MakeCombo(keypad, EPreference::Notation, "notation", IdNotation);
    m_notationCase = MakeCombo(keypad, EPreference::NotationCase, "notationCase", IdNotationCase);
    m_gammaFunction =
        MakeCheck(keypad, QT_TR_NOOP("Gamma function instead of factorial"), "gammaFunction", IdGammaFunction);

    auto* keypadLayout = new QGridLayout(keypad);
    keypadLayout->addWidget(m_appendFunction, 0, 0);
    keypadLayout->addWidget(m_appendFunctionWith, 0, 1);
    keypadLayout->addWidget(m_appendMemory, 1, 0);
    keypadLayout->addWidget(m_appendMemoryWith, 1, 1);
    keypadLayout->addWidget(m_appendIncludePower, 2, 0, 1, 2);
    int row = 3;
    for (auto [text, combo] : {std::pair{tr("Random number format"), m_formatRandom},
                               std::pair{tr("Result format"), m_formatResult},
                               std::pair{tr("Memory format"), m_formatMemory},
                               std::pair{tr("Imaginary unit"), m_formatI},
                               std::pair{tr("Notation"), m_notation},
                               std::pair{tr("Case"), m_notationCase}}) {
        auto* label = new QLabel(text, keypad);
        label->setBuddy(combo);
        keypadLayout->addWidget(label, row, 0);
        keypadLayout->addWidget(combo, row, 1);
        ++row;
    }
    keypadLayout->addWidget(m_gammaFunction, row, 0, 1, 2);

    auto* log = new QGroupBox(tr("Log"), this);
    Tag(log, "logGroup", IdLogGroup);
    m_logPopup = MakeCheck(log, QT_TR_NOOP("Pop-up on new message if hidden"), "logPopup", IdLogPopup);
    auto* logLayout = new QVBoxLayout(log);
    logLayout->addWidget(m_logPopup);

    auto* calculation = new QGroupBox(tr("Calculation"), this);
    Tag(calculation, "calculationGroup", IdCalculationGroup);
    m_trigonometricUnits =
        MakeCombo(calculation, EPreference::TrigonometricUnits, "trigonometricUnits", IdTrigonometricUnits);
    m_freeConfirmation =
        MakeCheck(calculation, QT_TR_NOOP("Memory free confirmation"), "freeConfirmation", IdFreeConfirmation);
    m_partialFreeConfirmation = MakeCheck(calculation, QT_TR_NOOP("Partial free confirmation as well"),
                                          "partialFreeConfirmation", IdPartialFreeConfirmation);
    m_useSse2 = MakeCheck(calculation, QT_TR_NOOP("Use SSE2 processor module"), "useSse2", IdUseSSE2);
    m_useSse2->setEnabled(Sse2Available);
    m_liveResult = MakeCheck(calculation, QT_TR_NOOP("Show the result while typing"), "liveResult", IdLiveResult);
    auto* calculationLayout = new QGridLayout(calculation);
    auto* unitsLabel = new QLabel(tr("Trigonometric units"), calculation);
    unitsLabel->setBuddy(m_trigonometricUnits);
    calculationLayout->addWidget(unitsLabel, 0, 0);
    calculationLayout->addWidget(m_trigonometricUnits, 0, 1);
    calculationLayout->addWidget(m_freeConfirmation, 1, 0, 1, 2);
    calculationLayout->addWidget(m_partialFreeConfirmation, 2, 0, 1, 2);
    calculationLayout->addWidget(m_useSse2, 3, 0, 1, 2);
    calculationLayout->addWidget(m_liveResult, 4, 0, 1, 2);

    auto* ok = new QPushButton(tr("OK"), this);
    Tag(ok, "okButton", IdOk);
    ok->setDefault(true);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    Tag(cancel, "cancelButton", IdCancel);
    auto* defaults = new QPushButton(tr("Default"), this);
    Tag(defaults, "defaultButton", IdDefault);
    defaults->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(defaults);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(keypad);
    layout->addWidget(log);
    layout->addWidget(calculation);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(ok, &QPushButton::clicked, this, &CCalcPreferencesDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &CCalcPreferencesDialog::reject);
    connect(defaults, &QPushButton::clicked, this, &CCalcPreferencesDialog::SetDefaults);
    connect(m_freeConfirmation, &QCheckBox::clicked, this, &CCalcPreferencesDialog::FreeConfirmationClicked);

    ShowValues(m_preferences);
    m_liveResult->setChecked(CLiveResult::Enabled());
}

std::array<std::pair<EPreference, QCheckBox*>, 6> CCalcPreferencesDialog::CheckFields() const
{
    return {{{EPreference::AppendFunction, m_appendFunction},
             {EPreference::AppendMemory, m_appendMemory},
             {EPreference::AppendIncludePower, m_appendIncludePower},
             {EPreference::GammaFunction, m_gammaFunction},
             {EPreference::LogPopup, m_logPopup},
             {EPreference::UseSSE2, m_useSse2}}};
}

std::array<std::pair<EPreference, QComboBox*>, 9> CCalcPreferencesDialog::ComboFields() const
{
    return {{{EPreference::AppendFunctionWith, m_appendFunctionWith},
             {EPreference::AppendMemoryWith, m_appendMemoryWith},
             {EPreference::FormatRandom, m_formatRandom},
             {EPreference::FormatResult, m_formatResult},
             {EPreference::FormatMemory, m_formatMemory},
             {EPreference::FormatI, m_formatI},
             {EPreference::Notation, m_notation},
             {EPreference::NotationCase, m_notationCase},
             {EPreference::TrigonometricUnits, m_trigonometricUnits}}};
}

void CCalcPreferencesDialog::ShowValues(const CPreferenceValues& values)
{
    for (auto [preference, box] : CheckFields())
        box->setChecked(values.Get(preference) != 0);
    // A value outside a list's range (only possible when set by code) shows
    // as the default rather than as no selection.
    for (auto [preference, combo] : ComboFields())
        combo->setCurrentIndex(static_cast<int>(AcceptPreferenceValue(preference, values.Get(preference))));
    const unsigned free = values.Get(EPreference::FreeConfirmation);
    ShowFreeConfirmation(free != 0, free > 1);
}

void CCalcPreferencesDialog::SetDefaults()
{
    ShowValues(CPreferenceValues());
    m_liveResult->setChecked(true);
}

void CCalcPreferencesDialog::ShowFreeConfirmation(bool confirm, bool partial)
{
    m_freeConfirmation->setChecked(confirm);
    if (confirm) {
        m_partialFreeConfirmation->setEnabled(true);
        m_partialFreeConfirmation->setChecked(partial);
    } else {
        // While the first box is off the second shows off and cannot be
        // changed; the remembered state is left as it is.
        m_partialFreeConfirmation->setChecked(false);
        m_partialFreeConfirmation->setEnabled(false);
    }
}

void CCalcPreferencesDialog::FreeConfirmationClicked(bool checked)
{
    if (checked) {
        m_partialFreeConfirmation->setEnabled(true);
        m_partialFreeConfirmation->setChecked(g_rememberedPartial.value_or(true));
    } else {
        g_rememberedPartial = m_partialFreeConfirmation->isChecked();
        m_partialFreeConfirmation->setChecked(false);
        m_partialFreeConfirmation->setEnabled(false);
    }
}

void CCalcPreferencesDialog::accept()
{
    CPreferenceValues& values = m_preferences;
    for (auto [preference, box] : CheckFields())
        values.Set(preference, box->isChecked() ? 1u : 0u);
    for (auto [preference, combo] : ComboFields()) {
        const int index = combo->currentIndex();
        values.Set(preference, index < 0 ? GetPreferenceInfo(preference).defaultValue : static_cast<unsigned>(index));
    }
    values.Set(EPreference::FreeConfirmation,
               !m_freeConfirmation->isChecked() ? 0u : m_partialFreeConfirmation->isChecked() ? 2u : 1u);
    PreferencesChanged = true;
    CLiveResult::SetEnabled(m_liveResult->isChecked());
    // The SSE2 module would be switched here; no runtime offers one (see
    // Sse2Available), so the value is only kept.
    QDialog::accept();
}

bool CCalcPreferencesDialog::Edit(CPreferenceValues& preferences, QWidget* parent)
{
    CCalcPreferencesDialog dialog(preferences, parent);
    return dialog.exec() == QDialog::Accepted;
}

QWidget* CCalcPreferencesDialog::Control(EControlId id) const
{
    for (QWidget* widget : findChildren<QWidget*>()) {
        if (widget->property("controlId").toInt() == id)
            return widget;
    }
    return nullptr;
}
