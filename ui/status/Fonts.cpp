#include "Fonts.h"

#include <QFont>
#include <QStringList>

QString WindowFontFamily() {
#ifdef Q_OS_WIN
    return QStringLiteral("Microsoft Sans Serif");
#else
    return QStringLiteral("MS Sans Serif");
#endif
}

void RegisterFontSubstitutes() {
#ifdef Q_OS_WIN
    // Windows 10 and later always have "Microsoft Sans Serif"; Wine has Tahoma instead.
    QFont::insertSubstitution(QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Tahoma"));
#endif
    // Liberation Sans has the widths of the narrow sans-serif faces these captions were
    // laid out for; DejaVu Sans is wider, and a last resort.
    const QStringList narrowSans = {QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                                    QStringLiteral("DejaVu Sans")};
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), narrowSans);
    QFont::insertSubstitutions(QStringLiteral("Tahoma"), narrowSans);
    QFont::insertSubstitutions(QStringLiteral("Verdana"),
                               {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
}
