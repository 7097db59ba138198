// Paints a widget into an off-screen bitmap of its own size and copies that to the screen
// in one step, so a gradient or a styled button never flickers while it is drawn.
#pragma once

#include <QPainter>
#include <QPixmap>
#include <QWidget>

// paint(painter, width, height) draws the whole widget.
template <typename Paint> void PaintOffscreen(QWidget& widget, Paint paint) {
    const qreal dpr = widget.devicePixelRatioF();
    QPixmap buffer(widget.size() * dpr);
    buffer.setDevicePixelRatio(dpr);
    {
        QPainter bp(&buffer);
        paint(bp, widget.width(), widget.height());
    }
    QPainter p(&widget);
    p.drawPixmap(0, 0, buffer);
}
