// Shared main of the test binaries that need no Qt: on Linux the process first leaves the
// machine's network for a private namespace of its own. Under Windows the caller provides
// the private network (the whole run is started inside one namespace); Enter() checks it.
#include "PrivateNet.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    privatenet::EnterUnlessListing(argc, argv); // failures are reported by the tests that need it
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
