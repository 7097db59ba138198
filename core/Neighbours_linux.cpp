// The neighbour table on Linux: an rtnetlink dump (RTM_GETNEIGH).
#include "Neighbours.h"

#include <cerrno>
#include <linux/neighbour.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cstring>

namespace core {
namespace {

// Closes the socket when the dump ends, whichever way.
struct FdGuard {
    int fd;
    ~FdGuard() {
        if (fd >= 0)
            ::close(fd);
    }
};

// One RTM_NEWNEIGH message of the dump, or nothing when it is not a usable IPv4 entry.
bool ParseEntry(const nlmsghdr* header, long ticksPerSecond, Neighbour* out) {
    if (header->nlmsg_len < NLMSG_LENGTH(sizeof(ndmsg)))
        return false;
    const auto* entry = static_cast<const ndmsg*>(NLMSG_DATA(header));
    if (entry->ndm_family != AF_INET ||
        (entry->ndm_state & (NUD_INCOMPLETE | NUD_FAILED | NUD_NOARP)) != 0 ||
        entry->ndm_state == NUD_NONE)
        return false;
    bool haveAddress = false;
    bool haveHardware = false;
    bool haveCache = false;
    int remaining = static_cast<int>(header->nlmsg_len - NLMSG_LENGTH(sizeof(ndmsg)));
    for (const rtattr* a = reinterpret_cast<const rtattr*>(reinterpret_cast<const char*>(entry) +
                                                           NLMSG_ALIGN(sizeof(ndmsg)));
         RTA_OK(a, remaining); a = RTA_NEXT(a, remaining)) {
        const size_t length = RTA_PAYLOAD(a);
        if (a->rta_type == NDA_DST && length == sizeof out->address) {
            std::memcpy(&out->address, RTA_DATA(a), sizeof out->address);
            haveAddress = true;
        } else if (a->rta_type == NDA_LLADDR && length > 0) {
            haveHardware = true;
        } else if (a->rta_type == NDA_CACHEINFO && length >= sizeof(nda_cacheinfo)) {
            nda_cacheinfo info{};
            std::memcpy(&info, RTA_DATA(a), sizeof info);
            // The kernel counts in clock ticks (USER_HZ).
            out->updatedAgoMs = static_cast<int64_t>(info.ndm_updated) * 1000 / ticksPerSecond;
            haveCache = true;
        }
    }
    out->card = static_cast<unsigned>(entry->ndm_ifindex);
    return haveAddress && haveHardware && haveCache;
}

// NLMSG_OK with its mixed-sign comparison written out: what is left is compared with the
// message's unsigned length only once it is known not to be negative. It stays signed so
// that NLMSG_NEXT past a message longer than what was left ends the walk.
bool MessageFits(const nlmsghdr* header, int remaining) {
    return remaining >= static_cast<int>(sizeof(nlmsghdr)) &&
           header->nlmsg_len >= sizeof(nlmsghdr) &&
           header->nlmsg_len <= static_cast<unsigned>(remaining);
}

} // namespace

std::vector<Neighbour> ReadNeighbours() {
    std::vector<Neighbour> table;
    long ticksPerSecond = ::sysconf(_SC_CLK_TCK);
    if (ticksPerSecond <= 0)
        ticksPerSecond = 100;
    FdGuard socket{::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE)};
    if (socket.fd < 0)
        return table;
    struct {
        nlmsghdr header;
        ndmsg body;
    } request{};
    request.header.nlmsg_len = NLMSG_LENGTH(sizeof(ndmsg));
    request.header.nlmsg_type = RTM_GETNEIGH;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.header.nlmsg_seq = 1;
    request.body.ndm_family = AF_INET;
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    if (::sendto(socket.fd, &request, request.header.nlmsg_len, 0,
                 reinterpret_cast<const sockaddr*>(&kernel), sizeof kernel) < 0)
        return table;
    alignas(nlmsghdr) std::array<char, 32768> buffer;
    for (;;) {
        const ssize_t got = ::recv(socket.fd, buffer.data(), buffer.size(), 0);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return {};
        }
        int remaining = static_cast<int>(got);
        for (const auto* header = reinterpret_cast<const nlmsghdr*>(buffer.data());
             MessageFits(header, remaining); header = NLMSG_NEXT(header, remaining)) {
            if (header->nlmsg_type == NLMSG_DONE)
                return table;
            if (header->nlmsg_type == NLMSG_ERROR)
                return {};
            Neighbour n;
            if (header->nlmsg_type == RTM_NEWNEIGH && ParseEntry(header, ticksPerSecond, &n))
                table.push_back(n);
        }
        if (got == 0)
            return table;
    }
}

} // namespace core
