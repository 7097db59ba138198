// What the window's first paint needs from disk, read ahead on threads of their own while the
// main thread is busy elsewhere (connecting to the display, building the window). Each
// thread only warms what Qt would otherwise load on the main thread when it first needs it;
// nothing is left to wait for, and joining the thread (its destructor) never takes long.
#pragma once

#include <thread>

// Reads the system's font configuration where Qt takes its fonts from fontconfig (loaded
// together with Qt there). Needs no application object yet. Elsewhere an empty thread.
std::jthread ReadFontConfiguration();

// Measures text in the window's fonts, which fills Qt's font database and its lists of
// fallback families (the first text measured in each font would), then loads Qt's image
// format plugins (the style draws some frames of the window from images, and reading the
// first image loads every plugin). Needs the application object and the font substitutes.
std::jthread LoadFontsAndImagePlugins();
