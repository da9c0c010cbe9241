#include "windows/single_instance.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMainWindow>
#include <QMimeData>
#include <QUrl>

#include <unistd.h>

namespace {

// A request line longer than this is no request of ours.
constexpr qint64 kMaxRequest = 64 * 1024;

QByteArray EncodeRequest(const QString& path)
{
    return "open " + QUrl::toPercentEncoding(path) + '\n';
}

// The path of a request line, or an empty string.
QString DecodeRequest(QByteArray line)
{
    line = line.trimmed();
    if (!line.startsWith("open "))
        return {};
    return QUrl::fromPercentEncoding(line.mid(5));
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

QString ShellRequestServerName()
{
    const QString runtime = QFile::decodeName(qgetenv("XDG_RUNTIME_DIR"));
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && QDir(runtime).exists())
        return runtime + QStringLiteral("/vantrel-calculator-ka-vm.dde");
    return QStringLiteral("vantrel-calculator-ka-vm-%1.dde").arg(getuid());
}

CShellRequestServer::CShellRequestServer(std::function<bool(const QString&)> open, QObject* parent)
    : QObject(parent), m_open(std::move(open)), m_server(new QLocalServer(this))
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &CShellRequestServer::Accept);
}

CShellRequestServer::~CShellRequestServer() = default;

bool CShellRequestServer::Listen(const QString& name)
{
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

void CShellRequestServer::Accept()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Read(socket); });
        if (socket->canReadLine())
            Read(socket);
    }
}

void CShellRequestServer::Read(QLocalSocket* socket)
{
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > kMaxRequest)
            socket->abort();
        return;
    }
    const QString path = DecodeRequest(socket->readLine(kMaxRequest));
    const bool opened = !path.isEmpty() && m_open && m_open(path);
    socket->write(opened ? "ok\n" : "failed\n");
    socket->flush();
    socket->disconnectFromServer();
}

bool SendShellOpenRequest(const QString& path, int timeoutMs, const QString& name)
{
    QElapsedTimer clock;
    clock.start();
    auto left = [&] { return std::max(1, timeoutMs - static_cast<int>(clock.elapsed())); };
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(left()))
        return false;
    socket.write(EncodeRequest(path));
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
