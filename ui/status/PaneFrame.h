// Drawing shared by the status widgets: the thin sunken frame around a pane and the
// fixed colours the panes use.
#pragma once

#include <QColor>
#include <QRect>

class QPainter;
class QPalette;

namespace PaneFrame {

// Windows' default "gradient active caption" colour, used for the progress bar.
inline constexpr QColor GradientActiveCaption{185, 209, 234};

// Width of the frame drawn by DrawSunken, on every side.
inline constexpr int Width = 1;

// Draws a one-pixel sunken frame along the edges of outer and returns the area inside it.
QRect DrawSunken(QPainter& painter, const QRect& outer, const QPalette& palette);

} // namespace PaneFrame
