// The index of an icon theme folder, written as gtk-update-icon-cache
// --index-only writes it (version 1.0, big-endian, no image data).
#include "windows/desktop/icon_cache.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdint>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace {

const QString kCacheName = QStringLiteral("icon-theme.cache");

// The file types of one icon in one folder, as the index marks them.
enum : std::uint16_t { kXpm = 1, kSvg = 2, kPng = 4 };

// The loaders' hash of an icon name: its bytes taken as signed chars.
std::uint32_t IconNameHash(const QByteArray& name)
{
    if (name.isEmpty())
        return 0;
    std::uint32_t hash = static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(name[0])));
    for (qsizetype i = 1; i < name.size(); ++i)
        hash = (hash << 5) - hash + static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(name[i])));
    return hash;
}

// The folders (relative, "scalable/apps") and for each icon name the
// folders that hold it with its file types. Empty when the tree holds
// something the index cannot describe.
struct CIconTree {
    std::vector<QByteArray> folders;
    std::map<QByteArray, std::vector<std::pair<std::uint16_t, std::uint16_t>>> icons;  // name: (folder, types)
};

std::optional<CIconTree> ScanIconTree(const QString& themeFolder)
{
    const QDir theme(themeFolder);
    // The folders in a fixed order, so the same tree gives the same bytes.
    QStringList folders;
    QDirIterator walk(themeFolder, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                      QDirIterator::Subdirectories);
    while (walk.hasNext()) {
        const QString path = walk.next();
        if (walk.fileInfo().isSymLink())
            return std::nullopt;  // the walk does not follow it; the loaders would
        folders.append(theme.relativeFilePath(path));
    }
    folders.sort();
    // Icons beside index.theme belong to no folder the loaders search.
    const QStringList rootFiles = theme.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : rootFiles)
        if (name.endsWith(QLatin1String(".png")) || name.endsWith(QLatin1String(".svg")) ||
            name.endsWith(QLatin1String(".xpm")) || name.endsWith(QLatin1String(".icon")))
            return std::nullopt;

    CIconTree tree;
    for (const QString& folder : folders) {
        std::map<QByteArray, std::uint16_t> found;
        // Links are followed; a link to nothing is no icon.
        const QStringList files = QDir(theme.filePath(folder)).entryList(QDir::Files | QDir::Hidden);
        for (const QString& file : files) {
            // An .icon file carries data (a display name, attach points)
            // that this index does not hold.
            if (file.endsWith(QLatin1String(".icon")))
                return std::nullopt;
            std::uint16_t type = 0;
            if (file.endsWith(QLatin1String(".png")))
                type = kPng;
            else if (file.endsWith(QLatin1String(".svg")))
                type = kSvg;
            else if (file.endsWith(QLatin1String(".xpm")))
                type = kXpm;
            if (type == 0 || file.size() == 4)
                continue;
            found[QFile::encodeName(file.left(file.size() - 4))] |= type;
        }
        if (found.empty())
            continue;
        if (tree.folders.size() >= 0xffff)
            return std::nullopt;
        const auto index = static_cast<std::uint16_t>(tree.folders.size());
        tree.folders.push_back(QFile::encodeName(folder));
        for (const auto& [name, types] : found)
            tree.icons[name].emplace_back(index, types);
    }
    return tree;
}

class CWriter {
public:
    std::uint32_t Size() const { return static_cast<std::uint32_t>(m_bytes.size()); }
    void Put16(std::uint16_t value)
    {
        m_bytes.append(static_cast<char>(value >> 8));
        m_bytes.append(static_cast<char>(value & 0xff));
    }
    void Put32(std::uint32_t value)
    {
        Put16(static_cast<std::uint16_t>(value >> 16));
        Put16(static_cast<std::uint16_t>(value & 0xffff));
    }
    void Set32(std::uint32_t at, std::uint32_t value)
    {
        for (int i = 0; i < 4; ++i)
            m_bytes[at + i] = static_cast<char>((value >> (24 - 8 * i)) & 0xff);
    }
    // A string with its terminating zero, padded to four bytes.
    std::uint32_t PutString(const QByteArray& text)
    {
        const std::uint32_t at = Size();
        m_bytes.append(text);
        m_bytes.append('\0');
        while (m_bytes.size() % 4 != 0)
            m_bytes.append('\0');
        return at;
    }
    QByteArray Bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

QByteArray IndexBytes(const CIconTree& tree)
{
    constexpr std::uint32_t kNone = 0xffffffff;
    const auto bucketCount = static_cast<std::uint32_t>(tree.icons.size());  // one name a bucket on average
    CWriter out;
    out.Put16(1);  // major version
    out.Put16(0);  // minor version
    out.Put32(12);  // the hash table follows the header
    out.Put32(0);  // the folder list, set at the end
    out.Put32(bucketCount);
    const std::uint32_t buckets = out.Size();
    for (std::uint32_t i = 0; i < bucketCount; ++i)
        out.Put32(kNone);
    std::vector<std::uint32_t> lastInBucket(bucketCount, kNone);
    for (const auto& [name, images] : tree.icons) {
        const std::uint32_t icon = out.Size();
        out.Put32(kNone);  // the next icon of the bucket
        out.Put32(0);  // name
        out.Put32(0);  // image list
        out.Set32(icon + 4, out.PutString(name));
        out.Set32(icon + 8, out.Size());
        out.Put32(static_cast<std::uint32_t>(images.size()));
        for (const auto& [folder, types] : images) {
            out.Put16(folder);
            out.Put16(types);
            out.Put32(0);  // no image data
        }
        const std::uint32_t bucket = IconNameHash(name) % bucketCount;
        if (lastInBucket[bucket] == kNone)
            out.Set32(buckets + 4 * bucket, icon);
        else
            out.Set32(lastInBucket[bucket], icon);
        lastInBucket[bucket] = icon;
    }
    std::vector<std::uint32_t> names;
    for (const QByteArray& folder : tree.folders)
        names.push_back(out.PutString(folder));
    out.Set32(8, out.Size());
    out.Put32(static_cast<std::uint32_t>(names.size()));
    for (std::uint32_t name : names)
        out.Put32(name);
    return out.Bytes();
}

std::optional<timespec> ModifiedAt(const QString& path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return info.st_mtim;
}

bool Before(const timespec& a, const timespec& b)
{
    return a.tv_sec != b.tv_sec ? a.tv_sec < b.tv_sec : a.tv_nsec < b.tv_nsec;
}

}  // namespace

QByteArray IconCacheContent(const QString& themeFolder)
{
    const std::optional<CIconTree> tree = ScanIconTree(themeFolder);
    return tree && !tree->icons.empty() ? IndexBytes(*tree) : QByteArray();
}

bool IconCacheCurrent(const QString& themeFolder)
{
    const std::optional<timespec> cache = ModifiedAt(themeFolder + u'/' + kCacheName);
    const std::optional<timespec> folder = ModifiedAt(themeFolder);
    if (!cache || !folder || Before(*cache, *folder))
        return false;
    QDirIterator walk(themeFolder, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                      QDirIterator::Subdirectories);
    while (walk.hasNext()) {
        const std::optional<timespec> inner = ModifiedAt(walk.next());
        if (!inner || Before(*cache, *inner))
            return false;
    }
    return true;
}

bool RefreshIconCache(const QString& themeFolder)
{
    if (!QFileInfo(themeFolder).isDir() || IconCacheCurrent(themeFolder))
        return true;
    const QString path = themeFolder + u'/' + kCacheName;
    const std::optional<CIconTree> tree = ScanIconTree(themeFolder);
    if (!tree)
        return true;  // not ours to index; the loaders search it as before
    if (tree->icons.empty())
        return !QFileInfo::exists(path) || QFile::remove(path);
    const QByteArray content = IndexBytes(*tree);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit())
        return false;
    // The rename that put the index in place made the folder newer than
    // the file; the loaders would take the index for out of date.
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), nullptr, 0) == 0;
}
