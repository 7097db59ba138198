#include "XiPanel.h"

#include "DialogLayout.h"
#include "OffscreenPaint.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <array>

namespace {
struct TPanelColours {
    QColor Face, Grad, Light, Dark;
};

// Indexed by TXiPanel::TColorScheme; entry 0 (custom) is never applied.
const std::array<TPanelColours, 7> kPanelSchemes = {{
    {{}, {}, {}, {}},
    {{255, 255, 255}, {245, 226, 194}, {222, 178, 112}, {164, 108, 40}},  // desert
    {{255, 255, 255}, {206, 240, 196}, {112, 190, 92}, {40, 120, 32}},    // grass
    {{255, 255, 255}, {226, 226, 232}, {170, 170, 182}, {104, 104, 116}}, // silver
    {{255, 255, 255}, {193, 224, 255}, {77, 150, 240}, {0, 89, 179}},     // sky
    {{255, 255, 255}, {255, 216, 226}, {236, 132, 162}, {178, 40, 82}},   // rose
    {{255, 255, 255}, {255, 240, 180}, {240, 198, 64}, {186, 128, 0}},    // sun
}};
} // namespace

TXiPanel::TXiPanel(QWidget* parent) : QFrame(parent) {
    // Every pixel is painted by paintEvent.
    setAttribute(Qt::WA_OpaquePaintEvent);
    SetColorScheme(csSky);
}

void TXiPanel::SetColorFace(const QColor& c) {
    FColorFace = c;
    FColorScheme = csCustom;
    update();
}

void TXiPanel::SetColorGrad(const QColor& c) {
    FColorGrad = c;
    FColorScheme = csCustom;
    update();
}

void TXiPanel::SetColorLight(const QColor& c) {
    FColorLight = c;
    FColorScheme = csCustom;
    update();
}

void TXiPanel::SetColorDark(const QColor& c) {
    FColorDark = c;
    FColorScheme = csCustom;
    update();
}

void TXiPanel::SetColorScheme(uint8_t scheme) {
    if (scheme >= kPanelSchemes.size())
        return;
    FColorScheme = scheme;
    if (scheme != csCustom) {
        const TPanelColours& c = kPanelSchemes[scheme];
        FColorFace = c.Face;
        FColorGrad = c.Grad;
        FColorLight = c.Light;
        FColorDark = c.Dark;
    }
    update();
}

void TXiPanel::SetFillDirection(TFillDirection d) {
    FFillDirection = d;
    update();
}

void TXiPanel::SetCaption(const QString& caption) {
    FCaption = caption;
    update();
}

void TXiPanel::paintEvent(QPaintEvent*) {
    PaintOffscreen(*this, [this](QPainter& p, int w, int h) { PaintTo(p, w, h); });
}

void TXiPanel::PaintTo(QPainter& p, int w, int h) const {
    if (w <= 0 || h <= 0)
        return;
    p.setRenderHint(QPainter::Antialiasing, false);
    switch (FFillDirection) {
    case fdVertical:
        for (int y = 0; y < h; ++y)
            p.fillRect(0, y, w, 1, dlglayout::PanelLineColour(FColorFace, FColorGrad, y, h));
        break;
    case fdHorizontal:
        for (int x = 0; x < w; ++x)
            p.fillRect(x, 0, 1, h, dlglayout::PanelLineColour(FColorFace, FColorGrad, x, w));
        break;
    case fdDiagonal: {
        QLinearGradient g(0, 0, w, h);
        g.setColorAt(0, FColorFace);
        g.setColorAt(1, FColorGrad);
        p.fillRect(0, 0, w, h, g);
        break;
    }
    }

    // One-pixel raised bevel: the light edge owns the bottom-left corner, the dark edge the
    // top-right one.
    p.fillRect(w - 1, 0, 1, h, FColorDark);
    p.fillRect(1, h - 1, w - 1, 1, FColorDark);
    p.fillRect(0, 0, 1, h, FColorLight);
    p.fillRect(0, 0, w - 1, 1, FColorLight);

    if (!FCaption.isEmpty()) {
        p.setPen(palette().color(QPalette::WindowText));
        p.setFont(font());
        p.drawText(QRect(0, 0, w, h), Qt::AlignCenter | Qt::TextSingleLine, FCaption);
    }
}
