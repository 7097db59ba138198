#include "Artwork.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QStyleOption>

namespace artwork {
namespace {

const QColor kBlue(0, 89, 179);
const QColor kSky(77, 150, 240);
const QColor kGreen(40, 150, 60);
const QColor kRed(200, 40, 40);
const QColor kGrey(150, 150, 150);

// A small box with two ports: the controller.
void DrawController(QPainter& p, const QColor& body, const QColor& led) {
    p.setPen(body.darker(150));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(1.5, 4.5, 13, 8), 1.5, 1.5);
    p.setBrush(led);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(3, 7, 2.5, 2.5));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(8, 7, 2, 3));
    p.drawRect(QRectF(11, 7, 2, 3));
}

void DrawExit(QPainter& p) {
    p.setPen(QPen(kBlue, 1));
    p.setBrush(QColor(230, 240, 255));
    p.drawRect(QRectF(2.5, 1.5, 8, 13)); // door frame
    p.setPen(QPen(kRed, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(7, 8), QPointF(14, 8)); // arrow out
    p.drawLine(QPointF(11.5, 5.5), QPointF(14, 8));
    p.drawLine(QPointF(11.5, 10.5), QPointF(14, 8));
}

void DrawBroadcast(QPainter& p) {
    p.setBrush(kBlue);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(6, 6, 4, 4));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kSky, 1.4));
    for (int r = 4; r <= 7; r += 3) {
        const QRectF box(8 - r, 8 - r, 2 * r, 2 * r);
        p.drawArc(box, -45 * 16, 90 * 16);
        p.drawArc(box, 135 * 16, 90 * 16);
    }
}

void DrawMagnifier(QPainter& p) {
    p.setPen(QPen(kBlue, 1.6));
    p.setBrush(QColor(220, 236, 255));
    p.drawEllipse(QRectF(1.5, 1.5, 9, 9));
    p.setPen(QPen(kBlue.darker(130), 2.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(9.5, 9.5), QPointF(14, 14));
}

void DrawWrite(QPainter& p, bool enabled) {
    const QColor main = enabled ? kGreen : kGrey;
    DrawController(p, enabled ? kSky : QColor(200, 200, 200), enabled ? kGreen : kGrey);
    QPainterPath arrow;
    arrow.moveTo(8, 4);
    arrow.lineTo(4, 0);
    arrow.lineTo(12, 0);
    arrow.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(main);
    p.drawPath(arrow.translated(0, 0.5));
}

// Draws image `index` on a 16 x 16 unit square.
void Paint(QPainter& p, int index) {
    p.setRenderHint(QPainter::Antialiasing);
    switch (index) {
    case kExit:
        DrawExit(p);
        break;
    case kBroadcastSearch:
        DrawBroadcast(p);
        break;
    case kSearchByAddress:
        DrawMagnifier(p);
        break;
    case kTray:
        DrawController(p, kSky, kGreen);
        break;
    case kWrite:
        DrawWrite(p, true);
        break;
    case kWriteDisabled:
        DrawWrite(p, false);
        break;
    default:
        break;
    }
}

// Draws its image at the pixel size asked for, so that a screen at 150 % or 200 % gets a
// drawing of 24 or 32 pixels rather than the 16-pixel one enlarged. Modes other than normal
// are made from the normal image by the style, as for an icon of one pixmap; a disabled
// image of its own replaces that in the disabled mode.
class ArtworkEngine final : public QIconEngine {
public:
    ArtworkEngine(int normal, int disabled) : normal_(normal), disabled_(disabled) {}

    QIconEngine* clone() const override { return new ArtworkEngine(normal_, disabled_); }
    QString key() const override { return QStringLiteral("QuorrelArtwork"); }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
        const int side = qMin(size.width(), size.height());
        if (side <= 0)
            return {};
        const bool ownImage = mode == QIcon::Disabled && disabled_ >= 0;
        QPixmap drawn = QPixmap::fromImage(Render(ownImage ? disabled_ : normal_, side));
        if (mode == QIcon::Normal || ownImage)
            return drawn;
        QStyleOption option;
        option.palette = QGuiApplication::palette();
        const QPixmap generated = QApplication::style()->generatedIconPixmap(mode, drawn, &option);
        return generated.isNull() ? drawn : generated;
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        const qreal ratio =
            painter->device() != nullptr ? painter->device()->devicePixelRatio() : 1;
        QPixmap drawn = pixmap((QSizeF(rect.size()) * ratio).toSize(), mode, state);
        drawn.setDevicePixelRatio(ratio);
        painter->drawPixmap(rect, drawn);
    }

private:
    int normal_;
    int disabled_; // -1: made by the style
};

} // namespace

QPixmap Image(int index) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    Paint(p, index);
    return pixmap;
}

QImage Render(int index, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.scale(size / 16.0, size / 16.0);
    Paint(p, index);
    return image;
}

QIcon Icon(int index) {
    return QIcon(new ArtworkEngine(index, -1));
}

QIcon WriteButtonIcon() {
    return QIcon(new ArtworkEngine(kWrite, kWriteDisabled));
}

QIcon WindowIcon() {
    QIcon icon;
    for (const int size : kIconSizes)
        icon.addPixmap(QPixmap::fromImage(Render(kTray, size)));
    return icon;
}

} // namespace artwork
