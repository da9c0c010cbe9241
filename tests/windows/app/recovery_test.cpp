// Leaving from outside: the termination signals close the window without
// questions, write the layout and keep the unsaved text in a recovery file
// that the next start offers back; the periodic write; what removes the
// file.
#include "support/fresh_app_state.h"
#include "windows/app/recovery.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <csignal>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

#include "document/qt/calc_doc.h"
#include "document/text_file.h"
#include "numeric/status.h"
#include "windows/panes/calc_log.h"
#include "windows/frame/calc_main_frame.h"
#include "windows/editor/calc_view.h"

namespace {

template <class Predicate>
bool WaitFor(Predicate done, int limitMs = 5000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

// The text of a calculation file.
std::u16string FileText(const QString& path)
{
    std::string bytes;
    if (ReadFileBytes(QFile::encodeName(path).toStdString(), bytes) != EFileResult::Ok)
        return u"<unreadable>";
    return DecodeTextFile(bytes);
}

// Leaving ends every event loop, also those that later tests start: the
// application's own loop, run once, clears that again.
void ResetQuit()
{
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

class Recovery : public ::testing::Test {
protected:
    // First, so that it goes after the windows of every run.
    CFreshAppState state;

    void SetUp() override
    {
        folder = std::make_unique<QTemporaryDir>();
        recoveryFolder = folder->filePath("data/recovery");
        Start();
    }
    void TearDown() override
    {
        Stop();
    }
    // One run of the program: the window, the recovery and the signals.
    void Start()
    {
        frame = std::make_unique<CCalcMainFrame>(state);
        frame->show();
        frame->Document()->showError = [this](const QString& message) { errors << message; };
        recovery = std::make_unique<CCalcRecovery>(frame.get(), recoveryFolder);
        recovery->askRestore = [this](const QString& question) {
            questions << question;
            return restoreAnswer;
        };
        termination = std::make_unique<CTerminationSignals>();
        InstallSessionEnd(*frame, *recovery, *termination);
    }
    // The end of the run as a crash would end it: nothing more is written.
    void Stop()
    {
        ResetQuit();
        termination.reset();
        recovery.reset();
        if (frame)
            frame->Editor()->document()->setModified(false);
        frame.reset();
    }
    void Type(const QString& text)
    {
        frame->Editor()->setPlainText(text);
        frame->Editor()->document()->setModified(true);
    }

    std::unique_ptr<QTemporaryDir> folder;
    QString recoveryFolder;
    std::unique_ptr<CCalcMainFrame> frame;
    std::unique_ptr<CCalcRecovery> recovery;
    std::unique_ptr<CTerminationSignals> termination;
    QStringList errors;
    QStringList questions;
    int restoreAnswer = QMessageBox::Yes;
};

TEST_F(Recovery, TerminationSignalLeavesWithoutQuestionsAndTheNextStartRestores)
{
    ASSERT_TRUE(termination->IsInstalled());
    QSettings().remove("GUI/Frame");
    int asked = 0;
    frame->askSaveChanges = [&](const QString&) {
        ++asked;
        return int(QMessageBox::Cancel);
    };
    Type("1+2;\nsin(1)");
    frame->setGeometry(110, 130, 700, 450);

    ::raise(SIGTERM);
    ASSERT_TRUE(WaitFor([&] { return !frame->isVisible(); }));
    EXPECT_EQ(asked, 0);
    // The unsaved text, the layout.
    EXPECT_EQ(FileText(recovery->FilePath()), u"1+2;\r\nsin(1)");
    EXPECT_EQ(QFileInfo(recovery->FilePath()).fileName(), QString("unsaved-%1.vcl").arg(::getpid()));
    EXPECT_EQ(QSettings().value("GUI/Frame/Left").toInt(), 110);
    // The folder is the user's alone.
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(recoveryFolder).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    Stop();

    // The next start asks, and Yes brings the text back as unsaved.
    Start();
    EXPECT_TRUE(recovery->OfferRecovery());
    ASSERT_EQ(questions.size(), 1);
    EXPECT_TRUE(questions[0].startsWith("Restore the unsaved calculation from ")) << questions[0].toStdString();
    EXPECT_TRUE(questions[0].endsWith("?"));
    EXPECT_EQ(frame->Editor()->toPlainText(), "1+2;\nsin(1)");
    EXPECT_TRUE(frame->Editor()->document()->isModified());
    EXPECT_TRUE(frame->Document()->Path().isEmpty());
    EXPECT_FALSE(frame->Editor()->document()->isUndoAvailable());
    // The text stays safe until it is saved or the program ends normally.
    EXPECT_EQ(FileText(recovery->FilePath()), u"1+2;\r\nsin(1)");
    EXPECT_TRUE(errors.isEmpty());
}

// A text that belongs to a file comes back under that file's path, marked
// modified, so that Save replaces the file as it would have; the question
// names the file and says when the file changed on disk since.
TEST_F(Recovery, ARestoredTextKeepsItsFile)
{
    QTemporaryDir files;
    const QString path = files.filePath("report.vcl");
    for (const bool changeOnDisk : {false, true}) {
        {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(QByteArray::fromStdString(EncodeUtf16File(u"1+1")));
        }
        ASSERT_TRUE(frame->Document()->Open(path));
        frame->Editor()->appendPlainText("2+2");
        ASSERT_TRUE(frame->Editor()->document()->isModified());
        ASSERT_TRUE(recovery->Write());
        if (changeOnDisk) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(QByteArray::fromStdString(EncodeUtf16File(u"elsewhere")));
            file.close();
            file.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime);
        }
        recovery->Keep();
        Stop();
        Start();
        questions.clear();
        EXPECT_TRUE(recovery->OfferRecovery());
        ASSERT_EQ(questions.size(), 1);
        EXPECT_TRUE(questions[0].startsWith("Restore the unsaved changes to report.vcl from ")) << questions[0].toStdString();
        EXPECT_EQ(questions[0].endsWith("\nreport.vcl has changed on disk since."), changeOnDisk)
            << questions[0].toStdString();
        EXPECT_EQ(frame->Document()->Path(), path);
        EXPECT_EQ(frame->Editor()->toPlainText(), "1+1\n2+2");
        EXPECT_TRUE(frame->Editor()->document()->isModified());
        // Save replaces the file.
        ASSERT_TRUE(frame->Document()->Save(frame->Document()->Path()));
        EXPECT_EQ(FileText(path), u"1+1\r\n2+2");
        EXPECT_FALSE(QFileInfo::exists(recovery->FilePath()));
    }
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(Recovery, EveryTerminationSignalLeaves)
{
    for (int signalNumber : {SIGINT, SIGHUP}) {
        Type("7*6");
        ::raise(signalNumber);
        ASSERT_TRUE(WaitFor([&] { return !frame->isVisible(); })) << signalNumber;
        EXPECT_EQ(FileText(recovery->FilePath()), u"7*6") << signalNumber;
        Stop();
        QFile::remove(QDir(recoveryFolder).filePath(QString("unsaved-%1.vcl").arg(::getpid())));
        Start();
    }
    // Without modifications nothing is kept.
    ::raise(SIGTERM);
    ASSERT_TRUE(WaitFor([&] { return !frame->isVisible(); }));
    EXPECT_FALSE(QFileInfo::exists(recovery->FilePath()));
}

TEST_F(Recovery, ATerminationSignalDuringALongCalculationCancelsItAndLeaves)
{
    Type("1+1;\nsum(k,1,1e12,k)");
    // Once the progress dialog is up the window handles the signal.
    // A run that goes on is stopped after 10 s so that the test ends.
    QElapsedTimer clock;
    bool raised = false;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (!raised && qobject_cast<QProgressDialog*>(QApplication::activeModalWidget())) {
            raised = true;
            ::raise(SIGTERM);
        } else if (clock.elapsed() > 10'000) {
            RequestCancel();
        }
    });
    timer.start(20);
    clock.start();
    frame->Document()->ExecuteCommand(CmdCalculateAll);
    EXPECT_TRUE(raised);
    EXPECT_LT(clock.elapsed(), 10'000);
    EXPECT_FALSE(frame->isVisible());
    // The text as it was when the signal came, before the cancelled run
    // wrote its results.
    EXPECT_EQ(FileText(recovery->FilePath()), u"1+1;\r\nsum(k,1,1e12,k)");
    ASSERT_EQ(frame->Log()->topLevelItemCount(), 1);
    EXPECT_EQ(frame->Log()->topLevelItem(0)->text(3), "Calculation cancelled");
    ClearCancelRequest();
}

TEST_F(Recovery, NoDeletesTheOfferedFileAndRunningRunsAreLeftAlone)
{
    QDir().mkpath(recoveryFolder);
    auto plant = [&](const QString& name, const QString& text) {
        const QString path = QDir(recoveryFolder).filePath(name);
        WriteFileReplacing(QFile::encodeName(path).toStdString(), EncodeUtf16File(text.toStdU16String()));
        return path;
    };
    // Process 1 runs for as long as the system does.
    const QString running = plant("unsaved-1.vcl", "running");
    const QString ended = plant("unsaved-2147483646.vcl", "ended");
    const QString other = plant("notes.vcl", "not ours");
    restoreAnswer = QMessageBox::No;
    EXPECT_FALSE(recovery->OfferRecovery());
    EXPECT_EQ(questions.size(), 1);
    EXPECT_FALSE(QFileInfo::exists(ended));
    EXPECT_TRUE(QFileInfo::exists(running));
    EXPECT_TRUE(QFileInfo::exists(other));
    EXPECT_TRUE(frame->Editor()->toPlainText().isEmpty());
    EXPECT_FALSE(recovery->OfferRecovery());
    EXPECT_EQ(questions.size(), 1);
}

// A run that was killed is over as soon as it is gone, even while its
// process id is still taken (killed, not yet reaped): its lock is free.
TEST_F(Recovery, ARunEndsWithItsLockNotWithItsProcessId)
{
    QDir().mkpath(recoveryFolder);
    // The other run's lock file is made here and renamed to its process id
    // once it is known; after the fork the child alone holds it open and
    // locked, and makes no call but flock, write and pause.
    const QString staged = QDir(recoveryFolder).filePath("staged.lock");
    const int lock = ::open(QFile::encodeName(staged).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(lock, 0);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::flock(lock, LOCK_EX);
        [[maybe_unused]] const ssize_t said = ::write(ready[1], "x", 1);
        for (;;)
            ::pause();
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ::close(lock);
    ::close(ready[0]);
    ::close(ready[1]);
    const QString base = QDir(recoveryFolder).filePath(QString("unsaved-%1").arg(child));
    ASSERT_TRUE(QFile::rename(staged, base + ".lock"));
    WriteFileReplacing(QFile::encodeName(base + ".vcl").toStdString(), EncodeUtf16File(u"killed"));

    EXPECT_FALSE(recovery->OfferRecovery());  // running: left alone
    EXPECT_TRUE(questions.isEmpty());
    ::kill(child, SIGKILL);
    // Gone, but not reaped: its id still answers.
    siginfo_t info{};
    ASSERT_EQ(::waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOWAIT), 0);
    ASSERT_EQ(::kill(child, 0), 0);
    EXPECT_TRUE(recovery->OfferRecovery());
    ASSERT_EQ(questions.size(), 1);
    EXPECT_EQ(frame->Editor()->toPlainText(), "killed");
    EXPECT_FALSE(QFileInfo::exists(base + ".lock"));
    ::waitpid(child, nullptr, 0);
}

TEST_F(Recovery, LeavingWhileTheQuestionIsUpKeepsTheFile)
{
    QDir().mkpath(recoveryFolder);
    const QString ended = QDir(recoveryFolder).filePath("unsaved-2147483646.vcl");
    WriteFileReplacing(QFile::encodeName(ended).toStdString(), EncodeUtf16File(u"1+1"));
    int loopEnded = 0;
    recovery->askRestore = [&](const QString&) {
        // The question's own event loop, ended by the signal.
        QEventLoop loop;
        QTimer::singleShot(0, [] { ::raise(SIGTERM); });
        QTimer::singleShot(5000, &loop, [&] { loop.exit(1); });
        loopEnded = loop.exec() == 0 ? 1 : 2;
        return int(QMessageBox::No);
    };
    EXPECT_FALSE(recovery->OfferRecovery());
    EXPECT_EQ(loopEnded, 1);
    EXPECT_TRUE(recovery->IsLeaving());
    EXPECT_FALSE(frame->isVisible());
    EXPECT_TRUE(QFileInfo::exists(ended));
    EXPECT_TRUE(frame->Editor()->toPlainText().isEmpty());
    // Later event loops run again.
    ResetQuit();
    QEventLoop loop;
    QTimer::singleShot(10, &loop, [&] { loop.exit(7); });
    EXPECT_EQ(loop.exec(), 7);
}

TEST_F(Recovery, PeriodicWriteWhileModified)
{
    recovery->SetInterval(30);
    Type("1+1");
    ASSERT_TRUE(WaitFor([&] { return QFileInfo::exists(recovery->FilePath()); }));
    EXPECT_EQ(FileText(recovery->FilePath()), u"1+1");
    frame->Editor()->appendPlainText("2+2");
    ASSERT_TRUE(WaitFor([&] { return FileText(recovery->FilePath()) == u"1+1\r\n2+2"; }));
    // Saved: nothing left to recover.
    QTemporaryDir saved;
    frame->askSaveFileName = [&](const QString&, const QString&, const QString&) { return saved.filePath("a.vcl"); };
    ASSERT_TRUE(frame->SaveDocument(false));
    EXPECT_FALSE(QFileInfo::exists(recovery->FilePath()));
    QCoreApplication::processEvents();
    WaitFor([] { return false; }, 100);
    EXPECT_FALSE(QFileInfo::exists(recovery->FilePath()));
}

// Without a shorter interval: the file follows the text about 2 s after
// the last change, not half a minute later, and not while typing goes on.
TEST_F(Recovery, TheFileFollowsTheTextSoonAfterTheLastChange)
{
    QElapsedTimer clock;
    clock.start();
    Type("1+1");
    WaitFor([] { return false; }, 1000);
    EXPECT_FALSE(QFileInfo::exists(recovery->FilePath())) << "written before the pause";
    frame->Editor()->appendPlainText("2+2");
    ASSERT_TRUE(WaitFor([&] { return QFileInfo::exists(recovery->FilePath()); }, 6000));
    EXPECT_LT(clock.elapsed(), 6000);
    EXPECT_EQ(FileText(recovery->FilePath()), u"1+1\r\n2+2");
}

TEST_F(Recovery, NormalExitRemovesTheFile)
{
    Type("1+1");
    ASSERT_TRUE(recovery->Write());
    ASSERT_TRUE(QFileInfo::exists(recovery->FilePath()));
    QStringList asked;
    int answer = QMessageBox::Cancel;
    frame->askSaveChanges = [&](const QString& question) {
        asked << question;
        return answer;
    };
    // Cancelled: the program goes on and the file stays.
    frame->close();
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(QFileInfo::exists(recovery->FilePath()));
    // No: the user dropped the text; it is not offered again.
    answer = QMessageBox::No;
    frame->close();
    EXPECT_FALSE(frame->isVisible());
    EXPECT_EQ(asked.size(), 2);
    EXPECT_FALSE(QFileInfo::exists(recovery->FilePath()));
    // Whatever ends the event loop afterwards does not write it again.
    recovery->Keep();
    EXPECT_FALSE(QFileInfo::exists(recovery->FilePath()));
}

TEST(TerminationSignals, OneHolderAtATimeAndTheOldHandlersReturn)
{
    struct sigaction before {};
    ::sigaction(SIGTERM, nullptr, &before);
    {
        CTerminationSignals first;
        EXPECT_TRUE(first.IsInstalled());
        CTerminationSignals second;
        EXPECT_FALSE(second.IsInstalled());
        int received = 0;
        QObject::connect(&first, &CTerminationSignals::received, [&](int number) { received = number; });
        ::raise(SIGHUP);
        EXPECT_TRUE(WaitFor([&] { return received != 0; }));
        EXPECT_EQ(received, SIGHUP);
    }
    struct sigaction after {};
    ::sigaction(SIGTERM, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
}

}  // namespace
