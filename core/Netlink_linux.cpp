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

bool NeighbourTable::Send(const void* request, size_t length) {
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    return ::sendto(fd_, request, length, 0, reinterpret_cast<const sockaddr*>(&kernel),
                    sizeof kernel) == static_cast<ssize_t>(length);
}

long NeighbourTable::Receive(char* buffer, size_t size) {
    for (;;) {
        const ssize_t got = ::recv(fd_, buffer, size, 0);
        if (got >= 0 || errno != EINTR)
            return got;
    }
}

bool NeighbourTable::Dump(const std::function<void(const NeighbourEntry&)>& take) {
    struct {
        nlmsghdr header;
        ndmsg body;
    } request{};
    request.header.nlmsg_len = NLMSG_LENGTH(sizeof(ndmsg));
    request.header.nlmsg_type = RTM_GETNEIGH;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.header.nlmsg_seq = ++sequence_;
    request.body.ndm_family = AF_INET;
    if (!Valid() || !Send(&request, request.header.nlmsg_len))
        return false;
    const long ticksPerSecond = TicksPerSecond();
    std::vector<char> buffer(32768);
    for (;;) {
        const long got = Receive(buffer.data(), buffer.size());
        if (got < 0)
            return false;
        int remaining = static_cast<int>(got);
        for (const auto* header = reinterpret_cast<const nlmsghdr*>(buffer.data());
             MessageFits(header, remaining); header = NLMSG_NEXT(header, remaining)) {
            if (header->nlmsg_type == NLMSG_DONE)
                return true;
            if (header->nlmsg_type == NLMSG_ERROR)
                return false;
            if (header->nlmsg_type == RTM_NEWNEIGH)
                if (const auto entry = ParseEntry(header, ticksPerSecond))
                    take(*entry);
        }
        if (got == 0)
            return true;
    }
}

NeighbourTable::Got NeighbourTable::Get(unsigned card, const Ip4& address, NeighbourEntry& entry) {
    struct {
        nlmsghdr header;
        ndmsg body;
        rtattr destination;
        Ip4 address;
    } request{};
    static_assert(sizeof request == NLMSG_LENGTH(sizeof(ndmsg)) + RTA_LENGTH(sizeof(Ip4)));
    const uint32_t sequence = ++sequence_;
    request.header.nlmsg_len = sizeof request;
    request.header.nlmsg_type = RTM_GETNEIGH;
    request.header.nlmsg_flags = NLM_F_REQUEST;
    request.header.nlmsg_seq = sequence;
    request.body.ndm_family = AF_INET;
    request.body.ndm_ifindex = static_cast<int>(card);
    request.destination.rta_len = RTA_LENGTH(sizeof(Ip4));
    request.destination.rta_type = NDA_DST;
    request.address = address;
    if (!Valid() || !Send(&request, sizeof request))
        return Got::kUnreadable;
    alignas(nlmsghdr) std::array<char, 1024> buffer;
    for (;;) {
        const long got = Receive(buffer.data(), buffer.size());
        if (got < static_cast<long>(sizeof(nlmsghdr)))
            return Got::kUnreadable;
        const auto* header = reinterpret_cast<const nlmsghdr*>(buffer.data());
        if (header->nlmsg_len > static_cast<size_t>(got))
            return Got::kUnreadable;
        if (header->nlmsg_seq != sequence)
            continue; // the late reply to an earlier request
        if (header->nlmsg_type == RTM_NEWNEIGH) {
            const auto parsed = ParseEntry(header, TicksPerSecond());
            if (!parsed)
                return Got::kUnreadable;
            entry = *parsed;
            return Got::kEntry;
        }
        const bool none = header->nlmsg_type == NLMSG_ERROR &&
                          header->nlmsg_len >= NLMSG_LENGTH(sizeof(nlmsgerr)) &&
                          static_cast<const nlmsgerr*>(NLMSG_DATA(header))->error == -ENOENT;
        return none ? Got::kNone : Got::kUnreadable;
    }
}

} // namespace core::netlink
