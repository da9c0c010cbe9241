#include "windows/desktop/shell_registration.h"

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

#include "windows/desktop/single_instance.h"
#include "windows/base/tool_icons.h"
#include "windows/base/translation.h"
#include "command_line/window_program.h"

extern char** environ;

namespace {

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
