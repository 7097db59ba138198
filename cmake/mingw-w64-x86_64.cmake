# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 (the posix thread model, which
# std::thread and std::mutex need). Programs use the compiler's runtime DLLs
# (libstdc++-6.dll, libgcc_s_seh-1.dll, libwinpthread-1.dll), the same ones Qt's DLLs use:
# one C++ runtime per process. The zip and the installer ship them beside the .exe files;
# to run a program from the build folder under Wine, WINEPATH names their folders
# (scripts/windows.sh sets it).
#
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DQUORREL_GUI=OFF
# With the window, through the Qt that scripts/windows-qt.sh builds:
#   QT/bin/qt-cmake -S . -B build-windows \
#         -DQT_CHAINLOAD_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_mingw_prefix x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_mingw_prefix}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_mingw_prefix}-g++-posix)
set(CMAKE_RC_COMPILER ${_mingw_prefix}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${_mingw_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Windows 7 and later: inet_ntop, inet_pton and GetAdaptersAddresses with IPv4 prefixes.
set(CMAKE_CXX_FLAGS_INIT "-D_WIN32_WINNT=0x0601")
set(CMAKE_C_FLAGS_INIT "-D_WIN32_WINNT=0x0601")
# -O2 as in the native builds: MinGW's GCC 12 at -O3 warns about std::string code of its own
# library that cannot overlap (-Wrestrict, a known false positive).
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "Flags of Release builds")
set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "Flags of Release builds")

# Header-only libraries from Debian's packages, with their headers alone on the include
# path (cmake/cross/<package>/).
set(nlohmann_json_DIR ${CMAKE_CURRENT_LIST_DIR}/cross/nlohmann_json)

# Test programs run under Wine when it is there (ctest, and test discovery).
if(NOT DEFINED CMAKE_CROSSCOMPILING_EMULATOR)
    find_program(QUORREL_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_DEFAULT_PATH)
    if(NOT QUORREL_WINE)
        find_program(QUORREL_WINE NAMES wine64 wine)
    endif()
    if(QUORREL_WINE)
        set(CMAKE_CROSSCOMPILING_EMULATOR ${QUORREL_WINE})
    endif()
endif()
