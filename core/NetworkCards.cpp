// Which of the machine's cards a broadcast search can use; the system's listing of them is
// in NetworkCards_posix.cpp and NetworkCards_win.cpp.
#include "NetworkCards.h"

#include "NetworkCardsSystem.h"
#include "UdpSocket.h"

#include <algorithm>

namespace core {
namespace {

using cards::CardState;
using cards::CardsWithAddress;

bool IsBroadcastCard(const CardState& s) {
    return s.running && !s.loopback && s.broadcast;
}

} // namespace

std::vector<NetworkCard> BroadcastCards() {
    std::vector<NetworkCard> cards;
    for (auto& s : CardsWithAddress())
        if (IsBroadcastCard(s))
            cards.push_back(std::move(s.card));
    return cards;
}

std::optional<NetworkCard> CardByIndex(unsigned index) {
    if (index == 0)
        return std::nullopt;
    for (auto& s : CardsWithAddress())
        if (s.card.index == index && s.running)
            return std::move(s.card);
    return std::nullopt;
}

std::vector<Ip4> OwnAddresses() {
    std::vector<Ip4> addresses;
    for (const CardState& s : CardsWithAddress())
        if (!s.loopback)
            addresses.insert(addresses.end(), s.addresses.begin(), s.addresses.end());
    return addresses;
}

std::vector<unsigned> ArpCards() {
    std::vector<unsigned> cards;
    for (const CardState& s : CardsWithAddress())
        if (s.arp)
            cards.push_back(s.card.index);
    return cards;
}

std::vector<NetworkCard> CardsBesideRoute() {
    std::vector<NetworkCard> cards;
    const std::vector<CardState> all = CardsWithAddress();
    if (std::none_of(all.begin(), all.end(), IsBroadcastCard))
        return cards;
    const std::optional<Ip4> routed = UdpSocket::RouteSource(kBroadcast);
    // The routed datagram leaves by the card holding the source address it was given.
    for (const CardState& s : all)
        if (IsBroadcastCard(s) && (!routed || std::find(s.addresses.begin(), s.addresses.end(),
                                                        *routed) == s.addresses.end()))
            cards.push_back(s.card);
    return cards;
}

} // namespace core
