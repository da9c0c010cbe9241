// Loading and saving the preferences through QSettings, over temporary INI
// files.
#include "document/qt/preferences_store.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QVariant>

#include <sstream>

#include "command_line/command_line.h"
#include "document/preferences.h"
#include "document/utf.h"
#include "support/data_cases.h"
#include "support/fresh_state.h"
#include "support/preference_names.h"

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

class PreferencesStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        path = folder.filePath(QStringLiteral("settings.ini"));
        PreferencesChanged = false;
    }
    void TearDown() override { PreferencesChanged = false; }
    CFreshState fresh;

    void Load()
    {
        QSettings settings(path, QSettings::IniFormat);
        LoadPreferences(settings);
    }
    void Save()
    {
        QSettings settings(path, QSettings::IniFormat);
        SavePreferences(settings);
    }

    QTemporaryDir folder;
    QString path;
};

}  // namespace

TEST_F(PreferencesStore, MissingGroupGivesTheDefaultsAndLeavesTheStoreUntouched)
{
    Preferences() = Unusual();
    Load();
    EXPECT_EQ(Preferences(), CPreferenceValues());
    EXPECT_FALSE(QFile::exists(path)) << "loading writes nothing";

    // Other groups are no preferences.
    WriteAll(path, "[Print]\nFormatI=1\n[GUI]\nNotation=1\n");
    Load();
    EXPECT_EQ(Preferences(), CPreferenceValues());

    // A later save creates the group with every value.
    Preferences() = Unusual();
    PreferencesChanged = true;
    Save();
    QSettings settings(path, QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("Preferences"));
    EXPECT_EQ(settings.childKeys().size(), static_cast<qsizetype>(kPreferenceCount));
    settings.endGroup();
    Preferences().SetDefaults();
    Load();
    EXPECT_EQ(Preferences(), Unusual());
}

class PreferenceStoredTexts : public PreferencesStore, public testing::WithParamInterface<CDataRow> {};

TEST_P(PreferenceStoredTexts, TakenOnlyAsAnUnsignedNumberInRange)
{
    const CDataCase& c = GetParam().row;
    const std::string where = GetParam().Where();
    ASSERT_EQ(c.fields.size(), 3u) << where;
    const EPreference preference = FindByName(c.fields[0]);
    WriteAll(path, QByteArray("[Preferences]\n") + QByteArray::fromStdString(c.fields[0]) + "=" +
                       QByteArray::fromStdString(c.fields[1]) + "\n");
    Preferences() = Unusual();
    Load();
    EXPECT_EQ(Preferences().Get(preference), std::stoul(c.fields[2])) << where;
    // The values that are absent take their defaults.
    for (std::size_t i = 0; i < kPreferenceCount; ++i) {
        const auto other = static_cast<EPreference>(i);
        if (other != preference) {
            EXPECT_EQ(Preferences().Get(other), GetPreferenceInfo(other).defaultValue) << where;
        }
    }
}

INSTANTIATE_DATA_ROWS(PreferenceStoredTexts, "preference_stored_texts.txt");

TEST(PreferenceStoredTextsFile, HoldsTheCases)
{
    EXPECT_GT(DataRows("preference_stored_texts.txt").size(), 20u);
}

TEST_F(PreferencesStore, TypedValuesMustBeWholeUnsigned32BitNumbers)
{
    EXPECT_EQ(StoredUnsigned(QVariant(0)), 0u);
    EXPECT_EQ(StoredUnsigned(QVariant(17)), 17u);
    EXPECT_EQ(StoredUnsigned(QVariant(-1)), std::nullopt);
    EXPECT_EQ(StoredUnsigned(QVariant(4294967295u)), 4294967295u);
    EXPECT_EQ(StoredUnsigned(QVariant(qint64(4294967295))), 4294967295u);
    EXPECT_EQ(StoredUnsigned(QVariant(qint64(4294967296))), std::nullopt);
    EXPECT_EQ(StoredUnsigned(QVariant(quint64(4294967296))), std::nullopt);
    EXPECT_EQ(StoredUnsigned(QVariant(2.0)), 2u);
    EXPECT_EQ(StoredUnsigned(QVariant(3.5)), std::nullopt);
    EXPECT_EQ(StoredUnsigned(QVariant(-2.0)), std::nullopt);
    EXPECT_EQ(StoredUnsigned(QVariant(4294967296.0)), std::nullopt);
    EXPECT_EQ(StoredUnsigned(QVariant(std::numeric_limits<double>::quiet_NaN())), std::nullopt);
    EXPECT_EQ(StoredUnsigned(QVariant(true)), std::nullopt);
    EXPECT_EQ(StoredUnsigned(QVariant()), std::nullopt);
    EXPECT_EQ(StoredUnsigned(QVariant(QStringList{QStringLiteral("1")})), std::nullopt);
    EXPECT_EQ(StoredUnsigned(QVariant(QStringLiteral("42"))), 42u);
    EXPECT_EQ(StoredUnsigned(QVariant(QStringLiteral("\u0664\u0662"))), std::nullopt) << "digits other than 0-9";
    EXPECT_EQ(StoredUnsigned(QVariant(QByteArray("42"))), 42u);
}

TEST_F(PreferencesStore, SavesAllValuesOnlyWhenChanged)
{
    const QByteArray original = "[Preferences]\nFormatI=1\nFreeConfirmation=5\nNotation=7\n";
    WriteAll(path, original);
    Load();
    EXPECT_EQ(Preferences().Get(EPreference::FormatI), 1u);
    EXPECT_EQ(Preferences().Get(EPreference::FreeConfirmation), 5u);
    EXPECT_EQ(Preferences().Get(EPreference::Notation), 0u);

    // Unchanged (even when the record was altered behind the flag's back):
    // the store stays as it was.
    Preferences().Set(EPreference::FormatResult, 3);
    Save();
    EXPECT_EQ(ReadAll(path), original);

    PreferencesChanged = true;
    Save();
    EXPECT_FALSE(PreferencesChanged) << "the values reached the store";
    QSettings settings(path, QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("Preferences"));
    EXPECT_EQ(settings.childKeys().size(), static_cast<qsizetype>(kPreferenceCount));
    for (std::size_t i = 0; i < kPreferenceCount; ++i) {
        const auto preference = static_cast<EPreference>(i);
        const QString key = QString::fromUtf16(GetPreferenceInfo(preference).name);
        EXPECT_EQ(StoredUnsigned(settings.value(key)), Preferences().Get(preference)) << key.toStdString();
    }
    EXPECT_EQ(settings.value(QStringLiteral("FreeConfirmation")).toString(), QStringLiteral("5"));
    EXPECT_EQ(settings.value(QStringLiteral("FormatResult")).toString(), QStringLiteral("3"));
    EXPECT_EQ(settings.value(QStringLiteral("Notation")).toString(), QStringLiteral("0"));
}

TEST_F(PreferencesStore, CommandLineUsesTheStoredPreferencesAndNeverWritesItsOwn)
{
    const QByteArray original = "[Preferences]\nTrigonometricUnits=1\nNotationCase=1\n";
    WriteAll(path, original);
    Load();

    auto run = [](std::vector<std::string> arguments, const std::string& input) {
        std::istringstream in(input);
        std::ostringstream out;
        std::ostringstream err;
        bool handled = false;
        EXPECT_EQ(RunCommandLine(arguments, in, out, err, handled), 0) << err.str();
        EXPECT_TRUE(handled);
        return out.str();
    };
    EXPECT_EQ(run({"--calculate"}, "sin(90); 1e30"), "sin(90)=1; 1e30=1E+030");
    EXPECT_EQ(run({"--calculate", "--preference", "TrigonometricUnits=2"}, "sin(100)"), "sin(100)=1");
    EXPECT_FALSE(PreferencesChanged);
    Save();
    EXPECT_EQ(ReadAll(path), original);
}
