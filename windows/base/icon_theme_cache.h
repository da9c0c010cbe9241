#pragma once
// The index a theme folder may hold of its icons (icon-theme.cache, written
// by the desktop's icon tools): which names it has an icon for, and the
// folders it lists. A theme lookup trusts it as long as it is no older than
// the theme folder and each folder it lists, so a name it lacks is not
// found in that theme folder at all.

#include <QByteArray>
#include <QList>
#include <QStringList>

struct CIconCacheIndex {
    bool readable = false;  // the header, the table and every entry passed were well formed
    bool holdsAny = false;  // one of the names asked has an entry
    QStringList folders;  // the folders listed, relative to the theme folder
};

// Reads `size` bytes and nothing beyond: a malformed index (an offset out of
// range, a string with no end, a chain that loops) is not readable.
CIconCacheIndex ReadIconCache(const unsigned char* data, qsizetype size, const QList<QByteArray>& names);

// Whether a lookup of `names` in the theme "hicolor" under `searchPaths`,
// or as a plain file in `fallbackPaths`, could find any icon. No where each
// hicolor folder has a current index lacking them all and no plain file of
// the names exists: then asking the theme can be left out. Yes whenever in
// doubt (a folder with no index, an index older than a folder, one that
// cannot be read).
bool HicolorMayHave(const QStringList& names, const QStringList& searchPaths, const QStringList& fallbackPaths);
