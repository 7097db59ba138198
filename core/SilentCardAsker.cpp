#include "SilentCardAsker.h"

#include <algorithm>

namespace core {

SilentCardAsker::SilentCardAsker(std::vector<unsigned> cards, NeighbourSource read)
    : read_(std::move(read)) {
    for (const unsigned index : cards)
        if (std::none_of(cards_.begin(), cards_.end(),
                         [&](const Card& c) { return c.index == index; }))
            cards_.push_back({index, false});
}

void SilentCardAsker::Heard(unsigned card, const Ip4& sender) {
    if (std::find(asked_.begin(), asked_.end(), sender) != asked_.end())
        return;
    for (Card& c : cards_)
        if (c.index == card)
            c.heard = true;
}

std::optional<std::chrono::milliseconds> SilentCardAsker::NextLook() const {
    if (!read_ ||
        std::none_of(cards_.begin(), cards_.end(), [](const Card& c) { return !c.heard; }))
        return std::nullopt;
    return nextLook_;
}

std::vector<SilentCardAsker::Target> SilentCardAsker::Due(std::chrono::milliseconds sinceRequest) {
    std::vector<Target> targets;
    const std::optional<std::chrono::milliseconds> look = NextLook();
    if (!look || sinceRequest < *look)
        return targets;
    nextLook_ = sinceRequest + kLookAgainEvery;
    const auto silent = [&](unsigned card) {
        return std::any_of(cards_.begin(), cards_.end(),
                           [&](const Card& c) { return c.index == card && !c.heard; });
    };
    for (const Neighbour& n : read_()) {
        if (!silent(n.card) || n.updatedAgoMs < 0 || n.updatedAgoMs > sinceRequest.count())
            continue;
        if (std::find(asked_.begin(), asked_.end(), n.address) != asked_.end())
            continue;
        asked_.push_back(n.address);
        targets.push_back({n.address, n.card});
    }
    return targets;
}

} // namespace core
