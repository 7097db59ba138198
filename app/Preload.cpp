#include "Preload.h"

#include "Fonts.h"

#include <QFontMetrics>

#ifndef _WIN32
#include <QImageReader>
#include <dlfcn.h>
#endif

std::jthread ReadFontConfiguration() {
#ifdef _WIN32
    return {};
#else
    // Only a library already loaded, as Qt's own dependency: the program does not need it.
    void* library = ::dlopen("libfontconfig.so.1", RTLD_LAZY | RTLD_NOLOAD);
    if (library == nullptr)
        return {};
    using Init = int (*)();
    const auto init = reinterpret_cast<Init>(::dlsym(library, "FcInit"));
    return std::jthread([library, init] {
        if (init != nullptr)
            init(); // fontconfig keeps the configuration for Qt, whichever thread loads it
        ::dlclose(library);
    });
#endif
}

std::jthread LoadFontsAndImagePlugins() {
    return std::jthread([] {
        // The first font loaded fills the font database, and every font and script has
        // fontconfig sort all families as fallbacks for its own; Qt keeps both for all
        // threads (the loaded fonts and their glyphs it keeps per thread: the window loads
        // those anew). A Cyrillic and a Latin word, as in the window's captions.
        for (const QFont& font : WindowFonts())
            QFontMetrics(font).boundingRect(QStringLiteral("Поиск IP"));
#ifndef _WIN32
        QImageReader::supportedImageFormats();
#endif
    });
}
