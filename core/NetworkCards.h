// The machine's IPv4 network cards, as a broadcast search needs them: which cards a limited
// broadcast can leave by, and whether a card is still there.
#pragma once

#include "Ports.h"

#include <optional>
#include <string>
#include <vector>

namespace core {

struct NetworkCard {
    unsigned index = 0;  // the system's interface index (0: none)
    std::string name;    // e.g. "eth0"
    Ip4 address{};       // the card's IPv4 address
    unsigned prefix = 0; // that address's network prefix length, e.g. 24
};

// Every card that is up and running, not loopback, broadcast-capable and has an IPv4
// address, in the system's order. A card with several addresses is listed once, with its
// first.
std::vector<NetworkCard> BroadcastCards();

// Every card that is up and running, not loopback and able to carry broadcasts, but has no
// IPv4 address (a DHCP server that never answered), by name, in the system's order.
std::vector<std::string> CardsWithoutAddress();

// The command that gives the named card an IPv4 address by hand, for example
// "sudo ip address add 192.168.1.2/24 dev eth1" (address: dotted quad; prefix: 0 to 32).
std::string AddressCommand(const std::string& card, const std::string& address, unsigned prefix);

// The card with this index if it is still there: up and running with an IPv4 address.
std::optional<NetworkCard> CardByIndex(unsigned index);

// Every IPv4 address of this computer's cards that are not loopback, up or not, in the
// system's order: the addresses a controller on the network would clash with.
std::vector<Ip4> OwnAddresses();

// The indexes of the cards with an IPv4 address that are up and ask their neighbours by ARP:
// not loopback, not a point-to-point link, not a card without ARP.
std::vector<unsigned> ArpCards();

// The system's name of the card with that index; empty for 0 or an unknown card.
std::string CardName(unsigned index);

// The broadcast cards that a limited broadcast (255.255.255.255) sent without a card does
// not leave by: all of them but the one the system's routing picks. Empty on a machine
// with a single card.
std::vector<NetworkCard> CardsBesideRoute();

} // namespace core
