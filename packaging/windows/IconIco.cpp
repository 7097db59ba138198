// Writes the program's icon (artwork image 50, the one the window, the tray and the Linux
// icon theme show) as one Windows .ico file with the sizes Explorer, the Start menu and the
// taskbar use. Each picture is stored as PNG, which Windows reads in icon files since Vista.
//   quorrel-icon-ico FILE.ico
#include "Artwork.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QList>
#include <QString>

#include <iterator>

#include <cstdint>
#include <cstdio>

namespace {

void PutU16(QByteArray& out, std::uint16_t value) {
    out.append(static_cast<char>(value & 0xFF));
    out.append(static_cast<char>(value >> 8));
}

void PutU32(QByteArray& out, std::uint32_t value) {
    PutU16(out, static_cast<std::uint16_t>(value & 0xFFFF));
    PutU16(out, static_cast<std::uint16_t>(value >> 16));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE.ico\n", argv[0]);
        return 2;
    }
    QList<QByteArray> pictures;
    for (const int size : artwork::kIconSizes) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!artwork::Render(artwork::kTray, size).save(&buffer, "PNG")) {
            std::fprintf(stderr, "cannot draw the %d pixel icon\n", size);
            return 1;
        }
        pictures.append(png);
    }

    // ICONDIR, then one ICONDIRENTRY per picture, then the pictures.
    QByteArray ico;
    PutU16(ico, 0);
    PutU16(ico, 1);
    PutU16(ico, static_cast<std::uint16_t>(std::size(artwork::kIconSizes)));
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(std::size(artwork::kIconSizes));
    for (std::size_t i = 0; i < std::size(artwork::kIconSizes); ++i) {
        // A side of 256 is written as 0.
        const char side =
            static_cast<char>(artwork::kIconSizes[i] == 256 ? 0 : artwork::kIconSizes[i]);
        const QByteArray& picture = pictures[static_cast<qsizetype>(i)];
        ico.append(side);
        ico.append(side);
        ico.append('\0'); // no palette
        ico.append('\0');
        PutU16(ico, 1);  // planes
        PutU16(ico, 32); // bits per pixel
        PutU32(ico, static_cast<std::uint32_t>(picture.size()));
        PutU32(ico, offset);
        offset += static_cast<std::uint32_t>(picture.size());
    }
    for (const QByteArray& picture : pictures)
        ico.append(picture);

    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::WriteOnly) || file.write(ico) != ico.size() || !file.flush()) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
