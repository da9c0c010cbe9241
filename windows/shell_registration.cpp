#include "windows/shell_registration.h"

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

#include "windows/single_instance.h"
#include "windows/tool_icons.h"
#include "windows/translation.h"
#include "windows/window_program.h"

extern char** environ;

namespace {

const QString kMimePackage = QStringLiteral("mime/packages/%1.xml").arg(QLatin1String(kDesktopFileName));
const QString kDesktopEntry = QStringLiteral("applications/") + QLatin1String(kDesktopId);
const QString kAppIconFile = QStringLiteral("icons/hicolor/scalable/apps/%1.svg").arg(QLatin1String(kDesktopFileName));
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

// The options the Qt application object takes for itself; they are left
// to it, with the value of those that take one.
int QtOptionWords(const QString& word)
{
    static const char* const withValue[] = {"platform", "platformpluginpath", "platformtheme", "plugin",
                                            "style", "stylesheet", "session", "display", "geometry",
                                            "title", "name", "qwindowgeometry", "qwindowicon",
                                            "qwindowtitle", "fontengine"};
    static const char* const alone[] = {"reverse", "nograb", "dograb", "sync", "widgetcount"};
    if (!word.startsWith(u'-'))
        return 0;
    const QStringView name = QStringView(word).mid(word.startsWith(QLatin1String("--")) ? 2 : 1);
    if (name.startsWith(QLatin1String("qmljsdebugger=")))
        return 1;
    for (const char* option : withValue)
        if (name == QLatin1String(option))
            return 2;
    for (const char* option : alone)
        if (name == QLatin1String(option))
            return 1;
    return 0;
}

bool EqualsFlag(const QString& word, std::initializer_list<const char*> names)
{
    if (word.size() < 2 || (word[0] != u'/' && word[0] != u'-'))
        return false;
    const QStringView name = QStringView(word).mid(1);
    for (const char* candidate : names)
        if (name.compare(QLatin1String(candidate), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

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

// ------------------------------------------------------------ messages

// Connects to a local socket (a name starting with '@' is abstract);
// true when something listens there.
bool SocketListens(const QByteArray& name)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (name.isEmpty() || static_cast<std::size_t>(name.size()) >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, name.constData(), static_cast<std::size_t>(name.size()));
    socklen_t length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size());
    if (name[0] == '@')
        address.sun_path[0] = '\0';
    else
        ++length;  // the terminating zero of a path
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0;
    ::close(fd);
    return connected;
}

// An X server named by DISPLAY. A local display (":N" or "unix:N") is
// tried on its socket; a display on another host (SSH forwarding) is
// taken as it is.
bool XDisplayReachable()
{
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty())
        return false;
    QByteArray number;
    if (display.startsWith(':'))
        number = display.mid(1);
    else if (display.startsWith("unix:"))
        number = display.mid(5);
    else
        return true;
    number = number.left(number.indexOf('.') < 0 ? number.size() : number.indexOf('.'));
    bool numeric = false;
    number.toUInt(&numeric);
    if (!numeric)
        return true;
    const QByteArray path = "/tmp/.X11-unix/X" + number;
    return SocketListens('@' + path) || SocketListens(path);
}

bool WaylandDisplayReachable()
{
    const QByteArray name = qgetenv("WAYLAND_DISPLAY");
    if (name.isEmpty())
        return false;
    if (name.startsWith('/'))
        return SocketListens(name);
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && SocketListens(runtime + '/' + name);
}

bool HasDisplay()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.startsWith("offscreen") || platform.startsWith("minimal"))
        return false;
    return !qgetenv("DISPLAY").isEmpty() || !qgetenv("WAYLAND_DISPLAY").isEmpty();
}

void Report(int argc, char** argv, const QString& text, bool failure)
{
    if (!HasDisplay()) {
        std::cerr << text.toStdString() << '\n';
        return;
    }
    QApplication application(argc, argv);
    // The box speaks the user's language; the line on standard error above
    // stays as written.
    InstallTranslations();
    const QString shown = QCoreApplication::translate("Shell", text.toUtf8().constData());
    if (failure)
        QMessageBox::warning(nullptr, QStringLiteral("Calculator Ka-Vm"), shown);
    else
        QMessageBox::information(nullptr, QStringLiteral("Calculator Ka-Vm"), shown);
}

QStringList Arguments(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

}  // namespace

// ------------------------------------------------------------ command line

CShellCommand ParseShellCommandLine(const QStringList& arguments)
{
    CShellCommand command;
    bool havePath = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& word = arguments[i];
        // The words a flag takes, or an error when they are missing.
        auto take = [&](int count, std::initializer_list<QString*> targets) {
            if (i + count >= arguments.size()) {
                command.error = QStringLiteral("%1 needs %2 more word(s)").arg(word).arg(count);
                i = static_cast<int>(arguments.size());
                return false;
            }
            for (QString* target : targets)
                *target = arguments[++i];
            return true;
        };
        if (const int qtWords = QtOptionWords(word)) {
            i += qtWords - 1;
        } else if (word == QLatin1String("--screenshot")) {
            take(1, {&command.screenshot});
        } else if (word == QLatin1String("--palette")) {
            take(1, {&command.palette});
        } else if (EqualsFlag(word, {"p"})) {
            command.action = EShellAction::Print;
            if (take(1, {&command.path}))
                havePath = true;
        } else if (EqualsFlag(word, {"pt"})) {
            command.action = EShellAction::PrintTo;
            if (take(4, {&command.path, &command.printer, &command.driver, &command.port}))
                havePath = true;
        } else if (EqualsFlag(word, {"dde"})) {
            command.action = EShellAction::Dde;
        } else if (EqualsFlag(word, {"register", "regserver"})) {
            command.action = EShellAction::Register;
        } else if (EqualsFlag(word, {"unregister", "unregserver"})) {
            command.action = EShellAction::Unregister;
        } else if (word.startsWith(u'-') && word.size() > 1) {
            command.warnings.append(QStringLiteral("unknown option ignored: %1").arg(word));
        } else if (!havePath) {
            command.path = word;
            havePath = true;
        } else {
            command.warnings.append(QStringLiteral("extra file name ignored: %1").arg(word));
        }
        if (!command.error.isEmpty())
            break;
    }
    return command;
}

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

// ------------------------------------------------------------ start-up

bool DisplayAvailable()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.isEmpty())
        return XDisplayReachable() || WaylandDisplayReachable();
    // "name:options", or a list of names tried in turn.
    for (const QByteArray& candidate : platform.split(';')) {
        const QByteArray name = candidate.left(candidate.indexOf(':') < 0 ? candidate.size() : candidate.indexOf(':'));
        if (name == "xcb") {
            if (XDisplayReachable())
                return true;
        } else if (name.startsWith("wayland")) {
            if (WaylandDisplayReachable())
                return true;
        } else if (!name.isEmpty()) {
            return true;  // offscreen, a frame buffer, VNC: no display server needed
        }
    }
    return false;
}

bool ShellBeforeMainWindow(int argc, char** argv, int& status)
{
    const CShellCommand command = ParseShellCommandLine(Arguments(argc, argv));
    // Registering and unregistering need no window; everything else does.
    const bool needsWindow = command.action != EShellAction::Register && command.action != EShellAction::Unregister;
    if (needsWindow && command.error.isEmpty() && !DisplayAvailable()) {
        std::cerr << kNoDisplayMessage << '\n';
        status = 2;
        return true;
    }
    for (const QString& warning : command.warnings)
        std::cerr << "calculator-ka-vm: " << warning.toStdString() << '\n';
    if (!command.error.isEmpty()) {
        std::cerr << "calculator-ka-vm: " << command.error.toStdString() << '\n';
        status = 2;
        return true;
    }
    const CRegistrationPlaces places = DefaultRegistrationPlaces();
    if (command.action == EShellAction::Unregister) {
        const bool removed = UnregisterFileTypes(places);
        Report(argc, argv, QLatin1String(removed ? kUnregisteredMessage : kUnregisterFailedMessage), !removed);
        status = removed ? 0 : 1;
        return true;
    }
    if (command.action == EShellAction::Register) {
        RegisterFileTypes(places);
        status = 0;
        return true;
    }
    // An installed program whose package brought the desktop entry and the
    // file types leaves the user's folders alone; one run from a build
    // tree registers itself for this user. Errors never stop the program.
    if (!InstalledWithDesktopFiles(places.program))
        RegisterFileTypes(places);
    return false;
}

bool HandOverToWaitingWindow(const CShellCommand& command, const QString& name)
{
    if ((command.action != EShellAction::Open && command.action != EShellAction::Dde) || command.path.isEmpty())
        return false;
    // No window waits: the socket is not there and the attempt fails at
    // once, so an ordinary start loses no time.
    return SendShellOpenRequest(command.path, 3000, name);
}

bool SaveWindowPicture(QWidget& window, const QString& file)
{
    return window.grab().save(file);
}

bool ShellAfterMainWindowShown(QMainWindow& window, int argc, char** argv, const CShellHooks& hooks, int& status)
{
    const CShellCommand command = ParseShellCommandLine(Arguments(argc, argv));
    auto open = [hooks](const QString& path) { return hooks.open && hooks.open(path); };
    // A request from outside (a drop, an open request) brings the window up.
    auto openFromOutside = [&window, open](const QString& path) {
        const bool opened = open(path);
        window.raise();
        window.activateWindow();
        return opened;
    };
    InstallFileDrop(&window, [openFromOutside](const QString& path) { openFromOutside(path); });

    if (!command.screenshot.isEmpty()) {
        // After the first layout and paint of the window.
        const QString file = command.screenshot;
        QTimer::singleShot(300, &window, [&window, file] {
            const bool saved = SaveWindowPicture(window, file);
            if (!saved)
                std::cerr << "calculator-ka-vm: cannot save " << file.toStdString() << '\n';
            QCoreApplication::exit(saved ? 0 : 1);
        });
    }

    switch (command.action) {
    case EShellAction::Open:
        if (!command.path.isEmpty() && !open(command.path)) {
            status = 1;
            return true;
        }
        return false;
    case EShellAction::Print:
    case EShellAction::PrintTo:
        if (!open(command.path)) {
            status = 1;
            return true;
        }
        if (!hooks.print) {
            std::cerr << "calculator-ka-vm: printing is not available\n";
            status = 1;
            return true;
        }
        status = hooks.print(command.printer, command.driver, command.port) ? 0 : 1;
        return true;
    case EShellAction::Dde: {
        // "/dde FILE" opens the file too, as the desktop entry's start does.
        if (!command.path.isEmpty() && !open(command.path)) {
            status = 1;
            return true;
        }
        auto* server = new CShellRequestServer(
            [&window, hooks, open](const QString& path, const CShellRequestServer::CReport& report) {
                const bool opened = hooks.openRequested ? hooks.openRequested(path, report) : open(path);
                window.raise();
                window.activateWindow();
                return opened;
            },
            &window);
        if (!server->Listen())
            std::cerr << "calculator-ka-vm: not waiting for open requests: " << server->ErrorText().toStdString()
                      << '\n';
        return false;
    }
    case EShellAction::Register:
    case EShellAction::Unregister:
        break;
    }
    return false;
}
