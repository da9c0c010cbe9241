#include "command_line/command_line.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstring>
#include <iostream>
#include <optional>
#include <string_view>

#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "document/batch_text.h"
#include "document/calc_environment.h"
#include "document/memory_store.h"
#include "document/preferences.h"
#include "document/text_file.h"
#include "document/utf.h"
#include "kavm_version.h"
#include "language/calculate.h"
#include "numeric/random.h"
#include "numeric/status.h"

namespace {

constexpr std::string_view kProgram = "calculator-ka-vm";

constexpr std::string_view kUsage =
    "Usage: calculator-ka-vm --calculate [FILE] [OPTION]...\n"
    "\n"
    "Calculates every statement of FILE, or of standard input when FILE is \"-\"\n"
    "or missing, and writes the text with its fresh results to standard output.\n"
    "A file that begins with the bytes FF FE is UTF-16 little-endian, any other\n"
    "is UTF-8, or Windows-1252 when it is not valid UTF-8 (said on standard error).\n"
    "The text is written in UTF-8, or in Windows-1252 when it was read so.\n"
    "FILE may be a regular file or a pipe; a device is refused, and so\n"
    "is any input over 256 MiB. Every log message goes to standard error as one line:\n"
    "N, Status, Context and Description separated by tabs. Ctrl+C (SIGINT) or\n"
    "SIGTERM cancels a running calculation: nothing is written, exit status 1.\n"
    "\n"
    "Options:\n"
    "  --calculate [FILE]       run \"Calculate all\" over FILE\n"
    "  --cursor N               run \"Calculate\" on the statement at code-unit index N\n"
    "                           of the text (line breaks counted as CR LF)\n"
    "  --preference NAME=VALUE  set a preference for this run; may be repeated\n"
    "  --memory FILE            execute a memory file before the run; may be repeated;\n"
    "                           a line that fails ends the run, naming the file and line\n"
    "  --constants              define the physical constants of the shipped library\n"
    "                           before the memory files and the run\n"
    "  --save-memory FILE       write every memory cell to FILE after the run\n"
    "  -h, --help               show this help and exit\n"
    "  -v, --version            show the version and exit\n"
    "\n"
    "Preferences: AppendFunction, AppendMemory, AppendFunctionWith (0-2),\n"
    "AppendMemoryWith (0-2), AppendIncludePower, FormatRandom (0-5),\n"
    "FormatResult (0-5), FormatMemory (0-5), FormatI (0-1), GammaFunction,\n"
    "Notation (0-1), NotationCase (0-1), LogPopup, TrigonometricUnits (0-2),\n"
    "UseSSE2, FreeConfirmation. A value out of range takes the default.\n"
    "\n"
    "Exit status: 0 success, 1 a calculation failed, 2 a usage error, a file\n"
    "that cannot be read or written, a memory file that did not load whole\n"
    "(nothing is calculated or written then), or output that could not be written.\n";

constexpr std::string_view kOptions[] = {"--calculate", "--cursor", "--preference", "--memory", "--constants",
                                         "--save-memory", "--help", "--version", "-h", "-v"};

// The library of physical constants as the package installs it, seen from
// the folder of the programs (the build sets it; the usual layout else).
#ifndef KAVM_CONSTANTS_FROM_BINDIR
#define KAVM_CONSTANTS_FROM_BINDIR "../share/calculator-ka-vm"
#endif
constexpr char kConstantsFileName[] = "constants.vcm";

bool EqualsIgnoringCase(std::string_view a, std::u16string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char32_t c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
        if (lower(static_cast<unsigned char>(a[i])) != lower(b[i]))
            return false;
    }
    return true;
}

std::optional<EPreference> FindPreference(std::string_view name)
{
    for (std::size_t i = 0; i < kPreferenceCount; ++i) {
        const auto preference = static_cast<EPreference>(i);
        if (EqualsIgnoringCase(name, GetPreferenceInfo(preference).name))
            return preference;
    }
    return std::nullopt;
}

template <class TNumber>
std::optional<TNumber> ParseDecimal(std::string_view text)
{
    TNumber value{};
    if (text.empty() || text[0] < '0' || text[0] > '9')
        return std::nullopt;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

struct COptions {
    bool help = false;
    bool version = false;
    bool calculate = false;
    std::string input = "-";
    std::optional<std::size_t> cursor;
    std::vector<std::pair<EPreference, unsigned>> preferences;
    std::vector<std::string> memoryFiles;
    bool constants = false;
    std::optional<std::string> saveMemory;
};

struct CUsageError {
    std::string message;
};

bool IsBatchOption(std::string_view argument)
{
    const std::string_view name = argument.substr(0, argument.find('='));
    for (std::string_view option : kOptions) {
        if (name == option)
            return true;
    }
    return false;
}

// Reads the options; a usage error is returned as its message.
std::optional<CUsageError> ParseOptions(const std::vector<std::string>& arguments, COptions& options)
{
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const std::size_t equals = argument.find('=');
        const bool isOption = (argument.size() > 2 && argument.compare(0, 2, "--") == 0) ||
                              argument == "-h" || argument == "-v";
        if (!isOption)
            return CUsageError{"unexpected argument '" + argument + "'"};
        std::string name = argument.substr(0, equals);
        if (name == "-h")
            name = "--help";
        else if (name == "-v")
            name = "--version";
        std::optional<std::string> value;
        if (equals != std::string::npos)
            value = argument.substr(equals + 1);

        auto takeValue = [&]() -> std::optional<std::string> {
            if (value)
                return value;
            if (i + 1 < arguments.size())
                return arguments[++i];
            return std::nullopt;
        };

        if (name == "--help" || name == "--version" || name == "--constants") {
            if (value)
                return CUsageError{"option " + name + " takes no value"};
            (name == "--help" ? options.help : name == "--version" ? options.version : options.constants) = true;
        } else if (name == "--calculate") {
            if (options.calculate)
                return CUsageError{"--calculate is given twice"};
            options.calculate = true;
            if (value) {
                options.input = *value;
            } else if (i + 1 < arguments.size() &&
                       (arguments[i + 1] == "-" || arguments[i + 1].compare(0, 1, "-") != 0)) {
                options.input = arguments[++i];
            }
            if (options.input.empty())
                return CUsageError{"--calculate needs a file name or \"-\""};
        } else if (name == "--cursor") {
            const std::optional<std::string> text = takeValue();
            if (!text)
                return CUsageError{"--cursor needs a position"};
            const std::optional<std::size_t> position = ParseDecimal<std::size_t>(*text);
            if (!position)
                return CUsageError{"--cursor needs a position from 0 on, not '" + *text + "'"};
            options.cursor = *position;
        } else if (name == "--preference") {
            const std::optional<std::string> text = takeValue();
            if (!text)
                return CUsageError{"--preference needs NAME=VALUE"};
            const std::size_t split = text->find('=');
            if (split == std::string::npos)
                return CUsageError{"--preference needs NAME=VALUE, not '" + *text + "'"};
            const std::optional<EPreference> preference = FindPreference(std::string_view(*text).substr(0, split));
            if (!preference)
                return CUsageError{"unknown preference '" + text->substr(0, split) + "'"};
            const std::optional<unsigned> number = ParseDecimal<unsigned>(std::string_view(*text).substr(split + 1));
            if (!number)
                return CUsageError{"preference " + text->substr(0, split) + " needs a whole number from 0 to 4294967295"};
            options.preferences.emplace_back(*preference, *number);
        } else if (name == "--memory") {
            const std::optional<std::string> text = takeValue();
            if (!text || text->empty())
                return CUsageError{"--memory needs a file name"};
            options.memoryFiles.push_back(*text);
        } else if (name == "--save-memory") {
            const std::optional<std::string> text = takeValue();
            if (!text || text->empty())
                return CUsageError{"--save-memory needs a file name"};
            if (options.saveMemory)
                return CUsageError{"--save-memory is given twice"};
            options.saveMemory = *text;
        } else {
            return CUsageError{"unknown option '" + name + "'"};
        }
    }
    if (options.cursor && !options.calculate)
        return CUsageError{"--cursor needs --calculate"};
    return std::nullopt;
}

// The log pane of a batch run: one line a message on the error stream,
// numbered from 1 in every calculation run.
class CStreamLog final : public ILogReceiver {
public:
    explicit CStreamLog(std::ostream& stream) : m_stream(stream) {}

    void AddMessage(const CCalcMessage& message) override
    {
        m_stream << ++m_count << '\t' << (message.severity == 1 ? "Error" : "Warning") << '\t'
                 << Utf16ToUtf8(message.context) << '\t' << Utf16ToUtf8(message.description) << '\n';
    }
    void StartCalculation() override { m_count = 0; }

private:
    std::ostream& m_stream;
    int m_count = 0;
};


// While a calculation runs, SIGINT and SIGTERM cancel it through the run
// state's cancel request; the handler only sets flags. A second signal,
// when the first has not stopped the run yet, ends the program as the
// signal would have without the handler.
std::atomic<int> CancelSignal{0};
static_assert(std::atomic<int>::is_always_lock_free, "a signal handler sets it");
// Where standard output, a regular file, stood before a run that streams
// into it began; -1 when no run does. A program ended by a second signal
// cuts the file back there first, so that it leaves nothing written either.
std::atomic<off_t> StreamedFrom{-1};
static_assert(std::atomic<off_t>::is_always_lock_free, "a signal handler reads it");

extern "C" void CancelOnSignal(int signal)
{
    if (CancelPending()) {
        if (const off_t start = StreamedFrom.load(); start >= 0)
            static_cast<void>(::ftruncate(STDOUT_FILENO, start));
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    CancelSignal = signal;
    RequestCancel();
}

class CSignalCancelScope {
public:
    CSignalCancelScope()
    {
        CancelSignal = 0;
        ClearCancelRequest();
        m_interrupt = std::signal(SIGINT, CancelOnSignal);
        m_terminate = std::signal(SIGTERM, CancelOnSignal);
    }
    ~CSignalCancelScope()
    {
        if (m_interrupt != SIG_ERR)
            std::signal(SIGINT, m_interrupt);
        if (m_terminate != SIG_ERR)
            std::signal(SIGTERM, m_terminate);
        ClearCancelRequest();
    }
    CSignalCancelScope(const CSignalCancelScope&) = delete;
    CSignalCancelScope& operator=(const CSignalCancelScope&) = delete;

    // True, after telling so on the error stream, when a signal cancelled
    // the calculation.
    bool Cancelled(std::ostream& err) const
    {
        if (!CancelPending())
            return false;
        err << kProgram << ": " << (CancelSignal == SIGINT ? "interrupted" : "terminated")
            << ": the calculation was cancelled\n";
        return true;
    }

private:
    using THandler = void (*)(int);
    THandler m_interrupt;
    THandler m_terminate;
};

int UsageError(std::ostream& err, const std::string& message)
{
    err << kProgram << ": " << message << "\nTry '" << kProgram << " --help' for more information.\n";
    return 2;
}

int FileError(std::ostream& err, const std::string& path, EFileResult result, int error = 0)
{
    err << kProgram << ": " << path << ": " << GetFileResultText(result);
    if (error != 0)
        err << " (" << std::strerror(error) << ')';
    err << '\n';
    return 2;
}

// The notes of a file's reading on the error stream, one a line.
void Note(std::ostream& err, const std::string& path, const std::vector<std::string>& notes)
{
    for (const std::string& note : notes)
        err << kProgram << ": " << path << ": " << note << '\n';
}

// Writes the text to standard output and makes sure it arrived: a full disk
// or a closed pipe is an error, not a silent loss.
bool WriteOutput(std::ostream& out, std::ostream& err, const std::string& text)
{
    errno = 0;
    out << text;
    out.flush();
    if (out)
        return true;
    const int error = errno;
    err << kProgram << ": standard output: Cannot write the text";
    if (error != 0)
        err << " (" << std::strerror(error) << ')';
    err << '\n';
    return false;
}

// Where the rewritten text of "Calculate all" may go out while the run is
// still going, so that it is never held whole: only where a run that fails
// later (cancelled, or its file found damaged) can take back what went out
// and still leave nothing written. That is standard output as a regular
// file written at its end, which is cut back to where it stood, or the null
// device, which keeps nothing. Anywhere else (a pipe, a terminal, a file
// opened for appending, shared with the error stream or that cannot be cut)
// the text is held until the run is over.
class CStreamedOutput {
public:
    // out streams only when it is the process's standard output.
    explicit CStreamedOutput(std::ostream& out) : m_out(out)
    {
        if (&out != &std::cout || !out)
            return;
        struct stat output{};
        if (::fstat(STDOUT_FILENO, &output) != 0)
            return;
        if (S_ISCHR(output.st_mode)) {
            struct stat null{};
            m_streaming = ::stat("/dev/null", &null) == 0 && S_ISCHR(null.st_mode) && null.st_rdev == output.st_rdev;
            return;
        }
        if (!S_ISREG(output.st_mode))
            return;
        const int flags = ::fcntl(STDOUT_FILENO, F_GETFL);
        if (flags == -1 || (flags & O_APPEND) != 0 || (flags & O_ACCMODE) == O_RDONLY)
            return;
        struct stat errors{};
        if (::fstat(STDERR_FILENO, &errors) == 0 && errors.st_dev == output.st_dev && errors.st_ino == output.st_ino)
            return;
        out.flush();
        const off_t at = ::lseek(STDOUT_FILENO, 0, SEEK_CUR);
        // Cutting the file to its own length tells whether it can be cut.
        if (at != output.st_size || ::ftruncate(STDOUT_FILENO, at) != 0)
            return;
        m_start = at;
        m_streaming = true;
        StreamedFrom = at;
    }
    ~CStreamedOutput() { StreamedFrom = -1; }
    CStreamedOutput(const CStreamedOutput&) = delete;
    CStreamedOutput& operator=(const CStreamedOutput&) = delete;

    bool Streaming() const { return m_streaming; }

    // Writes bytes and empties them; after a failed write nothing more is
    // written, and Report tells of it.
    void Write(std::string& bytes)
    {
        if (!m_failed && !bytes.empty()) {
            errno = 0;
            m_out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            m_out.flush();
            if (!m_out) {
                m_failed = true;
                m_error = errno;
            }
        }
        bytes.clear();
    }

    // True when everything arrived; else says so on the error stream: a
    // full disk or a closed pipe is an error, not a silent loss.
    bool Report(std::ostream& err) const
    {
        if (!m_failed)
            return true;
        err << kProgram << ": standard output: Cannot write the text";
        if (m_error != 0)
            err << " (" << std::strerror(m_error) << ')';
        err << '\n';
        return false;
    }

    // Takes back what a run that then failed wrote.
    void TakeBack()
    {
        if (!m_streaming || m_start < 0)
            return;
        m_out.flush();
        if (::ftruncate(STDOUT_FILENO, m_start) == 0)
            ::lseek(STDOUT_FILENO, m_start, SEEK_SET);
    }

private:
    std::ostream& m_out;
    bool m_streaming = false;
    off_t m_start = -1;  // where a regular file stood
    bool m_failed = false;
    int m_error = 0;
};

}  // namespace

std::string ShippedConstantsFile(const std::string& programPath)
{
    if (programPath.empty())
        return {};
    const std::size_t slash = programPath.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string(".") : programPath.substr(0, slash == 0 ? 1 : slash);
    // Beside the program in a build tree, in the data folder once installed.
    for (const std::string& candidate : {folder + '/' + kConstantsFileName,
                                         folder + '/' + KAVM_CONSTANTS_FROM_BINDIR + '/' + kConstantsFileName}) {
        if (access(candidate.c_str(), R_OK) == 0) {
            char resolved[PATH_MAX];
            if (realpath(candidate.c_str(), resolved) != nullptr)
                return resolved;
        }
    }
    return {};
}

int RunCommandLine(const std::vector<std::string>& arguments, std::istream& in, std::ostream& out,
                   std::ostream& err, bool& handled, std::string_view windowUsage, std::string_view constantsFile)
{
    handled = false;
    bool batch = false;
    for (const std::string& argument : arguments)
        batch = batch || IsBatchOption(argument);
    if (!batch)
        return 0;
    handled = true;
#ifdef SIGPIPE
    // A reader that went away shows as a failed write (EPIPE), reported and
    // ended with status 2, instead of killing the process unannounced.
    std::signal(SIGPIPE, SIG_IGN);
#endif

    COptions options;
    if (const std::optional<CUsageError> error = ParseOptions(arguments, options))
        return UsageError(err, error->message);
    if (options.help) {
        if (!windowUsage.empty())
            out << windowUsage << '\n';
        out << kUsage;
        return 0;
    }
    if (options.version) {
        out << "Calculator Ka-Vm " KAVM_VERSION_TEXT "\n";
        return 0;
    }

    // Everything is read before anything runs. A file's bytes are read
    // where they lie, standard input into memory.
    std::string inputRead;
    CFileBytes inputFile;
    std::string_view inputBytes;
    const std::string inputName = options.input == "-" ? "standard input" : options.input;
    if (options.calculate) {
        if (options.input == "-") {
            if (const EFileResult result = ReadStreamBytes(in, inputRead); result != EFileResult::Ok)
                return FileError(err, inputName, result);
            inputBytes = inputRead;
        } else if (const EFileResult result =
                       ReadFileInPlace(options.input, inputFile, EReadSource::RegularFilesAndPipes);
                   result != EFileResult::Ok) {
            return FileError(err, options.input, result);
        } else {
            inputBytes = inputFile.View();
        }
    }
    if (options.constants) {
        // The constants come first: a memory file of the user's may give a
        // name of theirs another value.
        std::string path(constantsFile);
        if (path.empty()) {
            char self[PATH_MAX];
            if (realpath("/proc/self/exe", self) != nullptr)
                path = ShippedConstantsFile(self);
        }
        if (path.empty()) {
            err << kProgram << ": --constants: the file of constants (" << kConstantsFileName
                << ") is neither beside the program nor in its data folder\n";
            return 2;
        }
        options.memoryFiles.insert(options.memoryFiles.begin(), path);
    }
    std::vector<std::u16string> memoryTexts;
    for (const std::string& path : options.memoryFiles) {
        std::string bytes;
        if (const EFileResult result = ReadFileBytes(path, bytes, EReadSource::RegularFilesAndPipes);
            result != EFileResult::Ok)
            return FileError(err, path, result);
        CTextFileForm form;
        memoryTexts.push_back(DecodeTextFile(bytes, &form));
        Note(err, path, DescribeTextFileForm(form));
    }
    // A text that is not UTF-8 is read as Windows-1252, a byte a
    // character, and written back so, so that every byte outside the
    // results comes back as it was.
    CTextFileForm inputForm;
    bool withoutBlockComment = false;
    if (options.calculate) {
        inputForm.encoding = FindTextEncoding(inputBytes, withoutBlockComment);
        inputForm.oddByteDropped = inputForm.encoding == ETextEncoding::Utf16 && inputBytes.size() % 2 != 0;
        Note(err, inputName, DescribeTextFileForm(inputForm));
    }
    // "Calculate" at a cursor needs the whole text; "Calculate all" runs over
    // the bytes a part at a time.
    std::vector<ELineBreak> breaks;
    std::u16string text;
    if (options.cursor)
        AppendEditorLineBreaks(DecodeTextFile(inputBytes), text, breaks);
    if (options.cursor && *options.cursor > text.size()) {
        return UsageError(err, "--cursor " + std::to_string(*options.cursor) + " lies beyond the end of the text (" +
                                   std::to_string(text.size()) + " code units)");
    }

    for (const auto& [preference, value] : options.preferences)
        Preferences().Set(preference, AcceptPreferenceValue(preference, value));

    CStreamLog log(err);
    NCalculatorText::CCalcContext context = MakeDocumentContext();
    context.run.logReceiver = &log;
    context.random.SeedAtStartup();

    int status = 0;
    std::string output;
    // Only "Calculate all" of a text written back in UTF-8 streams.
    CStreamedOutput streamed(out);
    const bool streaming = streamed.Streaming() && options.calculate && !options.cursor &&
                           inputForm.encoding != ETextEncoding::Windows1252;
    {
        // A cancelled run writes nothing: neither the text nor the memory.
        CSignalCancelScope signals;
        for (std::size_t i = 0; i < memoryTexts.size(); ++i) {
            CTextStop stop;
            const bool loaded = ExecuteCalculationText(context, std::move(memoryTexts[i]), &stop);
            if (signals.Cancelled(err))
                return 1;
            // A memory file loads whole or the run ends here: a text
            // calculated, or a memory saved, without the cells it did not
            // reach would lose them without a word.
            if (!loaded) {
                err << kProgram << ": " << options.memoryFiles[i] << ": " << DescribeTextStop(stop)
                    << "; nothing calculated or written\n";
                return 2;
            }
        }
        if (options.calculate) {
            bool calculated = false;
            if (options.cursor) {
                std::ptrdiff_t cursor = static_cast<std::ptrdiff_t>(*options.cursor);
                calculated = NCalculatorText::CalculateText(context, text, cursor);
                AppendOriginalLineBreaks(text, breaks, 0, output);
            } else if (streaming) {
                // The text goes out a block at a time through one buffer,
                // without fresh memory for all of it.
                constexpr std::size_t kStreamBytes = std::size_t{1} << 18;
                output.reserve(kStreamBytes + kStreamBytes / 2);
                calculated = CalculateAllBytes(context, inputBytes, inputForm.encoding, output, kStreamBytes,
                                               [&streamed](std::string& bytes) { streamed.Write(bytes); },
                                               withoutBlockComment);
            } else {
                // The rewritten text is held until the run is over: a
                // cancelled run writes nothing. Reserved room that is never
                // written takes no memory.
                output.reserve(3 * inputBytes.size() + 4096);
                AdviseLargePages(output.data(), output.capacity());
                calculated =
                    CalculateAllBytes(context, inputBytes, inputForm.encoding, output, 0, {}, withoutBlockComment);
            }
            if (!calculated)
                status = 1;
            if (signals.Cancelled(err)) {
                if (streaming)
                    streamed.TakeBack();
                return 1;
            }
        }
    }
    // A file that shrank while it was read gave zeros for its lost bytes:
    // what was calculated from them is not written.
    if (options.calculate && inputFile.Damaged()) {
        if (streaming)
            streamed.TakeBack();
        return FileError(err, options.input, EFileResult::CannotRead);
    }
    if (streaming) {
        streamed.Write(output);
        if (!streamed.Report(err))
            status = 2;
    } else if (options.calculate) {
        std::string encoded;
        if (inputForm.encoding == ETextEncoding::Windows1252 && !Utf8ToWindows1252(output, encoded)) {
            err << kProgram << ": " << inputName
                << ": the text holds a character that Windows-1252 cannot write; nothing written\n";
            status = 2;
        } else if (!WriteOutput(out, err, inputForm.encoding == ETextEncoding::Windows1252 ? encoded : output)) {
            status = 2;
        }
    }
    if (options.saveMemory) {
        const std::string bytes = EncodeUtf16File(MemoryStore().BuildMemoryFileText(EMemorySelection::All));
        int error = 0;
        if (const EFileResult result = WriteFileReplacing(*options.saveMemory, bytes, &error);
            result != EFileResult::Ok)
            return FileError(err, *options.saveMemory, result, error);
    }
    return status;
}

bool IsCommandLineRun(int argc, const char* const* argv)
{
    for (int i = 1; i < argc; ++i) {
        if (IsBatchOption(argv[i]))
            return true;
    }
    return false;
}

int RunCommandLine(int argc, const char* const* argv, std::istream& in, std::ostream& out, std::ostream& err,
                   bool& handled, std::string_view windowUsage, std::string_view constantsFile)
{
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i]);
    return RunCommandLine(arguments, in, out, err, handled, windowUsage, constantsFile);
}
