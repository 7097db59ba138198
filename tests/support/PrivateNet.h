// Private network for tests: the test process leaves the machine's network for a fresh
// namespace of its own in which only a loopback interface exists. Broadcasts and
// datagrams to the simulated controllers' addresses then stay inside the process tree.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace privatenet {

// Enters a fresh network namespace (as root with CLONE_NEWNET, otherwise together with a
// new user namespace), brings lo up and routes everything, broadcasts included, to lo.
// Returns an empty string on success, else what went wrong. Call before any thread starts.
std::string Enter();

// Enter() for a test binary's main: skipped when the binary is only asked to list its
// tests (test discovery at build time needs no network).
inline std::string EnterUnlessListing(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::string_view(argv[i]).starts_with("--gtest_list_tests"))
            return {};
    return Enter();
}

// True when Enter() succeeded in this process.
bool Active();

// The reason Enter() failed (empty when it succeeded or was never called).
const std::string& Failure();

// Adds an address (for example "192.168.1.10/32") to lo inside the private namespace.
// Returns an empty string on success, else the error.
std::string AddAddress(const std::string& cidr);

// Runs `ip` with the given arguments, in the namespace at netnsPath (for example
// /proc/PID/ns/net) or, when it is empty, in the caller's. Gives an empty string on
// success, else the command and what it printed.
std::string RunIp(const std::vector<std::string>& args, const std::string& netnsPath = {});

} // namespace privatenet

// For fixtures: fail the current test with a clear message unless the private network
// is in place. Never skip: a test that needs the network must not pass without it.
#define REQUIRE_PRIVATE_NETWORK()                                                                  \
    do {                                                                                           \
        ASSERT_TRUE(privatenet::Active())                                                          \
            << "cannot create a private network namespace: " << privatenet::Failure();             \
    } while (0)
