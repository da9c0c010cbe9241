// The command-line calculation, run in-process with string streams.
#include "command_line/command_line.h"

#include <gtest/gtest.h>

#include "support/data_cases.h"
#include "support/fresh_state.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cstdio>
#include <cmath>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <thread>

#include "command_line/window_usage.h"
#include "document/memory_store.h"
#include "document/preferences.h"
#include "document/text_file.h"
#include "document/utf.h"
#include "kavm_version.h"
#include "language/calculate.h"

namespace {

struct CRun {
    int status = -1;
    bool handled = false;
    std::string out;
    std::string err;
};

class CommandLine : public ::testing::Test {
protected:
    CFreshState fresh;
    void SetUp() override
    {
        folder = std::filesystem::temp_directory_path() /
                 ("kavm-command-line-" + std::to_string(::getpid()) + "-" +
                  std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    CRun Run(const std::vector<std::string>& arguments, const std::string& input = "")
    {
        std::istringstream in(input);
        std::ostringstream out;
        std::ostringstream err;
        CRun run;
        run.status = RunCommandLine(arguments, in, out, err, run.handled, {}, constants);
        run.out = out.str();
        run.err = err.str();
        return run;
    }

    std::string PathOf(const std::string& name) const { return (folder / name).string(); }

    void Write(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(PathOf(name), std::ios::binary) << bytes;
    }

    std::string Read(const std::string& name) const
    {
        std::string bytes;
        EXPECT_EQ(ReadFileBytes(PathOf(name), bytes), EFileResult::Ok);
        return bytes;
    }

    std::filesystem::path folder;
    // What --constants loads: the library as the source tree holds it.
    std::string constants =
        (std::filesystem::path(KAVM_TEST_DATA_DIR).parent_path().parent_path() / "resources" / "examples" /
         "constants.vcm")
            .string();
};

TEST_F(CommandLine, OtherArgumentsAreLeftToTheCaller)
{
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{}, {"file.vcl"}, {"/p", "file.vcl"}, {"-calculate"}, {"--calc"}}) {
        const CRun run = Run(arguments);
        EXPECT_FALSE(run.handled);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "");
    }
    const char* const argv[] = {"calculator-ka-vm", "--version"};
    std::istringstream in;
    std::ostringstream out;
    std::ostringstream err;
    bool handled = false;
    EXPECT_EQ(RunCommandLine(2, argv, in, out, err, handled), 0);
    EXPECT_TRUE(handled);
    EXPECT_EQ(out.str(), "Calculator Ka-Vm 01.01.001\n");
}

// The program's own form of the version comes from the project version:
// two-digit major and minor, three-digit patch.
TEST_F(CommandLine, ShortFormsAndTheOneVersion)
{
    int major = 0, minor = 0, patch = 0;
    ASSERT_EQ(std::sscanf(KAVM_VERSION, "%d.%d.%d", &major, &minor, &patch), 3);
    char expected[64];
    std::snprintf(expected, sizeof expected, "Calculator Ka-Vm %02d.%02d.%03d\n", major, minor, patch);
    EXPECT_EQ(Run({"-v"}).out, expected);
    EXPECT_EQ(Run({"--version"}).out, expected);
    EXPECT_EQ(std::string("Calculator Ka-Vm " KAVM_VERSION_TEXT "\n"), expected);

    const CRun help = Run({"-h"});
    EXPECT_TRUE(help.handled);
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out, Run({"--help"}).out);
    EXPECT_EQ(help.out.rfind("Usage: ", 0), 0u);
    EXPECT_NE(Run({"-h=x"}).status, 0);

    // A program with a window puts the help of its window words first.
    std::istringstream in;
    std::ostringstream out;
    std::ostringstream err;
    bool handled = false;
    EXPECT_EQ(RunCommandLine({"--help"}, in, out, err, handled, "Window words: FILE"), 0);
    EXPECT_EQ(out.str(), "Window words: FILE\n" + help.out);
}

TEST_F(CommandLine, HelpListsTheOptions)
{
    const CRun run = Run({"--help"});
    EXPECT_TRUE(run.handled);
    EXPECT_EQ(run.status, 0);
    for (const char* option :
         {"--calculate", "--cursor", "--preference", "--memory", "--constants", "--save-memory", "--help",
          "--version"})
        EXPECT_NE(run.out.find(option), std::string::npos) << option;
}

// The words are described once, in the help texts; the man page is held to
// them, so a word added there and forgotten here fails.
TEST_F(CommandLine, TheManPageDescribesEveryWordOfTheHelp)
{
    std::ifstream file(std::filesystem::path(KAVM_TEST_DATA_DIR).parent_path().parent_path() / "resources" /
                       "desktop" / "calculator-ka-vm.1.in");
    ASSERT_TRUE(file);
    std::string page((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    for (std::size_t at; (at = page.find("\\-")) != std::string::npos;)
        page.replace(at, 2, "-");
    const std::string help = Run({"--help"}).out + kWindowUsage;
    int words = 0;
    for (std::size_t at = 0; at < help.size(); ++at) {
        const bool starts = (help[at] == '/' || (help[at] == '-' && at + 1 < help.size() && help[at + 1] == '-')) &&
                            (at == 0 || help[at - 1] == ' ' || help[at - 1] == ',');
        if (!starts)
            continue;
        std::size_t end = at + (help[at] == '/' ? 1 : 2);
        while (end < help.size() && (std::isalpha(static_cast<unsigned char>(help[end])) || help[end] == '-'))
            ++end;
        const std::string word = help.substr(at, end - at);
        if (word.size() < 3)
            continue;
        ++words;
        EXPECT_NE(page.find(word), std::string::npos) << word << " is in the help but not in the man page";
    }
    EXPECT_GE(words, 14);
}

TEST_F(CommandLine, CalculatesStandardInputAndWritesTheTextUnchangedOtherwise)
{
    CRun run = Run({"--calculate"}, "2+3; 2\xC3\x97" "3 = 9; 2*i // unit\n");
    EXPECT_TRUE(run.handled);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "2+3=5; 2\xC3\x97" "3 = 6; 2*i=i\xC3\x97" "2 // unit\n");
    EXPECT_EQ(run.err, "");
    run = Run({"--calculate", "-"}, "\xEF\xBB\xBF" "1+1");
    EXPECT_EQ(run.out, "1+1=2");
    run = Run({"--calculate"}, "");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");
}

TEST_F(CommandLine, LineBreaksAreWrittenBackAsTheyCame)
{
    // The run sees CR LF: "1+2" and "3" on two lines are one statement.
    CRun run = Run({"--calculate"}, "1+2\n3;\r\n4\r5;\n");
    EXPECT_EQ(run.out, "1+2\n3=24;\r\n4\r5=45;\n");
    // A cursor counts a line break as two code units whatever the file holds.
    run = Run({"--calculate", "--cursor", "6"}, "1+1;\n2+2;\n3+3");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "1+1;\n2+2=4;\n3+3");
    run = Run({"--calculate", "--cursor=4"}, "1+1;\n2+2;\n3+3");
    EXPECT_EQ(run.out, "1+1;\n2+2=4;\n3+3");
}

TEST_F(CommandLine, LogMessagesGoToTheErrorStreamAsTabSeparatedLines)
{
    const CRun run = Run({"--calculate"}, "x+mem[a]; 1/0; 3");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "x+mem[a]=0; 1/0; 3");
    EXPECT_EQ(run.err,
              "1\tWarning\tIndex\tUninitialized memory used, value forced to 0\n"
              "2\tWarning\tMemory\tUninitialized memory used, value forced to 0\n"
              "3\tError\tDivision\tOperation has singularity at 0\n");
}

TEST_F(CommandLine, Utf16FilesAreReadAsTheEditorSavesThem)
{
    Write("calc.vcl", EncodeUtf16File(u"2\u22121;\r\n\u03C0\u00D70"));
    const CRun run = Run({"--calculate", PathOf("calc.vcl")});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "2\xE2\x88\x92" "1=1;\r\n\xCF\x80\xC3\x97" "0=0");
}

TEST_F(CommandLine, PreferencesHoldForTheRunWithTheLoadersRangeRules)
{
    CRun run = Run({"--calculate", "--preference", "TrigonometricUnits=1", "--preference=NotationCase=1",
                    "--preference", "formati=1"},
                   "sin(90); 1e20*i");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "sin(90)=1; 1e20*i=j\xC3\x97" "1E+020");
    Preferences().SetDefaults();
    // Out of range: the default.
    run = Run({"--calculate", "--preference", "TrigonometricUnits=3", "--preference", "FormatI=2"}, "cos(pi); i");
    EXPECT_EQ(run.out, "cos(pi)=-1; i=i");
    EXPECT_EQ(Preferences().Get(EPreference::TrigonometricUnits), 0u);
    // A preference without a range takes any value.
    run = Run({"--preference", "FreeConfirmation=7"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(Preferences().Get(EPreference::FreeConfirmation), 7u);
}

TEST_F(CommandLine, UsageErrorsExitWithTwo)
{
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {"--calculate", "a", "b"},
             {"--calculate", "--bogus"},
             {"--cursor", "3"},
             {"--calculate", "--cursor"},
             {"--calculate", "--cursor", "-1"},
             {"--calculate", "--cursor", "x"},
             {"--calculate", "--preference", "Nothing=1"},
             {"--calculate", "--preference", "FormatI"},
             {"--calculate", "--preference", "FormatI=-1"},
             {"--calculate", "--preference", "FormatI=4294967296"},
             {"--calculate", "--calculate"},
             {"--memory"},
             {"--save-memory", "a", "--save-memory", "b"},
             {"--help=yes"},
         }) {
        const CRun run = Run(arguments, "1");
        EXPECT_TRUE(run.handled);
        EXPECT_EQ(run.status, 2) << arguments[0] << " " << (arguments.size() > 1 ? arguments[1] : "");
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("calculator-ka-vm: "), std::string::npos);
    }
    const CRun beyond = Run({"--calculate", "--cursor", "4"}, "1+1");
    EXPECT_EQ(beyond.status, 2);
    EXPECT_EQ(beyond.out, "");
    const CRun end = Run({"--calculate", "--cursor", "3"}, "1+1");
    EXPECT_EQ(end.status, 0);
    EXPECT_EQ(end.out, "1+1=2");
}

TEST_F(CommandLine, FilesThatCannotBeReadOrWrittenExitWithTwo)
{
    CRun run = Run({"--calculate", PathOf("missing.vcl")});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "calculator-ka-vm: " + PathOf("missing.vcl") + ": Cannot open the file for reading\n");
    run = Run({"--calculate", folder.string()});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("Cannot read the file"), std::string::npos);
    run = Run({"--memory", PathOf("missing.vcm"), "--calculate"}, "1->mem[a]");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(MemoryStore().Count(), 0u);  // nothing ran
    run = Run({"--calculate", "--save-memory", PathOf("no/such/folder.vcm")}, "1->mem[a]");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "1->mem[a]=1");
    EXPECT_NE(run.err.find("Cannot open the file for writing"), std::string::npos);
}

TEST_F(CommandLine, AMemoryFileRunsFirstAndItsLogComesFirst)
{
    Write("m.vcm", EncodeUtf16File(u"2->Mem[a];\r\nmem[none]->Mem[b];\r\n"));
    const CRun run = Run({"--memory", PathOf("m.vcm"), "--calculate"}, "mem[a]*10; rslt+1");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "mem[a]*10=20; rslt+1=21");
    EXPECT_EQ(run.err, "1\tWarning\tMemory\tUninitialized memory used, value forced to 0\n");
}

TEST_F(CommandLine, TheShippedConstantsAreFoundBesideTheProgramOrInTheDataFolder)
{
    const std::filesystem::path bin = folder / "usr" / "bin";
    const std::filesystem::path data = folder / "usr" / "share" / "calculator-ka-vm";
    std::filesystem::create_directories(bin);
    std::filesystem::create_directories(data);
    const std::string program = (bin / "calculator-ka-vm").string();
    EXPECT_EQ(ShippedConstantsFile(program), "");
    EXPECT_EQ(ShippedConstantsFile(""), "");
    std::ofstream(data / "constants.vcm") << "c0 := 299792458;\n";
    EXPECT_EQ(ShippedConstantsFile(program), std::filesystem::canonical(data / "constants.vcm").string());
    // A build tree's copy beside the program comes first.
    std::ofstream(bin / "constants.vcm") << "c0 := 3;\n";
    EXPECT_EQ(ShippedConstantsFile(program), std::filesystem::canonical(bin / "constants.vcm").string());
    // A file that cannot be read is no library.
    std::filesystem::permissions(bin / "constants.vcm", std::filesystem::perms::none);
    if (::access((bin / "constants.vcm").c_str(), R_OK) != 0) {
        EXPECT_EQ(ShippedConstantsFile(program), std::filesystem::canonical(data / "constants.vcm").string());
    }
    std::filesystem::permissions(bin / "constants.vcm", std::filesystem::perms::owner_all);
}

TEST_F(CommandLine, AMissingConstantsFileEndsTheRunWithTwo)
{
    constants = PathOf("none.vcm");
    const CRun run = Run({"--constants", "--calculate"}, "c0");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find(PathOf("none.vcm")), std::string::npos) << run.err;
}

TEST_F(CommandLine, AFailingMemoryFileEndsTheRunBeforeTheCalculation)
{
    Write("bad.vcm", "1->Mem[a];\n1/0->Mem[b];\n");
    const CRun run = Run({"--memory", PathOf("bad.vcm"), "--calculate"}, "mem[a]");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "1\tError\tDivision\tOperation has singularity at 0\ncalculator-ka-vm: " + PathOf("bad.vcm") +
                           ": loading stopped at line 2: 1 line not loaded; nothing calculated or written\n");
}

TEST_F(CommandLine, SavingAndReloadingMemoryKeepsEveryValueBitForBit)
{
    // Values that need all seventeen digits, with both signs, tiny and huge.
    std::mt19937_64 random(7);
    std::vector<CComplex> values;
    std::string text;
    for (int i = 0; i < 200; ++i) {
        double re = 0;
        double im = 0;
        do {
            re = std::bit_cast<double>(random());
            im = std::bit_cast<double>(random());
        } while (!std::isfinite(re) || !std::isfinite(im));
        if (i % 4 == 0)
            im = 0;
        values.emplace_back(re, im);
        MemoryStore().Store(Utf8ToUtf16("v" + std::to_string(i)), values.back());
    }
    // Write the cells through the command line, free the store, load them
    // back through the command line and save them again.
    CRun run = Run({"--save-memory", PathOf("first.vcm")});
    ASSERT_EQ(run.status, 0) << run.err;
    MemoryStore().FreeMemory(EMemorySelection::All);
    run = Run({"--memory", PathOf("first.vcm"), "--save-memory", PathOf("second.vcm")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Read("first.vcm"), Read("second.vcm"));
    ASSERT_EQ(MemoryStore().Count(), values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        const CMemoryCell* cell = MemoryStore().Find(Utf8ToUtf16("v" + std::to_string(i)));
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(std::bit_cast<std::uint64_t>(cell->value.real()), std::bit_cast<std::uint64_t>(values[i].real()));
        if (values[i].imag() != 0) {
            EXPECT_EQ(std::bit_cast<std::uint64_t>(cell->value.imag()), std::bit_cast<std::uint64_t>(values[i].imag()));
        }
    }
    // The file is the memory file: FF FE, then one store statement a line.
    const std::string bytes = Read("first.vcm");
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    const std::u16string fileText = DecodeUtf16File(bytes);
    EXPECT_NE(fileText.find(u"->Mem[v0];\r\n"), std::u16string::npos);
    EXPECT_EQ(fileText.substr(fileText.size() - 4), u"];\r\n");

    // A calculation that stores, saved from the same run.
    run = Run({"--calculate", "--save-memory", PathOf("third.vcm")}, "0.1->mem[x]; -i->mem[7]");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(Read("third.vcm").find(EncodeUtf16File(u"\u2212i->Mem[7];\r\n").substr(2)), std::string::npos);
}

TEST_F(CommandLine, DevicesAndOversizedInputAreRefusedWithTwo)
{
    // Named devices are refused before anything is read.
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"--calculate", "/dev/zero"}, {"--memory", "/dev/zero", "--calculate"}}) {
        const CRun run = Run(arguments, "1+1");
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "calculator-ka-vm: /dev/zero: Cannot read the file: not a regular file\n");
    }
    // A sparse file over the limit is refused by its size.
    Write("big.vcl", "");
    std::filesystem::resize_file(PathOf("big.vcl"), kMaxTextFileBytes + 4096);
    CRun run = Run({"--calculate", PathOf("big.vcl")});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "calculator-ka-vm: " + PathOf("big.vcl") + ": Cannot read the file: larger than 256 MiB\n");
    run = Run({"--memory", PathOf("big.vcl"), "--calculate"}, "1");
    EXPECT_EQ(run.status, 2);
}

TEST_F(CommandLine, AFifoIsReadAsAnInput)
{
    const std::string fifo = PathOf("input");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::thread writer([&] { std::ofstream(fifo, std::ios::binary) << "2->mem[a];\r\n3*mem[a]"; });
    const CRun run = Run({"--calculate", fifo});
    writer.join();
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "2->mem[a]=2;\r\n3*mem[a]=6");
}

// An output stream on a descriptor, unbuffered, failing as the descriptor
// does.
class CDescriptorBuffer : public std::streambuf {
public:
    explicit CDescriptorBuffer(int fd) : m_fd(fd) {}

protected:
    std::streamsize xsputn(const char* data, std::streamsize count) override
    {
        const ssize_t written = ::write(m_fd, data, static_cast<std::size_t>(count));
        return written < 0 ? 0 : written;
    }
    int_type overflow(int_type c) override
    {
        const char byte = traits_type::to_char_type(c);
        return ::write(m_fd, &byte, 1) == 1 ? c : traits_type::eof();
    }

private:
    int m_fd;
};

TEST_F(CommandLine, AFailedWriteOfTheTextExitsWithTwo)
{
    // A full disk.
    const int full = ::open("/dev/full", O_WRONLY);
    ASSERT_GE(full, 0);
    CDescriptorBuffer fullBuffer(full);
    std::ostream fullOut(&fullBuffer);
    std::istringstream in("1+1");
    std::ostringstream err;
    bool handled = false;
    EXPECT_EQ(RunCommandLine({"--calculate"}, in, fullOut, err, handled), 2);
    ::close(full);
    EXPECT_EQ(err.str(), "calculator-ka-vm: standard output: Cannot write the text (No space left on device)\n");

    // A pipe whose reader is gone: the run survives the broken pipe (no
    // SIGPIPE) and says so.
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ::close(ends[0]);
    CDescriptorBuffer pipeBuffer(ends[1]);
    std::ostream pipeOut(&pipeBuffer);
    std::istringstream again("2*2");
    std::ostringstream pipeErr;
    EXPECT_EQ(RunCommandLine({"--calculate"}, again, pipeOut, pipeErr, handled), 2);
    ::close(ends[1]);
    EXPECT_EQ(pipeErr.str(), "calculator-ka-vm: standard output: Cannot write the text (Broken pipe)\n");
}

TEST_F(CommandLine, MemoryIsSavedToDevicesAndDescriptorsInPlace)
{
    CRun run = Run({"--calculate", "--save-memory", "/dev/full"}, "1->mem[a]");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "calculator-ka-vm: /dev/full: Cannot open the file for writing (No space left on device)\n");
    struct stat status{};
    ASSERT_EQ(::stat("/dev/full", &status), 0);
    EXPECT_TRUE(S_ISCHR(status.st_mode));

    // /dev/stdout is /dev/fd/1; a pipe stands in for the process's output.
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    run = Run({"--calculate", "--save-memory", "/dev/fd/" + std::to_string(ends[1])}, "1->mem[a]");
    ::close(ends[1]);
    EXPECT_EQ(run.status, 0);
    char buffer[64] = {};
    const ssize_t got = ::read(ends[0], buffer, sizeof buffer);
    ::close(ends[0]);
    EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(std::max<ssize_t>(got, 0))),
              EncodeUtf16File(u"1->Mem[a];\r\n"));

    // A 0600 memory file stays 0600 and keeps its link.
    Write("private.vcm", "old");
    ::chmod(PathOf("private.vcm").c_str(), 0600);
    std::filesystem::create_symlink("private.vcm", PathOf("link.vcm"));
    run = Run({"--calculate", "--save-memory", PathOf("link.vcm")}, "7->mem[a]");
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(std::filesystem::is_symlink(PathOf("link.vcm")));
    ASSERT_EQ(::stat(PathOf("private.vcm").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0600u);
    EXPECT_EQ(Read("private.vcm"), EncodeUtf16File(u"7->Mem[a];\r\n"));
}

TEST_F(CommandLine, TheLineAfterAnOldResultIsKept)
{
    const CRun run = Run({"--calculate"}, "1+2=3\nsin(pi/2)");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "1+2=3\nsin(pi/2)=1");
}

// The bytes of a file or stream field of tests/data/command_line_files.txt.
std::string CaseBytes(const std::string& field)
{
    const bool utf16 = field.starts_with("16:");
    std::string bytes = utf16 ? std::string("\xFF\xFE") : std::string();
    std::size_t i = field.starts_with("8:") ? 2 : utf16 ? 3 : 0;
    std::string plain;  // UTF-8 waiting to become UTF-16
    const auto flush = [&] {
        if (utf16)
            bytes += EncodeUtf16File(Utf8ToUtf16(plain)).substr(2);
        else
            bytes += plain;
        plain.clear();
    };
    while (i < field.size()) {
        const char c = field[i++];
        if (c != '\\' || i == field.size()) {
            plain.push_back(c);
            continue;
        }
        const char next = field[i++];
        if (next == 'x') {
            flush();
            bytes.push_back(static_cast<char>(std::stoul(field.substr(i, 2), nullptr, 16)));
            i += 2;
        } else if (next == 'u') {
            plain += Utf16ToUtf8(std::u16string(1, static_cast<char16_t>(std::stoul(field.substr(i, 4), nullptr, 16))));
            i += 4;
        } else {
            plain.push_back(next == 'n' ? '\n' : next == 'r' ? '\r' : next == 't' ? '\t' : next);
        }
    }
    flush();
    return bytes;
}

class CommandLineFiles : public CommandLine, public testing::WithParamInterface<CDataRow> {};

TEST_P(CommandLineFiles, RunsAsTheRowSays)
{
    const CDataRow& c = GetParam();
    ASSERT_EQ(c.Fields().size(), 7u) << c.Where();
    if (c.Field(0) != "-")
        Write("m.vcm", CaseBytes(c.Field(0)));
    if (c.Field(1) != "-")
        Write("q.txt", CaseBytes(c.Field(1)));
    std::vector<std::string> arguments;
    std::istringstream words(c.Field(2));
    for (std::string word; words >> word;)
        arguments.push_back(word == "m.vcm" || word == "q.txt" ? PathOf(word) : word);
    const std::string memoryBefore = c.Field(0) == "-" ? std::string() : Read("m.vcm");

    CRun run = Run(arguments);
    for (std::size_t at; (at = run.err.find(folder.string() + "/")) != std::string::npos;)
        run.err.erase(at, folder.string().size() + 1);
    EXPECT_EQ(run.status, std::stoi(c.Field(3))) << c.Where();
    EXPECT_EQ(run.out, CaseBytes(c.Field(4))) << c.Where();
    EXPECT_EQ(run.err, CaseBytes(c.Field(5))) << c.Where();
    if (c.Field(6) == "same") {
        EXPECT_EQ(Read("m.vcm"), memoryBefore) << c.Where();
    } else if (c.Field(6) != "-") {
        EXPECT_EQ(Read("m.vcm"), CaseBytes(c.Field(6))) << c.Where();
    }
}

INSTANTIATE_DATA_ROWS(CommandLineFiles, "command_line_files.txt");

}  // namespace
