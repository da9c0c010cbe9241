#include "windows/app/recovery.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "document/qt/calc_doc.h"
#include "document/text_file.h"
#include "numeric/status.h"
#include "windows/frame/calc_main_frame.h"
#include "windows/editor/calc_view.h"

namespace {

// ------------------------------------------------------------ signals

const int kSignals[3] = {SIGTERM, SIGINT, SIGHUP};

// The write end of the pipe of the object that holds the handlers.
volatile std::sig_atomic_t g_signalPipe = -1;

extern "C" void OnTerminationSignal(int signalNumber)
{
    const int savedErrno = errno;
    const int fd = g_signalPipe;
    if (fd >= 0) {
        const unsigned char byte = static_cast<unsigned char>(signalNumber);
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

// ------------------------------------------------------------ files

// The file follows the text once typing pauses this long, as editors' swap
// files do; during typing that never pauses it is written at least every
// kRecoveryLongestWaitMs.
constexpr int kRecoveryIntervalMs = 2'000;
constexpr qint64 kRecoveryLongestWaitMs = 10'000;
const char* const kPrefix = "unsaved-";
const char* const kSuffix = ".vcl";

std::string LocalPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

// The process id in a recovery file's name, or -1.
long long FileProcess(const QString& fileName)
{
    const QString prefix = QLatin1String(kPrefix);
    const QString suffix = QLatin1String(kSuffix);
    if (!fileName.startsWith(prefix) || !fileName.endsWith(suffix))
        return -1;
    bool ok = false;
    const long long pid = fileName.mid(prefix.size(), fileName.size() - prefix.size() - suffix.size()).toLongLong(&ok);
    return ok && pid > 0 ? pid : -1;
}

// Beside each recovery file, while its text belongs to a file: the
// document's path on the first line and, on the second, the time the file
// had on disk (milliseconds since 1970) when the recovery was written.
QString PathNoteOf(const QString& recoveryFile)
{
    return recoveryFile.left(recoveryFile.size() - static_cast<qsizetype>(std::strlen(kSuffix))) + ".path";
}

// The lock a run holds on "unsaved-PID.lock" for as long as it lives; the
// kernel releases it when the process ends, however it ends.
QString LockOf(const QString& recoveryFile)
{
    return recoveryFile.left(recoveryFile.size() - static_cast<qsizetype>(std::strlen(kSuffix))) + ".lock";
}

// Another run still owns the recovery file: its lock is held. A file
// without a lock (of a run that had none) goes by the process id; a
// process that was killed but not yet reaped still has its id, never its
// lock.
bool IsOtherRunAlive(const QString& recoveryFile, long long pid)
{
    if (pid == static_cast<long long>(::getpid()))
        return false;
    const int fd = ::open(QFile::encodeName(LockOf(recoveryFile)).constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

}  // namespace

// ------------------------------------------------------------ CTerminationSignals

CTerminationSignals::CTerminationSignals(QObject* parent) : QObject(parent)
{
    if (g_signalPipe >= 0 || ::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    g_signalPipe = m_pipe[1];
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i)
        ::sigaction(kSignals[i], &action, &m_previous[i]);
    m_notifier = new QSocketNotifier(m_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &CTerminationSignals::Drain);
}

CTerminationSignals::~CTerminationSignals()
{
    if (m_notifier) {
        for (int i = 0; i < 3; ++i)
            ::sigaction(kSignals[i], &m_previous[i], nullptr);
        g_signalPipe = -1;
    }
    for (int fd : m_pipe)
        if (fd >= 0)
            ::close(fd);
}

void CTerminationSignals::Drain()
{
    unsigned char bytes[64];
    int first = 0;
    ssize_t count = 0;
    while ((count = ::read(m_pipe[0], bytes, sizeof bytes)) > 0)
        if (first == 0)
            first = bytes[0];
    if (first != 0)
        emit received(first);
}

// ------------------------------------------------------------ CCalcRecovery

CCalcRecovery::CCalcRecovery(CCalcMainFrame* frame, const QString& folder, QObject* parent)
    : QObject(parent)
    , m_frame(frame)
    , m_folder(folder)
    , m_file(QDir(folder).filePath(QStringLiteral("%1%2%3").arg(QLatin1String(kPrefix)).arg(::getpid()).arg(QLatin1String(kSuffix))))
    , m_timer(new QTimer(this))
{
    askRestore = [frame](const QString& question) {
        return int(QMessageBox::question(frame, QString(), question, QMessageBox::Yes | QMessageBox::No));
    };
    QTextDocument* text = frame->Editor()->document();
    // The characters, not their colours (contentsChanged reports both).
    connect(text, &QTextDocument::contentsChange, this, [this](int, int removed, int added) {
        if (removed == 0 && added == 0)
            return;
        if (!m_changed || !m_pending.isValid())
            m_pending.start();
        m_changed = true;
        if (m_finished)
            return;
        // Each change moves the write to a pause after it; a change that
        // has waited too long already is written now.
        if (m_pending.elapsed() >= kRecoveryLongestWaitMs)
            Tick();
        else
            m_timer->start();
    });
    // Saved, or replaced by another document: nothing is left to recover.
    connect(text, &QTextDocument::modificationChanged, this, [this](bool modified) {
        if (!modified && !m_finished)
            Remove();
    });
    connect(frame, &CCalcMainFrame::closedNormally, this, [this] {
        m_finished = true;
        m_timer->stop();
        Remove();
    });
    m_timer->setInterval(kRecoveryIntervalMs);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &CCalcRecovery::Tick);
}

CCalcRecovery::~CCalcRecovery()
{
    if (m_lock >= 0) {
        QFile::remove(LockOf(m_file));
        ::close(m_lock);
    }
}

QString CCalcRecovery::DefaultFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).filePath(QStringLiteral("recovery"));
}

void CCalcRecovery::SetInterval(int milliseconds)
{
    m_timer->setInterval(milliseconds);
}

void CCalcRecovery::Tick()
{
    if (m_changed && m_frame->Editor()->document()->isModified())
        Write();
}

bool CCalcRecovery::Write()
{
    if (!m_frame->Editor()->document()->isModified()) {
        Remove();
        return true;
    }
    // The folder and the file are the user's alone; a file made here with
    // mode 0600 keeps it when the writer replaces it.
    const QByteArray folder = QFile::encodeName(m_folder);
    if (!QFileInfo(m_folder).isDir()) {
        QDir().mkpath(QFileInfo(m_folder).absolutePath());
        ::mkdir(folder.constData(), 0700);
    }
    // This run's lock, taken with its first file (a run that never writes
    // one leaves the folder alone): it tells the next start that the file
    // is still in use.
    if (m_lock < 0) {
        m_lock = ::open(QFile::encodeName(LockOf(m_file)).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW,
                        0600);
        if (m_lock >= 0 && ::flock(m_lock, LOCK_EX | LOCK_NB) != 0) {
            ::close(m_lock);
            m_lock = -1;
        }
    }
    const QByteArray file = QFile::encodeName(m_file);
    const int fd = ::open(file.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd >= 0)
        ::close(fd);
    const std::u16string text = m_frame->Document()->Text();
    const bool written = WriteFileReplacing(LocalPath(m_file), EncodeUtf16File(text)) == EFileResult::Ok;
    // The file the text belongs to, so that a restore reopens it.
    const QString path = m_frame->Document()->Path();
    if (path.isEmpty()) {
        QFile::remove(PathNoteOf(m_file));
    } else {
        // The file's time is taken at the first write after it was opened
        // or saved (a save removes the note), so that a change on disk
        // after that shows at the restore.
        const QFileInfo target(path);
        const QByteArray name = QFile::encodeName(target.absoluteFilePath());
        QFile existing(PathNoteOf(m_file));
        const bool noted = existing.open(QIODevice::ReadOnly) && existing.readLine().trimmed() == name.trimmed();
        existing.close();
        if (!noted) {
            const QByteArray note = name + '\n' + QByteArray::number(target.lastModified().toMSecsSinceEpoch()) + '\n';
            WriteFileReplacing(LocalPath(PathNoteOf(m_file)),
                               std::string_view(note.constData(), static_cast<std::size_t>(note.size())));
        }
    }
    if (written) {
        m_changed = false;
        m_pending.invalidate();
    }
    return written;
}

void CCalcRecovery::Remove()
{
    QFile::remove(m_file);
    QFile::remove(PathNoteOf(m_file));
    m_changed = true;
}

void CCalcRecovery::Keep()
{
    // After a normal exit there is nothing to keep.
    if (m_finished)
        return;
    m_finished = true;
    m_leaving = true;
    m_timer->stop();
    Write();
}

bool CCalcRecovery::OfferRecovery()
{
    QFileInfoList found;
    for (const QFileInfo& info : QDir(m_folder).entryInfoList({QLatin1String(kPrefix) + u'*' + QLatin1String(kSuffix)},
                                                              QDir::Files | QDir::Hidden, QDir::Time)) {
        const long long pid = FileProcess(info.fileName());
        if (pid > 0 && !IsOtherRunAlive(info.filePath(), pid))
            found.append(info);
    }
    // Newest first; a No deletes that file and offers the next.
    for (const QFileInfo& info : found) {
        const QString when = QLocale().toString(info.lastModified(), QLocale::ShortFormat);
        // The file the text belongs to, and whether it changed since.
        QString path;
        bool changed = false;
        {
            QFile note(PathNoteOf(info.filePath()));
            if (note.open(QIODevice::ReadOnly)) {
                const QList<QByteArray> lines = note.readAll().split('\n');
                path = lines.isEmpty() ? QString() : QFile::decodeName(lines[0]);
                const QFileInfo target(path);
                changed = !path.isEmpty() && (!target.exists() || lines.size() < 2 ||
                                              target.lastModified().toMSecsSinceEpoch() != lines[1].toLongLong());
            }
        }
        QString question;
        if (path.isEmpty()) {
            question = tr("Restore the unsaved calculation from %1?").arg(when);
        } else {
            const QString name = QFileInfo(path).fileName();
            question = tr("Restore the unsaved changes to %1 from %2?").arg(name, when);
            if (changed)
                question += u'\n' + tr("%1 has changed on disk since.").arg(name);
        }
        const int answer = askRestore(question);
        // Leaving while the question was up is no answer: the file stays.
        if (m_finished)
            return false;
        if (answer != QMessageBox::Yes) {
            QFile::remove(info.filePath());
            QFile::remove(PathNoteOf(info.filePath()));
            if (info.absoluteFilePath() != QFileInfo(m_file).absoluteFilePath())
                QFile::remove(LockOf(info.filePath()));
            continue;
        }
        std::string bytes;
        if (ReadFileBytes(LocalPath(info.filePath()), bytes) != EFileResult::Ok) {
            m_frame->Document()->showError(FileResultMessage(EFileResult::CannotOpen));
            return false;
        }
        CCalcDoc* document = m_frame->Document();
        // Under its own path when the file is still there, so that Save
        // replaces it as it would have; untitled otherwise.
        if (path.isEmpty() || !QFileInfo(path).isFile() || !document->Open(path))
            document->New();
        document->SetText(DecodeTextFile(bytes), 0);
        QTextDocument* text = m_frame->Editor()->document();
        text->clearUndoRedoStacks();
        text->setModified(true);
        // The text is this run's to keep now.
        if (info.absoluteFilePath() != QFileInfo(m_file).absoluteFilePath()) {
            QFile::remove(info.filePath());
            QFile::remove(PathNoteOf(info.filePath()));
            QFile::remove(LockOf(info.filePath()));
        }
        Write();
        return true;
    }
    return false;
}

// ------------------------------------------------------------ leaving

void InstallSessionEnd(CCalcMainFrame& frame, CCalcRecovery& recovery, CTerminationSignals& termination)
{
    auto leave = [&frame, &recovery] {
        recovery.Keep();
        // A calculation running under its progress dialog (which lets this
        // run) stops at its next poll.
        RequestCancel();
        frame.LeaveWithoutQuestions();
        // Every event loop ends, those of open dialogs too, and so does
        // the start-up when it is still asking something.
        QCoreApplication::exit(0);
    };
    QObject::connect(&termination, &CTerminationSignals::received, &frame, leave);
    if (auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QObject::connect(application, &QGuiApplication::commitDataRequest, &frame,
                         [leave](QSessionManager&) { leave(); });
        QObject::connect(application, &QCoreApplication::aboutToQuit, &frame, [&recovery] { recovery.Keep(); });
    }
}
