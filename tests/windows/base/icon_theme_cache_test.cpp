// The look into hicolor's index that decides whether asking the icon theme
// can be left out, case by case from a data file on folders made for each
// case, and the reading of the index at every length it may be cut to.
#include "windows/base/icon_theme_cache.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "support/data_cases.h"
#include "windows/desktop/icon_cache.h"

namespace {

std::vector<std::string> Words(const std::string& text)
{
    std::vector<std::string> words;
    std::istringstream stream(text);
    for (std::string word; stream >> word;)
        words.push_back(word);
    return words;
}

bool MakeFile(const QString& path)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) && file.write("x") == 1;
}

// The index read from a buffer of exactly its size, so that a read past
// its end is one past an allocation.
CIconCacheIndex ReadExactly(const QByteArray& bytes, qsizetype size, const QList<QByteArray>& names)
{
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[size_t(size)]);
    std::memcpy(buffer.get(), bytes.constData(), size_t(size));
    return ReadIconCache(buffer.get(), size, names);
}

void ShiftTime(const QString& path, int seconds)
{
    const std::filesystem::path where = path.toStdString();
    std::filesystem::last_write_time(where, std::filesystem::last_write_time(where) + std::chrono::seconds(seconds));
}

class HicolorToolIcons : public testing::TestWithParam<CDataRow> {};

TEST_P(HicolorToolIcons, MayHave)
{
    SCOPED_TRACE(GetParam().Where());
    ASSERT_EQ(GetParam().Fields().size(), 4u);
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString theme = root.filePath(QStringLiteral("icons/hicolor"));
    const QString plain = root.filePath(QStringLiteral("pixmaps"));
    ASSERT_TRUE(QDir().mkpath(theme) && QDir().mkpath(plain));
    QStringList folders;
    for (const std::string& file : Words(GetParam().Field(0))) {
        const QString name = QString::fromStdString(file);
        if (name.startsWith(u"p/")) {
            ASSERT_TRUE(MakeFile(plain + u'/' + name.mid(2))) << file;
        } else {
            ASSERT_TRUE(MakeFile(theme + u'/' + name)) << file;
            folders << QFileInfo(name).path();
        }
    }
    const std::string index = Words(GetParam().Field(2)).at(0);
    if (index != "none") {
        const QByteArray content = IconCacheContent(theme);
        ASSERT_FALSE(content.isEmpty());
        QFile cache(theme + QStringLiteral("/icon-theme.cache"));
        ASSERT_TRUE(cache.open(QIODevice::WriteOnly) && cache.write(content) == content.size());
        cache.close();
        // The reader finds every folder the writer listed.
        const CIconCacheIndex read = ReadExactly(content, content.size(), {});
        ASSERT_TRUE(read.readable);
        for (const QString& folder : folders)
            EXPECT_TRUE(read.folders.contains(folder)) << folder.toStdString();
        // Writing the index touched the theme folder: it goes back to
        // before the index, as when the index is written last.
        ShiftTime(theme, -60);
        if (index == "stale")
            ShiftTime(theme + u'/' + folders.at(0), 60);  // changed after the index
        else
            ASSERT_EQ(index, "current");
    }
    QStringList names;
    for (const std::string& name : Words(GetParam().Field(1)))
        names << QString::fromStdString(name);
    const std::string expected = Words(GetParam().Field(3)).at(0);
    ASSERT_TRUE(expected == "yes" || expected == "no");
    // A search path without hicolor beside the real one changes nothing.
    const QStringList searchPaths = {root.filePath(QStringLiteral("missing")), root.filePath(QStringLiteral("icons"))};
    EXPECT_EQ(HicolorMayHave(names, searchPaths, {plain}), expected == "yes");
    EXPECT_FALSE(HicolorMayHave(names, {}, {}));
}

INSTANTIATE_DATA_ROWS(HicolorToolIcons, "hicolor_tool_icons.txt");

TEST(HicolorToolIconsFile, HoldsTheCases)
{
    EXPECT_GE(DataRows("hicolor_tool_icons.txt").size(), 20u);
}

// Every length an index may be cut to, and an index whose chain loops: the
// reader stays within the bytes and never reads a name that is there as
// absent.
TEST(IconThemeCache, CutAndLoopingIndexes)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    for (const char* file : {"16x16/apps/a.png", "16x16/apps/edit.png", "48x48/actions/b.svg", "scalable/apps/c.svg"})
        ASSERT_TRUE(MakeFile(root.filePath(QString::fromLatin1(file))));
    const QByteArray content = IconCacheContent(root.path());
    ASSERT_GT(content.size(), 16);
    const QList<QByteArray> present = {"zz", "edit"};
    const QList<QByteArray> absent = {"edit-cut", "document"};
    ASSERT_TRUE(ReadExactly(content, content.size(), present).holdsAny);
    ASSERT_TRUE(ReadExactly(content, content.size(), absent).readable);
    ASSERT_FALSE(ReadExactly(content, content.size(), absent).holdsAny);
    for (qsizetype size = 1; size < content.size(); ++size) {
        const CIconCacheIndex cut = ReadExactly(content, size, present);
        EXPECT_TRUE(!cut.readable || cut.holdsAny) << size;
    }
    EXPECT_FALSE(ReadIconCache(nullptr, 0, present).readable);

    // Each bucket's first entry made to point at itself.
    QByteArray looping = content;
    const auto read32 = [&looping](qsizetype at) {
        return quint32(quint8(looping[at])) << 24 | quint32(quint8(looping[at + 1])) << 16 |
               quint32(quint8(looping[at + 2])) << 8 | quint8(looping[at + 3]);
    };
    const quint32 hash = read32(4);
    const quint32 buckets = read32(hash);
    int loops = 0;
    for (quint32 b = 0; b < buckets; ++b) {
        const quint32 entry = read32(hash + 4 + 4 * b);
        if (entry == 0xffffffffu)
            continue;
        std::memcpy(looping.data() + entry, looping.constData() + hash + 4 + 4 * b, 4);
        ++loops;
    }
    ASSERT_GT(loops, 0);
    EXPECT_FALSE(ReadExactly(looping, looping.size(), absent).readable);
    // Another version of the format is not read.
    QByteArray later = content;
    later[1] = 2;
    EXPECT_FALSE(ReadExactly(later, later.size(), absent).readable);
}

}  // namespace
