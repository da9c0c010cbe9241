// The built program as a user starts it: without a display, with -h and
// -v, and from an installed layout whose package brought the desktop
// files, each with its own empty home folder.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include "kavm_version.h"
#include "windows/desktop/shell_registration.h"
#include "command_line/window_program.h"

namespace {

struct CProgramRun {
    int status = -1;
    QString out;
    QString err;
};

class Program : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(home.isValid()); }

    // The program with a fresh home; `display` false takes every way to a
    // display away.
    CProgramRun Run(const QString& path, const QStringList& arguments, bool display,
                    const QStringList& variables = {})
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_DATA_HOME", "XDG_CONFIG_HOME"})
            environment.remove(QLatin1String(name));
        environment.insert("HOME", home.path());
        environment.insert("XDG_RUNTIME_DIR", home.path());
        if (display)
            environment.insert("QT_QPA_PLATFORM", "offscreen");
        for (const QString& variable : variables)
            environment.insert(variable.section('=', 0, 0), variable.section('=', 1));
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(path, arguments);
        CProgramRun run;
        if (!process.waitForFinished(60000)) {
            process.kill();
            process.waitForFinished();
            return run;
        }
        run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.out = QString::fromUtf8(process.readAllStandardOutput());
        run.err = QString::fromUtf8(process.readAllStandardError());
        return run;
    }

    // Files under the home folder, the settings file of the window left
    // out (a window that ran keeps its layout there).
    QStringList HomeFiles() const
    {
        QStringList files;
        QDirIterator it(home.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = QDir(home.path()).relativeFilePath(it.next());
            if (path != ".config/Vantrel/Calculator Ka-Vm.conf" && !path.startsWith("calc"))
                files << path;
        }
        return files;
    }

    // The two programs laid out as a package installs them under prefix;
    // the path of usr/bin/calculator-ka-vm, empty when that failed.
    static QString InstallInto(const QTemporaryDir& prefix)
    {
        const QString bin = prefix.filePath("usr/bin");
        const QString windowFolder = QDir::cleanPath(bin + "/" + KAVM_WINDOW_DIR_FROM_BINDIR);
        if (!QDir().mkpath(bin) || !QDir().mkpath(windowFolder))
            return {};
        const QString installed = bin + "/calculator-ka-vm";
        if (!QFile::copy(QStringLiteral(KAVM_PROGRAM), installed) ||
            !QFile::copy(QStringLiteral(KAVM_WINDOW_PROGRAM), windowFolder + "/calculator-ka-vm-window") ||
            !QFile::copy(QStringLiteral(KAVM_SETTINGS_READER), windowFolder + "/calculator-ka-vm-settings.so"))
            return {};
        return installed;
    }

    QTemporaryDir home;
    const QString program = QStringLiteral(KAVM_PROGRAM);
};

TEST_F(Program, WithoutADisplaySaysSoInOneLineAndWritesNothing)
{
    for (const QStringList& arguments : {QStringList{}, QStringList{"calc.vcl"}, QStringList{"/p", "calc.vcl"}}) {
        const CProgramRun run = Run(program, arguments, false);
        EXPECT_EQ(run.status, 2) << arguments.join(' ').toStdString();
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, QString::fromLatin1(kNoDisplayMessage) + "\n");
        EXPECT_TRUE(HomeFiles().isEmpty()) << HomeFiles().join(' ').toStdString();
    }
}

TEST_F(Program, HelpAndVersionNeedNoDisplay)
{
    for (const char* word : {"-h", "--help"}) {
        const CProgramRun run = Run(program, {word}, false);
        EXPECT_EQ(run.status, 0) << word;
        EXPECT_TRUE(run.out.startsWith("Usage: calculator-ka-vm [FILE]\n")) << run.out.toStdString();
        for (const char* listed : {"/p FILE", "/pt FILE PRINTER DRIVER PORT", "/dde", "/Register", "/Unregister",
                                   "--calculate", "--cursor", "--preference", "--memory", "--save-memory", "-v, --version"})
            EXPECT_TRUE(run.out.contains(QLatin1String(listed))) << listed;
    }
    for (const char* word : {"-v", "--version"}) {
        const CProgramRun run = Run(program, {word}, false);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, "Calculator Ka-Vm " KAVM_VERSION_TEXT "\n");
    }
    EXPECT_TRUE(HomeFiles().isEmpty()) << HomeFiles().join(' ').toStdString();
}

TEST_F(Program, InstalledWithItsDesktopFilesRegistersNothingForTheUser)
{
    // usr/bin/calculator-ka-vm and the window program in its private
    // folder, beside usr/share with the packaged files.
    QTemporaryDir prefix;
    const QString installed = InstallInto(prefix);
    ASSERT_FALSE(installed.isEmpty());
    const QString picture = home.filePath("calc-window.png");

    // Without the desktop files beside it, the program registers itself,
    // and the desktop starts the program in usr/bin.
    CProgramRun run = Run(installed, {"--screenshot", picture}, true);
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(HomeFiles().contains(".local/share/applications/com.vantrel.CalculatorKaVm.desktop"))
        << HomeFiles().join(' ').toStdString();
    QFile entry(home.filePath(".local/share/applications/com.vantrel.CalculatorKaVm.desktop"));
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    const QString entryText = QString::fromUtf8(entry.readAll());
    const QString canonical = QFileInfo(installed).canonicalFilePath();
    EXPECT_TRUE(entryText.contains("Exec=" + canonical + " ") || entryText.contains("Exec=\"" + canonical + "\" "))
        << entryText.toStdString();
    QDir(home.filePath(".local")).removeRecursively();
    QFile::remove(home.filePath(".config/mimeapps.list"));

    for (const QString& file : {QStringLiteral("usr/share/applications/com.vantrel.CalculatorKaVm.desktop"),
                                QStringLiteral("usr/share/mime/packages/com.vantrel.CalculatorKaVm.xml")}) {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(prefix.filePath(file)).absolutePath()));
        QFile written(prefix.filePath(file));
        ASSERT_TRUE(written.open(QIODevice::WriteOnly));
    }
    run = Run(installed, {"--screenshot", picture}, true);
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(QFileInfo::exists(picture));
    EXPECT_TRUE(HomeFiles().isEmpty()) << HomeFiles().join(' ').toStdString();

    // The explicit command still registers for the user.
    run = Run(installed, {"/Register"}, false);
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(HomeFiles().contains(".local/share/applications/com.vantrel.CalculatorKaVm.desktop"));
}

TEST_F(Program, CalculatesWithoutTheWindowProgram)
{
    // The command line is the started program's own: a copy of it alone
    // calculates, and only the window is missing.
    QTemporaryDir folder;
    const QString alone = folder.filePath("calculator-ka-vm");
    ASSERT_TRUE(QFile::copy(program, alone));
    const QString file = folder.filePath("calc.vcl");
    QFile text(file);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("1+1;2*3");
    text.close();
    CProgramRun run = Run(alone, {"--calculate", file}, false);
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "1+1=2;2*3=6");
    EXPECT_EQ(run.err, "");

    run = Run(alone, {"calc.vcl"}, true);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(run.err.startsWith("calculator-ka-vm: cannot start the window program calculator-ka-vm-window: "))
        << run.err.toStdString();
    EXPECT_TRUE(HomeFiles().isEmpty()) << HomeFiles().join(' ').toStdString();
}

// The command line starts from the preferences the window stored, in every
// file the settings store reads (written by the store itself), built and
// installed; without a settings file it starts from the defaults.
TEST_F(Program, CalculatesWithTheStoredPreferencesWhereverTheStoreKeepsThem)
{
    QTemporaryDir folder;
    const QString file = folder.filePath("calc.vcl");
    QFile text(file);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("sqrt(-1);2^0.5");
    text.close();
    const QString plain = "sqrt(-1)=i;2^0.5=1.4142135623730951";
    const QString stored = "sqrt(-1)=j;2^0.5=1.4142135623730951";
    CProgramRun run = Run(program, {"--calculate", file}, false);
    EXPECT_EQ(run.out, plain) << run.err.toStdString();

    QTemporaryDir prefix;
    const QString installed = InstallInto(prefix);
    ASSERT_FALSE(installed.isEmpty());
    const struct {
        QString file;
        QStringList variables;
    } places[] = {
        {home.filePath(".config/Vantrel/Calculator Ka-Vm.conf"), {}},
        {home.filePath(".config/Vantrel.conf"), {}},
        {folder.filePath("own/Vantrel/Calculator Ka-Vm.conf"), {"XDG_CONFIG_HOME=" + folder.filePath("own")}},
        {folder.filePath("system/Vantrel.conf"), {"XDG_CONFIG_DIRS=/nowhere::" + folder.filePath("system")}},
    };
    for (const auto& place : places) {
        {
            QSettings settings(place.file, QSettings::IniFormat);
            settings.setValue("Preferences/FormatI", 1u);
            settings.setValue("Window/Recent", QStringList{"a, b", "[Preferences]"});
            settings.sync();
            ASSERT_EQ(settings.status(), QSettings::NoError);
        }
        for (const QString& started : {program, installed}) {
            run = Run(started, {"--calculate", file}, false, place.variables);
            EXPECT_EQ(run.status, 0) << place.file.toStdString() << run.err.toStdString();
            EXPECT_EQ(run.out, stored) << place.file.toStdString();
        }
        // The setting is the store's: one out of range takes the default.
        {
            QSettings settings(place.file, QSettings::IniFormat);
            settings.setValue("Preferences/FormatI", "7");
        }
        run = Run(program, {"--calculate", file}, false, place.variables);
        EXPECT_EQ(run.out, plain) << place.file.toStdString();
        ASSERT_TRUE(QFile::remove(place.file));
    }

    // A program copied on its own calculates without a settings file, and
    // says so where one exists that it has no reader for.
    const QString alone = folder.filePath("calculator-ka-vm");
    ASSERT_TRUE(QFile::copy(program, alone));
    run = Run(alone, {"--calculate", file}, false);
    EXPECT_EQ(run.out, plain);
    QSettings(home.filePath(".config/Vantrel.conf"), QSettings::IniFormat).setValue("Preferences/FormatI", 1u);
    run = Run(alone, {"--calculate", file}, false);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(run.err.startsWith("calculator-ka-vm: cannot read the preferences: ")) << run.err.toStdString();
    run = Run(alone, {"--version"}, false);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "Calculator Ka-Vm " KAVM_VERSION_TEXT "\n");
}

TEST_F(Program, BothProgramsFindTheShippedConstantsInTheBuildTreeAndOnceInstalled)
{
    QTemporaryDir folder;
    const QString file = folder.filePath("calc.vcl");
    QFile text(file);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("c0; k_b*n_a");
    text.close();
    const QString expected = "c0=299792458; k_b*n_a=8.3144626181532395";
    // In the build folder the file lies beside the programs.
    CProgramRun run = Run(program, {"--constants", "--calculate", file}, false);
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, expected);
    EXPECT_EQ(run.err, "");

    // Installed, in the data folder, seen from either program.
    QTemporaryDir prefix;
    const QString installed = InstallInto(prefix);
    ASSERT_FALSE(installed.isEmpty());
    const QString window = QFileInfo(installed).absolutePath() + "/" + KAVM_WINDOW_DIR_FROM_BINDIR +
                           "/calculator-ka-vm-window";
    for (const QString& started : {installed, window}) {
        run = Run(started, {"--constants", "--calculate", file}, false);
        EXPECT_EQ(run.status, 2) << started.toStdString();
        EXPECT_TRUE(run.err.contains("constants.vcm")) << run.err.toStdString();
        EXPECT_EQ(run.out, "");
    }
    const QString data = QDir::cleanPath(QFileInfo(installed).absolutePath() + "/" + KAVM_CONSTANTS_FROM_BINDIR);
    ASSERT_TRUE(QDir().mkpath(data));
    ASSERT_TRUE(QFile::copy(QStringLiteral(KAVM_TEST_DATA_DIR "/../../resources/examples/constants.vcm"),
                            data + "/constants.vcm"));
    for (const QString& started : {installed, window}) {
        run = Run(started, {"--constants", "--calculate", file}, false);
        EXPECT_EQ(run.status, 0) << started.toStdString() << run.err.toStdString();
        EXPECT_EQ(run.out, expected) << started.toStdString();
    }
    EXPECT_TRUE(HomeFiles().isEmpty()) << HomeFiles().join(' ').toStdString();
}

TEST_F(Program, TheWindowProgramIsFoundFromTheInstalledLayout)
{
    QTemporaryDir prefix;
    const QString installed = InstallInto(prefix);
    ASSERT_FALSE(installed.isEmpty());
    const QString window = QFileInfo(QFileInfo(installed).absolutePath() + "/" + KAVM_WINDOW_DIR_FROM_BINDIR +
                                     "/calculator-ka-vm-window")
                               .canonicalFilePath();
    EXPECT_EQ(QString::fromStdString(WindowProgramPath(installed.toStdString())), window);
    EXPECT_EQ(QString::fromStdString(LauncherProgramPath(window.toStdString())),
              QFileInfo(installed).canonicalFilePath());
    // Side by side, as in a build folder, the neighbour wins.
    EXPECT_EQ(QString::fromStdString(WindowProgramPath(KAVM_PROGRAM)),
              QFileInfo(KAVM_WINDOW_PROGRAM).canonicalFilePath());
    EXPECT_EQ(QString::fromStdString(LauncherProgramPath(KAVM_WINDOW_PROGRAM)),
              QFileInfo(KAVM_PROGRAM).canonicalFilePath());
    // A program on its own has no partner.
    QTemporaryDir folder;
    ASSERT_TRUE(QFile::copy(program, folder.filePath("calculator-ka-vm")));
    EXPECT_EQ(WindowProgramPath(folder.filePath("calculator-ka-vm").toStdString()), "");
    EXPECT_EQ(WindowProgramPath(""), "");
}

}  // namespace
