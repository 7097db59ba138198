// Layout arithmetic of the message box and the input query, kept apart from font measuring so
// that every size can be computed (and checked) from the two dialog units alone.
#pragma once

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <vector>

namespace dlglayout {

// a * b / c rounded to the nearest integer, halves away from zero; -1 when c is 0 or the
// result does not fit into 32 bits (the classic MulDiv contract).
int MulDiv(int a, int b, int c);

// The 52 letters whose extent defines the dialog units.
inline const QString kUnitLetters =
    QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");

struct TDialogUnits {
    int X = 0; // average letter width
    int Y = 0; // line height
};

// X = width of the 52 letters integer-divided by 52, Y = their height.
TDialogUnits DialogUnitsFromExtent(QSize letterExtent);

// Margins, gaps and button size of the message box.
struct TMessageMetrics {
    int MarginX = 0;
    int MarginY = 0;
    int GapX = 0;
    int GapY = 0;
    int BtnW = 0;
    int BtnH = 0;
    int BtnGap = 0;
};
TMessageMetrics MessageMetrics(TDialogUnits u);

constexpr int kIconSize = 32;

struct TMessageLayout {
    TMessageMetrics M;
    int BodyW = 0;
    int BodyH = 0;
    int RowW = 0;
    QSize Client;
    QRect Icon;                 // empty when the kind has no icon
    QRect Message;              // left/top of the text and its measured size
    std::vector<QRect> Buttons; // in button order
};

// textSize is the word-wrapped extent of the message (widest line, total height).
TMessageLayout LayoutMessageBox(TDialogUnits u, QSize textSize, bool hasIcon, int buttonCount);

struct TQueryLayout {
    QSize Client;
    QPoint Prompt;
    int EditLeft = 0;
    int EditTop = 0;
    int EditWidth = 0;
    QRect Ok;
    QRect Cancel;
};
TQueryLayout LayoutInputQuery(TDialogUnits u);

// Longest line of a message before it wraps: half the screen width.
inline int WrapWidthLimit(int screenWidth) {
    return screenWidth / 2;
}

// Top-left corner that centres a window of the given outer size on the screen.
QPoint CentredTopLeft(const QRect& screen, QSize window);

// Colour of line y (0 <= y < h) of the panel's gradient: face + (grad - face) * y / h per
// channel in double precision, rounded to nearest with ties to even.
QColor PanelLineColour(const QColor& face, const QColor& grad, int y, int h);

// Colour of line k (0 <= k <= h - 1) of the form's background gradient:
// top + (bottom - top) * k / (h - 1) per channel, truncated toward zero.
QColor BackgroundLineColour(const QColor& top, const QColor& bottom, int k, int h);

} // namespace dlglayout
