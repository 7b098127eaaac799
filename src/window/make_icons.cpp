// Writes the program's icon as PNG files for the desktop's icon theme:
//   make_icons FOLDER SIZE... gives FOLDER/SIZExSIZE/apps/pictrak2shp.png
#include <QDir>
#include <QGuiApplication>
#include <cstdio>

#include "window/Artwork.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s FOLDER SIZE...\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");  // drawn at build time, with no display
    QGuiApplication app(argc, argv);
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        const QString folder = QString("%1/%2x%2/apps").arg(argv[1]).arg(size);
        if (size <= 0 || !QDir().mkpath(folder) || !artwork::windowIconAt(size).save(folder + "/pictrak2shp.png")) {
            std::fprintf(stderr, "cannot write the %s pixel icon into %s\n", argv[i], argv[1]);
            return 1;
        }
    }
    return 0;
}
