#include "Netlink_linux.h"

#include <cerrno>
#include <linux/neighbour.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace core::netlink {
namespace {

// An RTM_NEWNEIGH message as an entry; nothing when it is short or not IPv4.
std::optional<NeighbourEntry> ParseEntry(const nlmsghdr* header, long ticksPerSecond) {
    if (header->nlmsg_len < NLMSG_LENGTH(sizeof(ndmsg)))
        return std::nullopt;
    const auto* message = static_cast<const ndmsg*>(NLMSG_DATA(header));
    if (message->ndm_family != AF_INET)
        return std::nullopt;
    NeighbourEntry entry;
    entry.card = static_cast<unsigned>(message->ndm_ifindex);
    entry.state = message->ndm_state;
    int remaining = static_cast<int>(header->nlmsg_len - NLMSG_LENGTH(sizeof(ndmsg)));
    for (const rtattr* a = reinterpret_cast<const rtattr*>(reinterpret_cast<const char*>(message) +
                                                           NLMSG_ALIGN(sizeof(ndmsg)));
         RTA_OK(a, remaining); a = RTA_NEXT(a, remaining)) {
        const size_t length = RTA_PAYLOAD(a);
        if (a->rta_type == NDA_DST && length == sizeof(Ip4)) {
            entry.address.emplace();
            std::memcpy(entry.address->data(), RTA_DATA(a), sizeof(Ip4));
        } else if (a->rta_type == NDA_LLADDR) {
            entry.hardwareLength = length;
            std::memcpy(entry.hardware.data(), RTA_DATA(a),
                        std::min(length, entry.hardware.size()));
        } else if (a->rta_type == NDA_CACHEINFO && length >= sizeof(nda_cacheinfo)) {
            nda_cacheinfo info{};
            std::memcpy(&info, RTA_DATA(a), sizeof info);
            // The kernel counts in clock ticks (USER_HZ).
            entry.updatedAgoMs = static_cast<int64_t>(info.ndm_updated) * 1000 / ticksPerSecond;
        }
    }
    return entry;
}

long TicksPerSecond() {
    const long ticks = ::sysconf(_SC_CLK_TCK);
    return ticks > 0 ? ticks : 100;
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

NeighbourTable::NeighbourTable(std::chrono::milliseconds replyTime)
    : fd_(::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE)) {
    if (fd_ < 0 || replyTime.count() <= 0)
        return;
    const auto ms = replyTime.count();
    const timeval wait{static_cast<time_t>(ms / 1000), static_cast<suseconds_t>(ms % 1000 * 1000)};
    if (::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait) != 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

NeighbourTable::~NeighbourTable() {
    if (fd_ >= 0)
        ::close(fd_);
}

int NeighbourTable::Ask(const Ip4* address, unsigned card,
                        const std::function<void(const NeighbourEntry&)>& take) {
    struct {
        nlmsghdr header;
        ndmsg body;
        rtattr destination;
        Ip4 address;
    } request{};
    static_assert(sizeof request == NLMSG_LENGTH(sizeof(ndmsg)) + RTA_LENGTH(sizeof(Ip4)));
    request.header.nlmsg_len = address ? sizeof request : NLMSG_LENGTH(sizeof(ndmsg));
    request.header.nlmsg_type = RTM_GETNEIGH;
    request.header.nlmsg_flags = NLM_F_REQUEST | (address ? 0 : NLM_F_DUMP);
    request.header.nlmsg_seq = ++sequence_;
    request.body.ndm_family = AF_INET;
    request.body.ndm_ifindex = static_cast<int>(card);
    if (address) {
        request.destination.rta_len = RTA_LENGTH(sizeof(Ip4));
        request.destination.rta_type = NDA_DST;
        request.address = *address;
    }
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    const auto length = static_cast<ssize_t>(request.header.nlmsg_len);
    if (fd_ < 0 || ::sendto(fd_, &request, static_cast<size_t>(length), 0,
                            reinterpret_cast<const sockaddr*>(&kernel), sizeof kernel) != length)
        return kUnreadable;
    const long ticksPerSecond = TicksPerSecond();
    std::vector<char> buffer(32768);
    for (;;) {
        ssize_t got = 0;
        do
            got = ::recv(fd_, buffer.data(), buffer.size(), 0);
        while (got < 0 && errno == EINTR);
        if (got <= 0)
            return got == 0 && !address ? 0 : kUnreadable;
        int remaining = static_cast<int>(got);
        for (const auto* header = reinterpret_cast<const nlmsghdr*>(buffer.data());
             MessageFits(header, remaining); header = NLMSG_NEXT(header, remaining)) {
            if (header->nlmsg_seq != request.header.nlmsg_seq)
                continue; // the late reply to an earlier request
            if (header->nlmsg_type == NLMSG_DONE)
                return 0;
            if (header->nlmsg_type == NLMSG_ERROR)
                return header->nlmsg_len >= NLMSG_LENGTH(sizeof(nlmsgerr))
                           ? static_cast<const nlmsgerr*>(NLMSG_DATA(header))->error
                           : kUnreadable;
            const auto entry = header->nlmsg_type == RTM_NEWNEIGH
                                   ? ParseEntry(header, ticksPerSecond)
                                   : std::nullopt;
            if (entry)
                take(*entry);
            if (address) // a get has one reply
                return entry ? 0 : kUnreadable;
        }
    }
}

bool NeighbourTable::Dump(const std::function<void(const NeighbourEntry&)>& take) {
    return Ask(nullptr, 0, take) == 0;
}

NeighbourTable::Got NeighbourTable::Get(unsigned card, const Ip4& address, NeighbourEntry& entry) {
    const int error = Ask(&address, card, [&entry](const NeighbourEntry& e) { entry = e; });
    return error == 0 ? Got::kEntry : error == -ENOENT ? Got::kNone : Got::kUnreadable;
}

} // namespace core::netlink
