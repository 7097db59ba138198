// Families the window and its dialogs ask for by name, with stand-ins of similar width
// where a machine lacks them. The window's own family differs on Windows: Fonts_win.cpp
// and Fonts_posix.cpp, of which the build takes one.
#pragma once

#include <QFont>
#include <QList>
#include <QString>

// The family of the window's own text: "MS Sans Serif". On Windows that name is a bitmap
// font with a few fixed sizes (no ClearType, text jumping between sizes when scaled), so
// there the window asks for its TrueType successor "Microsoft Sans Serif", which has the
// same widths, or for Tahoma where that is missing. Needs the application object.
QString WindowFontFamily();

// The window's own text: its family, 11 pixels high.
QFont WindowFont();
// The status bar's: the window's family at 8 pt, or the nearest sans-serif family there is.
QFont StatusBarFont();
// The operation status line's: the window's family, 13 pixels high; the font database picks
// the nearest sans-serif family when it is missing.
QFont MarqueeFont();
// The fonts the window draws with: its own three and Qt's default, which an edit field lays
// out its empty text with before it takes the window's.
QList<QFont> WindowFonts();

// Registers the stand-ins for "MS Sans Serif", "Tahoma" and "Verdana" with the font
// matcher, so every widget that asks for one of them gets text of about the same width.
void RegisterFontSubstitutes();
