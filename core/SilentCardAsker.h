// The second chance of a broadcast search behind a host firewall. Controllers answer a
// broadcast by unicast from their own addresses; a stateful firewall that drops incoming
// traffic matches no such reply to the request and drops it. Each controller has asked for
// our hardware address before answering, so it is in the neighbour table; a request sent
// to it by unicast gets a reply the firewall lets through.
//
// After the broadcast went out on some cards, this looks at the neighbour table a short while
// later, and again now and then while a card is silent, for the neighbours to ask again: on
// every card that has had no valid reply to the broadcast, those whose neighbour entry was
// created or updated since the request, each once. A controller that asks for our address
// late (a slow one, or one behind a Wi-Fi link that was asleep) is asked when it shows. On
// a card that did hear a reply nothing more is sent.
#pragma once

#include "Neighbours.h"
#include "Ports.h"

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

namespace core {

class SilentCardAsker {
public:
    // How long after the request the neighbour table is first looked at, and how often again.
    static constexpr std::chrono::milliseconds kWait{250};
    static constexpr std::chrono::milliseconds kLookAgainEvery{150};

    using NeighbourSource = std::function<std::vector<Neighbour>()>;

    // cards: interface indexes the request went out on.
    explicit SilentCardAsker(std::vector<unsigned> cards, NeighbourSource read = ReadNeighbours);

    // A valid reply arrived on card from sender. One from an address that was asked again
    // answers that ask, not the broadcast: its card stays silent.
    void Heard(unsigned card, const Ip4& sender);

    struct Target {
        Ip4 address{};
        unsigned card = 0;
        bool operator==(const Target&) const = default;
    };

    // Empty until the next look (see NextLook); then the neighbours to ask again that were
    // not asked yet, in the table's order.
    std::vector<Target> Due(std::chrono::milliseconds sinceRequest);
    // When Due looks at the neighbour table next, from the request; nothing once every card
    // has heard a reply.
    std::optional<std::chrono::milliseconds> NextLook() const;

    // Some unicast re-ask was handed out by Due.
    bool Asked() const { return !asked_.empty(); }

private:
    struct Card {
        unsigned index;
        bool heard;
    };
    std::vector<Card> cards_;
    NeighbourSource read_;
    std::chrono::milliseconds nextLook_ = kWait;
    std::vector<Ip4> asked_;
};

} // namespace core
