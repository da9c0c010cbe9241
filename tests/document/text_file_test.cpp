// Reading and writing files: UTF-16 as the editor saves it, UTF-8 for the
// command line; saves that replace a file only when complete and keep its
// mode, owner and links; reads that refuse devices and oversized input.
#include "document/text_file.h"
#include "document/utf.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <thread>

namespace {

std::string Bytes(std::initializer_list<int> values)
{
    std::string bytes;
    for (int v : values)
        bytes.push_back(static_cast<char>(v));
    return bytes;
}

TEST(TextFile, Utf16IsTakenAsItIs)
{
    EXPECT_EQ(DecodeUtf16File(Bytes({0xFF, 0xFE, '1', 0, '+', 0, '2', 0})), u"1+2");
    // An odd last byte is ignored.
    EXPECT_EQ(DecodeUtf16File(Bytes({0xFF, 0xFE, 'a', 0, 'b'})), u"a");
    // The text ends at the first zero code unit.
    EXPECT_EQ(DecodeUtf16File(Bytes({'a', 0, 0, 0, 'b', 0})), u"a");
    // Every U+FEFF is removed, wherever it stands; a missing mark is fine.
    EXPECT_EQ(DecodeUtf16File(Bytes({'a', 0, 0xFF, 0xFE, 'b', 0, 0xFF, 0xFE})), u"ab");
    // No check or conversion: surrogates and CR LF pass unchanged.
    EXPECT_EQ(DecodeUtf16File(Bytes({0x3D, 0xD8, '\r', 0, '\n', 0, 0x12, 0x22})), u"\xD83D\r\n\u2212");
    EXPECT_EQ(DecodeUtf16File(""), u"");
    EXPECT_EQ(DecodeUtf16File(Bytes({0xFF})), u"");
}

TEST(TextFile, AnyOtherTextIsUtf8OrElseWindows1252)
{
    CTextFileForm form;
    EXPECT_EQ(DecodeTextFile("2\xC3\x97" "3", &form), u"2\u00D73");
    EXPECT_EQ(form.encoding, ETextEncoding::Utf8);
    EXPECT_EQ(DecodeTextFile("\xEF\xBB\xBF" "1+1"), u"1+1");
    EXPECT_EQ(DecodeTextFile("a\xEF\xBB\xBF"), u"a\uFEFF");  // only a leading mark is dropped
    // One byte that is no UTF-8 makes the whole file Windows-1252.
    EXPECT_EQ(DecodeTextFile("\xFF" "a", &form), u"\u00FF" "a");
    EXPECT_EQ(form.encoding, ETextEncoding::Windows1252);
    EXPECT_EQ(DecodeTextFile("\xC3\xA9\x80", &form), u"\u00C3\u00A9\u20AC");
    EXPECT_EQ(DecodeTextFile("\xEF\xBB\xBF\xE9"), u"\u00EF\u00BB\u00BF\u00E9");
    // A character, or a byte that is none, at every place of a long plain
    // text, which is looked over many bytes at a time.
    for (std::size_t at = 0; at < 200; ++at) {
        std::string text(200, '1');
        text.insert(at, "\xC3\x97");
        EXPECT_EQ(FindTextEncoding(text), ETextEncoding::Utf8) << at;
        text[at + 1] = '1';
        EXPECT_EQ(FindTextEncoding(text), ETextEncoding::Windows1252) << at;
    }
    // Plain texts of every length up to a few blocks, each in memory of
    // exactly its size (a string's terminator would hide a read past the
    // end, as a mapped file ending at a page's end would not).
    for (std::size_t size = 1; size <= 200; ++size) {
        const std::unique_ptr<char[]> exact(new char[size]);
        std::fill_n(exact.get(), size, 'x');
        EXPECT_EQ(FindTextEncoding(std::string_view(exact.get(), size)), ETextEncoding::Utf8) << size;
        // The first byte of a two-byte character, cut off by the end.
        exact[size - 1] = '\xC3';
        EXPECT_EQ(FindTextEncoding(std::string_view(exact.get(), size)), ETextEncoding::Windows1252) << size;
        if (size >= 2) {
            exact[size - 2] = '\xC3';
            exact[size - 1] = '\x97';
            EXPECT_EQ(FindTextEncoding(std::string_view(exact.get(), size)), ETextEncoding::Utf8) << size;
        }
    }
    EXPECT_EQ(DecodeTextFile(Bytes({0xFF, 0xFE, 'x', 0}), &form), u"x");
    EXPECT_EQ(form.encoding, ETextEncoding::Utf16);
    EXPECT_FALSE(form.oddByteDropped);
    EXPECT_EQ(DecodeTextFile(Bytes({0xFF, 0xFE, 'x', 0, 'y'}), &form), u"x");
    EXPECT_TRUE(form.oddByteDropped);
    EXPECT_EQ(DescribeTextFileForm(form),
              std::vector<std::string>{"odd number of bytes in a UTF-16 file: the last byte is not part of the text"});
    EXPECT_TRUE(DescribeTextFileForm(CTextFileForm{}).empty());
}

// The check of UTF-8 also tells whether the bytes hold "/*", looked for in
// the same pass over plain ASCII, sixty-four bytes and the one behind them
// a step: "/*" at every place, across every block boundary, in memory of
// exactly the text's size; any other byte than ASCII, or another encoding,
// leaves it untold.
TEST(TextFile, TheCheckOfUtf8TellsWhetherBytesHoldABlockComment)
{
    const auto check = [](const std::string& text, ETextEncoding encoding, bool without, const std::string& what) {
        const std::unique_ptr<char[]> exact(new char[text.size()]);
        std::copy(text.begin(), text.end(), exact.get());
        bool withoutBlockComment = !without;
        const std::string_view bytes(exact.get(), text.size());
        EXPECT_EQ(FindTextEncoding(bytes, withoutBlockComment), encoding) << what;
        EXPECT_EQ(FindTextEncoding(bytes), encoding) << what;
        EXPECT_EQ(withoutBlockComment, without) << what;
    };
    for (std::size_t size = 0; size <= 200; ++size) {
        const std::string plain(size, '/');  // a "/" alone, or before a "/", opens none
        check(plain, ETextEncoding::Utf8, true, "slashes " + std::to_string(size));
        check(std::string(size, '*'), ETextEncoding::Utf8, true, "stars " + std::to_string(size));
        for (std::size_t at = 0; at + 1 < size; ++at) {
            std::string text(size, '1');
            text[at] = '/';
            text[at + 1] = '*';
            const std::string where = std::to_string(at) + " of " + std::to_string(size);
            check(text, ETextEncoding::Utf8, false, "/* at " + where);
            check("\xEF\xBB\xBF" + text, ETextEncoding::Utf8, false, "marked /* at " + where);
            text[at + 1] = '/';
            check(text, ETextEncoding::Utf8, true, "// at " + where);
            // "*/" closes nothing and opens nothing.
            text[at] = '*';
            check(text, ETextEncoding::Utf8, true, "*/ at " + where);
        }
        if (size >= 4) {
            // A character that is no ASCII: "/*" before it is still told.
            std::string text(size, '1');
            text[0] = '/';
            text[1] = '*';
            text[size - 2] = '\xC3';
            text[size - 1] = '\x97';
            check(text, ETextEncoding::Utf8, false, "/* and a character at the end of " + std::to_string(size));
            text[size - 1] = '1';
            check(text, ETextEncoding::Windows1252, false, "/* and a lone byte at " + std::to_string(size));
        }
    }
    // Beyond plain ASCII the pass leaves "/*" to the caller's own look.
    check("\xC3\x97" + std::string(100, '1'), ETextEncoding::Utf8, false, "a character first");
    check(Bytes({0xFF, 0xFE, '1', 0}), ETextEncoding::Utf16, false, "UTF-16");
}

TEST(TextFile, Windows1252GivesEveryByteBack)
{
    std::string all;
    for (int byte = 0; byte < 256; ++byte)
        all.push_back(static_cast<char>(byte));
    const std::u16string text = DecodeWindows1252(all);
    ASSERT_EQ(text.size(), 256u);
    EXPECT_EQ(text[0x80], u'\u20AC');
    EXPECT_EQ(text[0x81], u'\u0081');
    EXPECT_EQ(text[0x9F], u'\u0178');
    EXPECT_EQ(text[0xE9], u'\u00E9');
    std::string back;
    ASSERT_TRUE(EncodeWindows1252(text, back));
    EXPECT_EQ(back, all);
    back.clear();
    ASSERT_TRUE(Utf8ToWindows1252(Windows1252ToUtf8(all), back));
    EXPECT_EQ(back, all);
    // Characters the code page has no byte for.
    for (const std::u16string& missing : {std::u16string(u"\u2212"), std::u16string(u"\u0080"), std::u16string(1, char16_t{0xD83D})}) {
        back.clear();
        EXPECT_FALSE(EncodeWindows1252(u"1" + missing, back));
        back.clear();
        EXPECT_FALSE(Utf8ToWindows1252(Utf16ToUtf8(u"1" + missing), back));
    }
}

TEST(TextFile, EncodingWritesOneMarkAndLittleEndianUnits)
{
    EXPECT_EQ(EncodeUtf16File(u"1\u2212"), Bytes({0xFF, 0xFE, '1', 0, 0x12, 0x22}));
    EXPECT_EQ(EncodeUtf16File(u"\uFEFF1"), Bytes({0xFF, 0xFE, '1', 0}));
    EXPECT_EQ(EncodeUtf16File(u""), Bytes({0xFF, 0xFE}));
    EXPECT_EQ(DecodeTextFile(EncodeUtf16File(u"a;\r\nb\u00D7")), u"a;\r\nb\u00D7");
}

class TextFileOnDisk : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = std::filesystem::temp_directory_path() /
                 ("kavm-text-file-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    std::filesystem::path folder;
};

TEST_F(TextFileOnDisk, ReadingAndReplacing)
{
    const std::string path = (folder / "m.vcm").string();
    std::string bytes;
    EXPECT_EQ(ReadFileBytes(path, bytes), EFileResult::CannotOpen);
    EXPECT_EQ(ReadFileBytes(folder.string(), bytes), EFileResult::CannotRead);
    ASSERT_EQ(WriteFileReplacing(path, Bytes({0xFF, 0xFE, 'a', 0})), EFileResult::Ok);
    ASSERT_EQ(ReadFileBytes(path, bytes), EFileResult::Ok);
    EXPECT_EQ(bytes, Bytes({0xFF, 0xFE, 'a', 0}));
    ASSERT_EQ(WriteFileReplacing(path, "second"), EFileResult::Ok);
    ASSERT_EQ(ReadFileBytes(path, bytes), EFileResult::Ok);
    EXPECT_EQ(bytes, "second");
    EXPECT_FALSE(std::filesystem::exists(path + ".part"));
}

// Reading in place gives what ReadFileBytes gives, for every kind of file;
// a mapped file that shrinks under its reader reads as zeros beyond its new
// end and says so, instead of ending the process.
TEST_F(TextFileOnDisk, ReadingInPlace)
{
    const std::string path = (folder / "t.vcl").string();
    CFileBytes bytes;
    EXPECT_EQ(ReadFileInPlace(path, bytes), EFileResult::CannotOpen);
    EXPECT_EQ(ReadFileInPlace(folder.string(), bytes), EFileResult::CannotRead);
    EXPECT_EQ(ReadFileInPlace("/dev/zero", bytes, EReadSource::RegularFilesAndPipes), EFileResult::NotAFile);
    EXPECT_EQ(bytes.View(), "");

    // An empty file, a short one and one of several pages.
    std::string big;
    for (int i = 0; big.size() < 3 * 4096 + 100; ++i)
        big += std::to_string(i) + "*2;";
    for (const std::string& content : {std::string(), std::string("1+1"), big}) {
        std::ofstream(path, std::ios::binary) << content;
        ASSERT_EQ(ReadFileInPlace(path, bytes), EFileResult::Ok);
        EXPECT_EQ(bytes.View(), content);
        EXPECT_EQ(bytes.Mapped(), !content.empty());
        EXPECT_FALSE(bytes.Damaged());
    }

    // One mapping is guarded at a time: a second file is read into memory.
    const std::string other = (folder / "u.vcl").string();
    std::ofstream(other, std::ios::binary) << "2^10";
    {
        CFileBytes second;
        ASSERT_EQ(ReadFileInPlace(other, second), EFileResult::Ok);
        EXPECT_EQ(second.View(), "2^10");
        EXPECT_FALSE(second.Mapped());
    }

    // The mapped file shrinks: its first bytes are still there, the lost
    // ones read as zeros.
    ASSERT_TRUE(bytes.Mapped());
    ASSERT_EQ(::truncate(path.c_str(), 10), 0);
    const std::string_view view = bytes.View();
    EXPECT_EQ(view.substr(0, 10), big.substr(0, 10));
    EXPECT_EQ(view[view.size() - 1], '\0');
    EXPECT_TRUE(bytes.Damaged());

    // The next mapping starts undamaged; a pipe is read to its end.
    std::ofstream(path, std::ios::binary) << big;
    ASSERT_EQ(ReadFileInPlace(path, bytes), EFileResult::Ok);
    EXPECT_FALSE(bytes.Damaged());
    const std::filesystem::path fifo = folder / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::thread writer([&] { std::ofstream(fifo, std::ios::binary) << "3-1"; });
    CFileBytes piped;
    EXPECT_EQ(ReadFileInPlace(fifo.string(), piped, EReadSource::RegularFilesAndPipes), EFileResult::Ok);
    writer.join();
    EXPECT_EQ(piped.View(), "3-1");
}

std::string Slurp(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Plant(const std::filesystem::path& path, const std::string& bytes, mode_t mode = 0644)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    ::chmod(path.c_str(), mode);
}

mode_t ModeOf(const std::filesystem::path& path)
{
    struct stat status{};
    EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
    return status.st_mode;
}

// The names in a folder, to see that a save leaves no temporary behind.
std::set<std::string> Names(const std::filesystem::path& folder)
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

TEST_F(TextFileOnDisk, ASavedFileKeepsItsPermissionBits)
{
    for (const mode_t mode : {0600, 0640, 0604, 0755}) {
        const std::filesystem::path path = folder / ("m" + std::to_string(mode) + ".vcm");
        Plant(path, "old", mode);
        ASSERT_EQ(WriteFileReplacing(path.string(), "new text"), EFileResult::Ok);
        EXPECT_EQ(Slurp(path), "new text");
        EXPECT_EQ(ModeOf(path) & 07777, mode) << std::oct << mode;
        EXPECT_TRUE(S_ISREG(ModeOf(path)));
    }
    // A new file takes the umask like any other new file.
    const mode_t old = ::umask(027);
    EXPECT_EQ(WriteFileReplacing((folder / "fresh.vcm").string(), "x"), EFileResult::Ok);
    ::umask(old);
    EXPECT_EQ(ModeOf(folder / "fresh.vcm") & 0777, 0640u);
    EXPECT_EQ(Names(folder).size(), 5u);
}

TEST_F(TextFileOnDisk, OwnerAndGroupAreKept)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root may hand a file to another owner";
    const std::filesystem::path path = folder / "theirs.vcm";
    Plant(path, "old", 0620);
    ASSERT_EQ(::chown(path.c_str(), 4321, 8765), 0);
    ASSERT_EQ(WriteFileReplacing(path.string(), "new"), EFileResult::Ok);
    struct stat status{};
    ASSERT_EQ(::stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_uid, 4321u);
    EXPECT_EQ(status.st_gid, 8765u);
    EXPECT_EQ(status.st_mode & 07777, 0620u);
}

TEST_F(TextFileOnDisk, ASymlinkStaysAndItsTargetIsReplaced)
{
    std::filesystem::create_directories(folder / "data");
    std::filesystem::create_directories(folder / "links");
    Plant(folder / "data" / "real.vcm", "old", 0600);
    // A relative link in another folder, reached through a second link.
    std::filesystem::create_symlink("../data/real.vcm", folder / "links" / "first.vcm");
    std::filesystem::create_symlink("first.vcm", folder / "links" / "second.vcm");
    ASSERT_EQ(WriteFileReplacing((folder / "links" / "second.vcm").string(), "new"), EFileResult::Ok);
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "links" / "second.vcm"));
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "links" / "first.vcm"));
    EXPECT_EQ(std::filesystem::read_symlink(folder / "links" / "first.vcm"), "../data/real.vcm");
    EXPECT_EQ(Slurp(folder / "data" / "real.vcm"), "new");
    EXPECT_EQ(ModeOf(folder / "data" / "real.vcm") & 07777, 0600u);
    EXPECT_EQ(Names(folder / "data"), std::set<std::string>{"real.vcm"});
    EXPECT_EQ(Names(folder / "links"), (std::set<std::string>{"first.vcm", "second.vcm"}));

    // A link to a file not yet there makes the file and stays a link.
    std::filesystem::create_symlink("data/later.vcm", folder / "later.vcm");
    ASSERT_EQ(WriteFileReplacing((folder / "later.vcm").string(), "made"), EFileResult::Ok);
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "later.vcm"));
    EXPECT_EQ(Slurp(folder / "data" / "later.vcm"), "made");

    // A loop of links is an error.
    std::filesystem::create_symlink("loop-b", folder / "loop-a");
    std::filesystem::create_symlink("loop-a", folder / "loop-b");
    int error = 0;
    EXPECT_EQ(WriteFileReplacing((folder / "loop-a").string(), "x", &error), EFileResult::CannotWrite);
    EXPECT_EQ(error, ELOOP);
}

TEST_F(TextFileOnDisk, NoNameBesideTheTargetIsUsedOrTouched)
{
    // A link planted under the name a fixed-name writer would use is not
    // followed, and a user's own file of that name stays as it was.
    Plant(folder / "victim.txt", "victim");
    std::filesystem::create_symlink("victim.txt", folder / "out.vcm.part");
    ASSERT_EQ(WriteFileReplacing((folder / "out.vcm").string(), "saved"), EFileResult::Ok);
    EXPECT_EQ(Slurp(folder / "victim.txt"), "victim");
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "out.vcm.part"));
    EXPECT_EQ(Slurp(folder / "out.vcm"), "saved");

    Plant(folder / "mine.vcm", "old");
    Plant(folder / "mine.vcm.part", "the user's own notes", 0600);
    ASSERT_EQ(WriteFileReplacing((folder / "mine.vcm").string(), "new"), EFileResult::Ok);
    EXPECT_EQ(Slurp(folder / "mine.vcm.part"), "the user's own notes");
    EXPECT_EQ(ModeOf(folder / "mine.vcm.part") & 07777, 0600u);
    EXPECT_EQ(Names(folder),
              (std::set<std::string>{"victim.txt", "out.vcm.part", "out.vcm", "mine.vcm", "mine.vcm.part"}));
}

TEST_F(TextFileOnDisk, AReadOnlyFileIsNotReplaced)
{
    const std::filesystem::path path = folder / "locked.vcm";
    Plant(path, "old", 0444);
    int error = 0;
    EXPECT_EQ(WriteFileReplacing(path.string(), "new", &error), EFileResult::CannotWrite);
    EXPECT_EQ(error, EACCES);
    EXPECT_EQ(Slurp(path), "old");
    EXPECT_EQ(ModeOf(path) & 07777, 0444u);
    EXPECT_EQ(Names(folder), std::set<std::string>{"locked.vcm"});
    // The same through a link.
    std::filesystem::create_symlink("locked.vcm", folder / "link.vcm");
    EXPECT_EQ(WriteFileReplacing((folder / "link.vcm").string(), "new"), EFileResult::CannotWrite);
    EXPECT_EQ(Slurp(path), "old");
}

TEST_F(TextFileOnDisk, AFailedWriteLeavesTheOldFileAndNoTemporary)
{
    const std::filesystem::path path = folder / "keep.vcm";
    Plant(path, "old", 0640);
    // A file size limit makes the write itself fail, for root as well.
    struct rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 1000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    int error = 0;
    const EFileResult result = WriteFileReplacing(path.string(), std::string(5000, 'x'), &error);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(result, EFileResult::CannotWrite);
    EXPECT_EQ(error, EFBIG);
    EXPECT_EQ(Slurp(path), "old");
    EXPECT_EQ(ModeOf(path) & 07777, 0640u);
    EXPECT_EQ(Names(folder), std::set<std::string>{"keep.vcm"});

    // A missing folder, a folder as the target, an empty name.
    EXPECT_EQ(WriteFileReplacing((folder / "missing" / "x.vcm").string(), "x", &error), EFileResult::CannotWrite);
    EXPECT_EQ(error, ENOENT);
    EXPECT_EQ(WriteFileReplacing(folder.string(), "x", &error), EFileResult::CannotWrite);
    EXPECT_EQ(error, EISDIR);
    EXPECT_EQ(WriteFileReplacing("", "x"), EFileResult::CannotWrite);
    EXPECT_EQ(Names(folder), std::set<std::string>{"keep.vcm"});
    EXPECT_STREQ(GetFileResultText(EFileResult::CannotWrite), "Cannot open the file for writing");
    EXPECT_STREQ(GetFileResultText(EFileResult::CannotOpen), "Cannot open the file for reading");
    EXPECT_STREQ(GetFileResultText(EFileResult::CannotRead), "Cannot read the file");
}

TEST_F(TextFileOnDisk, DevicesAndPipesAreWrittenInPlace)
{
    int error = 0;
    // A full device reports the lost write and stays a device (even for
    // root, who could otherwise replace the node).
    EXPECT_EQ(WriteFileReplacing("/dev/full", "lost", &error), EFileResult::CannotWrite);
    EXPECT_EQ(error, ENOSPC);
    EXPECT_TRUE(S_ISCHR(ModeOf("/dev/full")));
    EXPECT_EQ(WriteFileReplacing("/dev/null", "gone"), EFileResult::Ok);
    EXPECT_TRUE(S_ISCHR(ModeOf("/dev/null")));

    // A FIFO with a reader gets the bytes; without one the save fails at
    // once instead of waiting.
    const std::filesystem::path fifo = folder / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(WriteFileReplacing(fifo.string(), "nobody", &error), EFileResult::CannotWrite);
    EXPECT_EQ(error, ENXIO);
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_EQ(WriteFileReplacing(fifo.string(), "through"), EFileResult::Ok);
    char buffer[16] = {};
    EXPECT_EQ(::read(reader, buffer, sizeof buffer), 7);
    EXPECT_EQ(std::string(buffer, 7), "through");
    ::close(reader);
    EXPECT_TRUE(S_ISFIFO(ModeOf(fifo)));
}

TEST_F(TextFileOnDisk, AnOpenDescriptorIsWrittenWhereItStands)
{
    // /dev/stdout and /dev/fd/N are the process's own descriptors: a pipe
    // gets the bytes, and a redirected file is continued, not replaced.
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ASSERT_EQ(WriteFileReplacing("/dev/fd/" + std::to_string(ends[1]), "piped"), EFileResult::Ok);
    ASSERT_EQ(WriteFileReplacing("/proc/self/fd/" + std::to_string(ends[1]), "+more"), EFileResult::Ok);
    ::close(ends[1]);
    char buffer[32] = {};
    EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(::read(ends[0], buffer, sizeof buffer))), "piped+more");
    ::close(ends[0]);

    const std::filesystem::path path = folder / "redirected.txt";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "text;", 5), 5);
    struct stat before{};
    ::fstat(fd, &before);
    ASSERT_EQ(WriteFileReplacing("/dev/fd/" + std::to_string(fd), "memory"), EFileResult::Ok);
    ::close(fd);
    struct stat after{};
    ::stat(path.c_str(), &after);
    EXPECT_EQ(before.st_ino, after.st_ino);
    EXPECT_EQ(Slurp(path), "text;memory");
}

TEST_F(TextFileOnDisk, ReadingRefusesWhatIsNoText)
{
    std::string bytes = "stale";
    // Devices: refused at once, before a single byte is read.
    EXPECT_EQ(ReadFileBytes("/dev/zero", bytes), EFileResult::NotAFile);
    EXPECT_EQ(ReadFileBytes("/dev/zero", bytes, EReadSource::RegularFilesAndPipes), EFileResult::NotAFile);
    EXPECT_EQ(bytes, "");
    EXPECT_EQ(ReadFileBytes("/dev/null", bytes), EFileResult::NotAFile);

    // A FIFO is refused by the window's read without waiting for a writer.
    const std::filesystem::path fifo = folder / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(ReadFileBytes(fifo.string(), bytes), EFileResult::NotAFile);

    // A file over the limit (sparse, so it costs no disk) is refused by
    // its size; one at the limit's edge would be read.
    const std::filesystem::path big = folder / "big.vcl";
    Plant(big, "");
    std::filesystem::resize_file(big, kMaxTextFileBytes + 1);
    EXPECT_EQ(ReadFileBytes(big.string(), bytes), EFileResult::TooLarge);
    EXPECT_EQ(ReadFileBytes(big.string(), bytes, EReadSource::RegularFilesAndPipes), EFileResult::TooLarge);
    EXPECT_STREQ(GetFileResultText(EFileResult::NotAFile), "Cannot read the file: not a regular file");
    EXPECT_STREQ(GetFileResultText(EFileResult::TooLarge), "Cannot read the file: larger than 256 MiB");

    // A file larger than one block comes whole.
    std::string large;
    for (int i = 0; large.size() < 300'000; ++i)
        large += std::to_string(i) + ";";
    Plant(folder / "large.vcl", large);
    ASSERT_EQ(ReadFileBytes((folder / "large.vcl").string(), bytes), EFileResult::Ok);
    EXPECT_EQ(bytes, large);
    Plant(folder / "empty.vcl", "");
    ASSERT_EQ(ReadFileBytes((folder / "empty.vcl").string(), bytes), EFileResult::Ok);
    EXPECT_EQ(bytes, "");
}

TEST_F(TextFileOnDisk, AWriterThatLeavesAtOnceLosesNothing)
{
    // The writer waits in its open until the reader comes, then writes and
    // closes at once; whichever of the two runs first, the text arrives
    // and the read ends. Repeated, since the order is up to the scheduler.
    const std::filesystem::path fifo = folder / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (int round = 0; round < 200; ++round) {
        const std::string text = "1+" + std::to_string(round);
        std::thread writer([&] { std::ofstream(fifo, std::ios::binary) << text; });
        std::string bytes;
        const EFileResult result = ReadFileBytes(fifo.string(), bytes, EReadSource::RegularFilesAndPipes);
        writer.join();
        ASSERT_EQ(result, EFileResult::Ok) << "round " << round;
        ASSERT_EQ(bytes, text) << "round " << round;
    }
}

TEST_F(TextFileOnDisk, APipeIsReadUpToTheLimit)
{
    const std::filesystem::path fifo = folder / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string bytes;
    {
        std::thread writer([&] { std::ofstream(fifo, std::ios::binary) << "1+1;\r\n2"; });
        EXPECT_EQ(ReadFileBytes(fifo.string(), bytes, EReadSource::RegularFilesAndPipes), EFileResult::Ok);
        writer.join();
    }
    EXPECT_EQ(bytes, "1+1;\r\n2");

    // A writer that never stops is cut off at the limit.
    std::thread endless([&] {
        const int fd = ::open(fifo.c_str(), O_WRONLY);
        const std::string block(1 << 20, '7');
        while (fd >= 0 && ::write(fd, block.data(), block.size()) > 0) {
        }
        ::close(fd);
    });
    const auto previousHandler = std::signal(SIGPIPE, SIG_IGN);
    EXPECT_EQ(ReadFileBytes(fifo.string(), bytes, EReadSource::RegularFilesAndPipes), EFileResult::TooLarge);
    endless.join();  // its next write fails once the reader has closed
    std::signal(SIGPIPE, previousHandler);
    EXPECT_EQ(bytes, "");
}

// A stream of endless zeros, served from one block.
class CEndlessBuffer : public std::streambuf {
public:
    CEndlessBuffer() : m_block(1 << 16, '0') { setg(m_block.data(), m_block.data(), m_block.data() + m_block.size()); }

protected:
    int_type underflow() override
    {
        setg(m_block.data(), m_block.data(), m_block.data() + m_block.size());
        return traits_type::to_int_type(m_block[0]);
    }

private:
    std::string m_block;
};

TEST(TextFileStream, StandardInputIsReadInBlocksUpToTheLimit)
{
    std::string bytes;
    std::istringstream small("1+2=3\r\nsin(0)");
    ASSERT_EQ(ReadStreamBytes(small, bytes), EFileResult::Ok);
    EXPECT_EQ(bytes, "1+2=3\r\nsin(0)");
    std::istringstream empty("");
    ASSERT_EQ(ReadStreamBytes(empty, bytes), EFileResult::Ok);
    EXPECT_EQ(bytes, "");
    const std::string block(200'000, 'x');
    std::istringstream several(block);
    ASSERT_EQ(ReadStreamBytes(several, bytes), EFileResult::Ok);
    EXPECT_EQ(bytes, block);

    CEndlessBuffer endless;
    std::istream in(&endless);
    EXPECT_EQ(ReadStreamBytes(in, bytes), EFileResult::TooLarge);
    EXPECT_EQ(bytes, "");
}

}  // namespace
