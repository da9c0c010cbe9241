// The window's saves and reads on the user's files: File > Save and the
// memory pane's Save keep a file's mode and links and leave a read-only
// file alone; Open, Execute and Load memory refuse a FIFO, a device and an
// oversized file with a message instead of hanging or filling memory; a
// calculation keeps the line typed below an old result.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>

#include "support/fresh_app_state.h"
#include "document/memory_store.h"
#include "document/preferences.h"
#include "document/qt/calc_doc.h"
#include "document/text_file.h"
#include "windows/frame/calc_main_frame.h"
#include "windows/panes/calc_memory.h"
#include "windows/editor/calc_view.h"

namespace {

class FileSafety : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        frame = std::make_unique<CCalcMainFrame>(state);
        frame->Document()->showError = [this](const QString& message) { errors << message; };
        frame->Memory()->showError = [this](const QString& message) { errors << message; };
    }
    void TearDown() override
    {
        frame->Editor()->document()->setModified(false);
        frame.reset();
    }

    std::string PathOf(const char* name) const { return folder.filePath(name).toStdString(); }
    static void Plant(const std::string& path, const QByteArray& bytes, mode_t mode)
    {
        QFile file(QString::fromStdString(path));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        ::chmod(path.c_str(), mode);
    }
    static QByteArray Content(const std::string& path)
    {
        QFile file(QString::fromStdString(path));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    static mode_t Mode(const std::string& path)
    {
        struct stat status{};
        return ::stat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : 0;
    }
    QString Text() const { return frame->Editor()->toPlainText(); }

    QTemporaryDir folder;
    // Default preferences, no memory cells, default print settings; what the
    // test found comes back after it.
    CFreshAppState state;
    std::unique_ptr<CCalcMainFrame> frame;
    QStringList errors;
};

TEST_F(FileSafety, SavingTheDocumentKeepsModeAndLinkAndRefusesReadOnlyFiles)
{
    const std::string real = PathOf("real.vcl");
    const std::string link = PathOf("link.vcl");
    Plant(real, "old", 0600);
    std::filesystem::create_symlink("real.vcl", link);
    frame->Editor()->setPlainText("1+1");
    ASSERT_TRUE(frame->Document()->Save(QString::fromStdString(link)));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(Mode(real), 0600u);
    EXPECT_EQ(Content(real), QByteArray("\xFF\xFE" "1\0+\0" "1\0", 8));

    const std::string locked = PathOf("locked.vcl");
    Plant(locked, "kept", 0444);
    frame->Editor()->setPlainText("2+2");
    frame->Editor()->document()->setModified(true);
    EXPECT_FALSE(frame->Document()->Save(QString::fromStdString(locked)));
    EXPECT_EQ(errors, QStringList({"Cannot open the file for writing"}));
    EXPECT_EQ(Content(locked), QByteArray("kept"));
    EXPECT_TRUE(frame->Editor()->document()->isModified());
}

TEST_F(FileSafety, TheMemoryPaneSavesThroughTheSameWriter)
{
    const std::string real = PathOf("cells.vcm");
    const std::string link = PathOf("cells-link.vcm");
    Plant(real, "old", 0600);
    std::filesystem::create_symlink("cells.vcm", link);
    MemoryStore().Store(u"a", 7);
    frame->Memory()->Refresh();
    frame->Memory()->askSaveFileName = [&] { return QString::fromStdString(link); };
    frame->Memory()->Save();
    EXPECT_TRUE(errors.isEmpty());
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(Mode(real), 0600u);
    EXPECT_EQ(Content(real), QByteArray::fromStdString(EncodeUtf16File(u"7->Mem[a];\r\n")));
    // A planted NAME.part link is not followed.
    Plant(PathOf("victim.txt"), "victim", 0644);
    std::filesystem::create_symlink("victim.txt", PathOf("m.vcm.part"));
    frame->Memory()->askSaveFileName = [&] { return QString::fromStdString(PathOf("m.vcm")); };
    frame->Memory()->Save();
    EXPECT_EQ(Content(PathOf("victim.txt")), QByteArray("victim"));
    EXPECT_EQ(Content(PathOf("m.vcm")), QByteArray::fromStdString(EncodeUtf16File(u"7->Mem[a];\r\n")));
}

TEST_F(FileSafety, OpenExecuteAndLoadRefuseWhatIsNoText)
{
    // A FIFO with no writer would block an ordinary open for ever.
    const std::string fifo = PathOf("fifo.vcl");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string big = PathOf("big.vcl");
    Plant(big, "", 0644);
    std::filesystem::resize_file(big, kMaxTextFileBytes + 1);

    frame->Editor()->setPlainText("kept");
    EXPECT_FALSE(frame->OpenDocument(QString::fromStdString(fifo), false));
    EXPECT_FALSE(frame->Document()->Execute(QString::fromStdString(fifo)));
    EXPECT_FALSE(frame->Document()->LoadMemory("/dev/zero"));
    EXPECT_FALSE(frame->OpenDocument(QString::fromStdString(big), false));
    EXPECT_FALSE(frame->Document()->LoadMemory(QString::fromStdString(big)));
    EXPECT_EQ(errors, QStringList({"Cannot read the file: not a regular file",
                                   "Cannot read the file: not a regular file",
                                   "Cannot read the file: not a regular file",
                                   "Cannot read the file: larger than 256 MiB",
                                   "Cannot read the file: larger than 256 MiB"}));
    EXPECT_EQ(Text(), "kept");
    EXPECT_EQ(MemoryStore().Count(), 0u);
}

TEST_F(FileSafety, CalculatingKeepsTheLineBelowAnOldResult)
{
    frame->show();
    QApplication::setActiveWindow(frame.get());
    frame->Editor()->setFocus();
    frame->Editor()->setPlainText("1+2=3\nsin(pi/2)");
    frame->Editor()->moveCursor(QTextCursor::End);
    QTest::keyClick(frame->Editor(), Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_EQ(Text(), "1+2=3\nsin(pi/2)=1");

    // Calculating the first line leaves the second as it is and puts the
    // caret at its start.
    frame->Editor()->setPlainText("1+2=7\nsin(pi/2)");
    QTextCursor cursor = frame->Editor()->textCursor();
    cursor.setPosition(2);
    frame->Editor()->setTextCursor(cursor);
    QTest::keyClick(frame->Editor(), Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_EQ(Text(), "1+2=3\nsin(pi/2)");
    EXPECT_EQ(frame->Editor()->textCursor().position(), 6);
}

}  // namespace
