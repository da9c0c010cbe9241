// Build step: writes the program's icon for the desktop into an icon-theme
// tree, as PNG files of the usual sizes and as SVG, all from the drawing
// the window uses for its own icon.
//
//   make_desktop_icons OUTPUT_FOLDER NAME
//
// writes OUTPUT_FOLDER/hicolor/NxN/apps/NAME.png for N in 16, 32, 48, 64,
// 128, 256 and OUTPUT_FOLDER/hicolor/scalable/apps/NAME.svg.
#include <QDir>
#include <QFile>
#include <QImage>

#include <cstdio>

#include "windows/base/tool_icons.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_desktop_icons OUTPUT_FOLDER NAME\n");
        return 2;
    }
    const QString root = QFile::decodeName(argv[1]) + QStringLiteral("/hicolor/");
    const QString name = QFile::decodeName(argv[2]);
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const QString folder = root + QStringLiteral("%1x%1/apps").arg(size);
        const QString file = folder + u'/' + name + QStringLiteral(".png");
        if (!QDir().mkpath(folder) || !ApplicationIconImage(size).save(file, "PNG")) {
            std::fprintf(stderr, "make_desktop_icons: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    const QString folder = root + QStringLiteral("scalable/apps");
    QFile svg(folder + u'/' + name + QStringLiteral(".svg"));
    if (!QDir().mkpath(folder) || !svg.open(QIODevice::WriteOnly) || svg.write(ApplicationIconSvg()) < 0) {
        std::fprintf(stderr, "make_desktop_icons: cannot write %s\n", qPrintable(svg.fileName()));
        return 1;
    }
    return 0;
}
