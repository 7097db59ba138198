# GoogleTest for cross builds: there is no GoogleTest package for the target system, so it
# is compiled from source (Debian's googletest package puts it in /usr/src/googletest)
# with the same compiler as everything else. Provides the GTest::gtest target that
# find_package(GTest) gives in native builds.
set(QUORREL_GTEST_SOURCE "/usr/src/googletest" CACHE PATH "GoogleTest sources for cross builds")
if(NOT EXISTS "${QUORREL_GTEST_SOURCE}/googletest/CMakeLists.txt")
    message(FATAL_ERROR "No GoogleTest sources in ${QUORREL_GTEST_SOURCE} "
                        "(install the googletest package or set QUORREL_GTEST_SOURCE)")
endif()
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
# The MinGW thread model gives gtest no pthreads; it uses Windows' own locks.
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
add_subdirectory("${QUORREL_GTEST_SOURCE}/googletest" "${CMAKE_BINARY_DIR}/googletest"
                 EXCLUDE_FROM_ALL SYSTEM)
if(NOT TARGET GTest::gtest)
    add_library(GTest::gtest ALIAS gtest)
endif()

# Listing the tests of a program means running it, here through the emulator (Wine),
# which takes seconds per program: list them when ctest starts, not after every link.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
