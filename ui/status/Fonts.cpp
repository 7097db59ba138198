#include "Fonts.h"

#include <QFont>
#include <QFontDatabase>
#include <QStringList>

QString WindowFontFamily() {
#ifdef Q_OS_WIN
    // Windows 10 and later always have it. Where it is missing (Wine) Tahoma stands in:
    // asked for a family it lacks, Windows' font mapper gives its default face, a serif
    // one, before Qt would look at its substitutes.
    static const QString family = QFontDatabase::families().contains(
                                      QStringLiteral("Microsoft Sans Serif"), Qt::CaseInsensitive)
                                      ? QStringLiteral("Microsoft Sans Serif")
                                      : QStringLiteral("Tahoma");
    return family;
#else
    return QStringLiteral("MS Sans Serif");
#endif
}

void RegisterFontSubstitutes() {
    // Liberation Sans has the widths of the narrow sans-serif faces these captions were
    // laid out for; DejaVu Sans is wider, and a last resort.
    const QStringList narrowSans = {QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                                    QStringLiteral("DejaVu Sans")};
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), narrowSans);
    QFont::insertSubstitutions(QStringLiteral("Tahoma"), narrowSans);
    QFont::insertSubstitutions(QStringLiteral("Verdana"),
                               {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
}
