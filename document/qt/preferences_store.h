#pragma once
// Reading and writing the preferences in the settings store, group
// "Preferences", one unsigned 32-bit value a preference under its own name.

#include <QString>

#include <optional>

class QSettings;
class QVariant;

// The settings of the program: organisation "Vantrel", application
// "Calculator Ka-Vm" (what a default QSettings opens once the application
// carries these names; usable before the application object exists).
inline const QString kSettingsOrganization = QStringLiteral("Vantrel");
inline const QString kSettingsApplication = QStringLiteral("Calculator Ka-Vm");

// Fills Preferences() from the group "Preferences". A value is taken only
// when it is an unsigned 32-bit number and lies in its preference's range;
// a missing value, one of another kind or one out of range takes the
// default. Writes nothing.
void LoadPreferences(QSettings& settings);

// Writes all sixteen preferences, in storage order, when PreferencesChanged
// is set, and clears the flag once they reached the store. Does nothing
// otherwise. Write failures are ignored.
void SavePreferences(QSettings& settings);

// The same over the program's own settings.
void LoadPreferences();
void SavePreferences();

// A stored value as an unsigned 32-bit number: an integer from 0 to
// 4294967295, or a text of decimal digits alone naming one. Anything else
// (signs, blanks, fractions, other kinds) has no value.
std::optional<unsigned> StoredUnsigned(const QVariant& value);
