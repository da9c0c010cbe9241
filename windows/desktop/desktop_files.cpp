// The registration of the file types with the freedesktop (XDG) desktop.
#include "windows/desktop/desktop_files.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMainWindow>
#include <QMessageBox>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>

#include <fcntl.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <iostream>

#include "windows/desktop/icon_cache.h"
#include "windows/desktop/single_instance.h"
#include "windows/base/tool_icons.h"
#include "windows/base/translation.h"
#include "command_line/window_program.h"

extern char** environ;

namespace {

const QString kMimePackage = QStringLiteral("mime/packages/%1.xml").arg(QLatin1String(kDesktopFileName));
const QString kDesktopEntry = QStringLiteral("applications/") + QLatin1String(kDesktopId);
const QString kIconTheme = QStringLiteral("icons/hicolor");
const QString kAppIconFile = QStringLiteral("icons/hicolor/scalable/apps/%1.svg").arg(QLatin1String(kDesktopFileName));
// The folders our icons go to, deepest first: an unregistration takes
// away those it leaves empty.
const char* const kIconFolders[] = {"icons/hicolor/scalable/apps", "icons/hicolor/scalable/mimetypes",
                                    "icons/hicolor/scalable"};
const QString kDefaultGroup = QStringLiteral("Default Applications");
const QString kAddedGroup = QStringLiteral("Added Associations");
const QString kRemovedGroup = QStringLiteral("Removed Associations");

// The packaged files the per-user registration copies, among the program's
// resources.
const char kDesktopEntryResource[] = ":/kavm/desktop/com.vantrel.CalculatorKaVm.desktop";
const char kMimePackageResource[] = ":/kavm/desktop/com.vantrel.CalculatorKaVm.xml";

// What earlier versions wrote under other names; a registration takes it
// away so that the desktop never lists the program twice.
const char kOldDesktopId[] = "vantrel-calculator-ka-vm.desktop";
const char* const kOldFiles[] = {
    "applications/vantrel-calculator-ka-vm.desktop",
    "mime/packages/vantrel-calculator-ka-vm.xml",
    "icons/hicolor/scalable/apps/vantrel-calculator-ka-vm.svg",
};

const char* const kMimeTypes[] = {kMemoryMimeType, kCalculationMimeType};

// Document icons shipped in the program's resources and where they go
// under the data folder.
struct CIconFile {
    const char* resource;
    const char* target;
};

const CIconFile kIcons[] = {
    {":/kavm/icons/application-x-vantrel-calculator-memory.svg",
     "icons/hicolor/scalable/mimetypes/application-x-vantrel-calculator-memory.svg"},
    {":/kavm/icons/application-x-vantrel-calculator-calculation.svg",
     "icons/hicolor/scalable/mimetypes/application-x-vantrel-calculator-calculation.svg"},
};

// ------------------------------------------------------------ file contents

// A string as the value of a desktop entry: backslash and the control
// characters written as escapes.
QString EntryValue(QString text)
{
    text.replace(u'\\', QStringLiteral("\\\\"));
    text.replace(u'\n', QStringLiteral("\\n"));
    text.replace(u'\t', QStringLiteral("\\t"));
    text.replace(u'\r', QStringLiteral("\\r"));
    return text;
}

// One argument of an Exec line: quoted when it holds a reserved character,
// with the quoting escapes, then "%" doubled and the backslash escaped as a
// value of a desktop entry requires.
QString ExecArgument(const QString& word)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool quote = word.isEmpty();
    for (QChar c : word)
        quote = quote || reserved.contains(c);
    QString argument;
    if (quote) {
        argument += u'"';
        for (QChar c : word) {
            if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
                argument += u'\\';
            argument += c;
        }
        argument += u'"';
    } else {
        argument = word;
    }
    argument.replace(u'%', QStringLiteral("%%"));
    return EntryValue(argument);
}

QByteArray ResourceContent(const char* resource)
{
    QFile file{QLatin1String(resource)};
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The packaged desktop entry with the program named by its absolute path:
// the package's entry finds the program on PATH, this one is for a program
// that runs from wherever it was built or copied.
QByteArray DesktopEntryContent(const QString& program)
{
    const QString exec = ExecArgument(program);
    static const QLatin1String kExecPrefix("calculator-ka-vm");
    QStringList lines = QString::fromUtf8(ResourceContent(kDesktopEntryResource)).split(u'\n');
    for (QString& line : lines) {
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0)
            continue;
        const QString key = line.left(equals);
        const QString value = line.mid(equals + 1);
        if (key == u"TryExec")
            line = key + u'=' + EntryValue(program);
        else if (key.endsWith(QLatin1String("Exec")) && value.startsWith(kExecPrefix))
            line = key + u'=' + exec + value.mid(kExecPrefix.size());
    }
    lines.prepend(QStringLiteral("# Written by Calculator Ka-Vm for this user; removed by its /Unregister."));
    return lines.join(u'\n').toUtf8();
}

// ------------------------------------------------------------ files

// Writes the file only when its content differs. `changed` is set when it
// was written.
bool WriteIfDifferent(const QString& path, const QByteArray& content, bool& changed)
{
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == content)
        return true;
    existing.close();
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit())
        return false;
    changed = true;
    return true;
}

bool RemoveIfPresent(const QString& path, bool& changed)
{
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
        return true;
    if (!QFile::remove(path))
        return false;
    changed = true;
    return true;
}

// ------------------------------------------------------------ key files
// mimeapps.list is a desktop-style key file shared with every other
// application: it is edited line by line and everything not ours is kept.

bool IsGroupLine(const QString& line)
{
    const QString trimmed = line.trimmed();
    return trimmed.startsWith(u'[') && trimmed.endsWith(u']');
}

// Index range [begin, end) of the group's lines after its header; begin is
// -1 when the group is missing.
std::pair<int, int> GroupRange(const QStringList& lines, const QString& group)
{
    const QString header = u'[' + group + u']';
    for (int i = 0; i < lines.size(); ++i) {
        if (lines[i].trimmed() != header)
            continue;
        int end = i + 1;
        while (end < lines.size() && !IsGroupLine(lines[end]))
            ++end;
        return {i + 1, end};
    }
    return {-1, -1};
}

// Line index of the key within the group, or -1.
int KeyLine(const QStringList& lines, const QString& group, const QString& key)
{
    const auto [begin, end] = GroupRange(lines, group);
    for (int i = begin; i >= 0 && i < end; ++i) {
        const qsizetype equals = lines[i].indexOf(u'=');
        if (equals > 0 && lines[i].left(equals).trimmed() == key)
            return i;
    }
    return -1;
}

QString KeyValue(const QStringList& lines, const QString& group, const QString& key)
{
    const int line = KeyLine(lines, group, key);
    return line < 0 ? QString() : lines[line].mid(lines[line].indexOf(u'=') + 1).trimmed();
}

void SetKeyValue(QStringList& lines, const QString& group, const QString& key, const QString& value)
{
    const QString text = key + u'=' + value;
    const int line = KeyLine(lines, group, key);
    if (line >= 0) {
        lines[line] = text;
        return;
    }
    auto [begin, end] = GroupRange(lines, group);
    if (begin < 0) {
        while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
            lines.removeLast();
        if (!lines.isEmpty())
            lines.append(QString());
        lines.append(u'[' + group + u']');
        lines.append(text);
        return;
    }
    // After the group's last non-empty line.
    while (end > begin && lines[end - 1].trimmed().isEmpty())
        --end;
    lines.insert(end, text);
}

// Takes our desktop id out of the key's list; the key goes when the list
// is left empty.
void RemoveFromKey(QStringList& lines, const QString& group, const QString& key,
                   const char* desktopId = kDesktopId)
{
    const int line = KeyLine(lines, group, key);
    if (line < 0)
        return;
    QStringList ids = KeyValue(lines, group, key).split(u';', Qt::SkipEmptyParts);
    if (ids.removeAll(QLatin1String(desktopId)) == 0)
        return;
    if (ids.isEmpty())
        lines.removeAt(line);
    else
        lines[line] = key + u'=' + ids.join(u';') + u';';
}

QStringList ReadLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QByteArray JoinLines(const QStringList& lines)
{
    return lines.isEmpty() ? QByteArray() : (lines.join(u'\n') + u'\n').toUtf8();
}

// ------------------------------------------------------------ desktop tools

// Runs a program found on PATH with one argument, its output discarded,
// and waits for it; a missing program is no error.
void RunQuietly(const char* program, const QString& argument)
{
    const QString found = QStandardPaths::findExecutable(QLatin1String(program));
    if (found.isEmpty())
        return;
    const QByteArray path = QFile::encodeName(found);
    const QByteArray word = QFile::encodeName(argument);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    char* const argv[] = {const_cast<char*>(path.constData()), const_cast<char*>(word.constData()), nullptr};
    pid_t child = 0;
    if (posix_spawn(&child, path.constData(), &actions, nullptr, argv, environ) == 0) {
        int status = 0;
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    }
    posix_spawn_file_actions_destroy(&actions);
}

void UpdateDesktopDatabases(const CRegistrationPlaces& places)
{
    if (!places.runDesktopTools)
        return;
    RunQuietly("update-mime-database", places.dataHome + QStringLiteral("/mime"));
    RunQuietly("update-desktop-database", places.dataHome + QStringLiteral("/applications"));
}

}  // namespace

// ------------------------------------------------------------ registration

CRegistrationPlaces DefaultRegistrationPlaces()
{
    CRegistrationPlaces places;
    auto folder = [](const char* variable, const char* fallback) {
        const QString value = QFile::decodeName(qgetenv(variable));
        // The XDG rules ignore relative paths in these variables.
        if (!value.isEmpty() && QDir::isAbsolutePath(value))
            return QDir::cleanPath(value);
        return QDir::homePath() + QLatin1String(fallback);
    };
    places.dataHome = folder("XDG_DATA_HOME", "/.local/share");
    places.configHome = folder("XDG_CONFIG_HOME", "/.config");
    // The desktop starts the program the user starts, which hands the
    // window to this one.
    const std::string launcher = LauncherProgramPath(SelfPath());
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    if (!launcher.empty())
        places.program = QFile::decodeName(QByteArray::fromStdString(launcher));
    else
        places.program = self.isEmpty() ? QCoreApplication::applicationFilePath() : self;
    places.settingsFile =
        QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Vantrel"),
                  QStringLiteral("Calculator Ka-Vm"))
            .fileName();
    return places;
}

bool InstalledWithDesktopFiles(const QString& program)
{
    const QString data =
        QDir::cleanPath(QFileInfo(program).absolutePath() + u'/' + QLatin1String(KAVM_DATADIR_FROM_BINDIR));
    return QFileInfo::exists(data + u'/' + kDesktopEntry) && QFileInfo::exists(data + u'/' + kMimePackage);
}

bool RegisterFileTypes(const CRegistrationPlaces& places)
{
    bool ok = true;
    bool changed = false;
    const QString data = places.dataHome + u'/';
    for (const char* old : kOldFiles)
        ok = RemoveIfPresent(data + QLatin1String(old), changed) && ok;
    const QByteArray mime = ResourceContent(kMimePackageResource);
    ok = !mime.isEmpty() && WriteIfDifferent(data + kMimePackage, mime, changed) && ok;
    ok = WriteIfDifferent(data + kAppIconFile, ApplicationIconSvg(), changed) && ok;
    for (const CIconFile& icon : kIcons) {
        const QByteArray content = ResourceContent(icon.resource);
        ok = !content.isEmpty() && WriteIfDifferent(data + QLatin1String(icon.target), content, changed) && ok;
    }
    // The theme folder's index keeps every themed-icon look-up of every
    // program of this user from searching hundreds of folders here.
    ok = RefreshIconCache(data + kIconTheme) && ok;
    ok = WriteIfDifferent(data + kDesktopEntry, DesktopEntryContent(places.program), changed) && ok;

    // The memory type is always ours; the calculation type only while no
    // other application is its default. A type the user took away from us
    // ([Removed Associations]) is never made ours again.
    const QString listPath = places.configHome + QStringLiteral("/mimeapps.list");
    QStringList lines = ReadLines(listPath);
    for (const char* type : kMimeTypes) {
        RemoveFromKey(lines, kDefaultGroup, QLatin1String(type), kOldDesktopId);
        RemoveFromKey(lines, kAddedGroup, QLatin1String(type), kOldDesktopId);
    }
    auto removedByUser = [&lines](const char* type) {
        return KeyValue(lines, kRemovedGroup, QLatin1String(type))
            .split(u';', Qt::SkipEmptyParts)
            .contains(QLatin1String(kDesktopId));
    };
    if (!removedByUser(kMemoryMimeType))
        SetKeyValue(lines, kDefaultGroup, QLatin1String(kMemoryMimeType), QLatin1String(kDesktopId) + u';');
    if (!removedByUser(kCalculationMimeType) &&
        KeyValue(lines, kDefaultGroup, QLatin1String(kCalculationMimeType)).isEmpty())
        SetKeyValue(lines, kDefaultGroup, QLatin1String(kCalculationMimeType), QLatin1String(kDesktopId) + u';');
    ok = WriteIfDifferent(listPath, JoinLines(lines), changed) && ok;

    if (changed)
        UpdateDesktopDatabases(places);
    return ok;
}

bool UnregisterFileTypes(const CRegistrationPlaces& places)
{
    bool ok = true;
    bool changed = false;
    const QString data = places.dataHome + u'/';
    ok = RemoveIfPresent(data + kMimePackage, changed) && ok;
    ok = RemoveIfPresent(data + kAppIconFile, changed) && ok;
    for (const CIconFile& icon : kIcons)
        ok = RemoveIfPresent(data + QLatin1String(icon.target), changed) && ok;
    ok = RemoveIfPresent(data + kDesktopEntry, changed) && ok;
    for (const char* old : kOldFiles)
        ok = RemoveIfPresent(data + QLatin1String(old), changed) && ok;
    // An icon folder, even an empty one, makes the loaders search the
    // theme's folders there: what the icons leave empty goes too.
    for (const char* folder : kIconFolders)
        QDir().rmdir(data + QLatin1String(folder));
    ok = RefreshIconCache(data + kIconTheme) && ok;
    QDir().rmdir(data + kIconTheme);
    QDir().rmdir(data + QStringLiteral("icons"));

    const QString listPath = places.configHome + QStringLiteral("/mimeapps.list");
    if (QFileInfo::exists(listPath)) {
        QStringList lines = ReadLines(listPath);
        for (const char* type : kMimeTypes) {
            for (const char* id : {kDesktopId, kOldDesktopId}) {
                RemoveFromKey(lines, kDefaultGroup, QLatin1String(type), id);
                RemoveFromKey(lines, kAddedGroup, QLatin1String(type), id);
            }
        }
        ok = WriteIfDifferent(listPath, JoinLines(lines), changed) && ok;
    }
    if (!places.settingsFile.isEmpty()) {
        bool removedSettings = false;
        ok = RemoveIfPresent(places.settingsFile, removedSettings) && ok;
        if (removedSettings)  // the organisation's folder, when it is left empty
            QDir().rmdir(QFileInfo(places.settingsFile).absolutePath());
    }
    if (changed)
        UpdateDesktopDatabases(places);
    return ok;
}
