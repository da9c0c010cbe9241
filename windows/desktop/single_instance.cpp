#include "windows/desktop/single_instance.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMainWindow>
#include <QMessageBox>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include <cerrno>
#include <cstring>
#include <iostream>

#include <sys/stat.h>
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

CShellRequestServer::CShellRequestServer(COpen open, QObject* parent)
    : QObject(parent), m_open(std::move(open)), m_server(new QLocalServer(this))
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &CShellRequestServer::Accept);
}

CShellRequestServer::CShellRequestServer(std::function<bool(const QString&)> open, QObject* parent)
    : CShellRequestServer(COpen([open = std::move(open)](const QString& path, const CReport&) {
                              return open && open(path);
                          }),
                          parent)
{
}

CShellRequestServer::~CShellRequestServer()
{
    if (m_errorBox && !m_errorBox->parent())
        delete m_errorBox;
}

bool CShellRequestServer::Listen(const QString& name)
{
    if (name.isEmpty()) {
        ShellRequestServerName(&m_error);
        return false;
    }
    if (!IsSafeSocketPlace(name, &m_error))
        return false;
    // Somebody answering there is a live calculator: leave it alone. (The
    // server with user-only access moves its socket into place, which
    // would silently take the name from a live one.)
    QLocalSocket probe;
    probe.connectToServer(name);
    if (probe.waitForConnected(500)) {
        probe.abort();
        m_error = QStringLiteral("another calculator is waiting for open requests");
        return false;
    }
    // Whatever is left there is a socket of a calculator that ended
    // without closing it.
    QLocalServer::removeServer(name);
    if (m_server->listen(name))
        return true;
    m_error = m_server->errorString();
    return false;
}

QString CShellRequestServer::ErrorText() const
{
    return m_error;
}

namespace {

// Ends a connection; `answer` (if any) is sent first.
void CloseConnection(QLocalSocket* socket, const char* answer)
{
    if (answer) {
        socket->write(answer);
        socket->flush();
        socket->disconnectFromServer();
    } else {
        socket->abort();
    }
    socket->deleteLater();
}

void LogRefusal(const QString& reason)
{
    std::cerr << "calculator-ka-vm: open request refused: " << reason.toStdString() << '\n';
}

}  // namespace

void CShellRequestServer::Accept()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        // Every connection holds a file descriptor: at the cap the oldest
        // one, which has had the longest time to send its request, is
        // closed, so that no number of connections can use up the
        // process's descriptors and a new request still gets through.
        if (m_connections.size() >= kMaxRequestConnections)
            Drop(m_connections.first());
        m_connections.append(socket);
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] { Drop(socket); });
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Read(socket); });
        // A connection that sends no request in time is closed.
        QTimer::singleShot(m_idleTimeoutMs, socket, [this, socket] { Drop(socket); });
        if (socket->bytesAvailable() > 0)
            Read(socket);
    }
}

void CShellRequestServer::Drop(QLocalSocket* socket)
{
    if (!m_connections.removeOne(socket))
        return;
    socket->disconnect(this);
    CloseConnection(socket, nullptr);
}

void CShellRequestServer::Answer(QLocalSocket* socket, bool taken)
{
    m_connections.removeOne(socket);
    socket->disconnect(this);
    CloseConnection(socket, taken ? "ok\n" : "failed\n");
}

void CShellRequestServer::Read(QLocalSocket* socket)
{
    if (!m_connections.contains(socket))
        return;
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > static_cast<qint64>(kMaxOpenRequestLine) + 2) {
            LogRefusal(QStringLiteral("the request is too long"));
            Answer(socket, false);
        }
        return;
    }
    const QByteArray line = socket->readLine(static_cast<qint64>(kMaxOpenRequestLine) + 3);
    const COpenRequest request = ParseOpenRequest(std::string_view(line.constData(), static_cast<std::size_t>(line.size())));
    if (request.status != EOpenRequestStatus::Ok) {
        LogRefusal(QString::fromUtf8(GetOpenRequestStatusText(request.status)));
        Answer(socket, false);
        return;
    }
    const QString path = QString::fromStdU16String(request.path);
    // The answer goes before anything is shown; so what can be known now
    // decides it.
    const QFileInfo file(path);
    if (!file.isFile() || !file.isReadable()) {
        Answer(socket, false);
        ReportError(FileResultMessage(EFileResult::CannotOpen), path);
        return;
    }
    if (m_waiting.size() >= kMaxWaitingRequests) {
        LogRefusal(QStringLiteral("too many requests are waiting"));
        Answer(socket, false);
        return;
    }
    Answer(socket, true);
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

bool SendShellOpenRequest(const QString& path, int timeoutMs, const QString& name)
{
    if (name.isEmpty() || !IsSafeSocketPlace(name))
        return false;
    QElapsedTimer clock;
    clock.start();
    auto left = [&] { return std::max(1, timeoutMs - static_cast<int>(clock.elapsed())); };
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(left()))
        return false;
    const QString absolute = QDir::isAbsolutePath(path) ? path : QDir::current().absoluteFilePath(path);
    socket.write(QByteArray::fromStdString(EncodeOpenRequest(absolute.toStdU16String())));
    if (!socket.waitForBytesWritten(left()))
        return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(left()) || clock.elapsed() >= timeoutMs)
            return false;
    }
    return socket.readLine().trimmed() == "ok";
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
