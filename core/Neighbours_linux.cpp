// The neighbour table on Linux: an rtnetlink dump (RTM_GETNEIGH).
#include "Neighbours.h"

#include "Netlink_linux.h"

#include <linux/neighbour.h>

namespace core {

std::vector<Neighbour> ReadNeighbours() {
    std::vector<Neighbour> table;
    netlink::NeighbourTable kernel;
    const bool read = kernel.Dump([&table](const netlink::NeighbourEntry& e) {
        if ((e.state & (NUD_INCOMPLETE | NUD_FAILED | NUD_NOARP)) == 0 && e.state != NUD_NONE &&
            e.address && e.hardwareLength > 0 && e.updatedAgoMs)
            table.push_back({*e.address, e.card, *e.updatedAgoMs});
    });
    return read ? table : std::vector<Neighbour>{};
}

} // namespace core
