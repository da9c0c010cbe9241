// Reading and writing files: UTF-16 as the editor saves it, UTF-8 for the
// command line, and writing that replaces a file only when complete.
#include "document/text_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

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

TEST(TextFile, AnyOtherTextIsUtf8)
{
    EXPECT_EQ(DecodeTextFile("2\xC3\x97" "3"), u"2\u00D73");
    EXPECT_EQ(DecodeTextFile("\xEF\xBB\xBF" "1+1"), u"1+1");
    EXPECT_EQ(DecodeTextFile("a\xEF\xBB\xBF"), u"a\uFEFF");  // only a leading mark is dropped
    EXPECT_EQ(DecodeTextFile("\xFF" "a"), u"\uFFFD" "a");
    EXPECT_EQ(DecodeTextFile(Bytes({0xFF, 0xFE, 'x', 0})), u"x");
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
                 ("kavm-text-file-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
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

TEST_F(TextFileOnDisk, AFailedWriteLeavesTheOldFile)
{
    // A folder in the way of the temporary file makes the write fail.
    const std::string path = (folder / "keep.vcm").string();
    ASSERT_EQ(WriteFileReplacing(path, "old"), EFileResult::Ok);
    std::filesystem::create_directories(path + ".part");
    EXPECT_EQ(WriteFileReplacing(path, "new"), EFileResult::CannotWrite);
    std::string bytes;
    ASSERT_EQ(ReadFileBytes(path, bytes), EFileResult::Ok);
    EXPECT_EQ(bytes, "old");
    EXPECT_EQ(WriteFileReplacing((folder / "missing" / "x.vcm").string(), "x"), EFileResult::CannotWrite);
    EXPECT_STREQ(GetFileResultText(EFileResult::CannotWrite), "Cannot open the file for writing");
    EXPECT_STREQ(GetFileResultText(EFileResult::CannotOpen), "Cannot open the file for reading");
    EXPECT_STREQ(GetFileResultText(EFileResult::CannotRead), "Cannot read the file");
}

}  // namespace
