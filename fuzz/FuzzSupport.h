// Helpers shared by the fuzz targets.
#pragma once

#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <string>

// Stops the run with a message when a property of the code under test does not hold;
// libFuzzer then keeps the input as a crash.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);     \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

// True when HostToAddr can read the text without asking a name resolver: the system's own
// number parser accepts it (255.255.255.255 is the one valid text that reads as -1). No
// other text is ever handed to HostToAddr by a fuzz target, so a run never waits on a
// name server nor sends a query.
inline bool ReadsWithoutResolver(const std::string& text) {
    if (text.find_first_not_of("0123456789.") != std::string::npos)
        return false;
    return inet_addr(text.c_str()) != INADDR_NONE || text == "255.255.255.255";
}
