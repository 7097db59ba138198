// The search for controllers without a window: one search (Search.h) that listens for a
// timeout and gives every valid reply it heard.
#pragma once

#include "Ports.h"
#include "Search.h"

#include <cstdint>
#include <vector>

namespace core {

struct DiscoveryResult {
    bool opened = false;    // false: none of the three local ports could be opened
    uint16_t localPort = 0; // the port the request left from
    std::vector<HeardReply> replies;
    bool askedAgain = false; // see Search::AskedAgain
};

// Sends one "TR" to destination port 5001 from the first local port of base, base + 1,
// base + 2 that opens (see Search::Start for card). Gives every valid reply heard within
// timeoutMs (on the steady clock), in arrival order, doubles kept.
DiscoveryResult Discover(const Ip4& destination, int timeoutMs, uint16_t base = kLocalPortBase,
                         unsigned card = 0);

} // namespace core
