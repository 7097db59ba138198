// The bench's own private network: a fresh network namespace with only loopback, where
// everything (broadcasts included) is routed to lo. Same recipe as the tests use.
#pragma once

#include <string>

namespace benchnet {

// Enters the namespace (root: CLONE_NEWNET; otherwise with a new user namespace). Call
// before any thread starts. Empty text on success, else what went wrong.
std::string Enter();

} // namespace benchnet
