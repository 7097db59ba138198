// Shared main of the test binaries that need no Qt: on Linux the process first leaves the
// machine's network for a private namespace of its own. Under Windows the caller provides
// the private network (the whole run is started inside one namespace); Enter() checks it.
#include "PrivateNet.h"

#include <cstring>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    bool listing = false;
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--gtest_list_tests", 18) == 0)
            listing = true;
    if (!listing)
        privatenet::Enter(); // failures are reported by the tests that need the network
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
