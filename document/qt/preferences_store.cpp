#include "document/qt/preferences_store.h"

#include <QSettings>
#include <QVariant>

#include <cmath>

#include "document/preferences.h"

namespace {

const QString kGroup = QStringLiteral("Preferences");
constexpr quint64 kLargest = 0xFFFFFFFFull;

QString KeyOf(EPreference preference)
{
    return QString::fromUtf16(GetPreferenceInfo(preference).name);
}

std::optional<unsigned> FromDigits(QStringView text)
{
    if (text.isEmpty() || text.size() > 10)
        return std::nullopt;
    quint64 value = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    if (value > kLargest)
        return std::nullopt;
    return static_cast<unsigned>(value);
}

}  // namespace

std::optional<unsigned> StoredUnsigned(const QVariant& value)
{
    switch (value.metaType().id()) {
    case QMetaType::QString:
        return FromDigits(value.toString());
    case QMetaType::QByteArray:
        return FromDigits(QString::fromLatin1(value.toByteArray()));
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::Char:
    case QMetaType::SChar: {
        const qlonglong number = value.toLongLong();
        if (number < 0 || static_cast<quint64>(number) > kLargest)
            return std::nullopt;
        return static_cast<unsigned>(number);
    }
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
    case QMetaType::UChar: {
        const qulonglong number = value.toULongLong();
        if (number > kLargest)
            return std::nullopt;
        return static_cast<unsigned>(number);
    }
    case QMetaType::Double:
    case QMetaType::Float: {
        const double number = value.toDouble();
        if (!(number >= 0.0 && number <= static_cast<double>(kLargest)) || std::floor(number) != number)
            return std::nullopt;
        return static_cast<unsigned>(number);
    }
    default:
        return std::nullopt;
    }
}

void LoadPreferences(QSettings& settings)
{
    CPreferenceValues& values = Preferences();
    settings.beginGroup(kGroup);
    for (std::size_t i = 0; i < kPreferenceCount; ++i) {
        const auto preference = static_cast<EPreference>(i);
        const std::optional<unsigned> stored = StoredUnsigned(settings.value(KeyOf(preference)));
        values.Set(preference, stored ? AcceptPreferenceValue(preference, *stored)
                                      : GetPreferenceInfo(preference).defaultValue);
    }
    settings.endGroup();
}

void SavePreferences(QSettings& settings)
{
    if (!PreferencesChanged)
        return;
    const CPreferenceValues& values = Preferences();
    settings.beginGroup(kGroup);
    for (std::size_t i = 0; i < kPreferenceCount; ++i) {
        const auto preference = static_cast<EPreference>(i);
        settings.setValue(KeyOf(preference), QVariant::fromValue<quint32>(values.Get(preference)));
    }
    settings.endGroup();
    settings.sync();
    if (settings.status() == QSettings::NoError)
        PreferencesChanged = false;
}

void LoadPreferences()
{
    QSettings settings(kSettingsOrganization, kSettingsApplication);
    LoadPreferences(settings);
}

void SavePreferences()
{
    QSettings settings(kSettingsOrganization, kSettingsApplication);
    SavePreferences(settings);
}
