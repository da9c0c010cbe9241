// Entry point of the GUI tests: one application object on the offscreen
// platform, living exactly as long as the tests, with the settings in a
// temporary folder instead of the user's, and in the C locale whatever the
// system's is (the translation tests choose theirs), and with the fonts
// bundled under tests/fonts alone: sizes that follow from the fonts' metrics
// are the same on every machine, whatever fonts it has installed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLocale>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // A font configuration of its own: the bundled folder is the only one,
    // so every family, "monospace" and "sans-serif" included, resolves to
    // the bundled fonts. Programs the tests start inherit it.
    QTemporaryDir fontFolder;
    const QString fontConfig = fontFolder.filePath("fonts.conf");
    {
        QFile file(fontConfig);
        if (!file.open(QIODevice::WriteOnly))
            return 2;
        file.write("<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n<fontconfig>\n"
                   "  <dir>" KAVM_TEST_FONTS_DIR "</dir>\n  <cachedir>" +
                   QFile::encodeName(fontFolder.filePath("cache")) +
                   "</cachedir>\n"
                   "  <alias><family>monospace</family><prefer><family>DejaVu Sans Mono</family></prefer></alias>\n"
                   "  <alias><family>sans-serif</family><prefer><family>DejaVu Sans</family></prefer></alias>\n"
                   "</fontconfig>\n");
    }
    qputenv("FONTCONFIG_FILE", QFile::encodeName(fontConfig));
    QStandardPaths::setTestModeEnabled(true);
    QApplication application(argc, argv);
    QApplication::setOrganizationName("Vantrel");
    QApplication::setApplicationName("Calculator Ka-Vm");
    QApplication::setStyle("Fusion");
    QLocale::setDefault(QLocale::c());
    QTemporaryDir settingsFolder;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsFolder.path());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
