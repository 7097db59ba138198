// The window's family where the system has no "MS Sans Serif" of its own: the name as it
// is, which the substitutes of RegisterFontSubstitutes stand in for.
#include "Fonts.h"

QString WindowFontFamily() {
    return QStringLiteral("MS Sans Serif");
}
