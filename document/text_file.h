#pragma once
// Calculation and memory files as bytes and as text, and the execution of a
// file's calculations.

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace NCalculatorText {
class CCalcContext;
}

enum class EFileResult { Ok, CannotOpen, CannotRead, CannotWrite, NotAFile, TooLarge };

// "Cannot open the file for reading", "Cannot read the file", "Cannot open
// the file for writing", "Cannot read the file: not a regular file",
// "Cannot read the file: larger than 256 MiB"; empty for Ok.
const char* GetFileResultText(EFileResult result);

// The most bytes read as a text, far above any real calculation text: a
// larger file, or a stream that goes on past it, is refused rather than
// taken into memory.
inline constexpr std::size_t kMaxTextFileBytes = std::size_t{256} << 20;

// A file's text from its bytes taken as UTF-16 little-endian without any
// check: an odd last byte is ignored, the text ends at the first zero code
// unit, and every U+FEFF is removed.
std::u16string DecodeUtf16File(std::string_view bytes);

// How a text file's bytes are read, and how a save writes them back.
enum class ETextEncoding { Utf16, Utf8, Windows1252 };

// What reading a text file found besides its text.
struct CTextFileForm {
    ETextEncoding encoding = ETextEncoding::Utf8;
    // A UTF-16 file with an odd number of bytes: its last byte, which holds
    // no whole code unit, is not in the text.
    bool oddByteDropped = false;
};

// Bytes that begin with FF FE are UTF-16; others are UTF-8 when they are
// valid UTF-8 (after a leading byte-order mark), else Windows-1252.
ETextEncoding FindTextEncoding(std::string_view bytes);
// The same, and in the same pass whether the bytes hold no "/*", so that
// no comment of their text is left open: true only where that is found
// for UTF-8 (false when the bytes hold one, or for other encodings).
ETextEncoding FindTextEncoding(std::string_view bytes, bool& withoutBlockComment);

// Bytes that begin with FF FE are read as above; valid UTF-8 is read as
// such, a leading byte-order mark dropped; anything else is Windows-1252,
// each byte one character, so that no byte is lost or changed and
// EncodeWindows1252 gives the same bytes back. form, when given, receives
// what the reading found.
std::u16string DecodeTextFile(std::string_view bytes, CTextFileForm* form = nullptr);

// Windows-1252, every byte a character: the five bytes the code page leaves
// free (81, 8D, 8F, 90, 9D) are the control characters of the same number.
std::u16string DecodeWindows1252(std::string_view bytes);
// The character of one byte.
char16_t Windows1252Character(unsigned char byte);
// The inverse; false (out then incomplete) at the first character that has
// no byte there.
bool EncodeWindows1252(std::u16string_view text, std::string& out);
// The same conversions between Windows-1252 and UTF-8 bytes.
std::string Windows1252ToUtf8(std::string_view bytes);
bool Utf8ToWindows1252(std::string_view utf8, std::string& out);

// The notes of a reading for the log, without the file's name:
// "not UTF-8: read as Windows-1252 and written back the same way", "odd
// number of bytes in a UTF-16 file: the last byte is not part of the text".
// None for a plain UTF-8 or UTF-16 file.
std::vector<std::string> DescribeTextFileForm(const CTextFileForm& form);

// U+FEFF, then the text, two bytes per code unit, little-endian. A text that
// already starts with U+FEFF does not get a second one.
std::string EncodeUtf16File(std::u16string_view text);

// What a read by name accepts besides regular files: nothing (the window,
// where a FIFO or a device would block it or never end), or pipes as well
// (the command line, where a FIFO or "<(...)" is a usual input). Character
// and block devices, sockets and folders are refused either way.
enum class EReadSource { RegularFiles, RegularFilesAndPipes };

// The whole file, read in blocks. A regular file over kMaxTextFileBytes is
// refused before anything is read; a pipe is read up to that many bytes and
// refused when it holds more. Opening never blocks on a FIFO.
EFileResult ReadFileBytes(const std::string& path, std::string& bytes,
                          EReadSource source = EReadSource::RegularFiles);

// Everything left in an open stream (standard input), read in blocks and
// bounded by kMaxTextFileBytes as a pipe is.
EFileResult ReadStreamBytes(std::istream& in, std::string& bytes);

// A file's bytes, read once where they lie: a regular file is mapped into
// memory, so that its bytes are neither copied nor given fresh pages (which
// the system clears first, and which in a virtual machine cost more than
// the copy); anything else (a pipe, an empty file, a file the system does
// not map) is read into memory as ReadFileBytes reads it. A mapped file
// that shrinks while it is read would end the process when a byte beyond
// its new end is touched; instead such bytes read as zeros and Damaged()
// tells the reader that the bytes cannot be trusted. One mapping at a time
// is guarded so; a second file opened meanwhile is read into memory.
class CFileBytes {
public:
    CFileBytes() = default;
    ~CFileBytes();
    CFileBytes(const CFileBytes&) = delete;
    CFileBytes& operator=(const CFileBytes&) = delete;

    std::string_view View() const;
    bool Mapped() const { return m_mapped != nullptr; }
    // True when the file shrank under its mapping and a byte beyond its
    // end was read (as zero).
    bool Damaged() const;

private:
    friend EFileResult ReadFileInPlace(const std::string& path, CFileBytes& bytes, EReadSource source);
    void Release();

    std::string m_read;
    const char* m_mapped = nullptr;
    std::size_t m_size = 0;
};

// The file's bytes as ReadFileBytes gives them, the same results for the
// same files, read in place where it can.
EFileResult ReadFileInPlace(const std::string& path, CFileBytes& bytes,
                            EReadSource source = EReadSource::RegularFiles);

// Asks the system to back the whole 2 MiB pages inside [data, data + size)
// with large pages where it can: a buffer of tens of megabytes written once
// then takes a few page faults instead of thousands (each a few
// microseconds, more in a virtual machine). Pages never written still take
// no memory. Nothing happens where the system has no such advice.
void AdviseLargePages(void* data, std::size_t size);

// Saves bytes as the file path, for every save of the program.
//
// A regular file (or a path not yet taken) is replaced whole or not at all:
// the bytes go to a temporary file created exclusively under a fresh random
// name in the target's folder, take the old file's permission bits (and its
// owner and group where the system allows), are flushed to disk, and the
// temporary is renamed over the target; the folder is flushed after. Any
// failure removes the temporary and leaves the old file as it was. A
// symbolic link is followed to its final target, which is the file
// replaced; the link itself stays. An existing file that the user may not
// write, or whose mode has no write bit at all, is not replaced.
//
// Anything else (a character device such as /dev/null or /dev/full, a FIFO,
// an open file of the process named as /dev/stdout or /proc/self/fd/N) is
// written in place, never replaced or truncated, with every write and the
// close checked. A FIFO without a reader fails at once instead of waiting.
//
// On failure the result is CannotWrite, and error, when given, receives
// the system's error number of the step that failed.
EFileResult WriteFileReplacing(const std::string& path, std::string_view bytes, int* error = nullptr);

// Where a run over a file's text stopped.
struct CTextStop {
    // The line (from 1; CR LF, LF and CR each end one) where the statement
    // that failed starts, or where the comment that is never closed opens;
    // 0 when the run went through.
    std::size_t line = 0;
    // The lines from that one to the end that hold more than blanks: what
    // did not load.
    std::size_t linesNotRun = 0;
};

// Runs every calculation of a text as "Calculate all" does, without showing
// it: stores take effect, the previous result follows, and the first
// failing calculation stops the rest. Loading a memory file is executing
// it. Returns what the calculation run returned; the rewritten text is
// discarded. stop, when given, receives where the run stopped.
bool ExecuteCalculationText(NCalculatorText::CCalcContext& context, std::u16string text,
                            CTextStop* stop = nullptr);

// "loading stopped at line N: M lines not loaded" (or "1 line").
std::string DescribeTextStop(const CTextStop& stop);
