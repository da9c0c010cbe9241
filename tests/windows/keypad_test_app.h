#pragma once
// The application object for the keypad tests: created here only when no
// other test file has made one, on the offscreen platform, with the settings
// in a temporary folder instead of the user's.

#include <QApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

inline QApplication* KeypadTestApplication()
{
    if (!QCoreApplication::instance()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "keypad_tests";
        static char* argv[] = {name, nullptr};
        static QApplication application(argc, argv);
        QApplication::setStyle(QStringLiteral("Fusion"));
    }
    static bool settingsMoved = false;
    if (!settingsMoved) {
        static QTemporaryDir settingsDir;
        QStandardPaths::setTestModeEnabled(true);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
        settingsMoved = true;
    }
    return qobject_cast<QApplication*>(QCoreApplication::instance());
}

// Removes every keypad value, so a keypad starts from the defaults.
inline void ClearKeypadSettings()
{
    QSettings settings(QStringLiteral("Vantrel"), QStringLiteral("Calculator Ka-Vm"));
    settings.remove(QStringLiteral("GUI/Keypad"));
    settings.sync();
}
