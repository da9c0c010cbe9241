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
#include "windows/editor/calc_view.h"
#include "windows/frame/calc_main_frame.h"
#include "windows/panes/calc_log.h"
#include "windows/panes/calc_memory.h"

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
    EXPECT_EQ(errors, QStringList({"Cannot open the file for writing\n" + QString::fromStdString(locked) +
                                   "\nPermission denied"}));
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

// The log's lines as "context: description".
QStringList LogLines(const CCalcLog& log)
{
    QStringList lines;
    for (int i = 0; i < log.topLevelItemCount(); ++i)
        lines << log.topLevelItem(i)->text(2) + ": " + log.topLevelItem(i)->text(3);
    return lines;
}

TEST_F(FileSafety, AFileThatIsNotUtf8ComesBackByteForByte)
{
    const std::string path = PathOf("latin.vcl");
    const QByteArray bytes("/* caf\xE9 \x80 */1+1;\r\n2*3");
    Plant(path, bytes, 0644);
    ASSERT_TRUE(frame->Document()->Open(QString::fromStdString(path)));
    EXPECT_EQ(Text(), QString::fromUtf8("/* caf\u00e9 \u20ac */1+1;\n2*3"));
    EXPECT_EQ(LogLines(*frame->Log()),
              QStringList({"latin.vcl: not UTF-8: read as Windows-1252 and written back the same way"}));
    ASSERT_TRUE(frame->Document()->Save(QString::fromStdString(path)));
    EXPECT_EQ(Content(path), bytes);
    // Results in Windows-1252 as well, the rest as it was.
    frame->Document()->ExecuteCommand(CmdCalculateAll);
    ASSERT_TRUE(frame->Document()->Save(QString::fromStdString(path)));
    EXPECT_EQ(Content(path), QByteArray("/* caf\xE9 \x80 */1+1=2;\r\n2*3=6"));
    // A character the code page lacks: the file becomes UTF-16, and the
    // log says so.
    frame->Editor()->setPlainText(QString::fromUtf8("/* caf\u00e9 */ \u03c0"));
    ASSERT_TRUE(frame->Document()->Save(QString::fromStdString(path)));
    EXPECT_EQ(Content(path), QByteArray::fromStdString(EncodeUtf16File(u"/* caf\u00e9 */ \u03c0")));
    EXPECT_TRUE(LogLines(*frame->Log()).contains(
        "latin.vcl: saved as UTF-16: the text holds characters that Windows-1252 cannot write"));
    EXPECT_EQ(frame->Document()->Encoding(), ETextEncoding::Utf16);
}

TEST_F(FileSafety, AFailedSaveNamesTheFileAndTheReason)
{
    frame->Editor()->setPlainText("1+1");
    EXPECT_FALSE(frame->Document()->Save("/dev/full"));
    EXPECT_EQ(errors, QStringList({"Cannot open the file for writing\n/dev/full\nNo space left on device"}));
    errors.clear();
    EXPECT_FALSE(frame->Document()->SaveMemoryText(QString::fromStdString(PathOf("no/folder/m.vcm")), u"1->Mem[a];\r\n"));
    EXPECT_EQ(errors, QStringList({"Cannot open the file for writing\n" + QString::fromStdString(PathOf("no/folder/m.vcm")) +
                                   "\nNo such file or directory"}));
}

TEST_F(FileSafety, AMemoryFileThatStopsIsNamedAndNotSavedOverUnasked)
{
    const std::string path = PathOf("cells.vcm");
    const std::string original = EncodeUtf16File(u"1->Mem[a];\r\n1e999->Mem[b];\r\n3->Mem[c];\r\n");
    Plant(path, QByteArray::fromStdString(original), 0644);
    EXPECT_FALSE(frame->Document()->LoadMemory(QString::fromStdString(path)));
    const QStringList log = LogLines(*frame->Log());
    ASSERT_FALSE(log.isEmpty());
    EXPECT_EQ(log.back(), "cells.vcm: loading stopped at line 2: 2 lines not loaded");
    EXPECT_EQ(frame->Document()->LinesNotLoaded(QString::fromStdString(path)), 2u);

    QStringList questions;
    bool answer = false;
    frame->Document()->askYesNo = [&](const QString& question) {
        questions << question;
        return answer;
    };
    const std::u16string cells = MemoryStore().BuildMemoryFileText(EMemorySelection::All);
    EXPECT_FALSE(frame->Document()->SaveMemoryText(QString::fromStdString(path), cells));
    EXPECT_EQ(questions, QStringList({"cells.vcm did not load whole: saving over it loses the 2 lines it did not "
                                      "load.\nSave the memory over it?"}));
    EXPECT_EQ(Content(path), QByteArray::fromStdString(original));
    // The memory pane's own Save asks the same.
    frame->Memory()->Refresh();
    frame->Memory()->askSaveFileName = [&] { return QString::fromStdString(path); };
    frame->Memory()->Save();
    EXPECT_EQ(questions.size(), 2);
    EXPECT_EQ(Content(path), QByteArray::fromStdString(original));
    // Another file is saved without a question; Yes saves over this one.
    EXPECT_TRUE(frame->Document()->SaveMemoryText(QString::fromStdString(PathOf("other.vcm")), cells));
    EXPECT_EQ(questions.size(), 2);
    answer = true;
    EXPECT_TRUE(frame->Document()->SaveMemoryText(QString::fromStdString(path), cells));
    EXPECT_EQ(Content(path), QByteArray::fromStdString(EncodeUtf16File(cells)));
    EXPECT_EQ(frame->Document()->LinesNotLoaded(QString::fromStdString(path)), 0u);
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
