// The open-request server under the requests of careless and hostile
// programs: answers that never meet a closed connection, idle connections,
// zero characters, floods of failing requests, sockets in places that
// others can write; and the window's side, which asks to save changes
// before a requested or dropped file replaces the document.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <atomic>
#include <chrono>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "support/fresh_app_state.h"
#include "document/open_request.h"
#include "document/qt/calc_doc.h"
#include "windows/app/calc_app.h"
#include "windows/frame/calc_main_frame.h"
#include "windows/editor/calc_view.h"
#include "windows/desktop/shell_registration.h"
#include "windows/desktop/single_instance.h"

namespace {

// Turns this thread's event loop (where the server answers) until `done`
// or the time is up.
template <class Predicate>
bool ServeUntil(Predicate done, int limitMs = 10000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

void Serve(int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

sockaddr_un Address(const QString& name)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(name);
    std::memcpy(address.sun_path, path.constData(), std::min<std::size_t>(path.size(), sizeof address.sun_path - 1));
    return address;
}

// A blocking requester: sends `line` and returns what comes back until the
// server closes (or, with `hangUp`, closes at once without reading).
std::string Ask(const QString& name, const std::string& line, bool hangUp = false)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_un address = Address(name);
    timeval timeout{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    std::string answer;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return "no connection";
    }
    [[maybe_unused]] const ssize_t sent = ::send(fd, line.data(), line.size(), MSG_NOSIGNAL);
    if (!hangUp) {
        char buffer[64];
        ssize_t count = 0;
        while ((count = ::recv(fd, buffer, sizeof buffer, 0)) > 0)
            answer.append(buffer, static_cast<std::size_t>(count));
    }
    ::close(fd);
    return answer;
}

// Runs requests on a thread while this thread serves; their answers.
std::vector<std::string> AskServing(const QString& name, const std::vector<std::string>& lines, bool hangUp = false)
{
    std::vector<std::string> answers;
    std::atomic<bool> done{false};
    std::thread client([&] {
        for (const std::string& line : lines)
            answers.push_back(Ask(name, line, hangUp));
        done = true;
    });
    ServeUntil([&] { return done.load(); }, 60000);
    client.join();
    return answers;
}

// Sends an open request the way a second start does, from a thread, while
// this thread serves until the requester has its answer and `served` says
// the server has done its part; the requester's answer.
template <typename Predicate>
bool SendServing(const QString& file, int limitMs, const QString& name, Predicate served)
{
    bool answer = false;
    std::atomic<bool> done{false};
    std::thread client([&] {
        answer = SendShellOpenRequest(file, limitMs, name);
        done = true;
    });
    ServeUntil([&] { return done.load() && served(); });
    client.join();
    return answer;
}

std::string Line(const QString& path)
{
    return EncodeOpenRequest(path.toStdU16String());
}

QString WriteCalculation(const QString& path, const QString& text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write("\xFF\xFE");
        file.write(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    }
    return path;
}

QList<QMessageBox*> VisibleBoxes()
{
    QList<QMessageBox*> boxes;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible())
            boxes << box;
    return boxes;
}

void CloseBoxes()
{
    for (QMessageBox* box : VisibleBoxes())
        box->close();
    QCoreApplication::processEvents();
}

// Sets or unsets environment variables for one test.
class CEnvironment {
public:
    void Set(const char* name, const QByteArray& value)
    {
        Remember(name);
        qputenv(name, value);
    }
    void Unset(const char* name)
    {
        Remember(name);
        qunsetenv(name);
    }
    ~CEnvironment()
    {
        for (const auto& [name, value] : m_saved) {
            if (value)
                qputenv(name, *value);
            else
                qunsetenv(name);
        }
    }

private:
    void Remember(const char* name)
    {
        for (const auto& saved : m_saved)
            if (saved.first == name)
                return;
        m_saved.emplace_back(name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt);
    }
    std::vector<std::pair<const char*, std::optional<QByteArray>>> m_saved;
};

bool IsRoot()
{
    return ::geteuid() == 0;
}

constexpr uid_t kOtherUser = 65534;

}  // namespace

// ------------------------------------------------------------ requests

TEST(OpenRequestServer, RequestIsAnsweredThenTheFileOpens)
{
    QTemporaryDir folder;
    const QString name = folder.filePath("requests");
    const QString odd = WriteCalculation(folder.filePath("with space/\u00FCn\u00EF\ncode.vcl"), "1");
    const QString missing = folder.filePath("missing.vcl");
    QStringList opened;
    CShellRequestServer server([&](const QString& path) {
        opened.append(path);
        return true;
    });
    ASSERT_TRUE(server.Listen(name)) << server.ErrorText().toStdString();

    EXPECT_TRUE(SendServing(odd, 5000, name, [&] { return !opened.isEmpty(); }));
    EXPECT_EQ(opened, QStringList({odd}));

    // A file that cannot be read is refused at once, and said so.
    EXPECT_EQ(AskServing(name, {Line(missing)}), std::vector<std::string>({"failed\n"}));
    EXPECT_EQ(opened, QStringList({odd}));
    ASSERT_NE(server.ErrorBox(), nullptr);
    EXPECT_TRUE(server.ErrorBox()->isVisible());
    EXPECT_EQ(server.ErrorBox()->text(), "Cannot open the file for reading");
    EXPECT_EQ(server.ErrorBox()->informativeText(), missing);
    CloseBoxes();
    EXPECT_EQ(server.ErrorBox(), nullptr);
}

TEST(OpenRequestServer, RequesterGoneWhileAMessageBoxIsUp)
{
    QTemporaryDir folder;
    const QString name = folder.filePath("requests");
    const QString file = WriteCalculation(folder.filePath("a.vcl"), "1");
    int calls = 0;
    // Like the document: a modal box with its own event loop, during
    // which the requesters' connections close.
    CShellRequestServer server([&](const QString&) {
        ++calls;
        QMessageBox::warning(nullptr, QString(), "Cannot open the file for reading");
        return false;
    });
    ASSERT_TRUE(server.Listen(name));
    QTimer closer;  // the user clicking OK
    QObject::connect(&closer, &QTimer::timeout, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
    closer.start(200);

    // Each requester hangs up right after sending.
    AskServing(name, {Line(file), Line(file)}, true);
    ServeUntil([&] { return calls == 2 && !QApplication::activeModalWidget(); });
    EXPECT_EQ(calls, 2);
    // The server lives on and answers the next request.
    EXPECT_EQ(AskServing(name, {Line(file)}), std::vector<std::string>({"ok\n"}));
    ServeUntil([&] { return calls == 3 && !QApplication::activeModalWidget(); });
    EXPECT_EQ(calls, 3);
}

TEST(OpenRequestServer, IdleConnectionsAreCappedAndTimeOut)
{
    QTemporaryDir folder;
    const QString name = folder.filePath("requests");
    const QString file = WriteCalculation(folder.filePath("a.vcl"), "1");
    QStringList opened;
    CShellRequestServer server([&](const QString& path) {
        opened.append(path);
        return true;
    });
    server.SetIdleTimeout(400);
    ASSERT_TRUE(server.Listen(name));

    // The requesters' descriptors and the server's share this process:
    // the limit leaves room for the 1,100 requesters and a few more, so a
    // server that kept a descriptor for each would run out.
    constexpr int kIdle = 1100;
    rlimit saved{};
    ::getrlimit(RLIMIT_NOFILE, &saved);
    const rlim_t used = static_cast<rlim_t>(QDir("/proc/self/fd").entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size());
    rlimit lowered = saved;
    lowered.rlim_cur = std::min<rlim_t>(saved.rlim_max, used + kIdle + 100);
    ::setrlimit(RLIMIT_NOFILE, &lowered);

    std::vector<int> held;
    struct CRestore {
        std::vector<int>& held;
        rlimit limit;
        ~CRestore()
        {
            for (int fd : held)
                ::close(fd);
            ::setrlimit(RLIMIT_NOFILE, &limit);
        }
    } restore{held, saved};
    int most = 0;
    QElapsedTimer clock;
    clock.start();
    const sockaddr_un address = Address(name);
    while (static_cast<int>(held.size()) < kIdle && clock.elapsed() < 30000) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        ASSERT_GE(fd, 0) << std::strerror(errno);
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
            held.push_back(fd);
        } else {
            ::close(fd);  // the backlog is full: let the server take them
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        if (held.size() % 50 == 0)
            QCoreApplication::processEvents();
        most = std::max(most, server.ConnectionCount());
    }
    Serve(50);
    most = std::max(most, server.ConnectionCount());
    EXPECT_EQ(static_cast<int>(held.size()), kIdle);
    EXPECT_LE(most, kMaxRequestConnections);

    // A request right behind them is answered: it pushes out the oldest.
    EXPECT_EQ(AskServing(name, {Line(file)}), std::vector<std::string>({"ok\n"}));
    ServeUntil([&] { return !opened.isEmpty(); });
    EXPECT_EQ(opened, QStringList({file}));
    // The rest time out.
    EXPECT_TRUE(ServeUntil([&] { return server.ConnectionCount() == 0; }, 3000));
}

TEST(OpenRequestServer, MalformedRequestsAreRefused)
{
    QTemporaryDir folder;
    const QString name = folder.filePath("requests");
    const QString file = WriteCalculation(folder.filePath("a.vcl"), "1");
    WriteCalculation(folder.filePath("a.vcl.txt"), "2");
    QStringList opened;
    CShellRequestServer server([&](const QString& path) {
        opened.append(path);
        return true;
    });
    ASSERT_TRUE(server.Listen(name));
    const std::string path = Line(file).substr(5, Line(file).size() - 6);
    const std::vector<std::string> answers = AskServing(
        name, {
                  "open " + path + "%00.txt\n",  // would open a.vcl
                  "open " + path + std::string("\0.txt\n", 6),
                  "open a.vcl\n",
                  "open " + path + "%C0%80\n",
                  "opened " + path + "\n",
                  "open " + std::string(kMaxOpenRequestLine + 10, 'a'),  // no line end, too long
              });
    EXPECT_EQ(answers, std::vector<std::string>(6, "failed\n"));
    Serve(50);
    EXPECT_TRUE(opened.isEmpty());
    // Refusals of malformed requests go to the log, not to a box.
    EXPECT_TRUE(VisibleBoxes().isEmpty());
}

TEST(OpenRequestServer, ManyFailingRequestsShareOneBox)
{
    QTemporaryDir folder;
    const QString name = folder.filePath("requests");
    QMainWindow window;
    CShellRequestServer server([](const QString&) { return true; }, &window);
    ASSERT_TRUE(server.Listen(name));
    std::vector<std::string> lines;
    for (int i = 0; i < 300; ++i)
        lines.push_back(Line(folder.filePath(QString("missing%1.vcl").arg(i))));
    const std::vector<std::string> answers = AskServing(name, lines);
    EXPECT_EQ(answers, std::vector<std::string>(300, "failed\n"));
    ASSERT_EQ(VisibleBoxes().size(), 1);
    QMessageBox* box = VisibleBoxes().first();
    EXPECT_EQ(box, server.ErrorBox());
    EXPECT_EQ(box->parentWidget(), &window);
    EXPECT_EQ(box->text(), "Cannot open the file for reading");
    // The first ten by name, the rest counted.
    const QStringList listed = box->informativeText().split('\n');
    ASSERT_EQ(listed.size(), 11);
    EXPECT_EQ(listed.first(), folder.filePath("missing0.vcl"));
    EXPECT_EQ(listed[9], folder.filePath("missing9.vcl"));
    EXPECT_EQ(listed.last(), "(290 more)");

    // Failures reported by the open itself join the same box.
    server.ReportError("Cannot read the file", "/x/y.vcl");
    EXPECT_EQ(VisibleBoxes().size(), 1);
    EXPECT_TRUE(box->informativeText().endsWith("(291 more)"));
    CloseBoxes();
    // Once closed, the next failure opens a new box with its own list.
    server.ReportError("Cannot read the file", "/x/y.vcl");
    ASSERT_EQ(VisibleBoxes().size(), 1);
    EXPECT_EQ(VisibleBoxes().first()->text(), "Cannot read the file");
    EXPECT_EQ(VisibleBoxes().first()->informativeText(), "/x/y.vcl");
    CloseBoxes();
}

// A request near the longest a path may be, of characters that all need
// escapes, arrives whole; so does one in many small pieces.
TEST(OpenRequestServer, LongAndPiecemealRequestsArriveWhole)
{
    QTemporaryDir folder;
    const QString name = folder.filePath("requests");
    QString deep = folder.path();
    const QString part = QString("\u00FC%\n ").repeated(20);  // 80 characters, 140 bytes, 420 escaped
    while (QFile::encodeName(deep).size() + 150 < static_cast<qsizetype>(kMaxOpenRequestPath) - 200)
        deep += u'/' + part;
    const QString file = WriteCalculation(deep + "/last.vcl", "1");
    ASSERT_TRUE(QFileInfo(file).isFile());
    ASSERT_GT(Line(file).size(), 2 * kMaxOpenRequestPath);
    QStringList opened;
    CShellRequestServer server([&](const QString& path) {
        opened.append(path);
        return true;
    });
    ASSERT_TRUE(server.Listen(name)) << server.ErrorText().toStdString();

    EXPECT_TRUE(SendServing(file, 10000, name, [&] { return !opened.isEmpty(); }));
    EXPECT_EQ(opened, QStringList({file}));

    // Byte by byte, with the event loop turning in between.
    const std::string line = Line(file);
    std::string received;
    std::atomic<bool> done{false};
    std::thread slow([&] {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const sockaddr_un address = Address(name);
        timeval timeout{5, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
            for (std::size_t i = 0; i < line.size(); i += 997) {
                [[maybe_unused]] const ssize_t sent = ::send(fd, line.data() + i, std::min<std::size_t>(997, line.size() - i), MSG_NOSIGNAL);
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            char buffer[16];
            ssize_t count = 0;
            while ((count = ::recv(fd, buffer, sizeof buffer, 0)) > 0)
                received.append(buffer, static_cast<std::size_t>(count));
        }
        ::close(fd);
        done = true;
    });
    ServeUntil([&] { return done.load() && opened.size() == 2; });
    slow.join();
    EXPECT_EQ(received, "ok\n");
    EXPECT_EQ(opened, QStringList({file, file}));
}

// A socket left by a calculator that ended without closing it is taken
// over; the socket is the owner's alone and goes when the server ends; a
// listener that takes no connections counts as alive, and a requester
// waiting for its answer gives up in time.
TEST(OpenRequestServer, LeftoverAndSilentListeners)
{
    QTemporaryDir folder;
    const QString name = folder.filePath("requests");
    const QByteArray file = QFile::encodeName(name);
    const sockaddr_un address = Address(name);
    const QString request = WriteCalculation(folder.filePath("a.vcl"), "1");
    {
        // Bound, then closed without removing the file: nobody answers there.
        const int left = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        ASSERT_EQ(::bind(left, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0) << std::strerror(errno);
        ASSERT_EQ(::listen(left, 1), 0);
        ::close(left);
    }
    EXPECT_FALSE(SendShellOpenRequest(request, 500, name));
    {
        QStringList opened;
        CShellRequestServer server([&](const QString& path) {
            opened.append(path);
            return true;
        });
        ASSERT_TRUE(server.Listen(name)) << server.ErrorText().toStdString();
        struct stat info {};
        ASSERT_EQ(::lstat(file.constData(), &info), 0);
        EXPECT_TRUE(S_ISSOCK(info.st_mode));
        EXPECT_EQ(info.st_mode & 077, 0u);
        EXPECT_EQ(AskServing(name, {Line(request)}), std::vector<std::string>({"ok\n"}));
        ServeUntil([&] { return !opened.isEmpty(); });
        EXPECT_EQ(opened, QStringList({request}));
    }
    EXPECT_FALSE(QFileInfo::exists(name));

    // Listening, never accepting.
    const int silent = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_EQ(::bind(silent, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0) << std::strerror(errno);
    ASSERT_EQ(::listen(silent, 4), 0);
    CShellRequestServer server([](const QString&) { return true; });
    EXPECT_FALSE(server.Listen(name));
    EXPECT_TRUE(server.ErrorText().contains("another calculator")) << server.ErrorText().toStdString();
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(SendShellOpenRequest(request, 300, name));
    EXPECT_GE(clock.elapsed(), 250);
    EXPECT_LT(clock.elapsed(), 5000);
    ::close(silent);
    ::unlink(file.constData());

    // A name too long for a socket address is refused, not cut short.
    const QString tooLong = folder.filePath(QString(120, 'n'));
    EXPECT_FALSE(server.Listen(tooLong));
    EXPECT_TRUE(server.ErrorText().contains("too long")) << server.ErrorText().toStdString();
    EXPECT_FALSE(SendShellOpenRequest(request, 300, tooLong));
}

// ------------------------------------------------------------ the socket's place

TEST(OpenRequestServer, SocketFolderIsTheUsersAlone)
{
    QTemporaryDir temporary;
    CEnvironment environment;
    environment.Unset("XDG_RUNTIME_DIR");
    environment.Set("TMPDIR", QFile::encodeName(temporary.path()));

    // Without a runtime folder: a private folder of the user's own.
    QString error;
    const QString folder = ShellRequestFolder(&error);
    ASSERT_FALSE(folder.isEmpty()) << error.toStdString();
    EXPECT_EQ(folder, temporary.filePath(QString("vantrel-calculator-ka-vm-%1").arg(::geteuid())));
    struct stat info {};
    ASSERT_EQ(::lstat(QFile::encodeName(folder).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(ShellRequestFolder(), folder);  // made once, then used
    EXPECT_EQ(ShellRequestServerName(), folder + "/vantrel-calculator-ka-vm.dde");

    // A folder that others may write to is refused, and so is a link.
    ::chmod(QFile::encodeName(folder).constData(), 0777);
    EXPECT_TRUE(ShellRequestFolder(&error).isEmpty());
    EXPECT_TRUE(error.contains("may be written by other users")) << error.toStdString();
    EXPECT_TRUE(ShellRequestServerName().isEmpty());
    ::rmdir(QFile::encodeName(folder).constData());
    QDir().mkdir(temporary.filePath("elsewhere"));
    ASSERT_TRUE(QFile::link(temporary.filePath("elsewhere"), folder));
    EXPECT_TRUE(ShellRequestFolder(&error).isEmpty());
    EXPECT_TRUE(error.contains("is not a folder")) << error.toStdString();
    QFile::remove(folder);

    // The runtime folder is used when it is set, under the same rules.
    QTemporaryDir runtime;
    environment.Set("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    EXPECT_EQ(ShellRequestFolder(), runtime.path());
    ::chmod(QFile::encodeName(runtime.path()).constData(), 0777);
    EXPECT_TRUE(ShellRequestFolder().isEmpty());
    CShellRequestServer server([](const QString&) { return true; });
    EXPECT_FALSE(server.Listen());
    EXPECT_TRUE(server.ErrorText().contains("may be written by other users")) << server.ErrorText().toStdString();
    ::chmod(QFile::encodeName(runtime.path()).constData(), 0700);

    if (!IsRoot())
        GTEST_SKIP() << "folders of another user need root";
    QDir().mkdir(folder);
    ::chmod(QFile::encodeName(folder).constData(), 0700);
    ASSERT_EQ(::chown(QFile::encodeName(folder).constData(), kOtherUser, kOtherUser), 0);
    environment.Unset("XDG_RUNTIME_DIR");
    EXPECT_TRUE(ShellRequestFolder(&error).isEmpty());
    EXPECT_TRUE(error.contains("belongs to another user")) << error.toStdString();
}

TEST(OpenRequestServer, SocketsInUnsafePlacesAreNeitherUsedNorAsked)
{
    QTemporaryDir shared;
    ::chmod(QFile::encodeName(shared.path()).constData(), 01777);
    CShellRequestServer server([](const QString&) { return true; });
    EXPECT_FALSE(server.Listen(shared.filePath("requests")));
    EXPECT_FALSE(server.Listen("requests"));  // a bare name lands in a shared folder
    EXPECT_TRUE(server.ErrorText().contains("not an absolute path")) << server.ErrorText().toStdString();

    // A live server in an open folder gets nothing sent to it.
    QTemporaryDir folder;
    const QString name = folder.filePath("requests");
    QStringList opened;
    CShellRequestServer live([&](const QString& path) {
        opened << path;
        return true;
    });
    ASSERT_TRUE(live.Listen(name));
    const QString file = WriteCalculation(folder.filePath("a.vcl"), "1");
    ::chmod(QFile::encodeName(folder.path()).constData(), 0777);
    EXPECT_FALSE(SendServing(file, 2000, name, [] { return true; }));
    EXPECT_TRUE(opened.isEmpty());
    ::chmod(QFile::encodeName(folder.path()).constData(), 0700);

    if (!IsRoot())
        GTEST_SKIP() << "files of another user need root";
    // Another user's socket (here a file) where ours would go.
    QTemporaryDir other;
    const QString squatted = other.filePath("requests");
    QFile planted(squatted);
    ASSERT_TRUE(planted.open(QIODevice::WriteOnly));
    planted.close();
    ASSERT_EQ(::chown(QFile::encodeName(squatted).constData(), kOtherUser, kOtherUser), 0);
    CShellRequestServer second([](const QString&) { return true; });
    EXPECT_FALSE(second.Listen(squatted));
    EXPECT_TRUE(second.ErrorText().contains("belongs to another user")) << second.ErrorText().toStdString();
    EXPECT_TRUE(QFileInfo::exists(squatted));
    EXPECT_FALSE(SendShellOpenRequest(file, 500, squatted));
}

// A start with a file while a window waits hands the file over and ends;
// without a waiting window, and for the other starts, nothing is sent.
TEST(OpenRequestServer, AStartWithAFileHandsItToTheWaitingWindow)
{
    QTemporaryDir folder;
    const QString name = folder.filePath("requests");
    const QString file = WriteCalculation(folder.filePath("report.vcl"), "1+1");
    QStringList opened;
    CShellRequestServer server([&](const QString& path) {
        opened.append(path);
        return true;
    });
    ASSERT_TRUE(server.Listen(name)) << server.ErrorText().toStdString();
    for (const QStringList& words : {QStringList{file}, QStringList{"/dde", file}}) {
        std::atomic<bool> done{false};
        bool handed = false;
        std::thread start([&] {
            handed = HandOverToWaitingWindow(ParseShellCommandLine(words), name);
            done = true;
        });
        ServeUntil([&] { return done.load(); });
        start.join();
        EXPECT_TRUE(handed) << words.join(' ').toStdString();
    }
    EXPECT_EQ(opened, QStringList({file, file}));
    // Starts that open nothing, or print, keep to themselves.
    for (const QStringList& words : {QStringList{}, QStringList{"/dde"}, QStringList{"/p", file}})
        EXPECT_FALSE(HandOverToWaitingWindow(ParseShellCommandLine(words), name)) << words.join(' ').toStdString();
    EXPECT_EQ(opened.size(), 2);
    // No window waits: the start goes on at once with a window of its own.
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(HandOverToWaitingWindow(ParseShellCommandLine({file}), folder.filePath("nobody")));
    EXPECT_LT(clock.elapsed(), 1000);
}

// ------------------------------------------------------------ the window's side

namespace {

bool DropFile(QWidget* widget, const QString& path)
{
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    const QPoint at = widget->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &enter);
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &drop);
    return drop.isAccepted();
}

}  // namespace

TEST(OpenRequestWindow, RequestsAndDropsAskBeforeReplacingAModifiedDocument)
{
    QTemporaryDir runtime;
    CEnvironment environment;
    environment.Set("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    const QString first = WriteCalculation(runtime.filePath("first.vcl"), "2+2");
    const QString second = WriteCalculation(runtime.filePath("second.vcl"), "3+3");

    CFreshAppState state;
    CCalcMainFrame frame(state);
    frame.show();
    QStringList errors;
    frame.Document()->showError = [&](const QString& message) { errors << message; };
    QStringList questions;
    int answer = QMessageBox::Cancel;
    frame.askSaveChanges = [&](const QString& question) {
        questions << question;
        return answer;
    };
    frame.Editor()->setPlainText("1+1");
    frame.Editor()->document()->setModified(true);

    const CShellHooks hooks = WindowShellHooks(frame);
    const char* words[] = {"calculator-ka-vm", "/dde"};
    int status = -1;
    ASSERT_FALSE(ShellAfterMainWindowShown(frame, 2, const_cast<char**>(words), hooks, status));
    const QString name = ShellRequestServerName();

    // Cancel keeps the document, for a request and for a drop.
    EXPECT_EQ(AskServing(name, {Line(first)}), std::vector<std::string>({"ok\n"}));
    ServeUntil([&] { return questions.size() == 1; });
    EXPECT_TRUE(DropFile(frame.Editor()->viewport(), first));
    EXPECT_EQ(questions, QStringList({"Save changes to Calculation?", "Save changes to Calculation?"}));
    EXPECT_EQ(frame.Editor()->toPlainText(), "1+1");
    EXPECT_TRUE(frame.Editor()->document()->isModified());

    // No replaces it.
    answer = QMessageBox::No;
    AskServing(name, {Line(first)});
    ServeUntil([&] { return frame.Document()->Path() == first; });
    EXPECT_EQ(frame.Editor()->toPlainText(), "2+2");
    frame.Editor()->document()->setModified(true);
    EXPECT_TRUE(DropFile(&frame, second));
    EXPECT_EQ(frame.Editor()->toPlainText(), "3+3");
    EXPECT_EQ(questions.size(), 4);
    // An unmodified document is replaced without a question.
    AskServing(name, {Line(first)});
    ServeUntil([&] { return frame.Document()->Path() == first; });
    EXPECT_EQ(questions.size(), 4);
    EXPECT_TRUE(errors.isEmpty());
    CloseBoxes();
    frame.Editor()->document()->setModified(false);
}

TEST(OpenRequestWindow, FailuresOfRequestedFilesGoToTheReport)
{
    CFreshAppState state;
    CCalcMainFrame frame(state);
    QStringList shown;
    frame.Document()->showError = [&](const QString& message) { shown << message; };
    const CShellHooks hooks = WindowShellHooks(frame);
    QStringList reported;
    EXPECT_FALSE(hooks.openRequested("/nonexistent/x.vcl", [&](const QString& message) { reported << message; }));
    EXPECT_EQ(reported, QStringList({"Cannot open the file for reading"}));
    EXPECT_TRUE(shown.isEmpty());
    // The document's own box is back afterwards.
    EXPECT_FALSE(hooks.open("/nonexistent/x.vcl"));
    EXPECT_EQ(shown, QStringList({"Cannot open the file for reading"}));
}

TEST(OpenRequestWindow, OpenAndRecentFilesAskFirstToo)
{
    QTemporaryDir folder;
    const QString file = WriteCalculation(folder.filePath("a.vcl"), "5");
    CFreshAppState state;
    CCalcMainFrame frame(state);
    QStringList questions;
    int answer = QMessageBox::Cancel;
    frame.askSaveChanges = [&](const QString& question) {
        questions << question;
        return answer;
    };
    int dialogs = 0;
    frame.askOpenFileName = [&](const QString&, const QString&, const QString&) {
        ++dialogs;
        return file;
    };
    ASSERT_TRUE(frame.OpenDocument(file, false));  // now a recent file
    QAction* recent = nullptr;
    for (QAction* action : frame.FileMenu()->actions())
        if (action->property("commandId").toInt() == IdFileMru1)
            recent = action;
    ASSERT_NE(recent, nullptr);

    frame.Editor()->setPlainText("typed");
    frame.Editor()->document()->setModified(true);
    frame.Command(IdFileOpen)->trigger();
    recent->trigger();
    EXPECT_EQ(questions.size(), 2);
    EXPECT_EQ(dialogs, 0);  // cancelled before the dialog
    EXPECT_EQ(frame.Editor()->toPlainText(), "typed");

    answer = QMessageBox::No;
    recent->trigger();
    EXPECT_EQ(frame.Editor()->toPlainText(), "5");
    frame.Editor()->setPlainText("typed again");
    frame.Editor()->document()->setModified(true);
    frame.Command(IdFileOpen)->trigger();
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(frame.Editor()->toPlainText(), "5");
    EXPECT_EQ(questions.size(), 4);
    frame.Editor()->document()->setModified(false);
}
