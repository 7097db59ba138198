#include "BalloonHints.h"

#include <QApplication>
#include <QFont>
#include <QPalette>
#include <QToolTip>

void ApplyBalloonHintStyle(QApplication& app) {
    QFont font(QStringLiteral("Tahoma"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    // The font of the application's hint windows (what QToolTip::setFont sets).
    app.setFont(font, "QTipLabel");

    QPalette palette = QToolTip::palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::ToolTipBase, BalloonHints::InfoBackground);
        palette.setColor(group, QPalette::ToolTipText, BalloonHints::InfoText);
    }
    QToolTip::setPalette(palette);
}
