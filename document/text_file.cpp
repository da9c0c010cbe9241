#include "document/text_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <csignal>
#include <cstring>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <istream>
#include <optional>
#include <random>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "document/calc_environment.h"
#include "document/memory_store.h"
#include "document/utf.h"
#include "language/calculate.h"

const char* GetFileResultText(EFileResult result)
{
    switch (result) {
    case EFileResult::CannotOpen:
        return "Cannot open the file for reading";
    case EFileResult::CannotRead:
        return "Cannot read the file";
    case EFileResult::CannotWrite:
        return "Cannot open the file for writing";
    case EFileResult::NotAFile:
        return "Cannot read the file: not a regular file";
    case EFileResult::TooLarge:
        return "Cannot read the file: larger than 256 MiB";
    case EFileResult::Ok:
        break;
    }
    return "";
}

std::u16string DecodeUtf16File(std::string_view bytes)
{
    // Copied whole, then cut at the first zero and rid of every U+FEFF.
    std::u16string text(bytes.size() / 2, u'\0');
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(text.data(), bytes.data(), 2 * text.size());
    } else {
        for (std::size_t i = 0; i < text.size(); ++i) {
            text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                            (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
        }
    }
    if (const std::size_t zero = text.find(u'\0'); zero != std::u16string::npos)
        text.resize(zero);
    if (text.find(u'\uFEFF') != std::u16string::npos)
        std::erase(text, u'\uFEFF');
    return text;
}

namespace {

bool StartsUtf16(std::string_view bytes)
{
    return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
           static_cast<unsigned char>(bytes[1]) == 0xFE;
}

bool StartsUtf8Mark(std::string_view bytes)
{
    return bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
           static_cast<unsigned char>(bytes[1]) == 0xBB && static_cast<unsigned char>(bytes[2]) == 0xBF;
}

// The place of the first byte at or after i that is not plain ASCII, or the
// end. A text file is mostly ASCII and this scan runs over every byte of a
// file being opened: where the vector unit is there, sixty-four bytes a step
// (the top bits of four blocks in one mask) while they are all plain, then
// sixteen a step to find the byte.
std::size_t SkipAscii(std::string_view bytes, std::size_t i)
{
    const std::size_t size = bytes.size();
#if defined(__SSE2__)
    while (size - i >= 64) {
        const auto* block = reinterpret_cast<const __m128i*>(bytes.data() + i);
        const __m128i any = _mm_or_si128(_mm_or_si128(_mm_loadu_si128(block), _mm_loadu_si128(block + 1)),
                                         _mm_or_si128(_mm_loadu_si128(block + 2), _mm_loadu_si128(block + 3)));
        if (_mm_movemask_epi8(any) != 0)
            break;
        i += 64;
    }
    while (size - i >= 16) {
        const auto* block = reinterpret_cast<const __m128i*>(bytes.data() + i);
        const int high = _mm_movemask_epi8(_mm_loadu_si128(block));
        if (high != 0)
            return i + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(high)));
        i += 16;
    }
#endif
    while (i < size && static_cast<unsigned char>(bytes[i]) < 0x80)
        ++i;
    return i;
}

// Whether every byte belongs to a well-formed UTF-8 character.
bool IsValidUtf8(std::string_view bytes)
{
    for (std::size_t i = SkipAscii(bytes, 0); i < bytes.size(); i = SkipAscii(bytes, i)) {
        char32_t c = 0;
        const std::size_t length = DecodeUtf8Character(bytes, i, c);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

// The characters of the bytes 80 to 9F; the rest are the code points of
// the same number.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The byte of a character, or -1 when the code page has none.
int Windows1252Byte(char32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c < 0x100))
        return static_cast<int>(c);
    for (int i = 0; i < 32; ++i) {
        if (kWindows1252High[i] == c)
            return 0x80 + i;
    }
    return -1;
}

}  // namespace

char16_t Windows1252Character(unsigned char byte)
{
    return byte >= 0x80 && byte < 0xA0 ? kWindows1252High[byte - 0x80] : static_cast<char16_t>(byte);
}

ETextEncoding FindTextEncoding(std::string_view bytes)
{
    if (StartsUtf16(bytes))
        return ETextEncoding::Utf16;
    if (StartsUtf8Mark(bytes))
        bytes.remove_prefix(3);
    return IsValidUtf8(bytes) ? ETextEncoding::Utf8 : ETextEncoding::Windows1252;
}

ETextEncoding FindTextEncoding(std::string_view bytes, bool& withoutBlockComment)
{
    withoutBlockComment = false;
    if (StartsUtf16(bytes))
        return ETextEncoding::Utf16;
    if (StartsUtf8Mark(bytes))
        bytes.remove_prefix(3);
    // Plain ASCII sixty-four bytes a step, each byte with the one behind
    // it; the rest, from the first block that is not plain ASCII on, as
    // above, without the look for "/*" (the caller makes its own then).
    const std::size_t size = bytes.size();
    std::size_t i = 0;
    bool opening = false;
    bool ascii = true;
#if defined(__SSE2__)
    const __m128i slashes = _mm_set1_epi8('/');
    const __m128i stars = _mm_set1_epi8('*');
    while (size - i >= 65) {
        const auto* here = reinterpret_cast<const __m128i*>(bytes.data() + i);
        const auto* next = reinterpret_cast<const __m128i*>(bytes.data() + i + 1);
        __m128i any = _mm_setzero_si128();
        __m128i opens = _mm_setzero_si128();
        for (int k = 0; k < 4; ++k) {
            const __m128i block = _mm_loadu_si128(here + k);
            any = _mm_or_si128(any, block);
            opens = _mm_or_si128(opens, _mm_and_si128(_mm_cmpeq_epi8(block, slashes),
                                                      _mm_cmpeq_epi8(_mm_loadu_si128(next + k), stars)));
        }
        if (_mm_movemask_epi8(any) != 0) {
            ascii = false;
            break;
        }
        opening = opening || _mm_movemask_epi8(opens) != 0;
        i += 64;
    }
#endif
    // Every byte before i is ASCII, a character of its own, and was seen
    // with the byte behind it.
    if (!IsValidUtf8(bytes.substr(i)))
        return ETextEncoding::Windows1252;
    withoutBlockComment = ascii && !opening && bytes.find("/*", i) == std::string_view::npos;
    return ETextEncoding::Utf8;
}

std::u16string DecodeTextFile(std::string_view bytes, CTextFileForm* form)
{
    const ETextEncoding encoding = FindTextEncoding(bytes);
    if (form != nullptr) {
        form->encoding = encoding;
        form->oddByteDropped = encoding == ETextEncoding::Utf16 && bytes.size() % 2 != 0;
    }
    switch (encoding) {
    case ETextEncoding::Utf16:
        return DecodeUtf16File(bytes);
    case ETextEncoding::Windows1252:
        return DecodeWindows1252(bytes);
    case ETextEncoding::Utf8:
        break;
    }
    if (StartsUtf8Mark(bytes))
        bytes.remove_prefix(3);
    return Utf8ToUtf16(bytes);
}

std::u16string DecodeWindows1252(std::string_view bytes)
{
    std::u16string text(bytes.size(), u'\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        text[i] = Windows1252Character(static_cast<unsigned char>(bytes[i]));
    return text;
}

bool EncodeWindows1252(std::u16string_view text, std::string& out)
{
    out.reserve(out.size() + text.size());
    for (char16_t unit : text) {
        const int byte = Windows1252Byte(unit);
        if (byte < 0)
            return false;
        out.push_back(static_cast<char>(byte));
    }
    return true;
}

std::string Windows1252ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (char byte : bytes) {
        if (static_cast<unsigned char>(byte) < 0x80)
            out.push_back(byte);
        else
            AppendUtf8(std::u16string(1, Windows1252Character(static_cast<unsigned char>(byte))), out);
    }
    return out;
}

bool Utf8ToWindows1252(std::string_view utf8, std::string& out)
{
    out.reserve(out.size() + utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        char32_t c = 0;
        const std::size_t length = DecodeUtf8Character(utf8, i, c);
        const int byte = length == 0 ? -1 : Windows1252Byte(c);
        if (byte < 0)
            return false;
        out.push_back(static_cast<char>(byte));
        i += length;
    }
    return true;
}

std::vector<std::string> DescribeTextFileForm(const CTextFileForm& form)
{
    std::vector<std::string> notes;
    if (form.encoding == ETextEncoding::Windows1252)
        notes.emplace_back("not UTF-8: read as Windows-1252 and written back the same way");
    if (form.oddByteDropped)
        notes.emplace_back("odd number of bytes in a UTF-16 file: the last byte is not part of the text");
    return notes;
}

std::string EncodeUtf16File(std::u16string_view text)
{
    std::string bytes;
    bytes.reserve(2 * text.size() + 2);
    auto put = [&bytes](char16_t unit) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    };
    if (text.empty() || text.front() != u'\uFEFF')
        put(u'\uFEFF');
    for (char16_t unit : text)
        put(unit);
    return bytes;
}

namespace {

constexpr std::size_t kBlockBytes = std::size_t{1} << 16;

// A descriptor closed when it goes out of scope, unless released.
class CDescriptor {
public:
    explicit CDescriptor(int fd = -1) : m_fd(fd) {}
    ~CDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    CDescriptor(const CDescriptor&) = delete;
    CDescriptor& operator=(const CDescriptor&) = delete;
    int Get() const { return m_fd; }
    void Reset(int fd)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }
    // Closes now; false (with errno set) when the close reports an error,
    // which for a file on a network or full disk can be the first sign of a
    // lost write.
    bool Close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0 || errno == EINTR;
    }

private:
    int m_fd;
};

// Reads what the descriptor yields up to its end, in blocks, starting with
// room for expected bytes (one more to see the end at once); TooLarge as
// soon as more than kMaxTextFileBytes came.
// Waits until a FIFO opened without blocking has data, or until a writer
// has come and gone since it was opened (Linux reports that as a hang-up
// only then, not while no writer has come yet).
bool WaitForFifoData(int fd)
{
    pollfd wanted{fd, POLLIN, 0};
    for (;;) {
        if (::poll(&wanted, 1, -1) >= 0)
            return true;
        if (errno != EINTR)
            return false;
    }
}

// Reads to the end of fd. A FIFO is read through a descriptor opened
// without blocking, so that a writer that comes, writes and leaves before
// the first read loses nothing.
EFileResult ReadDescriptor(int fd, std::string& bytes, std::size_t expected, bool fifo = false)
{
    std::size_t size = 0;
    const std::size_t first = std::min(std::max(expected + 1, kBlockBytes), kMaxTextFileBytes + 1);
    bytes.reserve(first);
    AdviseLargePages(bytes.data(), bytes.capacity());
    bytes.resize(first);
    for (;;) {
        if (size == bytes.size())
            bytes.resize(std::min(std::max(2 * size, size + kBlockBytes), kMaxTextFileBytes + 1));
        if (fifo && !WaitForFifoData(fd)) {
            bytes.clear();
            return EFileResult::CannotRead;
        }
        const ssize_t got = ::read(fd, bytes.data() + size, bytes.size() - size);
        if (got < 0) {
            if (errno == EINTR || (fifo && errno == EAGAIN))
                continue;
            bytes.clear();
            return EFileResult::CannotRead;
        }
        if (got == 0)
            break;
        size += static_cast<std::size_t>(got);
        if (size > kMaxTextFileBytes) {
            bytes.clear();
            bytes.shrink_to_fit();
            return EFileResult::TooLarge;
        }
    }
    bytes.resize(size);
    return EFileResult::Ok;
}

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), std::min(bytes.size(), std::size_t{1} << 30));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (written == 0) {
            errno = EIO;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::optional<std::string> RealFolder(const std::string& path)
{
    char* real = ::realpath(FolderOf(path).c_str(), nullptr);
    if (real == nullptr)
        return std::nullopt;
    std::string folder(real);
    std::free(real);
    return folder;
}

// Where a save goes once symbolic links are followed.
struct CSaveTarget {
    enum EKind { NewFile, RegularFile, InPlace, Descriptor } kind = NewFile;
    std::string path;      // the file to create, replace or open in place
    struct stat status{};  // of the regular file
    int descriptor = -1;   // for Descriptor: an open descriptor of this process
};

// Follows the links of path's last component, as far as 40 of them.
// Folders are taken by their real names, so a relative link resolves
// against the folder that holds it.
bool FindSaveTarget(const std::string& path, CSaveTarget& target)
{
    std::string current = path;
    for (int links = 0; links <= 40; ++links) {
        const std::optional<std::string> folder = RealFolder(current);
        if (!folder)
            return false;
        const std::string name = NameOf(current);
        if (name.empty() || name == "." || name == "..") {
            errno = EISDIR;
            return false;
        }
        // An entry of /proc is no file to replace: /dev/stdout and
        // /dev/fd/N lead to /proc/self/fd/N, the process's own descriptor,
        // which is written as it is (a pipe, a terminal, or a file that a
        // shell redirection opened, continuing at its offset).
        if (*folder == "/proc" || folder->starts_with("/proc/")) {
            const std::string ownDescriptors = "/proc/" + std::to_string(::getpid()) + "/fd";
            int number = -1;
            const auto [end, failure] = std::from_chars(name.data(), name.data() + name.size(), number);
            if (*folder == ownDescriptors && failure == std::errc() && end == name.data() + name.size() &&
                ::fcntl(number, F_GETFD) != -1) {
                target.kind = CSaveTarget::Descriptor;
                target.descriptor = number;
            } else {
                target.kind = CSaveTarget::InPlace;
                target.path = current;
            }
            return true;
        }
        const std::string resolved = *folder == "/" ? "/" + name : *folder + "/" + name;
        struct stat status{};
        if (::lstat(resolved.c_str(), &status) != 0) {
            if (errno != ENOENT)
                return false;
            target.kind = CSaveTarget::NewFile;
            target.path = resolved;
            return true;
        }
        if (S_ISLNK(status.st_mode)) {
            std::string link(static_cast<std::size_t>(PATH_MAX), '\0');
            const ssize_t length = ::readlink(resolved.c_str(), link.data(), link.size());
            if (length < 0)
                return false;
            if (static_cast<std::size_t>(length) >= link.size()) {
                errno = ENAMETOOLONG;
                return false;
            }
            link.resize(static_cast<std::size_t>(length));
            if (link.empty()) {
                errno = ENOENT;
                return false;
            }
            current = link.front() == '/' ? link : FolderOf(resolved) + "/" + link;
            continue;
        }
        if (S_ISDIR(status.st_mode)) {
            errno = EISDIR;
            return false;
        }
        target.kind = S_ISREG(status.st_mode) ? CSaveTarget::RegularFile : CSaveTarget::InPlace;
        target.path = resolved;
        target.status = status;
        return true;
    }
    errno = ELOOP;
    return false;
}

// A device, a FIFO or a descriptor of the process: written as it stands.
bool WriteInPlace(const CSaveTarget& target, std::string_view bytes)
{
    if (target.kind == CSaveTarget::Descriptor)
        return WriteAll(target.descriptor, bytes);
    // No O_TRUNC and no O_CREAT: nothing is made or cut here. O_NONBLOCK
    // only keeps the open of a FIFO without a reader from waiting forever.
    CDescriptor fd(::open(target.path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK));
    if (fd.Get() < 0)
        return false;
    struct stat status{};
    if (::fstat(fd.Get(), &status) != 0)
        return false;
    // A regular file put there since it was looked at would be overwritten
    // in part; it is left alone (files in /proc are regular and meant to
    // be written this way).
    if (S_ISREG(status.st_mode) && !target.path.starts_with("/proc/")) {
        errno = EAGAIN;
        return false;
    }
    const int flags = ::fcntl(fd.Get(), F_GETFL);
    if (flags == -1 || ::fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK) == -1)
        return false;
    return WriteAll(fd.Get(), bytes) && fd.Close();
}

// A fresh name beside the target that no one can have prepared: the
// target's name (hidden, cut to fit a name's length limit) and a random
// part; the caller creates it with O_EXCL and tries again on a clash.
std::string TemporaryName(const std::string& target, std::mt19937_64& random)
{
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    // Built by appending: GCC 12 at -O3 takes `"." + std::string` for an
    // overlapping copy (-Wrestrict) and fails a build with warnings as errors.
    std::string path = FolderOf(target);
    path += "/.";
    path += NameOf(target).substr(0, 200);
    path += '.';
    for (int i = 0; i < 10; ++i)
        path.push_back(kLetters[random() % (sizeof(kLetters) - 1)]);
    return path;
}

bool ReplaceFile(const CSaveTarget& target, std::string_view bytes)
{
    const bool existing = target.kind == CSaveTarget::RegularFile;
    if (existing) {
        // Replacing a file takes only a writable folder; a file that its
        // owner marked read-only, or that this user may not write, keeps
        // its text.
        if (::faccessat(AT_FDCWD, target.path.c_str(), W_OK, AT_EACCESS) != 0)
            return false;
        if ((target.status.st_mode & 0222) == 0) {
            errno = EACCES;
            return false;
        }
    }

    std::random_device device;
    std::mt19937_64 random((static_cast<std::uint64_t>(device()) << 32) ^ device() ^
                           static_cast<std::uint64_t>(::getpid()));
    std::string temporary;
    int created = -1;
    for (int attempt = 0; attempt < 100 && created < 0; ++attempt) {
        temporary = TemporaryName(target.path, random);
        // O_EXCL also refuses a symbolic link planted under that name.
        created = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY,
                         existing ? 0600 : 0666);
        if (created < 0 && errno != EEXIST)
            return false;
    }
    if (created < 0)
        return false;
    CDescriptor fd(created);

    bool ok = true;
    if (existing) {
        // The owner and group where this user may set them (the group of a
        // shared file usually), then the permission bits; set-id bits only
        // when the owner stayed. A file system without modes leaves the
        // temporary at 0600, never wider than before.
        mode_t mode = target.status.st_mode & 07777;
        if (::fchown(fd.Get(), target.status.st_uid, target.status.st_gid) != 0) {
            if (::fchown(fd.Get(), static_cast<uid_t>(-1), target.status.st_gid) != 0)
                mode &= ~static_cast<mode_t>(S_ISGID);
            mode &= ~static_cast<mode_t>(S_ISUID);
        }
        ::fchmod(fd.Get(), mode);
    }
    // The data reach the disk before the name does, so that a crash leaves
    // the old file or the new one, never an empty one.
    ok = WriteAll(fd.Get(), bytes);
    if (ok && ::fsync(fd.Get()) != 0 && errno != EINVAL && errno != ENOTSUP)
        ok = false;
    if (ok)
        ok = fd.Close();
    if (ok)
        ok = ::rename(temporary.c_str(), target.path.c_str()) == 0;
    if (!ok) {
        const int saved = errno;
        ::unlink(temporary.c_str());
        errno = saved;
        return false;
    }
    CDescriptor folder(::open(FolderOf(target.path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Get() >= 0)
        ::fsync(folder.Get());
    return true;
}

// Opens path for reading and tells what it is; Ok for a regular file
// within the size limit, or a pipe where pipes are read.
EFileResult OpenForReading(const std::string& path, EReadSource source, CDescriptor& fd, struct stat& status)
{
    fd.Reset(::open(path.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK));
    if (fd.Get() < 0)
        return EFileResult::CannotOpen;
    if (::fstat(fd.Get(), &status) != 0 || S_ISDIR(status.st_mode))
        return EFileResult::CannotRead;
    const bool pipe = S_ISFIFO(status.st_mode);
    if (!S_ISREG(status.st_mode) && !(pipe && source == EReadSource::RegularFilesAndPipes))
        return EFileResult::NotAFile;
    if (status.st_size > static_cast<off_t>(kMaxTextFileBytes))
        return EFileResult::TooLarge;
    return EFileResult::Ok;
}

}  // namespace

EFileResult ReadFileBytes(const std::string& path, std::string& bytes, EReadSource source)
{
    bytes.clear();
    CDescriptor fd;
    struct stat status{};
    if (const EFileResult opened = OpenForReading(path, source, fd, status); opened != EFileResult::Ok)
        return opened;
    const bool pipe = S_ISFIFO(status.st_mode);
    if (pipe)
        return ReadDescriptor(fd.Get(), bytes, 0, true);
    return ReadDescriptor(fd.Get(), bytes, static_cast<std::size_t>(status.st_size));
}

namespace {

// The one mapped file whose bus errors are caught: where it lies, and
// whether a byte beyond its shrunken end was read. The handler reads them
// alone, so they are lock-free atomics.
std::atomic<const char*> GuardedBegin{nullptr};
std::atomic<std::size_t> GuardedSize{0};
std::atomic<bool> GuardedDamaged{false};
std::size_t GuardedPageSize = 4096;
struct sigaction PreviousBusAction{};
static_assert(std::atomic<const char*>::is_always_lock_free && std::atomic<std::size_t>::is_always_lock_free &&
                  std::atomic<bool>::is_always_lock_free,
              "a signal handler reads them");

// A bus error inside the guarded mapping is a page past the end of a file
// that shrank: the page is replaced by one of zeros and the read goes on.
// Any other bus error ends the process as it would have without us.
extern "C" void OnBusError(int signal, siginfo_t* info, void*)
{
    const auto at = reinterpret_cast<std::uintptr_t>(info->si_addr);
    const auto begin = reinterpret_cast<std::uintptr_t>(GuardedBegin.load());
    if (begin != 0 && at >= begin && at - begin < GuardedSize.load()) {
        const std::uintptr_t page = at & ~(std::uintptr_t{GuardedPageSize} - 1);
        void* zeros = ::mmap(reinterpret_cast<void*>(page), GuardedPageSize, PROT_READ,
                             MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
        if (zeros != MAP_FAILED) {
            GuardedDamaged = true;
            return;
        }
    }
    std::signal(signal, SIG_DFL);
}

// Maps the regular file fd of size bytes, read-only, and guards it; null
// when the system does not map it or another mapping is guarded.
const char* MapGuarded(int fd, std::size_t size)
{
    const char* expected = nullptr;
    // The slot is claimed with a placeholder until the mapping exists.
    static const char kClaimed = 0;
    if (!GuardedBegin.compare_exchange_strong(expected, &kClaimed))
        return nullptr;
    int flags = MAP_PRIVATE;
#if defined(MAP_POPULATE)
    // The whole file is read: its pages are entered at once instead of a
    // fault every few of them.
    flags |= MAP_POPULATE;
#endif
    void* data = ::mmap(nullptr, size, PROT_READ, flags, fd, 0);
    struct sigaction action{};
    action.sa_sigaction = OnBusError;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    if (data == MAP_FAILED || ::sigaction(SIGBUS, &action, &PreviousBusAction) != 0) {
        if (data != MAP_FAILED)
            ::munmap(data, size);
        GuardedBegin = nullptr;
        return nullptr;
    }
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    GuardedPageSize = pageSize > 0 ? static_cast<std::size_t>(pageSize) : 4096;
    GuardedDamaged = false;
    GuardedSize = size;
    GuardedBegin = static_cast<const char*>(data);
    return static_cast<const char*>(data);
}

}  // namespace

CFileBytes::~CFileBytes()
{
    Release();
}

void CFileBytes::Release()
{
    if (m_mapped == nullptr)
        return;
    ::sigaction(SIGBUS, &PreviousBusAction, nullptr);
    ::munmap(const_cast<char*>(m_mapped), m_size);
    GuardedSize = 0;
    GuardedBegin = nullptr;
    m_mapped = nullptr;
    m_size = 0;
}

std::string_view CFileBytes::View() const
{
    return m_mapped != nullptr ? std::string_view(m_mapped, m_size) : std::string_view(m_read);
}

bool CFileBytes::Damaged() const
{
    return m_mapped != nullptr && GuardedDamaged.load();
}

EFileResult ReadFileInPlace(const std::string& path, CFileBytes& bytes, EReadSource source)
{
    bytes.Release();
    bytes.m_read.clear();
    CDescriptor fd;
    struct stat status{};
    if (const EFileResult opened = OpenForReading(path, source, fd, status); opened != EFileResult::Ok)
        return opened;
    const bool pipe = S_ISFIFO(status.st_mode);
    if (pipe)
        return ReadDescriptor(fd.Get(), bytes.m_read, 0, true);
    // A file that says it is empty may still yield bytes (as those of
    // /proc do): it is read.
    const auto size = static_cast<std::size_t>(status.st_size);
    if (size > 0) {
        if (const char* data = MapGuarded(fd.Get(), size)) {
            bytes.m_mapped = data;
            bytes.m_size = size;
            return EFileResult::Ok;
        }
    }
    return ReadDescriptor(fd.Get(), bytes.m_read, size);
}

void AdviseLargePages(void* data, std::size_t size)
{
#if defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kLargePage = std::uintptr_t{2} << 20;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t from = (begin + kLargePage - 1) & ~(kLargePage - 1);
    const std::uintptr_t to = (begin + size) & ~(kLargePage - 1);
    if (to > from)
        ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#else
    (void)data;
    (void)size;
#endif
}

EFileResult ReadStreamBytes(std::istream& in, std::string& bytes)
{
    bytes.clear();
    std::size_t size = 0;
    while (in) {
        bytes.resize(size + kBlockBytes);
        in.read(bytes.data() + size, static_cast<std::streamsize>(kBlockBytes));
        size += static_cast<std::size_t>(in.gcount());
        if (size > kMaxTextFileBytes) {
            bytes.clear();
            bytes.shrink_to_fit();
            return EFileResult::TooLarge;
        }
    }
    bytes.resize(size);
    if (in.bad()) {
        bytes.clear();
        return EFileResult::CannotRead;
    }
    return EFileResult::Ok;
}

EFileResult WriteFileReplacing(const std::string& path, std::string_view bytes, int* error)
{
    errno = 0;
    CSaveTarget target;
    bool ok = !path.empty() && FindSaveTarget(path, target);
    if (ok) {
        ok = target.kind == CSaveTarget::NewFile || target.kind == CSaveTarget::RegularFile
                 ? ReplaceFile(target, bytes)
                 : WriteInPlace(target, bytes);
    }
    if (ok)
        return EFileResult::Ok;
    if (error != nullptr)
        *error = errno != 0 ? errno : ENOENT;
    return EFileResult::CannotWrite;
}

namespace {

// The line (from 1) of position: CR LF, LF and CR each end one.
std::size_t LineAt(std::u16string_view text, std::size_t position)
{
    std::size_t line = 1;
    for (std::size_t i = 0; i < position && i < text.size(); ++i) {
        if (text[i] == u'\n' || (text[i] == u'\r' && (i + 1 == text.size() || text[i + 1] != u'\n')))
            ++line;
    }
    return line;
}

// The lines from the one of position to the end that hold more than
// blanks.
std::size_t FilledLinesFrom(std::u16string_view text, std::size_t position)
{
    std::size_t i = position;
    while (i > 0 && text[i - 1] != u'\n' && text[i - 1] != u'\r')
        --i;
    std::size_t lines = 0;
    bool filled = false;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\n' || c == u'\r') {
            lines += filled ? 1 : 0;
            filled = false;
        } else if (c != u' ' && c != u'\t') {
            filled = true;
        }
    }
    return lines + (filled ? 1 : 0);
}

// Where the "/*" that is never closed opens, or npos.
std::size_t UnclosedCommentStart(std::u16string_view text)
{
    std::size_t i = NCalculatorText::FindCommentStart(text);
    while (i < text.size()) {
        if (text[i] == u'/' && i + 1 < text.size() && text[i + 1] == u'/') {
            const std::size_t lineFeed = text.find(u'\n', i + 2);
            if (lineFeed == std::u16string_view::npos)
                return std::u16string_view::npos;
            i = lineFeed + 1;
        } else if (text[i] == u'/' && i + 1 < text.size() && text[i + 1] == u'*') {
            const std::size_t close = text.find(u"*/", i + 1);
            if (close == std::u16string_view::npos)
                return i;
            i = close + 2;
        } else {
            ++i;
        }
        if (i < text.size()) {
            const std::size_t next = NCalculatorText::FindCommentStart(text.substr(i));
            i = next == std::u16string_view::npos ? text.size() : i + next;
        }
    }
    return std::u16string_view::npos;
}

// The first character of the statement from start that is no blank and
// not in a comment: the line a reader looks for.
std::size_t FirstFilledPosition(std::u16string_view text, std::size_t start)
{
    std::u16string work(text.substr(start));
    NCalculatorText::StripComments(work);
    const std::size_t filled = work.find_first_not_of(u" \t\r\n");
    return filled == std::u16string::npos ? start : start + filled;
}

// Stores the first count lines as their statements would, one after the
// other: the last line of a name wins. They go in the order of the names,
// so that a store filled from a file of any order appends each cell at its
// end instead of searching for its place; a file the store wrote is in that
// order already.
void StoreMemoryFileLines(ICalcEnvironment* environment, const std::vector<CMemoryFileLine>& lines,
                          std::size_t count)
{
    if (environment == nullptr)
        return;
    const auto store = [environment](const CMemoryFileLine& line) {
        environment->StoreMemory(std::u16string(line.name), line.value);
    };
    const auto first = lines.begin();
    const auto last = first + static_cast<std::ptrdiff_t>(count);
    if (std::is_sorted(first, last, [](const auto& a, const auto& b) { return a.name < b.name; })) {
        std::for_each(first, last, store);
        return;
    }
    std::vector<std::uint32_t> order(count);
    for (std::size_t i = 0; i < count; ++i)
        order[i] = static_cast<std::uint32_t>(i);
    std::stable_sort(order.begin(), order.end(),
                     [&lines](std::uint32_t a, std::uint32_t b) { return lines[a].name < lines[b].name; });
    for (std::size_t k = 0; k < count; ++k) {
        // Of the lines of one name, the last in the file.
        if (k + 1 < count && lines[order[k + 1]].name == lines[order[k]].name)
            continue;
        store(lines[order[k]]);
    }
}

}  // namespace

bool ExecuteCalculationText(NCalculatorText::CCalcContext& context, std::u16string text, CTextStop* stop)
{
    std::erase(text, u'\uFEFF');
    if (stop != nullptr)
        *stop = CTextStop{};
    // A memory file as the store writes it is executed without parsing its
    // statements: each store computes the value its statement would, and
    // the run state sees the same polls, stores and previous result.
    std::vector<CMemoryFileLine> lines;
    if (ReadMemoryFileLines(text, lines)) {
        CCalcRunState& state = context.run;
        state.Reset();
        std::size_t done = 0;
        bool cancelled = false;
        for (; done < lines.size(); ++done) {
            state.continueFlag = true;
            if (!state.Poll(static_cast<std::int64_t>(lines[done].statementLength) + 1)) {
                cancelled = true;
                break;
            }
            context.previousResult = lines[done].value;
        }
        StoreMemoryFileLines(state.environment, lines, done);
        if (cancelled) {
            if (stop != nullptr)
                *stop = CTextStop{done + 1, lines.size() - done};
            return false;
        }
        return true;
    }
    std::ptrdiff_t cursor = -1;
    std::optional<std::size_t> last;
    const bool calculated = NCalculatorText::CalculateText(
        context, text, cursor, [&last](std::size_t start) { last = start; });
    if (!calculated && stop != nullptr) {
        // Without a statement heard, the run stopped at a comment that is
        // never closed.
        const std::size_t unclosed = UnclosedCommentStart(text);
        const std::size_t at = last ? FirstFilledPosition(text, *last)
                               : unclosed != std::u16string::npos ? unclosed
                                                                  : 0;
        *stop = CTextStop{LineAt(text, at), FilledLinesFrom(text, at)};
    }
    return calculated;
}

std::string DescribeTextStop(const CTextStop& stop)
{
    return "loading stopped at line " + std::to_string(stop.line) + ": " + std::to_string(stop.linesNotRun) +
           (stop.linesNotRun == 1 ? " line" : " lines") + " not loaded";
}
