// The second chance of a broadcast search behind a host firewall. Controllers answer a
// broadcast by unicast from their own addresses; a stateful firewall that drops incoming
// traffic matches no such reply to the request and drops it. Each controller has asked for
// our hardware address before answering, so it is in the neighbour table; a request sent
// to it by unicast gets a reply the firewall lets through.
//
// After the broadcast went out on some cards, this decides once, a short while later, which
// neighbours to ask again: on every card that has had no valid reply, those whose
// neighbour entry was created or updated since the request. On a card that did hear a
// reply nothing more is sent.
#pragma once

#include "Neighbours.h"
#include "Ports.h"

#include <chrono>
#include <functional>
#include <vector>

namespace core {

class SilentCardAsker {
public:
    // How long after the request the neighbour table is looked at.
    static constexpr std::chrono::milliseconds kWait{250};

    using NeighbourSource = std::function<std::vector<Neighbour>()>;

    // cards: interface indexes the request went out on.
    explicit SilentCardAsker(std::vector<unsigned> cards, NeighbourSource read = ReadNeighbours);

    // A valid reply arrived on card.
    void Heard(unsigned card);

    struct Target {
        Ip4 address{};
        unsigned card = 0;
        bool operator==(const Target&) const = default;
    };

    // Empty until kWait has passed since the request; then, once, the neighbours to ask
    // again (each address once, in the table's order); empty on every later call.
    std::vector<Target> Due(std::chrono::milliseconds sinceRequest);

    // Some unicast re-ask was handed out by Due.
    bool Asked() const { return asked_; }
    // Due has looked at the neighbour table (or found every card heard).
    bool Decided() const { return decided_; }

private:
    struct Card {
        unsigned index;
        bool heard;
    };
    std::vector<Card> cards_;
    NeighbourSource read_;
    bool decided_ = false;
    bool asked_ = false;
};

} // namespace core
