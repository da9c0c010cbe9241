#pragma once
// Opening files in the running calculator.
//
// Open requests: a calculator started with /dde listens on a local socket
// of its user (in $XDG_RUNTIME_DIR when set, readable by the user alone)
// and opens each requested file as its document. A request is one line
// "open <percent-encoded path>"; the answer is the line "ok" or "failed".
// Plain starts never send requests: a start with a path opens its own
// window, so nothing depends on another process being alive and responsive.
//
// Dropped files: a file dropped anywhere on the main window, the editor
// included, opens as the document.

#include <QObject>
#include <QString>

#include <functional>

class QLocalServer;
class QLocalSocket;
class QMainWindow;

// The socket name of this user's calculator.
QString ShellRequestServerName();

class CShellRequestServer : public QObject {
    Q_OBJECT
public:
    // `open` opens a file as the document and says whether it did.
    explicit CShellRequestServer(std::function<bool(const QString&)> open, QObject* parent = nullptr);
    ~CShellRequestServer() override;

    // Starts listening; a socket left behind by a calculator that ended
    // without closing it is replaced, a live one is not.
    bool Listen(const QString& name = ShellRequestServerName());
    QString ErrorText() const;

private:
    void Accept();
    void Read(QLocalSocket* socket);

    std::function<bool(const QString&)> m_open;
    QLocalServer* m_server;
    QString m_error;
};

// Sends an open request and waits up to `timeoutMs` for the answer; true
// when the listening calculator opened the file.
bool SendShellOpenRequest(const QString& path, int timeoutMs = 3000,
                          const QString& name = ShellRequestServerName());

// Makes files dropped on the window (and on every child that takes drops)
// call `open` with the first dropped local file. Other drops (text on the
// editor) are left to the widgets.
void InstallFileDrop(QMainWindow* window, std::function<void(QString)> open);
