// Which of the machine's cards a broadcast search can use; the system's listing of them is
// in NetworkCards_posix.cpp and NetworkCards_win.cpp.
#include "NetworkCards.h"

#include "NetworkCardsSystem.h"

#include <algorithm>

namespace core {
namespace cards {

std::string AddressText(in_addr a) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &a, text, sizeof text);
    return text;
}

} // namespace cards

namespace {

using cards::AddressText;
using cards::CardState;
using cards::CardsWithAddress;

// The local address that the system's routing gives a datagram to 255.255.255.255, or
// empty text when it has no route for it. Nothing is sent: a connected datagram socket
// only looks the route up.
std::string RoutedBroadcastSource() {
    if (!sockapi::LibraryStartup())
        return {};
    std::string source;
    const sockapi::Handle h = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (h != sockapi::kInvalid) {
        const int32_t allBits = -1;
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(5001);
        to.sin_addr.s_addr = htonl(INADDR_BROADCAST);
        sockaddr_in local{};
        sockapi::AddrLen len = sizeof local;
        if (::setsockopt(h, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&allBits),
                         sizeof allBits) == 0 &&
            ::connect(h, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0 &&
            ::getsockname(h, reinterpret_cast<sockaddr*>(&local), &len) == 0 &&
            local.sin_addr.s_addr != htonl(INADDR_ANY))
            source = AddressText(local.sin_addr);
        sockapi::CloseHandle(h);
    }
    return source;
}

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

std::vector<NetworkCard> CardsBesideRoute() {
    std::vector<NetworkCard> cards;
    const std::vector<CardState> all = CardsWithAddress();
    if (std::none_of(all.begin(), all.end(), IsBroadcastCard))
        return cards;
    const std::string routed = RoutedBroadcastSource();
    // The routed datagram leaves by the card holding the source address it was given.
    for (const CardState& s : all)
        if (IsBroadcastCard(s) &&
            std::find(s.addresses.begin(), s.addresses.end(), routed) == s.addresses.end())
            cards.push_back(s.card);
    return cards;
}

} // namespace core
