// The search for controllers without a window: one discovery request, then every valid
// reply heard within a timeout. The window's search is built from the same pieces
// (UdpSocket, CardsBesideRoute, ReplyReader).
#pragma once

#include "Ports.h"
#include "UdpSocket.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace core {

// The first of base, base + 1, base + 2 that opens (its number in *opened), or an invalid
// socket when none does (*opened: 0).
UdpSocket OpenLocalPort(uint16_t base, uint16_t* opened = nullptr);

struct HeardReply {
    std::string sender; // the reply's sender address
    uint16_t senderPort = 0;
    unsigned card = 0; // interface index it arrived on (0: unknown)
    std::string cardName;
    std::array<uint8_t, 30> bytes{}; // the whole valid reply (length 30, sum 0)
};

struct DiscoveryResult {
    bool opened = false;    // false: none of the three local ports could be opened
    uint16_t localPort = 0; // the port the request left from
    std::vector<HeardReply> replies;
};

// Sends one "TR" to destination port 5001 from the first local port of base, base + 1,
// base + 2 that opens. For "255.255.255.255" it goes out routed once plus once on every
// other broadcast card. Gives every valid reply heard within timeoutMs, in arrival order,
// doubles kept.
DiscoveryResult Discover(const std::string& destination, int timeoutMs,
                         uint16_t base = kLocalPortBase);

} // namespace core
