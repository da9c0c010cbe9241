#pragma once
// Nothing typed is lost when the program is ended from outside.
//
// The termination signals SIGTERM, SIGINT and SIGHUP and the session
// manager's end of session make the window program leave as File > Exit
// does, without its questions: the window layout is written, the event
// loop ends (and the application writes the preferences), and the text
// that was not saved goes to a recovery file.
//
// The recovery file: while the document is modified its text is also
// written 2 s after the last change (and at least every 10 s while typing
// goes on), so a crash or a power cut loses at most that much typing. It is a calculation file ("unsaved-PID.vcl", PID the process id)
// in the folder "recovery" of the user's data folder, made readable by
// the user alone. Saving the document, replacing it, and a normal exit
// (the questions of File > Exit answered) remove it. At the next start
// the file of a run that has ended is offered back with the question
// "Restore the unsaved calculation from %1?", %1 being the time it was
// written; Yes puts the text into the editor as an unsaved calculation,
// No deletes the file. A text that belonged to a file (its path is noted
// beside the recovery file, "unsaved-PID.path") is offered as "Restore the
// unsaved changes to NAME from %1?", with "NAME has changed on disk since."
// when the file's time differs from the one noted; Yes reopens the file
// under its path with the recovered text, marked modified. A run holds a
// lock on "unsaved-PID.lock" from its first write while it lives: a file whose lock is free
// belongs to a run that has ended, even while its process id is still
// taken (a killed process not yet reaped).

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <csignal>
#include <functional>

class QSocketNotifier;
class QTimer;
class CCalcMainFrame;

// Turns SIGTERM, SIGINT and SIGHUP into the Qt signal `received` on the
// event loop. The signal handler only writes the signal number to a pipe
// that the event loop watches. One object at a time holds the handlers;
// destroying it puts the previous handlers back.
class CTerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit CTerminationSignals(QObject* parent = nullptr);
    ~CTerminationSignals() override;

    // False when the handlers could not be installed (another object holds
    // them, or no pipe could be made).
    bool IsInstalled() const { return m_notifier != nullptr; }

signals:
    void received(int signalNumber);

private:
    void Drain();

    int m_pipe[2] = {-1, -1};
    QSocketNotifier* m_notifier = nullptr;
    struct sigaction m_previous[3] = {};
};

class CCalcRecovery : public QObject {
    Q_OBJECT
public:
    // Watches the frame's document; `folder` holds the recovery files.
    explicit CCalcRecovery(CCalcMainFrame* frame, const QString& folder = DefaultFolder(), QObject* parent = nullptr);
    ~CCalcRecovery() override;

    // The folder "recovery" in the user's data folder.
    static QString DefaultFolder();
    // This run's recovery file.
    QString FilePath() const { return m_file; }

    // Offers the newest recovery file of an ended run; true when its text
    // was restored. Files of other runs still going are left alone.
    bool OfferRecovery();
    // Yes/No question (QMessageBox::StandardButton); replaceable by tests.
    std::function<int(const QString& question)> askRestore;

    // Writes the file now when the document is modified (removes it when
    // not); false when the write failed.
    bool Write();
    void Remove();
    // The program leaves without questions: the file is written (or
    // removed) for the last time and kept for the next start.
    void Keep();
    // True once the program leaves without questions (the start-up then
    // does not run the event loop).
    bool IsLeaving() const { return m_leaving; }
    // The pause after the last change before the file is written (2 s).
    void SetInterval(int milliseconds);

private:
    void Tick();

    CCalcMainFrame* m_frame;
    QString m_folder;
    QString m_file;
    QTimer* m_timer;
    bool m_changed = false;  // edited since the last write
    QElapsedTimer m_pending;  // since the first change not yet written
    int m_lock = -1;          // held on "unsaved-PID.lock" from the first write on
    bool m_finished = false;  // the program is leaving, or closed normally
    bool m_leaving = false;  // it leaves without questions
};

// Makes the termination signals and the end of the session leave the
// program without questions: the recovery file is kept, the layout is
// written, the window closes and the event loop ends. Any other end of
// the event loop while the window still stands keeps the recovery file
// too; a normal exit removes it.
void InstallSessionEnd(CCalcMainFrame& frame, CCalcRecovery& recovery, CTerminationSignals& termination);
