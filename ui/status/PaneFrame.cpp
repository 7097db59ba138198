#include "PaneFrame.h"

#include <QPainter>
#include <QPalette>

namespace PaneFrame {

QRect DrawSunken(QPainter& painter, const QRect& outer, const QPalette& palette) {
    if (outer.width() <= 0 || outer.height() <= 0)
        return {};
    const QColor shadow = palette.color(QPalette::Dark);
    const QColor light = palette.color(QPalette::Light);
    // Shadow on top and left, light on bottom and right.
    painter.fillRect(QRect(outer.left(), outer.top(), outer.width(), Width), shadow);
    painter.fillRect(QRect(outer.left(), outer.top(), Width, outer.height()), shadow);
    painter.fillRect(QRect(outer.left(), outer.bottom() - Width + 1, outer.width(), Width), light);
    painter.fillRect(QRect(outer.right() - Width + 1, outer.top(), Width, outer.height()), light);
    return outer.adjusted(Width, Width, -Width, -Width);
}

} // namespace PaneFrame
