// Shared main of every test binary: private network first (before Qt starts any thread),
// then a QApplication on the offscreen platform unless a display was asked for.
#include "PrivateNet.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    privatenet::EnterUnlessListing(argc, argv); // failures are reported by the tests that need it

    // Test discovery runs this binary at build time, where ctest's ENVIRONMENT is not set.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
