// What AddressProbe.cpp and the system's own probe share. The LAN is asked through the
// neighbour table in AddressProbe_linux.cpp and with SendARP in AddressProbe_win.cpp, of
// which the build takes one.
#pragma once

#include "AddressProbe.h"

#include <chrono>
#include <vector>

namespace core::probe {

// Asks the LAN for every request (each one a card's neighbour, checked already), until an
// answer is in for each or until has come. The answers in the order of requests.
std::vector<ProbeAnswer> AskLan(const std::vector<ProbeRequest>& requests,
                                std::chrono::steady_clock::time_point until);

} // namespace core::probe
