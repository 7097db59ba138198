#include "Fonts.h"

#include <QFont>
#include <QStringList>

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
