// The desktop side of the program: the command line, the registration of
// the file types in a temporary XDG tree, open requests, dropped files and
// the help window.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QDockWidget>
#include <QDropEvent>
#include <QMenu>
#include <QMenuBar>
#include <QElapsedTimer>
#include <QImage>
#include <QFile>
#include <QMainWindow>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QUrl>

#include <algorithm>
#include <cstdint>
#include <atomic>
#include <map>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/data_cases.h"
#include "windows/keypad/calc_keypad.h"
#include "windows/frame/help.h"
#include "windows/desktop/icon_cache.h"
#include "windows/desktop/shell_registration.h"
#include "windows/desktop/single_instance.h"

namespace {

QString Trimmed(const std::string& field)
{
    return QString::fromStdString(field).trimmed();
}

const char* ActionName(EShellAction action)
{
    switch (action) {
    case EShellAction::Open:
        return "Open";
    case EShellAction::Print:
        return "Print";
    case EShellAction::PrintTo:
        return "PrintTo";
    case EShellAction::Dde:
        return "Dde";
    case EShellAction::Register:
        return "Register";
    case EShellAction::Unregister:
        return "Unregister";
    }
    return "?";
}

class ShellCommandLines : public testing::TestWithParam<CDataRow> {};

TEST_P(ShellCommandLines, WordsGiveTheAction)
{
    const CDataCase& c = GetParam().row;
    SCOPED_TRACE(GetParam().Where());
    ASSERT_EQ(c.fields.size(), 6u);
    const QString words = Trimmed(c.fields[0]);
    const QStringList arguments = words == u"-" ? QStringList() : words.split(u' ', Qt::SkipEmptyParts);
    const CShellCommand command = ParseShellCommandLine(arguments);
    const bool error = Trimmed(c.fields[5]) == u"yes";
    EXPECT_EQ(!command.error.isEmpty(), error) << command.error.toStdString();
    EXPECT_EQ(command.warnings.size(), Trimmed(c.fields[4]).toInt()) << command.warnings.join(u'\n').toStdString();
    if (error)
        return;
    EXPECT_EQ(QString::fromLatin1(ActionName(command.action)), Trimmed(c.fields[1])) << "action";
    EXPECT_EQ(command.path, Trimmed(c.fields[2]));
    const QString printer = Trimmed(c.fields[3]);
    const QStringList target = printer == u"-" ? QStringList{"", "", ""} : printer.split(u' ');
    ASSERT_EQ(target.size(), 3);
    EXPECT_EQ(command.printer, target[0]);
    EXPECT_EQ(command.driver, target[1]);
    EXPECT_EQ(command.port, target[2]);
}

INSTANTIATE_DATA_ROWS(ShellCommandLines, "shell_command_lines.txt");

TEST(ShellCommandLine, ScreenshotTakesItsFileAndLeavesTheRest)
{
    const CShellCommand command = ParseShellCommandLine({"--screenshot", "/tmp/a.png", "calc.vcl"});
    EXPECT_EQ(command.screenshot, "/tmp/a.png");
    EXPECT_EQ(command.path, "calc.vcl");
    EXPECT_TRUE(ParseShellCommandLine({"--screenshot"}).error.size() > 0);
}

// ------------------------------------------------------------ registration

class ShellRegistration : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        places.dataHome = root.filePath("data");
        places.configHome = root.filePath("config");
        places.program = "/opt/calc/bin/calculator-ka-vm";
        places.settingsFile = root.filePath("config/Vantrel/Calculator Ka-Vm.conf");
        places.runDesktopTools = false;
    }

    // Every file under the temporary root with its content.
    std::map<QString, QByteArray> Snapshot() const
    {
        std::map<QString, QByteArray> files;
        QDirIterator it(root.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile file(path);
            EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
            files[QDir(root.path()).relativeFilePath(path)] = file.readAll();
        }
        return files;
    }

    QByteArray Read(const QString& relative) const
    {
        QFile file(root.filePath(relative));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void Write(const QString& relative, const QByteArray& content) const
    {
        QDir().mkpath(QFileInfo(root.filePath(relative)).absolutePath());
        QFile file(root.filePath(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    QTemporaryDir root;
    CRegistrationPlaces places;
};

TEST_F(ShellRegistration, WritesTheTypesTheEntryTheIconsAndTheDefaults)
{
    ASSERT_TRUE(RegisterFileTypes(places));
    const auto files = Snapshot();
    for (const char* path : {"data/mime/packages/com.vantrel.CalculatorKaVm.xml",
                             "data/applications/com.vantrel.CalculatorKaVm.desktop",
                             "data/icons/hicolor/scalable/apps/com.vantrel.CalculatorKaVm.svg",
                             "data/icons/hicolor/scalable/mimetypes/application-x-vantrel-calculator-memory.svg",
                             "data/icons/hicolor/scalable/mimetypes/application-x-vantrel-calculator-calculation.svg",
                             "data/icons/hicolor/icon-theme.cache", "config/mimeapps.list"})
        EXPECT_TRUE(files.count(path)) << path;
    EXPECT_EQ(files.size(), 7u);

    // The MIME package is the packaged one: both types, shown as text.
    const QString mime = QString::fromUtf8(Read("data/mime/packages/com.vantrel.CalculatorKaVm.xml"));
    EXPECT_TRUE(mime.contains("<mime-type type=\"application/x-vantrel-calculator-memory\">\n"
                              "    <comment>Calculator Ka-Vm memory file</comment>\n"
                              "    <sub-class-of type=\"text/plain\"/>\n"
                              "    <icon name=\"application-x-vantrel-calculator-memory\"/>\n"
                              "    <generic-icon name=\"text-x-generic\"/>\n"
                              "    <glob pattern=\"*.vcm\"/>"))
        << mime.toStdString();
    EXPECT_TRUE(mime.contains("<mime-type type=\"application/x-vantrel-calculator-calculation\">\n"
                              "    <comment>Calculator Ka-Vm calculation file</comment>\n"
                              "    <sub-class-of type=\"text/plain\"/>\n"
                              "    <icon name=\"application-x-vantrel-calculator-calculation\"/>\n"
                              "    <generic-icon name=\"text-x-generic\"/>\n"
                              "    <glob pattern=\"*.vcl\"/>"));
    EXPECT_TRUE(mime.contains("Vantrel.Calculator.Memory"));
    EXPECT_TRUE(mime.contains("Vantrel.Calculator.Calculation"));

    // The packaged entry with the program's absolute path.
    const QStringList entry =
        QString::fromUtf8(Read("data/applications/com.vantrel.CalculatorKaVm.desktop")).split(u'\n');
    for (const char* line :
         {"[Desktop Entry]", "Type=Application", "Name=Calculator Ka-Vm", "Exec=/opt/calc/bin/calculator-ka-vm /dde %f",
          "TryExec=/opt/calc/bin/calculator-ka-vm",
          "MimeType=application/x-vantrel-calculator-memory;application/x-vantrel-calculator-calculation;",
          "Icon=com.vantrel.CalculatorKaVm", "StartupWMClass=com.vantrel.CalculatorKaVm",
          "X-Vantrel-Type-Id-Memory=Vantrel.Calculator.Memory",
          "X-Vantrel-Type-Id-Calculation=Vantrel.Calculator.Calculation",
          "X-Vantrel-Print-Exec=/opt/calc/bin/calculator-ka-vm /p %f",
          "X-Vantrel-PrintTo-Exec=/opt/calc/bin/calculator-ka-vm /pt %f PRINTER DRIVER PORT"})
        EXPECT_TRUE(entry.contains(QString::fromUtf8(line))) << line;
    // No launcher action that would run without a file.
    EXPECT_FALSE(entry.join(u'\n').contains("Actions="));
    const QByteArray icon = Read("data/icons/hicolor/scalable/apps/com.vantrel.CalculatorKaVm.svg");
    EXPECT_TRUE(icon.startsWith("<?xml")) << icon.left(80).toStdString();
    EXPECT_FALSE(icon.contains("<text"));

    EXPECT_EQ(Read("config/mimeapps.list"),
              "[Default Applications]\n"
              "application/x-vantrel-calculator-memory=com.vantrel.CalculatorKaVm.desktop;\n"
              "application/x-vantrel-calculator-calculation=com.vantrel.CalculatorKaVm.desktop;\n");
}

TEST_F(ShellRegistration, RegisteringTwiceLeavesTheSameFiles)
{
    Write("config/mimeapps.list", "[Added Associations]\ntext/plain=editor.desktop;\n");
    ASSERT_TRUE(RegisterFileTypes(places));
    const auto first = Snapshot();
    const QDateTime written =
        QFileInfo(root.filePath("data/applications/com.vantrel.CalculatorKaVm.desktop")).lastModified();
    ASSERT_TRUE(RegisterFileTypes(places));
    EXPECT_EQ(Snapshot(), first);
    // Unchanged files are not even rewritten.
    EXPECT_EQ(QFileInfo(root.filePath("data/applications/com.vantrel.CalculatorKaVm.desktop")).lastModified(), written);
}

TEST_F(ShellRegistration, MemoryTypeIsReclaimedCalculationTypeIsNot)
{
    Write("config/mimeapps.list",
          "# kept\n"
          "[Default Applications]\n"
          "application/x-vantrel-calculator-memory=other.desktop;\n"
          "application/x-vantrel-calculator-calculation=other.desktop;\n"
          "text/plain=editor.desktop;\n"
          "\n"
          "[Added Associations]\n"
          "image/png=viewer.desktop;\n");
    ASSERT_TRUE(RegisterFileTypes(places));
    EXPECT_EQ(Read("config/mimeapps.list"),
              "# kept\n"
              "[Default Applications]\n"
              "application/x-vantrel-calculator-memory=com.vantrel.CalculatorKaVm.desktop;\n"
              "application/x-vantrel-calculator-calculation=other.desktop;\n"
              "text/plain=editor.desktop;\n"
              "\n"
              "[Added Associations]\n"
              "image/png=viewer.desktop;\n");
}

TEST_F(ShellRegistration, DefaultsGoIntoAnExistingGroupBeforeTheNextOne)
{
    Write("config/mimeapps.list",
          "[Default Applications]\n"
          "text/plain=editor.desktop;\n"
          "\n"
          "[Added Associations]\n"
          "image/png=viewer.desktop;\n");
    ASSERT_TRUE(RegisterFileTypes(places));
    EXPECT_EQ(Read("config/mimeapps.list"),
              "[Default Applications]\n"
              "text/plain=editor.desktop;\n"
              "application/x-vantrel-calculator-memory=com.vantrel.CalculatorKaVm.desktop;\n"
              "application/x-vantrel-calculator-calculation=com.vantrel.CalculatorKaVm.desktop;\n"
              "\n"
              "[Added Associations]\n"
              "image/png=viewer.desktop;\n");
}

TEST_F(ShellRegistration, ProgramPathIsQuotedForTheExecLine)
{
    places.program = "/opt/my calc/100%/calculator-ka-vm";
    ASSERT_TRUE(RegisterFileTypes(places));
    const QStringList entry =
        QString::fromUtf8(Read("data/applications/com.vantrel.CalculatorKaVm.desktop")).split(u'\n');
    EXPECT_TRUE(entry.contains("Exec=\"/opt/my calc/100%%/calculator-ka-vm\" /dde %f"));
    EXPECT_TRUE(entry.contains("TryExec=/opt/my calc/100%/calculator-ka-vm"));
    places.program = "/opt/a$b\\c/calc";
    ASSERT_TRUE(RegisterFileTypes(places));
    const QStringList second =
        QString::fromUtf8(Read("data/applications/com.vantrel.CalculatorKaVm.desktop")).split(u'\n');
    // "$" and "\" are escaped inside the quotes, then "\" once more as a
    // value of the entry.
    EXPECT_TRUE(second.contains("Exec=\"/opt/a\\\\$b\\\\\\\\c/calc\" /dde %f")) << second.join(u'\n').toStdString();
    EXPECT_TRUE(second.contains("TryExec=/opt/a$b\\\\c/calc"));
    places.program = "/opt/new\nline/calc";
    ASSERT_TRUE(RegisterFileTypes(places));
    const QStringList third =
        QString::fromUtf8(Read("data/applications/com.vantrel.CalculatorKaVm.desktop")).split(u'\n');
    EXPECT_TRUE(third.contains("Exec=\"/opt/new\\nline/calc\" /dde %f")) << third.join(u'\n').toStdString();
    EXPECT_TRUE(third.contains("TryExec=/opt/new\\nline/calc"));
}

TEST_F(ShellRegistration, TypeTheUserTookAwayIsNotMadeOursAgain)
{
    Write("config/mimeapps.list",
          "[Removed Associations]\n"
          "application/x-vantrel-calculator-memory=other.desktop;com.vantrel.CalculatorKaVm.desktop;\n");
    ASSERT_TRUE(RegisterFileTypes(places));
    EXPECT_EQ(Read("config/mimeapps.list"),
              "[Removed Associations]\n"
              "application/x-vantrel-calculator-memory=other.desktop;com.vantrel.CalculatorKaVm.desktop;\n"
              "\n"
              "[Default Applications]\n"
              "application/x-vantrel-calculator-calculation=com.vantrel.CalculatorKaVm.desktop;\n");
    // A removal of another program's association changes nothing for us.
    Write("config/mimeapps.list",
          "[Removed Associations]\n"
          "application/x-vantrel-calculator-calculation=other.desktop;\n");
    ASSERT_TRUE(RegisterFileTypes(places));
    EXPECT_TRUE(Read("config/mimeapps.list")
                    .contains("application/x-vantrel-calculator-calculation=com.vantrel.CalculatorKaVm.desktop;\n"));
}

TEST_F(ShellRegistration, FilesOfTheOldNamesAreReplaced)
{
    Write("data/applications/vantrel-calculator-ka-vm.desktop", "[Desktop Entry]\n");
    Write("data/mime/packages/vantrel-calculator-ka-vm.xml", "<mime-info/>\n");
    Write("data/icons/hicolor/scalable/apps/vantrel-calculator-ka-vm.svg", "<svg/>\n");
    Write("config/mimeapps.list",
          "[Default Applications]\n"
          "application/x-vantrel-calculator-memory=vantrel-calculator-ka-vm.desktop;\n"
          "application/x-vantrel-calculator-calculation=vantrel-calculator-ka-vm.desktop;\n");
    ASSERT_TRUE(RegisterFileTypes(places));
    const auto files = Snapshot();
    EXPECT_EQ(files.size(), 7u);
    EXPECT_FALSE(files.count("data/applications/vantrel-calculator-ka-vm.desktop"));
    EXPECT_EQ(Read("config/mimeapps.list"),
              "[Default Applications]\n"
              "application/x-vantrel-calculator-memory=com.vantrel.CalculatorKaVm.desktop;\n"
              "application/x-vantrel-calculator-calculation=com.vantrel.CalculatorKaVm.desktop;\n");
}

TEST_F(ShellRegistration, InstalledLayoutIsRecognisedByItsDesktopFiles)
{
    const QString program = root.filePath("usr/bin/calculator-ka-vm");
    Write("usr/bin/calculator-ka-vm", "");
    EXPECT_FALSE(InstalledWithDesktopFiles(program));
    Write("usr/share/applications/com.vantrel.CalculatorKaVm.desktop", "[Desktop Entry]\n");
    EXPECT_FALSE(InstalledWithDesktopFiles(program));  // the MIME package is missing
    Write("usr/share/mime/packages/com.vantrel.CalculatorKaVm.xml", "<mime-info/>\n");
    EXPECT_TRUE(InstalledWithDesktopFiles(program));
    // A build tree has no share folder beside it.
    EXPECT_FALSE(InstalledWithDesktopFiles(root.filePath("build/calculator-ka-vm")));
}

TEST_F(ShellRegistration, UnregisterRemovesWhatRegisterWroteAndKeepsTheRest)
{
    Write("config/mimeapps.list",
          "[Default Applications]\n"
          "text/plain=editor.desktop;\n"
          "application/x-vantrel-calculator-calculation=other.desktop;\n"
          "[Added Associations]\n"
          "application/x-vantrel-calculator-memory=com.vantrel.CalculatorKaVm.desktop;other.desktop;\n");
    Write("config/Vantrel/Calculator Ka-Vm.conf", "[Preferences]\nNotation=1\n");
    Write("data/applications/other.desktop", "[Desktop Entry]\n");
    ASSERT_TRUE(RegisterFileTypes(places));

    EXPECT_TRUE(UnregisterFileTypes(places));
    const auto files = Snapshot();
    EXPECT_EQ(files.size(), 2u);
    EXPECT_TRUE(files.count("data/applications/other.desktop"));
    EXPECT_EQ(Read("config/mimeapps.list"),
              "[Default Applications]\n"
              "text/plain=editor.desktop;\n"
              "application/x-vantrel-calculator-calculation=other.desktop;\n"
              "[Added Associations]\n"
              "application/x-vantrel-calculator-memory=other.desktop;\n");
    EXPECT_FALSE(QFileInfo::exists(root.filePath("config/Vantrel")));
    // No empty icon folder is left for the loaders to search.
    EXPECT_FALSE(QFileInfo::exists(root.filePath("data/icons")));
    // Nothing left to remove is no failure.
    EXPECT_TRUE(UnregisterFileTypes(places));
}

TEST_F(ShellRegistration, UnregisterReportsWhatItCouldNotRemove)
{
    ASSERT_TRUE(RegisterFileTypes(places));
    // A settings "file" that cannot be removed as a file.
    ASSERT_TRUE(QDir().mkpath(places.settingsFile + "/inside"));
    EXPECT_FALSE(UnregisterFileTypes(places));
    // The rest went all the same.
    EXPECT_FALSE(QFileInfo::exists(root.filePath("data/applications/com.vantrel.CalculatorKaVm.desktop")));
    EXPECT_STREQ(kUnregisteredMessage,
                 "System registry entries have been removed and the INI file (if any) was deleted.");
    EXPECT_STREQ(kUnregisterFailedMessage, "Not all of the system registry entries (or INI file) were removed.");
}

// ------------------------------------------------------------ icon index

// An icon index read as the icon loaders read it: the name hashed to its
// bucket, the bucket's chain followed to the name, its images' folders
// looked up in the folder list. Each image as "folder:types" (types: 1
// xpm, 2 svg, 4 png); a name the index lacks gives nothing.
QStringList IndexLookup(const QByteArray& index, const QByteArray& name)
{
    auto at16 = [&index](std::uint32_t offset) {
        return static_cast<std::uint32_t>(static_cast<std::uint8_t>(index[offset]) << 8 |
                                          static_cast<std::uint8_t>(index[offset + 1]));
    };
    auto at32 = [&](std::uint32_t offset) { return at16(offset) << 16 | at16(offset + 2); };
    EXPECT_GE(index.size(), 12);
    if (index.size() < 12)
        return {};
    EXPECT_EQ(at16(0), 1u);  // version 1.0
    EXPECT_EQ(at16(2), 0u);
    std::uint32_t hash = name.isEmpty() ? 0 : static_cast<std::uint32_t>(static_cast<signed char>(name[0]));
    for (qsizetype i = 1; i < name.size(); ++i)
        hash = hash * 31 + static_cast<std::uint32_t>(static_cast<signed char>(name[i]));
    const std::uint32_t table = at32(4);
    const std::uint32_t folders = at32(8);
    std::uint32_t icon = at32(table + 4 + 4 * (hash % at32(table)));
    QStringList images;
    for (int steps = 0; icon != 0xffffffff && steps < 100000; ++steps, icon = at32(icon)) {
        if (QByteArray(index.constData() + at32(icon + 4)) != name)
            continue;
        const std::uint32_t list = at32(icon + 8);
        for (std::uint32_t i = 0; i < at32(list); ++i) {
            const std::uint32_t image = list + 4 + 8 * i;
            EXPECT_LT(at16(image), at32(folders));
            EXPECT_EQ(at32(image + 4), 0u);  // no image data
            images.append(QStringLiteral("%1:%2")
                              .arg(QString::fromUtf8(index.constData() + at32(folders + 4 + 4 * at16(image))))
                              .arg(at16(image + 2)));
        }
        break;
    }
    return images;
}

class IconIndex : public ShellRegistration {
protected:
    QString Theme() const { return root.filePath("data/icons/hicolor"); }
    QByteArray Index() const { return Read("data/icons/hicolor/icon-theme.cache"); }
    static void SetTime(const QString& path, int secondsAgo)
    {
        const timespec times[2] = {{time(nullptr) - secondsAgo, 0}, {time(nullptr) - secondsAgo, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0) << path.toStdString();
    }
    // Makes the index look older than everything, as one written before
    // the last change of the tree does.
    void AgeIndex() const { SetTime(Theme() + "/icon-theme.cache", 100); }
};

TEST_F(IconIndex, RegistrationIndexesItsIconsAndThoseOfOthers)
{
    Write("data/icons/hicolor/48x48/apps/other.png", "png");
    Write("data/icons/hicolor/48x48/apps/other.svg", "svg");
    Write("data/icons/hicolor/scalable/apps/other.svg", "svg");
    Write("data/icons/hicolor/16x16/actions/x.xpm", "xpm");
    Write("data/icons/hicolor/16x16/actions/readme.txt", "not an icon");
    Write("data/icons/hicolor/22x22/places/.keep", "");
    // A link counts as the file it names; a link to nothing is no icon.
    ASSERT_TRUE(QFile::link(root.filePath("data/icons/hicolor/48x48/apps/other.png"),
                            root.filePath("data/icons/hicolor/22x22/places/linked.png")));
    ASSERT_TRUE(QFile::link(root.filePath("data/icons/hicolor/missing.png"),
                            root.filePath("data/icons/hicolor/22x22/places/dangling.png")));
    Write("data/icons/hicolor/index.theme", "[Icon Theme]\n");
    ASSERT_TRUE(RegisterFileTypes(places));
    const QByteArray index = Index();
    EXPECT_EQ(IndexLookup(index, "com.vantrel.CalculatorKaVm"), QStringList{"scalable/apps:2"});
    EXPECT_EQ(IndexLookup(index, "application-x-vantrel-calculator-memory"), QStringList{"scalable/mimetypes:2"});
    EXPECT_EQ(IndexLookup(index, "application-x-vantrel-calculator-calculation"),
              QStringList{"scalable/mimetypes:2"});
    EXPECT_EQ(IndexLookup(index, "other"), (QStringList{"48x48/apps:6", "scalable/apps:2"}));
    EXPECT_EQ(IndexLookup(index, "x"), QStringList{"16x16/actions:1"});
    EXPECT_EQ(IndexLookup(index, "linked"), QStringList{"22x22/places:4"});
    for (const char* missing : {"readme", "edit-copy", "index", "o", "dangling", ""})
        EXPECT_TRUE(IndexLookup(index, missing).isEmpty()) << missing;
    EXPECT_TRUE(IconCacheCurrent(Theme()));
    // A start that changes nothing leaves the index as it is.
    const QDateTime written = QFileInfo(root.filePath("data/icons/hicolor/icon-theme.cache")).lastModified();
    ASSERT_TRUE(RegisterFileTypes(places));
    EXPECT_EQ(Index(), index);
    EXPECT_EQ(QFileInfo(root.filePath("data/icons/hicolor/icon-theme.cache")).lastModified(), written);
    EXPECT_EQ(IconCacheContent(Theme()), index);
}

TEST_F(IconIndex, IndexOutOfDateIsWrittenAgain)
{
    ASSERT_TRUE(RegisterFileTypes(places));
    // Another program adds an icon to a folder of ours, and one in a new
    // folder, after the index was written.
    AgeIndex();
    EXPECT_FALSE(IconCacheCurrent(Theme()));
    Write("data/icons/hicolor/scalable/apps/added.svg", "svg");
    Write("data/icons/hicolor/256x256/apps/added.png", "png");
    ASSERT_TRUE(RegisterFileTypes(places));
    EXPECT_TRUE(IconCacheCurrent(Theme()));
    EXPECT_EQ(IndexLookup(Index(), "added"), (QStringList{"256x256/apps:4", "scalable/apps:2"}));
    EXPECT_EQ(IndexLookup(Index(), "com.vantrel.CalculatorKaVm"), QStringList{"scalable/apps:2"});
    // Not only the theme folder's time counts: a folder deep inside that
    // changed after the index makes it out of date too.
    QDirIterator folders(Theme(), QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (folders.hasNext())
        SetTime(folders.next(), 100);
    SetTime(Theme(), 100);
    SetTime(Theme() + "/icon-theme.cache", 50);
    EXPECT_TRUE(IconCacheCurrent(Theme()));
    SetTime(Theme() + "/256x256/apps", 10);
    EXPECT_FALSE(IconCacheCurrent(Theme()));
}

TEST_F(IconIndex, ManyNamesAreAllFoundThroughSharedBuckets)
{
    QStringList names;
    for (int i = 0; i < 300; ++i)
        names.append(QStringLiteral("icon-%1").arg(i * 7919));
    names.append(QString::fromUtf8("r\xC3\xA9sum\xC3\xA9"));  // bytes above 127 hash as signed
    for (const QString& name : names)
        Write("data/icons/hicolor/32x32/apps/" + name + ".png", "png");
    ASSERT_TRUE(RefreshIconCache(Theme()));
    const QByteArray index = Index();
    for (const QString& name : names)
        EXPECT_EQ(IndexLookup(index, name.toUtf8()), QStringList{"32x32/apps:4"}) << name.toStdString();
    EXPECT_TRUE(IndexLookup(index, "icon-1").isEmpty());
}

TEST_F(IconIndex, TreeTheIndexCannotDescribeIsLeftAlone)
{
    // An .icon file carries data this index does not hold.
    Write("data/icons/hicolor/48x48/apps/other.png", "png");
    Write("data/icons/hicolor/48x48/apps/other.icon", "[Icon Data]\n");
    ASSERT_TRUE(RegisterFileTypes(places));
    EXPECT_FALSE(QFileInfo::exists(root.filePath("data/icons/hicolor/icon-theme.cache")));
    EXPECT_TRUE(IconCacheContent(Theme()).isEmpty());
    // Nor is a folder that is a link written over.
    QFile::remove(root.filePath("data/icons/hicolor/48x48/apps/other.icon"));
    ASSERT_TRUE(QFile::link(root.filePath("data/icons/hicolor/48x48"), root.filePath("data/icons/hicolor/linked")));
    ASSERT_TRUE(RegisterFileTypes(places));
    EXPECT_FALSE(QFileInfo::exists(root.filePath("data/icons/hicolor/icon-theme.cache")));
    QFile::remove(root.filePath("data/icons/hicolor/linked"));
    ASSERT_TRUE(RegisterFileTypes(places));
    EXPECT_EQ(IndexLookup(Index(), "other"), QStringList{"48x48/apps:4"});
}

TEST_F(IconIndex, UnregisterKeepsTheIndexOfOtherIcons)
{
    Write("data/icons/hicolor/48x48/apps/other.png", "png");
    ASSERT_TRUE(RegisterFileTypes(places));
    ASSERT_TRUE(UnregisterFileTypes(places));
    EXPECT_TRUE(IconCacheCurrent(Theme()));
    EXPECT_EQ(IndexLookup(Index(), "other"), QStringList{"48x48/apps:4"});
    EXPECT_TRUE(IndexLookup(Index(), "com.vantrel.CalculatorKaVm").isEmpty());
    EXPECT_FALSE(QFileInfo::exists(root.filePath("data/icons/hicolor/scalable")));
    EXPECT_TRUE(QFileInfo::exists(root.filePath("data/icons/hicolor/48x48/apps/other.png")));
}

TEST_F(ShellRegistration, FailureToWriteIsReportedNotThrown)
{
    // The data folder is a file: nothing can be written under it.
    Write("data", "not a folder");
    EXPECT_FALSE(RegisterFileTypes(places));
    EXPECT_EQ(Read("data"), "not a folder");
    // The associations are still written.
    EXPECT_FALSE(Read("config/mimeapps.list").isEmpty());
}

// The start-up step before the window, in a temporary XDG tree given
// through the environment as a desktop session would.
class ShellBeforeWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME"})
            saved.emplace_back(name, qgetenv(name));
        qputenv("XDG_DATA_HOME", root.filePath("data").toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", root.filePath("config").toLocal8Bit());
    }
    void TearDown() override
    {
        for (const auto& [name, value] : saved) {
            if (value.isEmpty())
                qunsetenv(name);
            else
                qputenv(name, value);
        }
    }

    bool Run(std::vector<const char*> words, int& status, std::string& errors)
    {
        words.insert(words.begin(), "calculator-ka-vm");
        words.push_back(nullptr);
        ::testing::internal::CaptureStderr();
        const bool end = ShellBeforeMainWindow(static_cast<int>(words.size()) - 1, const_cast<char**>(words.data()), status);
        errors = ::testing::internal::GetCapturedStderr();
        return end;
    }

    bool Registered() const
    {
        return QFileInfo::exists(root.filePath("data/applications/com.vantrel.CalculatorKaVm.desktop")) &&
               QFileInfo::exists(root.filePath("data/mime/packages/com.vantrel.CalculatorKaVm.xml"));
    }

    QTemporaryDir root;
    std::vector<std::pair<const char*, QByteArray>> saved;
};

TEST_F(ShellBeforeWindow, EveryStartRegistersAndGoesOn)
{
    int status = -1;
    std::string errors;
    EXPECT_FALSE(Run({}, status, errors));
    EXPECT_TRUE(Registered());
    const CRegistrationPlaces places = DefaultRegistrationPlaces();
    EXPECT_EQ(places.dataHome, root.filePath("data"));
    EXPECT_EQ(places.configHome, root.filePath("config"));
    EXPECT_TRUE(QFileInfo(places.program).isExecutable());
    const QString entry = [&] {
        QFile file(root.filePath("data/applications/com.vantrel.CalculatorKaVm.desktop"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }();
    EXPECT_TRUE(entry.contains("\nExec=" + places.program + " /dde %f\n")) << entry.toStdString();
}

TEST_F(ShellBeforeWindow, WithoutADisplayNothingIsWrittenAndTheStartEnds)
{
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        saved.emplace_back(name, qgetenv(name));
    qunsetenv("QT_QPA_PLATFORM");
    qunsetenv("WAYLAND_DISPLAY");
    qunsetenv("DISPLAY");
    int status = -1;
    std::string errors;
    for (std::vector<const char*> words : {std::vector<const char*>{}, {"file.vcl"}, {"/p", "file.vcl"}, {"/dde"}}) {
        EXPECT_TRUE(Run(words, status, errors));
        EXPECT_EQ(status, 2);
        EXPECT_EQ(errors, std::string(kNoDisplayMessage) + "\n");
        EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1);
    }
    EXPECT_FALSE(QFileInfo::exists(root.filePath("data")));
    EXPECT_FALSE(QFileInfo::exists(root.filePath("config")));
    EXPECT_NE(errors.find("--calculate"), std::string::npos);

    // A local display that nobody serves is no display either.
    qputenv("DISPLAY", ":4077");
    EXPECT_FALSE(DisplayAvailable());
    qputenv("QT_QPA_PLATFORM", "xcb");
    EXPECT_FALSE(DisplayAvailable());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    EXPECT_TRUE(DisplayAvailable());
    qunsetenv("QT_QPA_PLATFORM");
    // Registering needs no display.
    EXPECT_TRUE(Run({"/Register"}, status, errors));
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(Registered());
}

TEST_F(ShellBeforeWindow, RegisterAndUnregisterEndTheProgram)
{
    int status = -1;
    std::string errors;
    EXPECT_TRUE(Run({"/Register"}, status, errors));
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(Registered());

    // Settings of an earlier run go with the registration.
    QSettings settings("Vantrel", "Calculator Ka-Vm");
    settings.setValue("Preferences/Notation", 1);
    settings.sync();
    const QString settingsFile = settings.fileName();
    ASSERT_TRUE(QFileInfo::exists(settingsFile));

    EXPECT_TRUE(Run({"-unregserver"}, status, errors));
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(Registered());
    EXPECT_FALSE(QFileInfo::exists(settingsFile));
    // No display on the offscreen platform: the message goes to stderr.
    EXPECT_EQ(errors, "System registry entries have been removed and the INI file (if any) was deleted.\n");
}

TEST_F(ShellBeforeWindow, FailedUnregisterSaysSo)
{
    int status = -1;
    std::string errors;
    const QString settingsFile = DefaultRegistrationPlaces().settingsFile;
    ASSERT_TRUE(QDir().mkpath(settingsFile + "/inside"));  // cannot go as a file
    EXPECT_TRUE(Run({"/Unregister"}, status, errors));
    EXPECT_EQ(status, 1);
    EXPECT_EQ(errors, "Not all of the system registry entries (or INI file) were removed.\n");
    QDir(settingsFile).removeRecursively();
}

TEST_F(ShellBeforeWindow, IncompleteFlagEndsWithUsageStatus)
{
    int status = -1;
    std::string errors;
    EXPECT_TRUE(Run({"/pt", "a.vcl", "printer"}, status, errors));
    EXPECT_EQ(status, 2);
    EXPECT_NE(errors.find("/pt"), std::string::npos);
    EXPECT_FALSE(Registered());
}

TEST_F(ShellBeforeWindow, RelativeXdgFoldersAreIgnored)
{
    qputenv("XDG_DATA_HOME", "relative/data");
    qputenv("XDG_CONFIG_HOME", "");
    const CRegistrationPlaces places = DefaultRegistrationPlaces();
    EXPECT_EQ(places.dataHome, QDir::homePath() + "/.local/share");
    EXPECT_EQ(places.configHome, QDir::homePath() + "/.config");
}

// ------------------------------------------------------------ open requests

TEST(ShellRequests, NobodyListeningIsNoAnswer)
{
    QTemporaryDir folder;
    EXPECT_FALSE(SendShellOpenRequest("/tmp/a.vcl", 500, folder.filePath("nobody")));
}

TEST(ShellRequests, LeftoverSocketIsReplacedLiveOneIsNot)
{
    QTemporaryDir folder;
    const QString name = folder.filePath("requests");
    QFile leftover(name);  // a plain file where the socket would go
    ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
    leftover.close();
    CShellRequestServer first([](const QString&) { return true; });
    EXPECT_TRUE(first.Listen(name)) << first.ErrorText().toStdString();
    CShellRequestServer second([](const QString&) { return true; });
    EXPECT_FALSE(second.Listen(name));
}

// ------------------------------------------------------------ dropped files

// Sends a drag over the widget and drops it; true when the drop was taken.
bool DropOn(QWidget* widget, QMimeData* data)
{
    const QPoint at = widget->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &drop);
    return drop.isAccepted();
}

TEST(ShellFileDrop, DroppedFileOpensOnTheWindowAndOnTheEditor)
{
    QMainWindow window;
    auto* editor = new QPlainTextEdit;
    window.setCentralWidget(editor);
    QStringList opened;
    InstallFileDrop(&window, [&](const QString& path) { opened.append(path); });
    EXPECT_TRUE(window.acceptDrops());

    QMimeData files;
    files.setUrls({QUrl("https://example.org/x.vcl"), QUrl::fromLocalFile("/tmp/dropped one.vcl"),
                   QUrl::fromLocalFile("/tmp/second.vcm")});
    EXPECT_TRUE(DropOn(&window, &files));
    EXPECT_TRUE(DropOn(editor->viewport(), &files));
    EXPECT_EQ(opened, QStringList({"/tmp/dropped one.vcl", "/tmp/dropped one.vcl"}));
    EXPECT_TRUE(editor->toPlainText().isEmpty());
}

TEST(ShellFileDrop, OtherDropsAreLeftToTheWidgets)
{
    QMainWindow window;
    auto* editor = new QPlainTextEdit;
    window.setCentralWidget(editor);
    QStringList opened;
    InstallFileDrop(&window, [&](const QString& path) { opened.append(path); });
    QMimeData remote;
    remote.setUrls({QUrl("https://example.org/x.vcl")});
    EXPECT_FALSE(DropOn(&window, &remote));
    QMimeData text;
    text.setText("1+1;");
    DropOn(editor->viewport(), &text);
    EXPECT_TRUE(opened.isEmpty());
}

// ------------------------------------------------------------ start-up

TEST(ShellStartUp, PrintFormsOpenPrintAndEnd)
{
    QMainWindow window;
    QStringList calls;
    CShellHooks hooks;
    hooks.open = [&](const QString& path) {
        calls.append("open " + path);
        return !path.contains("missing");
    };
    hooks.print = [&](const QString& printer, const QString& driver, const QString& port) {
        calls.append(QStringList{"print", printer, driver, port}.join(u' ').trimmed());
        return printer != "broken";
    };
    auto run = [&](std::vector<const char*> words, int& status) {
        words.insert(words.begin(), "calculator-ka-vm");
        return ShellAfterMainWindowShown(window, static_cast<int>(words.size()), const_cast<char**>(words.data()),
                                         hooks, status);
    };
    int status = -1;
    EXPECT_TRUE(run({"/p", "/tmp/a.vcl"}, status));
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(run({"/pt", "/tmp/b.vcl", "office", "ps", "cups"}, status));
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(run({"/pt", "/tmp/c.vcl", "broken", "ps", "cups"}, status));
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(run({"/p", "/tmp/missing.vcl"}, status));
    EXPECT_EQ(status, 1);
    // A plain path opens and the program goes on; a path that fails ends it.
    EXPECT_FALSE(run({"/tmp/d.vcl"}, status));
    EXPECT_TRUE(run({"/tmp/missing.vcl"}, status));
    EXPECT_EQ(status, 1);
    EXPECT_FALSE(run({}, status));
    EXPECT_EQ(calls, QStringList({"open /tmp/a.vcl", "print", "open /tmp/b.vcl", "print office ps cups",
                                  "open /tmp/c.vcl", "print broken ps cups", "open /tmp/missing.vcl",
                                  "open /tmp/d.vcl", "open /tmp/missing.vcl"}));

    hooks.print = nullptr;
    EXPECT_TRUE(run({"/p", "/tmp/a.vcl"}, status));
    EXPECT_EQ(status, 1);
}

TEST(ShellStartUp, DdeStartListensForRequests)
{
    QTemporaryDir runtime;
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    {
        QMainWindow window;
        CShellHooks hooks;
        hooks.open = [](const QString&) { return true; };
        const char* words[] = {"calculator-ka-vm", "/dde"};
        int status = -1;
        EXPECT_FALSE(ShellAfterMainWindowShown(window, 2, const_cast<char**>(words), hooks, status));
        EXPECT_EQ(window.findChildren<CShellRequestServer*>().size(), 1);
        EXPECT_TRUE(QFileInfo::exists(runtime.filePath("vantrel-calculator-ka-vm.dde")));
    }
    if (saved.isEmpty())
        qunsetenv("XDG_RUNTIME_DIR");
    else
        qputenv("XDG_RUNTIME_DIR", saved);
}

TEST(ShellStartUp, WindowPictureIsWritten)
{
    QTemporaryDir folder;
    QMainWindow window;
    window.setCentralWidget(new QPlainTextEdit("1+1=2;"));
    window.resize(320, 200);
    window.show();
    const QString file = folder.filePath("window.png");
    ASSERT_TRUE(SaveWindowPicture(window, file));
    QImage picture(file);
    EXPECT_EQ(picture.size(), window.size() * window.devicePixelRatio());
    EXPECT_FALSE(SaveWindowPicture(window, folder.filePath("no/such/folder/window.png")));
}

// ------------------------------------------------------------ help

TEST(ShellHelp, TopicsOpenTheGuideAtTheirSection)
{
    ShowHelp("functions");
    QTextBrowser* window = HelpWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->source(), QUrl("qrc:/kavm/help/index.html"));
    const QString text = window->toPlainText();
    EXPECT_TRUE(text.contains("Calculator Ka-Vm"));
    EXPECT_TRUE(text.contains("sum(k, 1, 10, k^2)"));
    ShowHelp("preferences");
    EXPECT_EQ(HelpWindow(), window);  // one window, reused
    window->close();
}

TEST(ShellHelp, EveryTopicIsASectionOfTheGuide)
{
    QFile guide(":/kavm/help/index.html");
    ASSERT_TRUE(guide.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(guide.readAll());
    for (const char* topic : {"top", "language", "functions", "memory", "commands", "editor", "plots", "keypad", "log",
                              "memory-pane", "statistics", "preferences", "files", "printing", "command-line"})
        EXPECT_TRUE(html.contains(QStringLiteral("name=\"%1\"").arg(QLatin1String(topic)))) << topic;
    // Every keypad button leads to one of them.
    for (int i = 0; i < kKeypadButtonCount; ++i) {
        const QString topic = KeypadHelpTopic(KeypadButtonInfo(i).controlId);
        EXPECT_TRUE(html.contains("name=\"" + topic + "\"")) << KeypadButtonInfo(i).controlId;
    }
    EXPECT_EQ(KeypadHelpTopic(1028), "functions");  // sin
    EXPECT_EQ(KeypadHelpTopic(1136), "functions");  // sum
    EXPECT_EQ(KeypadHelpTopic(1007), "language");   // 1
    EXPECT_EQ(KeypadHelpTopic(1070), "memory");     // Mem
    EXPECT_EQ(KeypadHelpTopic(1062), "keypad");     // = all
    EXPECT_EQ(KeypadHelpTopic(-5), "keypad");
}

TEST(ShellHelp, InstalledIntoTheWindow)
{
    QMainWindow window;
    auto* editor = new QPlainTextEdit;
    window.setCentralWidget(editor);
    QMenu* menu = window.menuBar()->addMenu("&Help");
    menu->addAction("&About Calculator Ka-Vm...");
    auto* logDock = new QDockWidget("Log", &window);
    auto* logList = new QPlainTextEdit;
    logDock->setWidget(logList);
    window.addDockWidget(Qt::BottomDockWidgetArea, logDock);
    auto* keypadDock = new QDockWidget("Keypad", &window);
    auto* keypad = new CCalcKeyPad(Preferences());
    keypadDock->setWidget(keypad);
    window.addDockWidget(Qt::BottomDockWidgetArea, keypadDock);
    InstallHelp(window, keypad);

    ASSERT_EQ(menu->actions().size(), 3);
    EXPECT_EQ(menu->actions()[0]->text(), "&Help Topics");
    EXPECT_TRUE(menu->actions()[1]->isSeparator());
    EXPECT_EQ(menu->actions()[2]->text(), "&About Calculator Ka-Vm...");

    EXPECT_EQ(FocusHelpTopic(editor), "language");
    EXPECT_EQ(FocusHelpTopic(logList->viewport()), "log");
    EXPECT_EQ(FocusHelpTopic(keypad), "keypad");
    EXPECT_EQ(FocusHelpTopic(nullptr), "language");

    if (HelpWindow())
        HelpWindow()->close();
    menu->actions()[0]->trigger();
    ASSERT_NE(HelpWindow(), nullptr);
    EXPECT_TRUE(HelpWindow()->isVisible());
    HelpWindow()->close();
    emit keypad->HelpRequested(KeypadHelpContext(1028), 1028);
    EXPECT_TRUE(HelpWindow()->isVisible());
    HelpWindow()->close();
}

}  // namespace
