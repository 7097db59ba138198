// The machine's IPv4 network cards, as a broadcast search needs them: which cards a limited
// broadcast can leave by, and whether a card is still there.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace core {

struct NetworkCard {
    unsigned index = 0;  // the system's interface index (0: none)
    std::string name;    // e.g. "eth0"
    std::string address; // the card's IPv4 address, dotted quad
    unsigned prefix = 0; // that address's network prefix length, e.g. 24
};

// Every card that is up and running, not loopback, broadcast-capable and has an IPv4
// address, in the system's order. A card with several addresses is listed once, with its
// first.
std::vector<NetworkCard> BroadcastCards();

// The card with this index if it is still there: up and running with an IPv4 address.
std::optional<NetworkCard> CardByIndex(unsigned index);

// The system's name of the card with that index; empty for 0 or an unknown card.
std::string CardName(unsigned index);

// The broadcast cards that a limited broadcast (255.255.255.255) sent without a card does
// not leave by: all of them but the one the system's routing picks. Empty on a machine
// with a single card.
std::vector<NetworkCard> CardsBesideRoute();

} // namespace core
