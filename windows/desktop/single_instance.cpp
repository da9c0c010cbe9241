#include "windows/desktop/single_instance.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMainWindow>
#include <QMessageBox>
#include <QMimeData>
#include <QSocketNotifier>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <string>
#include <string_view>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include "document/open_request.h"
#include "document/qt/calc_doc.h"
#include "document/text_file.h"

namespace {

const char* const kSocketFile = "vantrel-calculator-ka-vm.dde";

QString Text(const char* text)
{
    return QString::fromUtf8(text);
}

// A real folder of this user that nobody else may write to.
bool IsPrivateFolder(const QString& folder, QString* error)
{
    struct stat info {};
    if (::lstat(QFile::encodeName(folder).constData(), &info) != 0) {
        if (error)
            *error = Text("the folder %1 cannot be read: %2").arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    QString fault;
    if (!S_ISDIR(info.st_mode))
        fault = Text("the folder %1 is not a folder (a link or a file)");
    else if (info.st_uid != ::geteuid())
        fault = Text("the folder %1 belongs to another user");
    else if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        fault = Text("the folder %1 may be written by other users");
    if (fault.isEmpty())
        return true;
    if (error)
        *error = fault.arg(folder);
    return false;
}

// The first local file a drag carries, or an empty string.
QString DroppedFile(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return {};
    for (const QUrl& url : data->urls())
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            return url.toLocalFile();
    return {};
}

class CFileDropFilter : public QObject {
public:
    CFileDropFilter(std::function<void(QString)> open, QObject* parent) : QObject(parent), m_open(std::move(open)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (DroppedFile(drag->mimeData()).isEmpty())
                break;
            drag->acceptProposedAction();
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const QString path = DroppedFile(drop->mimeData());
            if (path.isEmpty())
                break;
            drop->acceptProposedAction();
            m_open(path);
            return true;
        }
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void(QString)> m_open;
};

}  // namespace

QString ShellRequestFolder(QString* error)
{
    const QString runtime = QFile::decodeName(qgetenv("XDG_RUNTIME_DIR"));
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && QFileInfo(runtime).exists())
        return IsPrivateFolder(runtime, error) ? runtime : QString();
    // Without a runtime folder: a folder of the user's own in the shared
    // temporary folder. Another user may have made it first; then it is
    // refused below, never used.
    const QString folder = QDir::tempPath() + QStringLiteral("/vantrel-calculator-ka-vm-%1").arg(::geteuid());
    if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST) {
        if (error)
            *error = Text("the folder %1 cannot be made: %2").arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
        return QString();
    }
    return IsPrivateFolder(folder, error) ? folder : QString();
}

QString ShellRequestServerName(QString* error)
{
    const QString folder = ShellRequestFolder(error);
    return folder.isEmpty() ? QString() : folder + u'/' + QLatin1String(kSocketFile);
}

bool IsSafeSocketPlace(const QString& name, QString* error)
{
    if (!QDir::isAbsolutePath(name)) {
        if (error)
            *error = Text("the socket name %1 is not an absolute path").arg(name);
        return false;
    }
    if (!IsPrivateFolder(QFileInfo(name).absolutePath(), error))
        return false;
    struct stat info {};
    if (::lstat(QFile::encodeName(name).constData(), &info) == 0 && info.st_uid != ::geteuid()) {
        if (error)
            *error = Text("the socket %1 belongs to another user").arg(name);
        return false;
    }
    return true;
}

namespace {

// Makes the address of a socket file; false (with the reason) when the
// name does not fit a Unix-domain address.
bool SocketAddress(const QString& name, sockaddr_un& address, QString* error = nullptr)
{
    const QByteArray file = QFile::encodeName(name);
    address = sockaddr_un{};
    address.sun_family = AF_UNIX;
    QString fault;
    if (file.contains('\0'))
        fault = Text("the socket name %1 holds a zero character");
    else if (static_cast<std::size_t>(file.size()) >= sizeof address.sun_path)
        fault = Text("the socket name %1 is too long");
    if (!fault.isEmpty()) {
        if (error)
            *error = fault.arg(name);
        return false;
    }
    std::memcpy(address.sun_path, file.constData(), static_cast<std::size_t>(file.size()));
    return true;
}

const sockaddr* AsAddress(const sockaddr_un& address)
{
    return reinterpret_cast<const sockaddr*>(&address);
}

// Whether something listens at the address. A full backlog counts: a
// listener that is slow to take connections is still alive.
bool SomebodyListens(const sockaddr_un& address)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    const bool connected = ::connect(fd, AsAddress(address), sizeof address) == 0;
    const int fault = errno;
    ::close(fd);
    return connected || fault == EAGAIN || fault == EINPROGRESS;
}

QString SystemError(int fault)
{
    return QString::fromLocal8Bit(std::strerror(fault));
}

}  // namespace

// One accepted connection: its descriptor, what it has sent so far, and
// the notifier that says it has sent more.
class CRequestConnection : public QObject {
public:
    CRequestConnection(int descriptor, QObject* parent)
        : QObject(parent), fd(descriptor), notifier(new QSocketNotifier(descriptor, QSocketNotifier::Read, this))
    {
    }
    ~CRequestConnection() override { Close(); }

    // Gives the descriptor back at once; the object itself goes later, as
    // it may be inside its notifier's call.
    void Close()
    {
        if (fd < 0)
            return;
        notifier->setEnabled(false);
        ::close(fd);
        fd = -1;
    }

    int fd;
    QSocketNotifier* notifier;
    QByteArray received;
    bool ended = false;  // the requester closed its side (or it failed)
};

CShellRequestServer::CShellRequestServer(COpen open, QObject* parent) : QObject(parent), m_open(std::move(open)) {}

CShellRequestServer::CShellRequestServer(std::function<bool(const QString&)> open, QObject* parent)
    : CShellRequestServer(COpen([open = std::move(open)](const QString& path, const CReport&) {
                              return open && open(path);
                          }),
                          parent)
{
}

CShellRequestServer::~CShellRequestServer()
{
    Close();
    if (m_errorBox && !m_errorBox->parent())
        delete m_errorBox;
}

void CShellRequestServer::Close()
{
    for (CRequestConnection* connection : std::as_const(m_connections))
        connection->Close();
    if (m_listener < 0)
        return;
    delete m_acceptNotifier;
    m_acceptNotifier = nullptr;
    ::close(m_listener);
    m_listener = -1;
    // The file goes with the server, unless another calculator has since
    // put a socket of its own under that name.
    struct stat info {};
    if (::lstat(m_socketFile.constData(), &info) == 0 && info.st_dev == m_socketDevice && info.st_ino == m_socketInode)
        ::unlink(m_socketFile.constData());
}

bool CShellRequestServer::Listen(const QString& name)
{
    if (name.isEmpty()) {
        ShellRequestServerName(&m_error);
        return false;
    }
    if (m_listener >= 0) {
        m_error = QStringLiteral("the server is already waiting for open requests");
        return false;
    }
    if (!IsSafeSocketPlace(name, &m_error))
        return false;
    sockaddr_un address{};
    if (!SocketAddress(name, address, &m_error))
        return false;
    // Somebody answering there is a live calculator: leave it alone.
    if (SomebodyListens(address)) {
        m_error = QStringLiteral("another calculator is waiting for open requests");
        return false;
    }
    // Whatever is left there is a socket of a calculator that ended
    // without closing it.
    const QByteArray file = QFile::encodeName(name);
    ::unlink(file.constData());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        m_error = Text("no socket can be made: %1").arg(SystemError(errno));
        return false;
    }
    // Bound in place (not moved there), so that of two calculators starting
    // at once one gets the name and the other is told it is taken. The
    // folder is the user's alone, so the socket's mode before chmod matters
    // to nobody else.
    if (::bind(fd, AsAddress(address), sizeof address) != 0 || ::chmod(file.constData(), S_IRWXU) != 0
        || ::listen(fd, 50) != 0) {
        m_error = Text("the socket %1 cannot be made: %2").arg(name, SystemError(errno));
        ::close(fd);
        return false;
    }
    struct stat info {};
    ::lstat(file.constData(), &info);
    m_listener = fd;
    m_socketFile = file;
    m_socketDevice = info.st_dev;
    m_socketInode = info.st_ino;
    m_acceptNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_acceptNotifier, &QSocketNotifier::activated, this, &CShellRequestServer::Accept);
    return true;
}

QString CShellRequestServer::ErrorText() const
{
    return m_error;
}

namespace {

void LogRefusal(const QString& reason)
{
    std::cerr << "calculator-ka-vm: open request refused: " << reason.toStdString() << '\n';
}

// The most a request may have sent without a line end before it is
// refused as too long.
constexpr qsizetype kMostUnended = static_cast<qsizetype>(kMaxOpenRequestLine) + 2;

}  // namespace

void CShellRequestServer::Accept()
{
    while (m_listener >= 0) {
        const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if ((errno == EMFILE || errno == ENFILE) && !m_connections.isEmpty()) {
                Drop(m_connections.first());
                continue;
            }
            if (errno != EAGAIN && errno != EWOULDBLOCK && m_acceptNotifier) {
                // No descriptor to be had: the connection waits in the
                // backlog, and the notifier rests so as not to spin.
                m_acceptNotifier->setEnabled(false);
                QTimer::singleShot(100, this, [this] {
                    if (m_acceptNotifier)
                        m_acceptNotifier->setEnabled(true);
                });
            }
            return;
        }
        // Every connection holds a file descriptor: at the cap the oldest
        // one, which has had the longest time to send its request, is
        // closed, so that no number of connections can use up the
        // process's descriptors and a new request still gets through.
        if (m_connections.size() >= kMaxRequestConnections)
            Drop(m_connections.first());
        auto* connection = new CRequestConnection(fd, this);
        m_connections.append(connection);
        connect(connection->notifier, &QSocketNotifier::activated, this, [this, connection] { Read(connection); });
        // A connection that sends no request in time is closed.
        QTimer::singleShot(m_idleTimeoutMs, connection, [this, connection] { Drop(connection); });
        Read(connection);
    }
}

void CShellRequestServer::Drop(CRequestConnection* connection)
{
    if (!m_connections.removeOne(connection))
        return;
    connection->Close();
    connection->deleteLater();
}

void CShellRequestServer::Answer(CRequestConnection* connection, bool taken)
{
    m_connections.removeOne(connection);
    const std::string_view answer = taken ? "ok\n" : "failed\n";
    // A new connection's buffer always takes the few bytes; a requester
    // that has gone is no error.
    [[maybe_unused]] const ssize_t sent = ::send(connection->fd, answer.data(), answer.size(), MSG_NOSIGNAL);
    // What the requester sent beyond its request is read away first: a
    // socket closed with unread bytes resets the connection, and the
    // requester might then miss the answer.
    char rest[4096];
    for (int i = 0; i < 16 && ::recv(connection->fd, rest, sizeof rest, 0) > 0; ++i) {
    }
    connection->Close();
    connection->deleteLater();
}

void CShellRequestServer::Read(CRequestConnection* connection)
{
    if (!m_connections.contains(connection))
        return;
    char chunk[4096];
    while (!connection->ended && connection->received.size() <= kMostUnended && !connection->received.contains('\n')) {
        const ssize_t count = ::recv(connection->fd, chunk, sizeof chunk, 0);
        if (count > 0)
            connection->received.append(chunk, static_cast<qsizetype>(count));
        else if (count < 0 && errno == EINTR)
            continue;
        else if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        else
            connection->ended = true;
    }
    const qsizetype end = connection->received.indexOf('\n');
    if (end < 0) {
        if (connection->received.size() > kMostUnended) {
            LogRefusal(QStringLiteral("the request is too long"));
            Answer(connection, false);
        } else if (connection->ended) {
            Drop(connection);
        }
        return;
    }
    const QByteArray line = connection->received.left(std::min(end + 1, kMostUnended));
    const COpenRequest request = ParseOpenRequest(std::string_view(line.constData(), static_cast<std::size_t>(line.size())));
    if (request.status != EOpenRequestStatus::Ok) {
        LogRefusal(QString::fromUtf8(GetOpenRequestStatusText(request.status)));
        Answer(connection, false);
        return;
    }
    const QString path = QString::fromStdU16String(request.path);
    // The answer goes before anything is shown; so what can be known now
    // decides it.
    const QFileInfo file(path);
    if (!file.isFile() || !file.isReadable()) {
        Answer(connection, false);
        ReportError(FileResultMessage(EFileResult::CannotOpen), path);
        return;
    }
    if (m_waiting.size() >= kMaxWaitingRequests) {
        LogRefusal(QStringLiteral("too many requests are waiting"));
        Answer(connection, false);
        return;
    }
    Answer(connection, true);
    m_waiting.append(path);
    QMetaObject::invokeMethod(this, &CShellRequestServer::OpenWaiting, Qt::QueuedConnection);
}

void CShellRequestServer::OpenWaiting()
{
    // An open under way (asking to save changes) takes the later requests
    // in turn when it ends.
    if (m_opening)
        return;
    m_opening = true;
    QPointer<CShellRequestServer> self(this);
    while (!m_waiting.isEmpty()) {
        const QString path = m_waiting.takeFirst();
        if (m_open)
            m_open(path, [self, path](const QString& message) {
                if (self)
                    self->ReportError(message, path);
            });
        if (!self)
            return;
    }
    m_opening = false;
}

void CShellRequestServer::ReportError(const QString& message, const QString& path)
{
    const QString line = path.isEmpty() ? message : QStringLiteral("%1: %2").arg(message, path);
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        std::cerr << "calculator-ka-vm: " << line.toStdString() << '\n';
        return;
    }
    constexpr int kListed = 10;
    if (!m_errorBox) {
        m_reported.clear();
        m_reportedCount = 0;
        auto* box = new QMessageBox(QMessageBox::Warning, QString(), message, QMessageBox::Ok,
                                    qobject_cast<QWidget*>(parent()));
        box->setAttribute(Qt::WA_DeleteOnClose);
        // Shown without an event loop of its own: requests go on being
        // answered while it is up.
        box->setWindowModality(Qt::NonModal);
        m_errorBox = box;
    }
    ++m_reportedCount;
    if (m_reported.size() < kListed)
        m_reported.append(path.isEmpty() || message != m_errorBox->text() ? line : path);
    QString listed = m_reported.join(u'\n');
    if (m_reportedCount > m_reported.size())
        listed += tr("\n(%1 more)").arg(m_reportedCount - m_reported.size());
    m_errorBox->setInformativeText(listed);
    m_errorBox->show();
}

QMessageBox* CShellRequestServer::ErrorBox() const
{
    return m_errorBox;
}

namespace {

// Bounds the blocking calls on `fd` to `milliseconds`. On a Unix-domain
// socket the send time-out bounds connect too (a listener whose backlog
// is full).
void SetTimeouts(int fd, int milliseconds)
{
    timeval limit{};
    limit.tv_sec = milliseconds / 1000;
    limit.tv_usec = static_cast<suseconds_t>(milliseconds % 1000) * 1000;
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
}

// Closes a descriptor when it goes out of scope.
struct CDescriptor {
    int fd;
    ~CDescriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

bool IsAnswerSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

}  // namespace

bool SendShellOpenRequest(const QString& path, int timeoutMs, const QString& name)
{
    if (name.isEmpty() || !IsSafeSocketPlace(name))
        return false;
    sockaddr_un address{};
    if (!SocketAddress(name, address))
        return false;
    QElapsedTimer clock;
    clock.start();
    auto left = [&] { return std::max(1, timeoutMs - static_cast<int>(clock.elapsed())); };
    const CDescriptor socket{::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)};
    if (socket.fd < 0)
        return false;
    SetTimeouts(socket.fd, left());
    if (::connect(socket.fd, AsAddress(address), sizeof address) != 0)
        return false;
    const QString absolute = QDir::isAbsolutePath(path) ? path : QDir::current().absoluteFilePath(path);
    const std::string request = EncodeOpenRequest(absolute.toStdU16String());
    std::size_t sent = 0;
    while (sent < request.size()) {
        if (clock.elapsed() >= timeoutMs)
            return false;
        SetTimeouts(socket.fd, left());
        const ssize_t count = ::send(socket.fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (count > 0)
            sent += static_cast<std::size_t>(count);
        else if (count == 0 || errno != EINTR)
            return false;
    }
    std::string answer;
    while (answer.find('\n') == std::string::npos) {
        if (clock.elapsed() >= timeoutMs)
            return false;
        SetTimeouts(socket.fd, left());
        char chunk[64];
        const ssize_t count = ::recv(socket.fd, chunk, sizeof chunk, 0);
        if (count > 0)
            answer.append(chunk, static_cast<std::size_t>(count));
        else if (count == 0 || errno != EINTR)
            return false;
    }
    std::string_view line(answer.data(), answer.find('\n'));
    while (!line.empty() && IsAnswerSpace(line.front()))
        line.remove_prefix(1);
    while (!line.empty() && IsAnswerSpace(line.back()))
        line.remove_suffix(1);
    return line == "ok";
}

void InstallFileDrop(QMainWindow* window, std::function<void(QString)> open)
{
    auto* filter = new CFileDropFilter(std::move(open), window);
    window->setAcceptDrops(true);
    window->installEventFilter(filter);
    // Children that take drops of their own (the editor takes text) would
    // otherwise see the file first.
    for (QWidget* child : window->findChildren<QWidget*>())
        if (child->acceptDrops())
            child->installEventFilter(filter);
}
