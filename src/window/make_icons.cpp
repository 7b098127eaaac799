// Writes the program's icon into files, at build time:
//   make_icons FOLDER SIZE...     FOLDER/SIZExSIZE/apps/pictrak2shp.png, for a desktop's icon theme
//   make_icons FILE.ico SIZE...   one Windows icon holding every size
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QtEndian>
#include <cstdio>

#include "window/Artwork.h"

namespace {
QByteArray png(int size) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    artwork::windowIconAt(size).save(&buffer, "PNG");
    return bytes;
}

template <typename T>
void put(QByteArray& out, T value) {
    const T little = qToLittleEndian(value);
    out.append(reinterpret_cast<const char*>(&little), sizeof little);
}

// An .ico: a header, one directory entry a size, then each size as a PNG, which Windows
// takes since Vista.
bool writeIco(const QString& path, const QList<int>& sizes) {
    QByteArray header, images;
    put<quint16>(header, 0);
    put<quint16>(header, 1);
    put<quint16>(header, static_cast<quint16>(sizes.size()));
    quint32 offset = 6 + 16 * static_cast<quint32>(sizes.size());
    for (int size : sizes) {
        const QByteArray image = png(size);
        header.append(char(size >= 256 ? 0 : size)).append(char(size >= 256 ? 0 : size)).append(char(0)).append(char(0));
        put<quint16>(header, 1);   // planes
        put<quint16>(header, 32);  // bits a pixel
        put<quint32>(header, static_cast<quint32>(image.size()));
        put<quint32>(header, offset);
        offset += static_cast<quint32>(image.size());
        images += image;
    }
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(header + images) == header.size() + images.size();
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s FOLDER|FILE.ico SIZE...\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");  // drawn at build time, with no display
    QGuiApplication app(argc, argv);
    const QString target = QString::fromLocal8Bit(argv[1]);
    QList<int> sizes;
    for (int i = 2; i < argc; ++i) {
        sizes << std::atoi(argv[i]);
        if (sizes.back() <= 0) return 2;
    }
    if (target.endsWith(".ico")) {
        if (writeIco(target, sizes)) return 0;
        std::fprintf(stderr, "cannot write the icon %s\n", argv[1]);
        return 1;
    }
    for (int size : sizes) {
        const QString folder = QString("%1/%2x%2/apps").arg(target).arg(size);
        if (!QDir().mkpath(folder) || !artwork::windowIconAt(size).save(folder + "/pictrak2shp.png")) {
            std::fprintf(stderr, "cannot write the %d pixel icon into %s\n", size, argv[1]);
            return 1;
        }
    }
    return 0;
}
