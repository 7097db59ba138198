// Helpers shared by the fuzz targets.
#pragma once

#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>

// Stops the run with a message when a property of the code under test does not hold;
// libFuzzer then keeps the input as a crash.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);     \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)
