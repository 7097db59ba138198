// The window's family on Windows, where "MS Sans Serif" is a bitmap font.
#include "Fonts.h"

#include <QFontDatabase>
#include <QStringList>

QString WindowFontFamily() {
    // Windows 10 and later always have it. Where it is missing (Wine) Tahoma stands in:
    // asked for a family it lacks, Windows' font mapper gives its default face, a serif
    // one, before Qt would look at its substitutes.
    static const QString family = QFontDatabase::families().contains(
                                      QStringLiteral("Microsoft Sans Serif"), Qt::CaseInsensitive)
                                      ? QStringLiteral("Microsoft Sans Serif")
                                      : QStringLiteral("Tahoma");
    return family;
}
