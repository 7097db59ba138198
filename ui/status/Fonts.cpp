#include "Fonts.h"

#include <QFont>
#include <QStringList>

QFont WindowFont() {
    QFont font(WindowFontFamily());
    font.setPixelSize(11);
    return font;
}

QFont StatusBarFont() {
    QFont font(WindowFontFamily());
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    return font;
}

QFont MarqueeFont() {
    QFont font(WindowFontFamily());
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(13);
    return font;
}

QList<QFont> WindowFonts() {
    return {WindowFont(), StatusBarFont(), MarqueeFont(), QFont()};
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
