// The Preferences dialog driven through its own widgets.
#include "windows/frame/calc_preferences_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>
#include <set>

#include "document/preferences.h"
#include "document/qt/preferences_store.h"
#include "support/fresh_state.h"
#include "support/preference_names.h"

namespace {

using Dialog = CCalcPreferencesDialog;

class PreferencesDialog : public ::testing::Test {
protected:
    CFreshState fresh;

    void SetUp() override
    {
        PreferencesChanged = false;
        Sse2Available = false;
    }
    void TearDown() override
    {
        dialog.reset();
        PreferencesChanged = false;
        Sse2Available = false;
    }

    void Open()
    {
        dialog = std::make_unique<Dialog>(Preferences());
        dialog->show();
    }
    QCheckBox* Check(Dialog::EControlId id) const
    {
        auto* box = qobject_cast<QCheckBox*>(dialog->Control(id));
        EXPECT_NE(box, nullptr) << id;
        return box;
    }
    QComboBox* Combo(Dialog::EControlId id) const
    {
        auto* combo = qobject_cast<QComboBox*>(dialog->Control(id));
        EXPECT_NE(combo, nullptr) << id;
        return combo;
    }
    void Click(Dialog::EControlId id) const
    {
        auto* button = qobject_cast<QAbstractButton*>(dialog->Control(id));
        ASSERT_NE(button, nullptr) << id;
        button->click();
    }
    QStringList Items(Dialog::EControlId id) const
    {
        QStringList items;
        QComboBox* combo = Combo(id);
        for (int i = 0; combo && i < combo->count(); ++i)
            items << combo->itemText(i);
        return items;
    }
    // The two free-confirmation boxes as "checked/enabled" pairs.
    std::string FreeBoxes() const
    {
        auto state = [](QCheckBox* box) {
            return std::string(box->isChecked() ? "on" : "off") + (box->isEnabled() ? "" : "(disabled)");
        };
        return state(Check(Dialog::IdFreeConfirmation)) + " " + state(Check(Dialog::IdPartialFreeConfirmation));
    }

    std::unique_ptr<Dialog> dialog;
};

}  // namespace

TEST_F(PreferencesDialog, TextsIdsAndChoiceLists)
{
    Open();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Preferences"));

    QStringList groups;
    for (QGroupBox* group : dialog->findChildren<QGroupBox*>())
        groups << group->title();
    EXPECT_EQ(groups, (QStringList{"Keypad", "Log", "Calculation"}));

    const std::pair<Dialog::EControlId, const char*> checks[] = {
        {Dialog::IdAppendFunction, "Append functions with"},
        {Dialog::IdAppendMemory, "Append memory with"},
        {Dialog::IdAppendIncludePower, "including power ^"},
        {Dialog::IdGammaFunction, "Gamma function instead of factorial"},
        {Dialog::IdLogPopup, "Pop-up on new message if hidden"},
        {Dialog::IdFreeConfirmation, "Memory free confirmation"},
        {Dialog::IdPartialFreeConfirmation, "Partial free confirmation as well"},
        {Dialog::IdUseSSE2, "Use SSE2 processor module"},
    };
    for (auto [id, text] : checks)
        EXPECT_EQ(Check(id)->text(), QString::fromUtf8(text)) << id;

    const std::pair<Dialog::EControlId, const char*> buttons[] = {
        {Dialog::IdOk, "OK"}, {Dialog::IdCancel, "Cancel"}, {Dialog::IdDefault, "Default"}};
    for (auto [id, text] : buttons) {
        auto* button = qobject_cast<QPushButton*>(dialog->Control(id));
        ASSERT_NE(button, nullptr) << id;
        EXPECT_EQ(button->text(), QString::fromUtf8(text));
    }

    // Each list with the label that names it.
    const std::tuple<Dialog::EControlId, const char*, QStringList> lists[] = {
        {Dialog::IdAppendFunctionWith, nullptr, {"(", "[", "{"}},
        {Dialog::IdAppendMemoryWith, nullptr, {"(", "[", "{"}},
        {Dialog::IdFormatRandom, "Random number format", {"Rand", "rand", "RAND", "Random", "random", "RANDOM"}},
        {Dialog::IdFormatResult, "Result format", {"Rslt", "rslt", "RSLT", "Result", "result", "RESULT"}},
        {Dialog::IdFormatMemory, "Memory format", {"Mem", "mem", "MEM", "Memory", "memory", "MEMORY"}},
        {Dialog::IdFormatI, "Imaginary unit", {"i", "j"}},
        {Dialog::IdNotation, "Notation", {"West", "East"}},
        {Dialog::IdNotationCase, "Case", {"Lower", "Upper"}},
        {Dialog::IdTrigonometricUnits, "Trigonometric units", {"Radians", "Degrees", "Grads"}},
    };
    for (const auto& [id, label, items] : lists) {
        EXPECT_EQ(Items(id), items) << id;
        if (!label)
            continue;
        QString labelText;
        for (QLabel* candidate : dialog->findChildren<QLabel*>()) {
            if (candidate->buddy() == Combo(id))
                labelText = candidate->text();
        }
        EXPECT_EQ(labelText, QString::fromUtf8(label)) << id;
    }

    // Every id names one control, and the object names are distinct.
    std::set<QString> names;
    for (int id = Dialog::IdAppendFunction; id <= Dialog::IdCalculationGroup; ++id) {
        QWidget* control = dialog->Control(static_cast<Dialog::EControlId>(id));
        ASSERT_NE(control, nullptr) << id;
        EXPECT_FALSE(control->objectName().isEmpty()) << id;
        names.insert(control->objectName());
    }
    EXPECT_EQ(names.size(), static_cast<std::size_t>(Dialog::IdCalculationGroup - Dialog::IdAppendFunction + 1));
}

TEST_F(PreferencesDialog, OpensShowingTheCurrentPreferences)
{
    Open();
    EXPECT_TRUE(Check(Dialog::IdAppendFunction)->isChecked());
    EXPECT_TRUE(Check(Dialog::IdAppendMemory)->isChecked());
    EXPECT_TRUE(Check(Dialog::IdAppendIncludePower)->isChecked());
    EXPECT_EQ(Combo(Dialog::IdAppendFunctionWith)->currentText(), QStringLiteral("("));
    EXPECT_EQ(Combo(Dialog::IdAppendMemoryWith)->currentText(), QStringLiteral("["));
    EXPECT_FALSE(Check(Dialog::IdGammaFunction)->isChecked());
    EXPECT_TRUE(Check(Dialog::IdLogPopup)->isChecked());
    EXPECT_EQ(Combo(Dialog::IdTrigonometricUnits)->currentText(), QStringLiteral("Radians"));
    EXPECT_EQ(FreeBoxes(), "on on");

    Preferences() = Unusual();
    Preferences().Set(EPreference::AppendFunction, 7);  // any value but 0 is on
    Open();
    EXPECT_TRUE(Check(Dialog::IdAppendFunction)->isChecked());
    EXPECT_FALSE(Check(Dialog::IdAppendMemory)->isChecked());
    EXPECT_FALSE(Check(Dialog::IdAppendIncludePower)->isChecked());
    EXPECT_EQ(Combo(Dialog::IdAppendFunctionWith)->currentText(), QStringLiteral("{"));
    EXPECT_EQ(Combo(Dialog::IdAppendMemoryWith)->currentText(), QStringLiteral("("));
    EXPECT_EQ(Combo(Dialog::IdFormatRandom)->currentText(), QStringLiteral("RANDOM"));
    EXPECT_EQ(Combo(Dialog::IdFormatResult)->currentText(), QStringLiteral("result"));
    EXPECT_EQ(Combo(Dialog::IdFormatMemory)->currentText(), QStringLiteral("Memory"));
    EXPECT_EQ(Combo(Dialog::IdFormatI)->currentText(), QStringLiteral("j"));
    EXPECT_TRUE(Check(Dialog::IdGammaFunction)->isChecked());
    EXPECT_EQ(Combo(Dialog::IdNotation)->currentText(), QStringLiteral("East"));
    EXPECT_EQ(Combo(Dialog::IdNotationCase)->currentText(), QStringLiteral("Upper"));
    EXPECT_FALSE(Check(Dialog::IdLogPopup)->isChecked());
    EXPECT_EQ(Combo(Dialog::IdTrigonometricUnits)->currentText(), QStringLiteral("Grads"));
    EXPECT_TRUE(Check(Dialog::IdUseSSE2)->isChecked());
    EXPECT_EQ(FreeBoxes(), "on off");

    Preferences().Set(EPreference::FreeConfirmation, 0);
    Open();
    EXPECT_EQ(FreeBoxes(), "off off(disabled)");
    Preferences().Set(EPreference::FreeConfirmation, 5);
    Open();
    EXPECT_EQ(FreeBoxes(), "on on");
}

TEST_F(PreferencesDialog, DefaultSetsTheControlsAndCancelKeepsThePreferences)
{
    Preferences() = Unusual();
    Preferences().Set(EPreference::FreeConfirmation, 0);
    const CPreferenceValues before = Preferences();
    Open();
    Click(Dialog::IdDefault);
    EXPECT_EQ(Preferences(), before) << "Default changes the controls only";
    EXPECT_FALSE(PreferencesChanged);
    EXPECT_TRUE(Check(Dialog::IdAppendFunction)->isChecked());
    EXPECT_TRUE(Check(Dialog::IdAppendMemory)->isChecked());
    EXPECT_TRUE(Check(Dialog::IdAppendIncludePower)->isChecked());
    EXPECT_EQ(Combo(Dialog::IdAppendFunctionWith)->currentIndex(), 0);
    EXPECT_EQ(Combo(Dialog::IdAppendMemoryWith)->currentIndex(), 1);
    for (Dialog::EControlId id : {Dialog::IdFormatRandom, Dialog::IdFormatResult, Dialog::IdFormatMemory,
                                  Dialog::IdFormatI, Dialog::IdNotation, Dialog::IdNotationCase,
                                  Dialog::IdTrigonometricUnits})
        EXPECT_EQ(Combo(id)->currentIndex(), 0) << id;
    EXPECT_FALSE(Check(Dialog::IdGammaFunction)->isChecked());
    EXPECT_TRUE(Check(Dialog::IdLogPopup)->isChecked());
    EXPECT_FALSE(Check(Dialog::IdUseSSE2)->isChecked());
    EXPECT_EQ(FreeBoxes(), "on on");

    Click(Dialog::IdCancel);
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(Preferences(), before);
    EXPECT_FALSE(PreferencesChanged);

    // Default then OK: the defaults become the preferences.
    Open();
    Click(Dialog::IdDefault);
    Click(Dialog::IdOk);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(Preferences(), CPreferenceValues());
    EXPECT_TRUE(PreferencesChanged);
}

TEST_F(PreferencesDialog, OkCopiesEveryControl)
{
    Open();
    for (Dialog::EControlId id : {Dialog::IdAppendFunction, Dialog::IdAppendMemory, Dialog::IdAppendIncludePower,
                                  Dialog::IdGammaFunction, Dialog::IdLogPopup})
        Click(id);
    Combo(Dialog::IdAppendFunctionWith)->setCurrentIndex(2);
    Combo(Dialog::IdAppendMemoryWith)->setCurrentIndex(0);
    Combo(Dialog::IdFormatRandom)->setCurrentIndex(5);
    Combo(Dialog::IdFormatResult)->setCurrentIndex(4);
    Combo(Dialog::IdFormatMemory)->setCurrentIndex(3);
    Combo(Dialog::IdFormatI)->setCurrentIndex(1);
    Combo(Dialog::IdNotation)->setCurrentIndex(1);
    Combo(Dialog::IdNotationCase)->setCurrentIndex(1);
    Combo(Dialog::IdTrigonometricUnits)->setCurrentIndex(2);
    Click(Dialog::IdPartialFreeConfirmation);
    EXPECT_EQ(Preferences(), CPreferenceValues()) << "nothing changes before OK";
    Click(Dialog::IdOk);

    CPreferenceValues expected = Unusual();
    expected.Set(EPreference::UseSSE2, 0);  // its box is disabled here
    EXPECT_EQ(Preferences(), expected);
    EXPECT_TRUE(PreferencesChanged);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
}

TEST_F(PreferencesDialog, FreeConfirmationFromTheTwoBoxes)
{
    // First box off: 0, whatever the second showed.
    Open();
    Click(Dialog::IdFreeConfirmation);
    Click(Dialog::IdOk);
    EXPECT_EQ(Preferences().Get(EPreference::FreeConfirmation), 0u);

    Preferences().Set(EPreference::FreeConfirmation, 2);
    Open();
    Click(Dialog::IdPartialFreeConfirmation);
    Click(Dialog::IdOk);
    EXPECT_EQ(Preferences().Get(EPreference::FreeConfirmation), 1u);

    Open();
    Click(Dialog::IdPartialFreeConfirmation);
    Click(Dialog::IdOk);
    EXPECT_EQ(Preferences().Get(EPreference::FreeConfirmation), 2u);
}

TEST_F(PreferencesDialog, PartialConfirmationIsRememberedWhileTheFirstBoxIsOff)
{
    Open();
    EXPECT_EQ(FreeBoxes(), "on on");
    Click(Dialog::IdFreeConfirmation);
    EXPECT_EQ(FreeBoxes(), "off off(disabled)");
    Click(Dialog::IdPartialFreeConfirmation);  // disabled: no effect
    EXPECT_EQ(FreeBoxes(), "off off(disabled)");
    Click(Dialog::IdFreeConfirmation);
    EXPECT_EQ(FreeBoxes(), "on on");

    Click(Dialog::IdPartialFreeConfirmation);
    EXPECT_EQ(FreeBoxes(), "on off");
    Click(Dialog::IdFreeConfirmation);
    EXPECT_EQ(FreeBoxes(), "off off(disabled)");
    Click(Dialog::IdFreeConfirmation);
    EXPECT_EQ(FreeBoxes(), "on off");

    // The remembered state outlives the dialog: a later dialog opened with
    // no confirmation brings back "off" here ...
    Click(Dialog::IdFreeConfirmation);
    Click(Dialog::IdCancel);
    Preferences().Set(EPreference::FreeConfirmation, 0);
    Open();
    EXPECT_EQ(FreeBoxes(), "off off(disabled)");
    Click(Dialog::IdFreeConfirmation);
    EXPECT_EQ(FreeBoxes(), "on off");
    Click(Dialog::IdOk);
    EXPECT_EQ(Preferences().Get(EPreference::FreeConfirmation), 1u);

    // ... and "on" once it was on when the first box was cleared.
    Preferences().Set(EPreference::FreeConfirmation, 2);
    Open();
    Click(Dialog::IdFreeConfirmation);
    Click(Dialog::IdCancel);
    Preferences().Set(EPreference::FreeConfirmation, 0);
    Open();
    Click(Dialog::IdFreeConfirmation);
    EXPECT_EQ(FreeBoxes(), "on on");
}

TEST_F(PreferencesDialog, Sse2BoxOnlyWhereTheModuleExists)
{
    Preferences().Set(EPreference::UseSSE2, 1);
    Open();
    EXPECT_FALSE(Check(Dialog::IdUseSSE2)->isEnabled());
    EXPECT_TRUE(Check(Dialog::IdUseSSE2)->isChecked()) << "the stored value still shows";
    Click(Dialog::IdOk);
    EXPECT_EQ(Preferences().Get(EPreference::UseSSE2), 1u) << "kept and written back";
    EXPECT_FALSE(Sse2InUse());

    Sse2Available = true;
    Open();
    EXPECT_TRUE(Check(Dialog::IdUseSSE2)->isEnabled());
    Click(Dialog::IdUseSSE2);
    Click(Dialog::IdOk);
    EXPECT_EQ(Preferences().Get(EPreference::UseSSE2), 0u);
}

TEST_F(PreferencesDialog, FreeConfirmationFiveIsWrittenBackAsTwoOnlyAfterOk)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("settings.ini"));
    {
        QSettings settings(path, QSettings::IniFormat);
        settings.setValue(QStringLiteral("Preferences/FreeConfirmation"), 5);
    }
    {
        QSettings settings(path, QSettings::IniFormat);
        LoadPreferences(settings);
    }
    EXPECT_EQ(Preferences().Get(EPreference::FreeConfirmation), 5u);
    Open();
    EXPECT_EQ(FreeBoxes(), "on on");
    Click(Dialog::IdCancel);
    {
        QSettings settings(path, QSettings::IniFormat);
        SavePreferences(settings);
        EXPECT_EQ(settings.value(QStringLiteral("Preferences/FreeConfirmation")).toString(), QStringLiteral("5"));
    }
    Open();
    Click(Dialog::IdOk);
    {
        QSettings settings(path, QSettings::IniFormat);
        SavePreferences(settings);
    }
    QSettings settings(path, QSettings::IniFormat);
    EXPECT_EQ(settings.value(QStringLiteral("Preferences/FreeConfirmation")).toString(), QStringLiteral("2"));
}

TEST_F(PreferencesDialog, EditRunsModallyAndTellsWhetherOkWasPressed)
{
    auto pressLater = [](Dialog::EControlId id) {
        QTimer::singleShot(0, [id] {
            auto* active = qobject_cast<Dialog*>(QApplication::activeModalWidget());
            ASSERT_NE(active, nullptr);
            qobject_cast<QAbstractButton*>(active->Control(id))->click();
        });
    };
    pressLater(Dialog::IdCancel);
    EXPECT_FALSE(Dialog::Edit(Preferences(), nullptr));
    EXPECT_FALSE(PreferencesChanged);
    pressLater(Dialog::IdOk);
    EXPECT_TRUE(Dialog::Edit(Preferences(), nullptr));
    EXPECT_TRUE(PreferencesChanged);
}
