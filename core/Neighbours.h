// The kernel's IPv4 neighbour table as any user may read it: every address the machine has
// lately exchanged frames with on a card, with how long ago its entry last changed. A device
// that wants to answer us first asks for our card's hardware address, and that request files
// the asker here. Linux only (an rtnetlink neighbour dump); empty elsewhere.
#pragma once

#include "Ports.h"

#include <cstdint>
#include <vector>

namespace core {

struct Neighbour {
    Ip4 address{};            // IPv4 address
    unsigned card = 0;        // interface index
    int64_t updatedAgoMs = 0; // since the entry was created or last changed
};

// Entries that hold a hardware address (resolved, stale, or being checked); incomplete,
// failed and broadcast-style entries are left out. Empty when the table cannot be read.
std::vector<Neighbour> ReadNeighbours();

} // namespace core
