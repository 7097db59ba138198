// Writes the program's icon (artwork image 50, the one the window and the tray show) as
// PNG files for the hicolor icon theme: OUTDIR/NxN/apps/NAME.png for every size given.
//   quorrel-icon-render OUTDIR NAME SIZE...
#include "Artwork.h"

#include <QDir>
#include <QImage>
#include <QList>
#include <QString>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s OUTDIR NAME SIZE...\n", argv[0]);
        return 2;
    }
    // Painting on a QImage needs neither an application object nor a display.
    const QString outDir = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);
    QList<int> sizes;
    for (int i = 3; i < argc; ++i) {
        bool ok = false;
        const int size = QString::fromLocal8Bit(argv[i]).toInt(&ok);
        if (!ok || size < 16 || size > 1024) {
            std::fprintf(stderr, "bad icon size: %s\n", argv[i]);
            return 2;
        }
        sizes.append(size);
    }
    for (const int size : sizes) {
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(outDir).arg(size);
        if (!QDir().mkpath(dir)) {
            std::fprintf(stderr, "cannot create %s\n", qPrintable(dir));
            return 1;
        }
        const QString file = QStringLiteral("%1/%2.png").arg(dir, name);
        if (!artwork::Render(artwork::kTray, size).save(file, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
