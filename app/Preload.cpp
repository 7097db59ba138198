#include "Preload.h"

#include <QFontDatabase>
#include <QImageReader>

#ifndef _WIN32
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
        QFontDatabase::families();
        QImageReader::supportedImageFormats();
    });
}
