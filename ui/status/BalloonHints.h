// The look of the program's hint windows: "Tahoma" 8 pt (or the nearest family), black
// text on the pale yellow info background. No control of the window has a hint, so this
// only decides how one would look.
#pragma once

#include <QColor>

class QApplication;

namespace BalloonHints {
inline constexpr QColor InfoBackground{255, 255, 225};
inline constexpr QColor InfoText{0, 0, 0};
} // namespace BalloonHints

void ApplyBalloonHintStyle(QApplication& app);
