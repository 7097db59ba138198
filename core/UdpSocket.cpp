#include "UdpSocket.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <utility>

#ifndef _WIN32
#include <poll.h>
#endif

namespace core {
namespace {

std::atomic<int> g_receiveBufferLimit{0};

sockaddr_in AddressRecord(const std::string& address, uint16_t port) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = inet_addr(address.c_str());
    return to;
}

#ifndef _WIN32
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

// Reads the interface index and arrival time that came with a datagram.
void ReadControl(msghdr& msg, Datagram& d) {
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c != nullptr; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
            in_pktinfo info{};
            std::memcpy(&info, CMSG_DATA(c), sizeof info);
            d.card = static_cast<unsigned>(info.ipi_ifindex);
        } else if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS) {
            timespec t{};
            std::memcpy(&t, CMSG_DATA(c), sizeof t);
            d.arrivalNs = static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
        }
    }
}
#endif

} // namespace

std::string Datagram::SenderText() const {
    in_addr a{};
    a.s_addr = sender;
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &a, text, sizeof text);
    return text;
}

int64_t SystemClockNs() {
    using namespace std::chrono;
    return duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count();
}

UdpSocket::~UdpSocket() {
    Reset();
}

UdpSocket::UdpSocket(UdpSocket&& other) noexcept
    : handle_(std::exchange(other.handle_, sockapi::kInvalid)),
      libraryStarted_(std::exchange(other.libraryStarted_, false)),
      timestamps_(std::exchange(other.timestamps_, false)) {}

UdpSocket& UdpSocket::operator=(UdpSocket&& other) noexcept {
    if (this != &other) {
        Reset();
        handle_ = std::exchange(other.handle_, sockapi::kInvalid);
        libraryStarted_ = std::exchange(other.libraryStarted_, false);
        timestamps_ = std::exchange(other.timestamps_, false);
    }
    return *this;
}

void UdpSocket::Reset() {
    if (Valid())
        Close();
    if (libraryStarted_) {
        sockapi::LibraryCleanup();
        libraryStarted_ = false;
    }
}

void UdpSocket::LimitReceiveBuffer(int bytes) {
    g_receiveBufferLimit = bytes > 0 ? bytes : 0;
}

UdpSocket UdpSocket::Open(uint16_t localPort) {
    UdpSocket s(sockapi::LibraryStartup());
    const sockapi::Handle h = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (h == sockapi::kInvalid)
        return s;
    s.handle_ = h;
    if (sockapi::ToEndpoint(h) <= 0) {
        s.Reset(); // cannot travel as an endpoint number
        return s;
    }

    const int32_t allBits = -1;
    if (sockapi::SetNonBlocking(h, true) != 0 ||
        ::setsockopt(h, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&allBits),
                     sizeof allBits) != 0) {
        s.Reset();
        return s;
    }

    // Thousands of controllers answer one broadcast at once. Where the system grants less
    // (an ordinary user under Linux), the socket keeps what it got.
    const int limit = g_receiveBufferLimit;
    if (limit > 0)
        sockapi::EnlargeReceiveBuffer(h, limit < kReceiveBufferBytes ? limit : kReceiveBufferBytes,
                                      false);
    else
        sockapi::EnlargeReceiveBuffer(h, kReceiveBufferBytes);

#ifndef _WIN32
    // The card each datagram arrived on, and the moment it reached the machine. Without
    // them a datagram's card is unknown and its arrival is when it was read.
    const int on = 1;
    ::setsockopt(h, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
    s.timestamps_ = ::setsockopt(h, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on) == 0;
#endif

    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(localPort);
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(h, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0)
        s.Reset();
    return s;
}

int UdpSocket::ReceiveBufferBytes() const {
    int bytes = 0;
    sockapi::AddrLen len = sizeof bytes;
    if (!Valid() ||
        ::getsockopt(handle_, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<char*>(&bytes), &len) != 0)
        return -1;
    return bytes;
}

bool UdpSocket::Send(const std::string& address, uint16_t port, const uint8_t* data, size_t length,
                     unsigned card) {
    if (!Valid())
        return false;
    sockaddr_in to = AddressRecord(address, port);
#ifdef _WIN32
    if (card != 0) {
        // The outgoing interface for this one datagram (index in network byte order).
        DWORD index = htonl(card);
        if (::setsockopt(handle_, IPPROTO_IP, IP_UNICAST_IF, reinterpret_cast<const char*>(&index),
                         sizeof index) != 0)
            return false;
    }
    const int sent =
        ::sendto(handle_, reinterpret_cast<const char*>(data), static_cast<int>(length), 0,
                 reinterpret_cast<const sockaddr*>(&to), sizeof to);
    if (card != 0) {
        DWORD routed = 0;
        ::setsockopt(handle_, IPPROTO_IP, IP_UNICAST_IF, reinterpret_cast<const char*>(&routed),
                     sizeof routed);
    }
    return sent >= 0 && static_cast<size_t>(sent) == length;
#else
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
#endif
}

size_t UdpSocket::ReceiveWaiting(std::deque<Datagram>& out, size_t max) {
    if (!Valid())
        return 0;
    size_t moved = 0;
#ifdef _WIN32
    uint8_t buffer[kCapacity];
    while (moved < max) {
        sockaddr_in from{};
        int fromLen = sizeof from;
        const int got = ::recvfrom(handle_, reinterpret_cast<char*>(buffer), kCapacity, 0,
                                   reinterpret_cast<sockaddr*>(&from), &fromLen);
        if (got < 0) {
            if (::WSAGetLastError() == WSAEMSGSIZE)
                continue; // too long: read and dropped
            break;
        }
        if (got == 0)
            continue;
        Datagram& d = out.emplace_back();
        d.sender = from.sin_addr.s_addr;
        d.senderPort = ntohs(from.sin_port);
        d.arrivalNs = SystemClockNs();
        d.bytes.assign(buffer, buffer + got);
        ++moved;
    }
#else
    // One batch area per thread that reads, made on its first read.
    static thread_local std::unique_ptr<ReceiveBatch> area;
    if (!area)
        area = std::make_unique<ReceiveBatch>();
    ReceiveBatch& batch = *area;
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
        const int64_t readNs = timestamps_ ? 0 : SystemClockNs();
        for (int i = 0; i < got; ++i) {
            msghdr& m = batch.headers[i].msg_hdr;
            const unsigned length = batch.headers[i].msg_len;
            if (length == 0 || (m.msg_flags & MSG_TRUNC) != 0)
                continue; // empty, or longer than kCapacity
            Datagram& d = out.emplace_back();
            d.sender = batch.from[i].sin_addr.s_addr;
            d.senderPort = ntohs(batch.from[i].sin_port);
            d.arrivalNs = readNs;
            ReadControl(m, d);
            if (d.arrivalNs == 0)
                d.arrivalNs = SystemClockNs();
            d.bytes.assign(batch.data[i], batch.data[i] + length);
            ++moved;
        }
        if (static_cast<size_t>(got) < want)
            break; // the socket is empty
    }
#endif
    return moved;
}

bool UdpSocket::WaitReadable(int timeoutMs) const {
    if (!Valid())
        return false;
#ifdef _WIN32
    WSAPOLLFD p{};
    p.fd = handle_;
    p.events = POLLRDNORM;
    return ::WSAPoll(&p, 1, timeoutMs) > 0;
#else
    pollfd p{handle_, POLLIN, 0};
    return ::poll(&p, 1, timeoutMs) > 0;
#endif
}

bool UdpSocket::Close() {
    if (!Valid())
        return false;
    sockapi::SetNonBlocking(handle_, false);
    const bool closed = sockapi::CloseHandle(handle_) == 0;
    handle_ = sockapi::kInvalid;
    if (libraryStarted_) {
        sockapi::LibraryCleanup();
        libraryStarted_ = false;
    }
    return closed;
}

} // namespace core
