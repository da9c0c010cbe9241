#pragma once
// Opening files in the running calculator.
//
// Open requests: a calculator started with /dde listens on a local socket
// of its user and opens each requested file as its document. The socket
// lives in a folder that only the user can write: $XDG_RUNTIME_DIR when it
// is set, else a folder of the user's own in the temporary folder, made
// with mode 0700. A folder or socket that belongs to another user, or a
// folder that others may write to, is refused: nothing listens there and
// nothing is sent there.
//
// A request is one line (document/open_request.h); the answer is the line
// "ok" when the request was taken or "failed" when it was refused (not a
// well-formed request, a file that cannot be read, too many requests
// waiting). The answer is sent and the connection closed before the file
// is opened, so nothing shown meanwhile (the "Save changes" question, an
// error box) can meet a connection that the requester has closed. A
// connection that sends no complete line within a few seconds is closed,
// and at most kMaxRequestConnections are open at once: a new one closes
// the oldest. Failures to open a requested file share one message box.
//
// Plain starts never send requests: a start with a path opens its own
// window, so nothing depends on another process being alive and responsive.
//
// Dropped files: a file dropped anywhere on the main window, the editor
// included, opens as the document.

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QMainWindow;
class QMessageBox;
class QSocketNotifier;
class CRequestConnection;

// The socket's folder of this user, made when it is missing; empty when
// it is not safe, with the reason in `error`.
QString ShellRequestFolder(QString* error = nullptr);

// The socket name of this user's calculator; empty when its folder is not
// safe (see ShellRequestFolder).
QString ShellRequestServerName(QString* error = nullptr);

// Checks a socket path: its folder is a real folder of this user that no
// one else may write to, and a file already there belongs to this user.
bool IsSafeSocketPlace(const QString& name, QString* error = nullptr);

inline constexpr int kMaxRequestConnections = 16;
inline constexpr int kMaxWaitingRequests = 16;

class CShellRequestServer : public QObject {
    Q_OBJECT
public:
    // Reports one failure to open a requested file.
    using CReport = std::function<void(const QString& message)>;
    // Opens a file as the document and says whether it did; its failures
    // go to `report` rather than to boxes of their own.
    using COpen = std::function<bool(const QString& path, const CReport& report)>;

    explicit CShellRequestServer(COpen open, QObject* parent = nullptr);
    // An open function that shows its own failures.
    explicit CShellRequestServer(std::function<bool(const QString&)> open, QObject* parent = nullptr);
    ~CShellRequestServer() override;

    // Starts listening; a socket left behind by a calculator that ended
    // without closing it is replaced, a live one is not, nor one in an
    // unsafe place (IsSafeSocketPlace).
    bool Listen(const QString& name = ShellRequestServerName());
    QString ErrorText() const;

    // How long a connection may stay without a complete request.
    void SetIdleTimeout(int milliseconds) { m_idleTimeoutMs = milliseconds; }
    int ConnectionCount() const { return static_cast<int>(m_connections.size()); }

    // Shows a failure in the one message box of the requests: the first
    // failure opens it, later ones while it is up are added to its text.
    // Without a window to show it on, the message goes to standard error.
    void ReportError(const QString& message, const QString& path = QString());
    // The box while it is up, else null.
    QMessageBox* ErrorBox() const;

private:
    void Accept();
    void Read(CRequestConnection* connection);
    void Answer(CRequestConnection* connection, bool taken);
    void Drop(CRequestConnection* connection);
    void OpenWaiting();
    void Close();

    COpen m_open;
    // The listening socket (-1 when not listening), its notifier, and the
    // file it is bound to, known by its device and inode so that closing
    // never removes the socket of a calculator that took the name later.
    int m_listener = -1;
    QSocketNotifier* m_acceptNotifier = nullptr;
    QByteArray m_socketFile;
    unsigned long long m_socketDevice = 0;
    unsigned long long m_socketInode = 0;
    QString m_error;
    QList<CRequestConnection*> m_connections;  // oldest first
    QStringList m_waiting;
    bool m_opening = false;
    int m_idleTimeoutMs = 5000;
    QPointer<QMessageBox> m_errorBox;
    QStringList m_reported;
    int m_reportedCount = 0;
};

// Sends an open request and waits up to `timeoutMs` for the answer; true
// when the listening calculator took the request. Nothing is sent to a
// socket in an unsafe place.
bool SendShellOpenRequest(const QString& path, int timeoutMs = 3000,
                          const QString& name = ShellRequestServerName());

// Makes files dropped on the window (and on every child that takes drops)
// call `open` with the first dropped local file. Other drops (text on the
// editor) are left to the widgets.
void InstallFileDrop(QMainWindow* window, std::function<void(QString)> open);
