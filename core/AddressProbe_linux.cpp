// The probe on Linux. A datagram to an address on a card's subnet that the system has no
// hardware address for waits while the system asks by ARP, and the question shows in the
// neighbour table: incomplete while it asks, then the hardware address that answered, or
// failed (after about three seconds). The table is read one address at a time with an
// rtnetlink get (RTM_GETNEIGH, Linux 4.20 and later), which any user may send.
#include "AddressProbeSystem.h"
#include "UdpSocket.h"

#include <cerrno>
#include <linux/neighbour.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <thread>

namespace core::probe {
namespace {

// How often the table is read while the system asks.
constexpr std::chrono::milliseconds kReadEvery{10};
// The datagram: one byte, which the discard port throws away.
constexpr uint8_t kNudge = 0;

// Closes the socket however the probe ends.
struct FdGuard {
    int fd;
    ~FdGuard() {
        if (fd >= 0)
            ::close(fd);
    }
};

// true when the card with that index is up and asks its neighbours by ARP: not loopback,
// not a point-to-point link or a card without ARP.
bool AsksByArp(unsigned card) {
    std::array<char, IF_NAMESIZE> name{};
    if (::if_indextoname(card, name.data()) == nullptr)
        return false;
    const FdGuard s{::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)};
    if (s.fd < 0)
        return false;
    ifreq request{};
    std::memcpy(request.ifr_name, name.data(), std::min(sizeof request.ifr_name, name.size()));
    if (::ioctl(s.fd, SIOCGIFFLAGS, &request) != 0)
        return false;
    const int flags = request.ifr_flags;
    return (flags & IFF_UP) != 0 && (flags & (IFF_LOOPBACK | IFF_NOARP | IFF_POINTOPOINT)) == 0;
}

// What the table holds for one address on one card.
struct Entry {
    enum class State {
        kAsking,     // no entry yet, or the system still asks
        kAnswered,   // mac answered (or answered lately and is held still)
        kFailed,     // nothing answered the system's question
        kUnreadable, // the table cannot be asked
    } state = State::kUnreadable;
    Mac mac{};
};

// The entry of one RTM_NEWNEIGH reply.
Entry ParseEntry(const nlmsghdr* header) {
    if (header->nlmsg_len < NLMSG_LENGTH(sizeof(ndmsg)))
        return {};
    const auto* entry = static_cast<const ndmsg*>(NLMSG_DATA(header));
    Entry out{Entry::State::kAsking, {}};
    bool haveMac = false;
    int remaining = static_cast<int>(header->nlmsg_len - NLMSG_LENGTH(sizeof(ndmsg)));
    for (const rtattr* a = reinterpret_cast<const rtattr*>(reinterpret_cast<const char*>(entry) +
                                                           NLMSG_ALIGN(sizeof(ndmsg)));
         RTA_OK(a, remaining); a = RTA_NEXT(a, remaining))
        if (a->rta_type == NDA_LLADDR && RTA_PAYLOAD(a) == out.mac.size()) {
            std::memcpy(out.mac.data(), RTA_DATA(a), out.mac.size());
            haveMac = true;
        }
    constexpr unsigned kHeld = NUD_REACHABLE | NUD_STALE | NUD_DELAY | NUD_PROBE | NUD_PERMANENT;
    if ((entry->ndm_state & NUD_FAILED) != 0)
        out.state = Entry::State::kFailed;
    else if ((entry->ndm_state & kHeld) != 0 && haveMac)
        out.state = Entry::State::kAnswered;
    return out;
}

// Asks the table (over the rtnetlink socket fd) for address on card.
Entry ReadEntry(int fd, unsigned card, const Ip4& address, uint32_t sequence) {
    struct {
        nlmsghdr header;
        ndmsg body;
        rtattr destination;
        Ip4 address;
    } request{};
    static_assert(sizeof request == NLMSG_LENGTH(sizeof(ndmsg)) + RTA_LENGTH(sizeof(Ip4)));
    request.header.nlmsg_len = sizeof request;
    request.header.nlmsg_type = RTM_GETNEIGH;
    request.header.nlmsg_flags = NLM_F_REQUEST;
    request.header.nlmsg_seq = sequence;
    request.body.ndm_family = AF_INET;
    request.body.ndm_ifindex = static_cast<int>(card);
    request.destination.rta_len = RTA_LENGTH(sizeof(Ip4));
    request.destination.rta_type = NDA_DST;
    request.address = address;
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    if (::sendto(fd, &request, sizeof request, 0, reinterpret_cast<const sockaddr*>(&kernel),
                 sizeof kernel) != static_cast<ssize_t>(sizeof request))
        return {};
    alignas(nlmsghdr) std::array<char, 1024> buffer;
    for (;;) {
        const ssize_t got = ::recv(fd, buffer.data(), buffer.size(), 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < static_cast<ssize_t>(sizeof(nlmsghdr)))
            return {};
        const auto* header = reinterpret_cast<const nlmsghdr*>(buffer.data());
        if (header->nlmsg_len > static_cast<size_t>(got))
            return {};
        if (header->nlmsg_seq != sequence)
            continue; // the late reply to an earlier request
        if (header->nlmsg_type == RTM_NEWNEIGH)
            return ParseEntry(header);
        if (header->nlmsg_type == NLMSG_ERROR &&
            header->nlmsg_len >= NLMSG_LENGTH(sizeof(nlmsgerr)) &&
            static_cast<const nlmsgerr*>(NLMSG_DATA(header))->error == -ENOENT)
            return {Entry::State::kAsking, {}}; // no entry (yet)
        return {};
    }
}

} // namespace

std::vector<ProbeAnswer> AskLan(const std::vector<ProbeRequest>& requests,
                                std::chrono::steady_clock::time_point until) {
    std::vector<ProbeAnswer> answers(requests.size());
    const FdGuard table{::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE)};
    if (table.fd < 0)
        return answers;
    // The kernel answers a get at once; a reply that never comes must not hold the probe.
    const timeval replyTime{0, 200000};
    if (::setsockopt(table.fd, SOL_SOCKET, SO_RCVTIMEO, &replyTime, sizeof replyTime) != 0)
        return answers;
    UdpSocket nudge = UdpSocket::Open(0);
    if (!nudge.Valid())
        return answers;
    std::vector<size_t> asking;
    for (size_t i = 0; i < requests.size(); ++i) {
        const ProbeRequest& r = requests[i];
        if (AsksByArp(r.card.index) &&
            nudge.Send(r.address, kProbePort, &kNudge, 1, r.card.index)) {
            answers[i].outcome = ProbeOutcome::kNoAnswer;
            asking.push_back(i);
        }
    }
    uint32_t sequence = 0;
    for (;;) {
        std::erase_if(asking, [&](size_t i) {
            const Entry e =
                ReadEntry(table.fd, requests[i].card.index, requests[i].address, ++sequence);
            switch (e.state) {
            case Entry::State::kAsking:
                return false;
            case Entry::State::kAnswered:
                answers[i] = {ProbeOutcome::kAnswered, e.mac};
                break;
            case Entry::State::kFailed:
                break; // no answer
            case Entry::State::kUnreadable:
                answers[i].outcome = ProbeOutcome::kNotProbed;
                break;
            }
            return true;
        });
        const auto now = std::chrono::steady_clock::now();
        if (asking.empty() || now >= until)
            return answers;
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(kReadEvery, until - now));
    }
}

} // namespace core::probe
