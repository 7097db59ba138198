// UdpSocket's system calls on BSD sockets (Linux): the card and the arrival time of each
// datagram come with it (IP_PKTINFO, SO_TIMESTAMPNS), and datagrams are read in batches.
#include "UdpSocket.h"

#include <cstring>
#include <memory>
#include <poll.h>
#include <utility>
#include <vector>

namespace core {
namespace {

// Datagrams read with one system call.
constexpr size_t kBatch = 64;

// Room for the interface (IP_PKTINFO) and the arrival time (SO_TIMESTAMPNS) of a datagram.
constexpr size_t kControlBytes = CMSG_SPACE(sizeof(in_pktinfo)) + CMSG_SPACE(sizeof(timespec));

struct ReceiveBatch {
    uint8_t data[kBatch][UdpSocket::kCapacity];
    alignas(cmsghdr) char control[kBatch][kControlBytes];
    sockaddr_in from[kBatch];
    iovec io[kBatch];
    mmsghdr headers[kBatch];
};

// The moments a batch was read at, on both clocks.
struct ReadMoment {
    int64_t systemNs = 0;
    int64_t steadyNs = 0;
    int64_t socketAgeNs = 0; // how long the socket has been open
};

// The system writes arrival times on its own clock, which a time service or a user may
// step. A stamp becomes steady time through its age when read; an age that cannot be
// (negative, or longer than the socket has been open) means the clock was stepped in
// between, and the datagram counts as arriving when it was read.
int64_t SteadyArrival(int64_t stampNs, const ReadMoment& at) {
    const int64_t age = at.systemNs - stampNs;
    if (stampNs == 0 || at.systemNs == 0 || age < 0 || age > at.socketAgeNs)
        return at.steadyNs;
    return at.steadyNs - age;
}

// Reads the interface index, destination address and arrival time that came with a datagram.
void ReadControl(msghdr& msg, const ReadMoment& at, Datagram& d) {
    int64_t stampNs = 0;
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c != nullptr; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
            in_pktinfo info{};
            std::memcpy(&info, CMSG_DATA(c), sizeof info);
            d.card = static_cast<unsigned>(info.ipi_ifindex);
            d.to = UdpSocket::AddressOf(info.ipi_addr);
        } else if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS) {
            timespec t{};
            std::memcpy(&t, CMSG_DATA(c), sizeof t);
            stampNs = static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
        }
    }
    d.stampNs = stampNs;
    d.arrivalNs = SteadyArrival(stampNs, at);
}

} // namespace

int64_t StampClockNs() {
    timespec t{};
    if (::clock_gettime(CLOCK_REALTIME, &t) != 0)
        return 0;
    return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

void UdpSocket::SetPlatformOptions() {
    // The card each datagram arrived on, and the moment it reached the machine. Without
    // them a datagram's card is unknown and its arrival is when it was read.
    const int on = 1;
    static_cast<void>(::setsockopt(handle_, IPPROTO_IP, IP_PKTINFO, &on, sizeof on));
    timestamps_ = ::setsockopt(handle_, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on) == 0;
}

bool UdpSocket::SharePort() {
    const int on = 1;
    return ::setsockopt(handle_, SOL_SOCKET, SO_REUSEPORT, &on, sizeof on) == 0;
}

bool UdpSocket::Send(const Ip4& address, uint16_t port, const uint8_t* data, size_t length,
                     unsigned card) {
    if (!Valid())
        return false;
    sockaddr_in to = AddressRecord(address, port);
    iovec io{const_cast<uint8_t*>(data), length};
    msghdr msg{};
    msg.msg_name = &to;
    msg.msg_namelen = sizeof to;
    msg.msg_iov = &io;
    msg.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    if (card != 0) {
        // IP_PKTINFO with an interface index picks the card for this datagram only; the
        // source address is then that card's own. No privilege is needed.
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        cmsghdr* c = CMSG_FIRSTHDR(&msg);
        c->cmsg_level = IPPROTO_IP;
        c->cmsg_type = IP_PKTINFO;
        c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
        in_pktinfo info{};
        info.ipi_ifindex = static_cast<int>(card);
        std::memcpy(CMSG_DATA(c), &info, sizeof info);
    }
    const ssize_t sent = ::sendmsg(handle_, &msg, 0);
    return sent >= 0 && static_cast<size_t>(sent) == length;
}

size_t UdpSocket::ReceiveWaiting(std::deque<Datagram>& out, size_t max) {
    if (!Valid())
        return 0;
    // One batch area per thread that reads, made on its first read.
    static thread_local std::unique_ptr<ReceiveBatch> area;
    if (!area)
        area = std::make_unique<ReceiveBatch>();
    ReceiveBatch& batch = *area;
    size_t moved = 0;
    while (moved < max) {
        const size_t want = max - moved < kBatch ? max - moved : kBatch;
        for (size_t i = 0; i < want; ++i) {
            batch.io[i] = {batch.data[i], kCapacity};
            msghdr& m = batch.headers[i].msg_hdr;
            m = {};
            m.msg_name = &batch.from[i];
            m.msg_namelen = sizeof batch.from[i];
            m.msg_iov = &batch.io[i];
            m.msg_iovlen = 1;
            m.msg_control = batch.control[i];
            m.msg_controllen = kControlBytes;
            batch.headers[i].msg_len = 0;
        }
        const int got =
            ::recvmmsg(handle_, batch.headers, static_cast<unsigned>(want), MSG_DONTWAIT, nullptr);
        if (got <= 0)
            break;
        ReadMoment at;
        at.systemNs = StampClockNs();
        at.steadyNs = SteadyClockNs();
        at.socketAgeNs = at.steadyNs - openedNs_;
        for (int i = 0; i < got; ++i) {
            msghdr& m = batch.headers[i].msg_hdr;
            const unsigned length = batch.headers[i].msg_len;
            if (length == 0 || (m.msg_flags & MSG_TRUNC) != 0)
                continue; // empty, or longer than kCapacity
            Datagram& d = out.emplace_back();
            d.sender = AddressOf(batch.from[i].sin_addr);
            d.senderPort = ntohs(batch.from[i].sin_port);
            ReadControl(m, at, d);
            d.bytes.assign(batch.data[i], batch.data[i] + length);
            ++moved;
        }
        if (static_cast<size_t>(got) < want)
            break; // the socket is empty
    }
    return moved;
}

bool UdpSocket::WaitReadable(int timeoutMs) const {
    if (!Valid())
        return false;
    pollfd p{handle_, POLLIN, 0};
    return ::poll(&p, 1, timeoutMs) > 0;
}

UdpSocketGroup UdpSocketGroup::Open(uint16_t localPort) {
    UdpSocketGroup group;
    // A socket that does not share its port binds only where nobody holds it: no single
    // socket and no group of any process (a group lets in only sockets that share too).
    UdpSocket probe = UdpSocket::Open(localPort);
    if (!probe.Valid())
        return group;
    // Without the system's arrival times, datagrams of several sockets have no common order.
    if (probe.ReceiveBufferBytes() >= UdpSocket::kReceiveBufferBytes || !probe.StampsArrival()) {
        group.sockets_.push_back(std::move(probe));
        return group;
    }
    // The port is free: the probe makes way for the group. Between the two a program may
    // take the port for itself; then the group's first socket finds it held and the port
    // counts as busy. Another search of this user that probes in the same moment could
    // join the group instead; the window for that is two system calls wide.
    if (!probe.Close())
        return group;
    for (size_t i = 0; i < kSharedSockets; ++i) {
        UdpSocket socket = UdpSocket::Open(localPort, true);
        if (!socket.Valid())
            break; // the first: the port is busy; a later one: fewer buffers
        group.sockets_.push_back(std::move(socket));
    }
    return group;
}

bool UdpSocketGroup::WaitAnyReadable(int timeoutMs) const {
    std::vector<pollfd> polled;
    for (const UdpSocket& socket : sockets_)
        polled.push_back({socket.Handle(), POLLIN, 0});
    return !polled.empty() && ::poll(polled.data(), polled.size(), timeoutMs) > 0;
}

} // namespace core
