#include "SilentCardAsker.h"

#include <algorithm>
#include <cstring>

namespace core {

SilentCardAsker::SilentCardAsker(std::vector<unsigned> cards, NeighbourSource read)
    : read_(std::move(read)) {
    for (const unsigned index : cards)
        if (std::none_of(cards_.begin(), cards_.end(),
                         [&](const Card& c) { return c.index == index; }))
            cards_.push_back({index, false});
}

void SilentCardAsker::Heard(unsigned card) {
    for (Card& c : cards_)
        if (c.index == card)
            c.heard = true;
}

std::vector<SilentCardAsker::Target> SilentCardAsker::Due(std::chrono::milliseconds sinceRequest) {
    std::vector<Target> targets;
    if (decided_ || sinceRequest < kWait)
        return targets;
    decided_ = true;
    const auto silent = [&](unsigned card) {
        return std::any_of(cards_.begin(), cards_.end(),
                           [&](const Card& c) { return c.index == card && !c.heard; });
    };
    if (!read_ ||
        std::none_of(cards_.begin(), cards_.end(), [](const Card& c) { return !c.heard; }))
        return targets;
    for (const Neighbour& n : read_()) {
        if (!silent(n.card) || n.updatedAgoMs < 0 || n.updatedAgoMs > sinceRequest.count())
            continue;
        Ip4 address{}; // in network order: its first byte is the first group
        std::memcpy(address.data(), &n.address, address.size());
        const bool known = std::any_of(targets.begin(), targets.end(),
                                       [&](const Target& t) { return t.address == address; });
        if (!known)
            targets.push_back({address, n.card});
    }
    asked_ = !targets.empty();
    return targets;
}

} // namespace core
