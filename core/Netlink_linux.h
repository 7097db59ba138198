// The kernel's IPv4 neighbour table over rtnetlink (NETLINK_ROUTE), as any user may ask it:
// a dump of the whole table, or a get of one address on one card (Linux 4.20 and later).
// The neighbour list and the probe of an address both read it here.
#pragma once

#include "Ports.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

namespace core::netlink {

// An IPv4 entry of the table as the kernel gives it (RTM_NEWNEIGH).
struct NeighbourEntry {
    unsigned card = 0;  // interface index
    uint16_t state = 0; // the NUD_ bits
    std::optional<Ip4> address;
    size_t hardwareLength = 0;           // of its hardware address; 0 when it has none
    std::array<uint8_t, 6> hardware{};   // the first six bytes of it
    std::optional<int64_t> updatedAgoMs; // since the entry was created or last changed
};

// A socket on the table, closed with the object.
class NeighbourTable {
public:
    // replyTime bounds each wait for the kernel's reply; zero waits as long as it takes.
    explicit NeighbourTable(std::chrono::milliseconds replyTime = {});
    ~NeighbourTable();
    NeighbourTable(const NeighbourTable&) = delete;
    NeighbourTable& operator=(const NeighbourTable&) = delete;

    bool Valid() const { return fd_ >= 0; }

    // Hands every entry of the table to take; false when the table could not be read.
    bool Dump(const std::function<void(const NeighbourEntry&)>& take);

    enum class Got {
        kEntry,      // the table holds the address: entry
        kNone,       // it holds nothing for the address (yet)
        kUnreadable, // the table cannot be asked
    };
    // The table's entry for address on card.
    Got Get(unsigned card, const Ip4& address, NeighbourEntry& entry);

private:
    static constexpr int kUnreadable = 1;
    // Sends a get for address on card, or a dump when address is null, and hands the
    // entries of the kernel's reply to take: 0 when the reply came whole, the kernel's error
    // (-ENOENT: no such entry), or kUnreadable.
    int Ask(const Ip4* address, unsigned card,
            const std::function<void(const NeighbourEntry&)>& take);

    int fd_ = -1;
    uint32_t sequence_ = 0;
};

} // namespace core::netlink
