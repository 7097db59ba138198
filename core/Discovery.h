// The search for controllers without a window: one search (Search.h) that listens for a
// timeout and gives every controller it heard, once.
#pragma once

#include "Controllers.h"
#include "Ports.h"

#include <cstdint>

namespace core {

struct DiscoveryResult {
    bool opened = false;    // false: none of the three local ports could be opened
    uint16_t localPort = 0; // the port the requests left from
    Controllers controllers;
    bool askedAgain = false; // see Search::AskedAgain
};

// Searches destination from the first local port of base, base + 1, base + 2 that opens
// (see Search::Start for card), for timeoutMs on the steady clock. The controllers in the
// order first heard, each with the record of its latest reply.
DiscoveryResult Discover(const Ip4& destination, int timeoutMs, uint16_t base = kLocalPortBase,
                         unsigned card = 0);

} // namespace core
