#include "windows/base/icon_theme_cache.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <cstring>

namespace {

class CCacheBytes {
public:
    CCacheBytes(const unsigned char* data, qsizetype size) : m_data(data), m_size(size) {}

    bool Read16(qsizetype offset, quint32& value) const
    {
        if (offset < 0 || offset > m_size - 2)
            return false;
        value = quint32(m_data[offset]) << 8 | m_data[offset + 1];
        return true;
    }
    bool Read32(qsizetype offset, quint32& value) const
    {
        if (offset < 0 || offset > m_size - 4)
            return false;
        value = quint32(m_data[offset]) << 24 | quint32(m_data[offset + 1]) << 16 | quint32(m_data[offset + 2]) << 8 |
                m_data[offset + 3];
        return true;
    }
    // The text at `offset` up to its terminating zero, which must lie
    // within the bytes.
    bool String(qsizetype offset, QByteArray& text) const
    {
        if (offset < 0 || offset >= m_size)
            return false;
        const void* end = std::memchr(m_data + offset, 0, size_t(m_size - offset));
        if (!end)
            return false;
        text = QByteArray(reinterpret_cast<const char*>(m_data + offset),
                          static_cast<const unsigned char*>(end) - (m_data + offset));
        return true;
    }
    qsizetype Size() const { return m_size; }

private:
    const unsigned char* m_data;
    qsizetype m_size;
};

// The hash the index's writer files names under (bytes taken as signed).
quint32 NameHash(const QByteArray& name)
{
    if (name.isEmpty())
        return 0;
    quint32 h = quint32(qint32(static_cast<signed char>(name[0])));
    for (qsizetype i = 1; i < name.size(); ++i)
        h = (h << 5) - h + quint32(qint32(static_cast<signed char>(name[i])));
    return h;
}

constexpr quint32 kNoEntry = 0xffffffffu;

// The names a theme lookup of `names` may try: each name and each part of
// one before a dash ("edit-cut", then "edit").
QList<QByteArray> IconNamesTried(const QStringList& names)
{
    QList<QByteArray> tried;
    for (const QString& name : names) {
        QByteArray part = name.toUtf8();
        while (!part.isEmpty()) {
            if (!tried.contains(part))
                tried << part;
            const qsizetype dash = part.lastIndexOf('-');
            part.truncate(dash < 0 ? 0 : dash);
        }
    }
    return tried;
}

}  // namespace

CIconCacheIndex ReadIconCache(const unsigned char* data, qsizetype size, const QList<QByteArray>& names)
{
    CIconCacheIndex index;
    const CCacheBytes bytes(data, size);
    quint32 major = 0, minor = 0, hashOffset = 0, folderListOffset = 0;
    if (!bytes.Read16(0, major) || !bytes.Read16(2, minor) || !bytes.Read32(4, hashOffset) ||
        !bytes.Read32(8, folderListOffset) || major != 1 || minor != 0)
        return index;

    quint32 folderCount = 0;
    if (!bytes.Read32(folderListOffset, folderCount) || folderCount > quint32(size / 4))
        return index;
    for (quint32 i = 0; i < folderCount; ++i) {
        quint32 offset = 0;
        QByteArray folder;
        if (!bytes.Read32(qsizetype(folderListOffset) + 4 + 4 * qsizetype(i), offset) || !bytes.String(offset, folder))
            return index;
        index.folders << QString::fromUtf8(folder);
    }

    quint32 buckets = 0;
    if (!bytes.Read32(hashOffset, buckets) || buckets == 0 || buckets > quint32(size / 4))
        return index;
    for (const QByteArray& name : names) {
        quint32 entry = 0;
        if (!bytes.Read32(qsizetype(hashOffset) + 4 + 4 * qsizetype(NameHash(name) % buckets), entry))
            return index;
        // An entry takes 12 bytes: a chain longer than the index holds
        // entries loops.
        for (qsizetype steps = 0; entry != kNoEntry; ++steps) {
            quint32 nameOffset = 0, next = 0;
            QByteArray entryName;
            if (steps > size / 12 || !bytes.Read32(entry, next) || !bytes.Read32(qsizetype(entry) + 4, nameOffset) ||
                !bytes.String(nameOffset, entryName))
                return index;
            if (entryName == name)
                index.holdsAny = true;
            entry = next;
        }
    }
    index.readable = true;
    return index;
}

bool HicolorMayHave(const QStringList& names, const QStringList& searchPaths, const QStringList& fallbackPaths)
{
    const QList<QByteArray> tried = IconNamesTried(names);
    for (const QString& path : searchPaths) {
        const QString folder = path + QStringLiteral("/hicolor");
        const QFileInfo folderInfo(folder);
        if (!folderInfo.exists())
            continue;
        QFile file(folder + QStringLiteral("/icon-theme.cache"));
        const QFileInfo fileInfo(file.fileName());
        if (!folderInfo.isDir() || !fileInfo.isFile() || !file.open(QIODevice::ReadOnly))
            return true;
        const QDateTime written = fileInfo.lastModified();
        if (written < folderInfo.lastModified())
            return true;
        const qsizetype size = file.size();
        const unsigned char* data = size > 0 ? file.map(0, size) : nullptr;
        if (!data)
            return true;
        const CIconCacheIndex index = ReadIconCache(data, size, tried);
        if (!index.readable || index.holdsAny)
            return true;
        for (const QString& listed : index.folders) {
            const QFileInfo listedInfo(folder + u'/' + listed);
            if (listedInfo.exists() && written < listedInfo.lastModified())
                return true;
        }
    }
    for (const QString& path : fallbackPaths) {
        for (const QByteArray& name : tried) {
            for (const char* extension : {".png", ".svg", ".svgz", ".xpm"}) {
                if (QFileInfo::exists(path + u'/' + QString::fromUtf8(name) + QLatin1String(extension)))
                    return true;
            }
        }
    }
    return false;
}
