#pragma once
// The index of an icon theme folder (icon-theme.cache, the format GTK's
// gtk-update-icon-cache writes and Qt's and GTK's icon loaders read): for
// each icon name, the sub folders that hold it and its file types.
//
// Without it a loader looks for every icon in every folder the theme's
// index.theme names: hicolor names about 650, so each themed icon a
// program asks for costs it thousands of file look-ups in a user's
// ~/.local/share/icons/hicolor that holds only a handful of icons. A
// loader uses the index only while it is at least as new as the theme
// folder and each folder it lists, so an index that a later change made
// out of date is ignored, never wrong.

#include <QByteArray>
#include <QString>

// The index of the icons under `themeFolder`, or an empty array when the
// folder holds something the index cannot describe (an .icon file, a
// symbolic link to a folder, an icon beside index.theme) or no icon at
// all. Files that are no icons are left out, as the loaders do.
QByteArray IconCacheContent(const QString& themeFolder);

// True when the folder's icon-theme.cache is at least as new as the folder
// and every folder within it.
bool IconCacheCurrent(const QString& themeFolder);

// Brings the folder's icon-theme.cache up to date when it is missing or
// out of date. A folder without icons loses its index instead, and a
// folder the index cannot describe is left as it is. False when a file
// could not be written or removed.
bool RefreshIconCache(const QString& themeFolder);
