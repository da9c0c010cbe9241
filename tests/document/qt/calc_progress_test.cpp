// A long calculation in the window: after half a second a modal progress
// dialog shows, the window processes its events, and Cancel or Esc stops the
// calculation with one log line.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>
#include <memory>

#include "support/frame_fixture.h"
#include "document/memory_store.h"
#include "document/preferences.h"
#include "document/qt/calc_doc.h"
#include "document/qt/calc_progress.h"
#include "windows/panes/calc_log.h"
#include "windows/frame/calc_main_frame.h"
#include "windows/editor/calc_view.h"

namespace {

class CalculationProgress : public CFrameTest {
protected:
    void TearDown() override
    {
        ClearCancelRequest();
        CFrameTest::TearDown();
    }

    // Runs `command` while a timer watches for the progress dialog every
    // 20 ms; `onDialog` acts on it once it is there. A run that shows no
    // dialog within 20 s is stopped through the cancel request.
    void RunWatched(const std::function<void()>& command, const std::function<void(QProgressDialog*)>& onDialog)
    {
        QElapsedTimer clock;
        QTimer timer;
        timer.setInterval(20);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            ++ticks;
            auto* dialog = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
            if (dialog && shownAfterMs < 0) {
                shownAfterMs = clock.elapsed();
                modality = dialog->windowModality();
                calculatingWhileShown = frame->Document()->Calculating();
                onDialog(dialog);
            } else if (clock.elapsed() > 20'000) {
                RequestCancel();
            }
        });
        clock.start();
        timer.start();
        command();
        timer.stop();
        ranMs = clock.elapsed();
    }

    QStringList LogLine(int row) const
    {
        const QTreeWidgetItem* item = frame->Log()->topLevelItem(row);
        return item ? QStringList({item->text(1), item->text(2), item->text(3)}) : QStringList();
    }

    int ticks = 0;
    qint64 shownAfterMs = -1;
    qint64 ranMs = 0;
    Qt::WindowModality modality = Qt::NonModal;
    bool calculatingWhileShown = false;
};

const QStringList kCancelledLine = {"Error", "Series sum", "Calculation cancelled"};

TEST_F(CalculationProgress, TheCancelButtonStopsALongCalculateAll)
{
    frame->Editor()->setPlainText("1+1;\nsum(k,1,1e12,k);\n2");
    RunWatched([&] { frame->Document()->ExecuteCommand(CmdCalculateAll); },
               [](QProgressDialog* dialog) { dialog->findChild<QPushButton*>()->click(); });

    EXPECT_GE(shownAfterMs, CCalcProgress::kShowAfterMs);
    EXPECT_LT(shownAfterMs, 5'000);
    EXPECT_EQ(modality, Qt::ApplicationModal);
    EXPECT_TRUE(calculatingWhileShown);
    EXPECT_FALSE(CancelPending()) << "the run was not cancelled through the dialog";
    // The run stopped at the cancel; later statements are untouched.
    EXPECT_EQ(frame->Editor()->toPlainText(), "1+1=2;\nsum(k,1,1e12,k);\n2");
    ASSERT_EQ(frame->Log()->topLevelItemCount(), 1);
    EXPECT_EQ(LogLine(0), kCancelledLine);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(frame->findChild<QProgressDialog*>(), nullptr);
    EXPECT_FALSE(frame->Document()->Calculating());

    // The next calculation starts afresh, quick and without a dialog.
    shownAfterMs = -1;
    frame->Editor()->setPlainText("sum(k,1,10,k)");
    RunWatched([&] { frame->Document()->ExecuteCommand(CmdCalculateAll); }, [](QProgressDialog*) {});
    EXPECT_EQ(shownAfterMs, -1);
    EXPECT_EQ(frame->Editor()->toPlainText(), "sum(k,1,10,k)=55");
    EXPECT_EQ(frame->Log()->topLevelItemCount(), 0);
}

TEST_F(CalculationProgress, EscapeStopsALongMemoryLoad)
{
    QTemporaryDir folder;
    const QString path = folder.filePath("long.vcm");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("1->Mem[a];\nsum(k,1,1e8,sin(k)+sin(k)+sin(k)+sin(k))->Mem[b];\n3->Mem[c];\n");
    file.close();
    frame->Editor()->setPlainText("untouched");

    bool loaded = true;
    RunWatched([&] { loaded = frame->Document()->LoadMemory(path); },
               [](QProgressDialog* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });

    EXPECT_GE(shownAfterMs, CCalcProgress::kShowAfterMs);
    EXPECT_LT(ranMs, 10'000);
    EXPECT_FALSE(CancelPending()) << "the run was not cancelled through the dialog";
    EXPECT_FALSE(loaded);
    EXPECT_EQ(frame->Editor()->toPlainText(), "untouched");
    EXPECT_EQ(MemoryStore().Count(), 1u);
    ASSERT_EQ(frame->Log()->topLevelItemCount(), 1);
    EXPECT_EQ(LogLine(0), kCancelledLine);
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(CalculationProgress, TheWindowWorksMeanwhileButNoSecondCalculationStarts)
{
    frame->Editor()->setPlainText("prod(k,1,1e12,1)");
    int ticksWhenShown = 0;
    RunWatched([&] { frame->Document()->ExecuteCommand(CmdCalculate); },
               [&](QProgressDialog* dialog) {
                   ticksWhenShown = ticks;
                   // A second calculation returns at once; a text put into
                   // the editor meanwhile (as by an open request) is newer
                   // than the rewritten one and stays.
                   frame->Document()->ExecuteCommand(CmdCalculateAll);
                   frame->Editor()->setPlainText("typed meanwhile");
                   // Cancelled once the watching timer has ticked three more
                   // times and 200 ms have passed: a loaded machine may
                   // stretch the ticks, but a frozen event loop never
                   // cancels, and the run then ends through the 20 s stop.
                   auto* waiter = new QTimer(dialog);
                   waiter->setInterval(20);
                   auto since = std::make_shared<QElapsedTimer>();
                   since->start();
                   QObject::connect(waiter, &QTimer::timeout, dialog, [&, dialog, waiter, since] {
                       if (ticks - ticksWhenShown >= 3 && since->elapsed() >= 200) {
                           waiter->stop();
                           dialog->cancel();
                       }
                   });
                   waiter->start();
               });

    EXPECT_GE(shownAfterMs, CCalcProgress::kShowAfterMs);
    // The timer kept running while the dialog was up.
    EXPECT_GE(ticks - ticksWhenShown, 3);
    EXPECT_GE(ranMs, shownAfterMs + 200);
    EXPECT_FALSE(CancelPending()) << "the run was not cancelled through the dialog";
    EXPECT_EQ(frame->Editor()->toPlainText(), "typed meanwhile");
    ASSERT_EQ(frame->Log()->topLevelItemCount(), 1);
    EXPECT_EQ(LogLine(0), QStringList({"Error", "Series product", "Calculation cancelled"}));
}

}  // namespace
