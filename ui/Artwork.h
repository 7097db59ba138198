// The program's own images, drawn in code on a 16 x 16 grid, at the indexes the window uses:
// 0 exit, 4 broadcast search, 18 search by address, 50 tray icon, 51 write, 52 write
// (disabled). Other indexes give an empty image. The icons draw them at the pixel size the
// screen needs (32 pixels for a 16-pixel icon at 200 %); at 100 % they are the 16 x 16
// images.
#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>

namespace artwork {

constexpr int kExit = 0;
constexpr int kBroadcastSearch = 4;
constexpr int kSearchByAddress = 18;
constexpr int kTray = 50;
constexpr int kWrite = 51;
constexpr int kWriteDisabled = 52;

// The sizes of the program's icon, as the Windows program file carries it: the window and
// tray icon have them all, so the taskbar, Alt+Tab and the tray stay sharp when scaled.
constexpr int kIconSizes[] = {16, 24, 32, 48, 64, 256};

// The 16 x 16 image.
QPixmap Image(int index);
// The same drawing at size x size pixels (the installed icons are made from it).
QImage Render(int index, int size);
// Image `index` drawn at the size and device pixel ratio asked for.
QIcon Icon(int index);
// The write button's icon, drawn as Icon draws: image 51, and image 52 in the disabled mode.
QIcon WriteButtonIcon();
// The window's and the tray's icon: image 50 at every size of kIconSizes.
QIcon WindowIcon();

} // namespace artwork
