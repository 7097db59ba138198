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
//
// On Windows the plugins are left to the main thread. Looking for them lists the plugin
// folder through a name filter, a regular expression, and Qt keeps a thread_local JIT stack
// for every thread that matches one. When such a thread ends, MinGW's runtime runs the
// thread_local destructors and frees the thread_local storage in no set order (GCC bug
// 80816): the destructor may read freed memory, which another thread may have reused, as
// the JIT stack's pointer, and the thread then died in pcre2_jit_stack_free in about half
// the starts with image plugins beside the program. Measuring the fonts matches no regular
// expression there. The shipped folder has no image plugin, so nothing was read ahead
// there anyway.
std::jthread LoadFontsAndImagePlugins();
