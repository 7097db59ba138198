// Shared main of every test binary: private network first (before Qt starts any thread),
// then a QApplication on the offscreen platform unless a display was asked for.
#include "PrivateNet.h"

#include <QApplication>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    bool listing = false;
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--gtest_list_tests", 18) == 0)
            listing = true;
    if (!listing)
        privatenet::Enter(); // failures are reported by the tests that need the network

    // Test discovery runs this binary at build time, where ctest's ENVIRONMENT is not set.
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);

    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
