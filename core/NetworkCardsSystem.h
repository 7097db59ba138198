// What NetworkCards.cpp and the system's own card listing share. The listing is asked of
// getifaddrs in NetworkCards_posix.cpp and of GetAdaptersAddresses in NetworkCards_win.cpp,
// of which the build takes one.
#pragma once

#include "NetworkCards.h"
#include "SocketApi.h"

#include <string>
#include <vector>

namespace core::cards {

// What the listing needs to know of a card.
struct CardState {
    NetworkCard card;
    bool running = false; // up, with a link
    bool loopback = false;
    bool broadcast = false;
    bool arp = false;           // up, and asks its neighbours by ARP
    std::vector<Ip4> addresses; // all of its IPv4 addresses, the first one first
};

// Every card with an IPv4 address, in the system's order, each listed once.
std::vector<CardState> CardsWithAddress();

} // namespace core::cards
