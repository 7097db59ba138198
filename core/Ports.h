// The addresses and ports of the controller protocol: controllers listen on one port; a
// request or a frame leaves from the first of three local ports that opens.
#pragma once

#include <array>
#include <cstdint>

namespace core {

using Ip4 = std::array<uint8_t, 4>; // written order: [0] is the first group

constexpr uint16_t kControllerPort = 5001;
constexpr uint16_t kLocalPortBase = 6002; // then 6003, 6004
constexpr int kLocalPortTries = 3;
// The local ports as a firewall rule or a message names them.
inline constexpr char kLocalPortRange[] = "6002-6004";

// The limited broadcast address, the destination of a search (and of a write) that reaches
// every controller on the cards' segments.
inline constexpr Ip4 kBroadcast{255, 255, 255, 255};

} // namespace core
