// The ports of the controller protocol: controllers listen on one port; a request or a
// frame leaves from the first of three local ports that opens.
#pragma once

#include <cstdint>

namespace core {

constexpr uint16_t kControllerPort = 5001;
constexpr uint16_t kLocalPortBase = 6002; // then 6003, 6004
constexpr int kLocalPortTries = 3;

// The limited broadcast address, the destination of a search (and of a write) that reaches
// every controller on the cards' segments.
inline constexpr char kBroadcastAddress[] = "255.255.255.255";

} // namespace core
