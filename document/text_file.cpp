#include "document/text_file.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
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

std::u16string DecodeTextFile(std::string_view bytes)
{
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE)
        return DecodeUtf16File(bytes);
    if (bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
        static_cast<unsigned char>(bytes[1]) == 0xBB && static_cast<unsigned char>(bytes[2]) == 0xBF)
        bytes.remove_prefix(3);
    return Utf8ToUtf16(bytes);
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
    bytes.resize(std::min(std::max(expected + 1, kBlockBytes), kMaxTextFileBytes + 1));
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
    std::string name = "." + NameOf(target).substr(0, 200) + ".";
    for (int i = 0; i < 10; ++i)
        name.push_back(kLetters[random() % (sizeof(kLetters) - 1)]);
    return FolderOf(target) + "/" + name;
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

}  // namespace

EFileResult ReadFileBytes(const std::string& path, std::string& bytes, EReadSource source)
{
    bytes.clear();
    CDescriptor fd(::open(path.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK));
    if (fd.Get() < 0)
        return EFileResult::CannotOpen;
    struct stat status{};
    if (::fstat(fd.Get(), &status) != 0 || S_ISDIR(status.st_mode))
        return EFileResult::CannotRead;
    const bool pipe = S_ISFIFO(status.st_mode);
    if (!S_ISREG(status.st_mode) && !(pipe && source == EReadSource::RegularFilesAndPipes))
        return EFileResult::NotAFile;
    if (status.st_size > static_cast<off_t>(kMaxTextFileBytes))
        return EFileResult::TooLarge;
    if (pipe)
        return ReadDescriptor(fd.Get(), bytes, 0, true);
    return ReadDescriptor(fd.Get(), bytes, static_cast<std::size_t>(status.st_size));
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

bool ExecuteCalculationText(NCalculatorText::CCalcContext& context, std::u16string text)
{
    std::erase(text, u'\uFEFF');
    // A memory file as the store writes it is executed without parsing its
    // statements: each store computes the value its statement would, and
    // the run state sees the same polls, stores and previous result.
    std::vector<CMemoryFileLine> lines;
    if (ReadMemoryFileLines(text, lines)) {
        CCalcRunState& state = context.run;
        state.Reset();
        for (const CMemoryFileLine& line : lines) {
            state.continueFlag = true;
            if (!state.Poll(static_cast<std::int64_t>(line.statementLength) + 1))
                return false;
            if (ICalcEnvironment* environment = state.environment)
                environment->StoreMemory(std::u16string(line.name), line.value);
            context.previousResult = line.value;
        }
        return true;
    }
    std::ptrdiff_t cursor = -1;
    return NCalculatorText::CalculateText(context, text, cursor);
}
