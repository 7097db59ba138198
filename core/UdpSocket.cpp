// What UdpSocket does alike on every system; the system calls that differ are in
// UdpSocket_posix.cpp and UdpSocket_win.cpp.
#include "UdpSocket.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <limits>
#include <utility>

namespace core {
namespace {

std::atomic<int> g_receiveBufferLimit{0};

// The first of the local ports that opens.
template <typename Socket> Socket OpenFirstFree(uint16_t base, uint16_t* opened) {
    for (int i = 0; i < kLocalPortTries; ++i) {
        const auto port = static_cast<uint16_t>(base + i);
        Socket socket = Socket::Open(port);
        if (socket.Valid()) {
            if (opened != nullptr)
                *opened = port;
            return socket;
        }
    }
    if (opened != nullptr)
        *opened = 0;
    return {};
}

} // namespace

int64_t SteadyClockNs() {
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

UdpSocket::~UdpSocket() {
    Reset();
}

UdpSocket::UdpSocket(UdpSocket&& other) noexcept
    : handle_(std::exchange(other.handle_, sockapi::kInvalid)),
      openedNs_(std::exchange(other.openedNs_, 0)),
      timestamps_(std::exchange(other.timestamps_, false)) {}

UdpSocket& UdpSocket::operator=(UdpSocket&& other) noexcept {
    if (this != &other) {
        Reset();
        handle_ = std::exchange(other.handle_, sockapi::kInvalid);
        openedNs_ = std::exchange(other.openedNs_, 0);
        timestamps_ = std::exchange(other.timestamps_, false);
    }
    return *this;
}

void UdpSocket::Reset() {
    if (Valid())
        Close();
}

UdpSocket OpenLocalPort(uint16_t base, uint16_t* opened) {
    return OpenFirstFree<UdpSocket>(base, opened);
}

UdpSocketGroup OpenSearchPort(uint16_t base, uint16_t* opened) {
    return OpenFirstFree<UdpSocketGroup>(base, opened);
}

void UdpSocket::LimitReceiveBuffer(int bytes) {
    g_receiveBufferLimit = bytes > 0 ? bytes : 0;
}

Ip4 UdpSocket::AddressOf(const in_addr& address) {
    Ip4 ip{};
    std::memcpy(ip.data(), &address.s_addr, ip.size()); // network order: written order
    return ip;
}

std::optional<Ip4> UdpSocket::RouteSource(const Ip4& to) {
    UdpSocket s;
    if (!sockapi::LibraryStartup())
        return std::nullopt;
    s.handle_ = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (!s.Valid())
        return std::nullopt;
    const int32_t allBits = -1;
    const sockaddr_in remote = AddressRecord(to, kControllerPort);
    sockaddr_in local{};
    sockapi::AddrLen length = sizeof local;
    if (::setsockopt(s.handle_, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&allBits),
                     sizeof allBits) != 0 ||
        ::connect(s.handle_, reinterpret_cast<const sockaddr*>(&remote), sizeof remote) != 0 ||
        ::getsockname(s.handle_, reinterpret_cast<sockaddr*>(&local), &length) != 0 ||
        local.sin_addr.s_addr == htonl(INADDR_ANY))
        return std::nullopt;
    return AddressOf(local.sin_addr);
}

sockaddr_in UdpSocket::AddressRecord(const Ip4& address, uint16_t port) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    std::memcpy(&to.sin_addr.s_addr, address.data(), address.size()); // network order
    return to;
}

UdpSocket UdpSocket::Open(uint16_t localPort, bool shared) {
    UdpSocket s;
    if (!sockapi::LibraryStartup())
        return s;
    const sockapi::Handle h = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (h == sockapi::kInvalid)
        return s;
    s.handle_ = h;
    s.openedNs_ = SteadyClockNs();

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
    s.SetPlatformOptions();
    if (shared && !s.SharePort()) {
        s.Reset();
        return s;
    }

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

bool UdpSocket::Close() {
    if (!Valid())
        return false;
    sockapi::SetNonBlocking(handle_, false);
    const bool closed = sockapi::CloseHandle(handle_) == 0;
    handle_ = sockapi::kInvalid;
    return closed;
}

size_t UdpSocketGroup::ReceiveWaiting(std::deque<Datagram>& out, size_t max, bool all) {
    if (sockets_.size() <= 1 || max == 0)
        return Valid() ? sockets_.front().ReceiveWaiting(out, max) : 0;
    // Every datagram stamped up to the horizon is in hand: each socket was either read empty
    // a queueing delay after it or read up to a later stamp. The moments of reading are taken
    // on the clock the system stamps with, so that they compare with the stamps exactly.
    int64_t horizonNs = std::numeric_limits<int64_t>::max();
    for (size_t i = 0; i < sockets_.size(); ++i) {
        const int64_t beforeNs = StampClockNs();
        const size_t got = sockets_[i].ReceiveWaiting(read_, max);
        horizonNs =
            std::min(horizonNs, got < max ? beforeNs - kQueueDelayNs : read_.back().stampNs);
        for (Datagram& d : read_)
            held_.push_back({std::move(d), i});
        read_.clear();
    }
    // Each socket reads in the order of the stamps; merged by them, equal ones in the order
    // read.
    std::stable_sort(held_.begin(), held_.end(), [](const Held& a, const Held& b) {
        return a.datagram.stampNs < b.datagram.stampNs;
    });
    // A stamp later than the clock now means the clock was set back since: the horizon of
    // the new time says nothing of the old stamps, and all of them go.
    const int64_t nowNs = StampClockNs();
    const bool stepped = !held_.empty() && held_.back().datagram.stampNs > nowNs;
    const auto later =
        all || stepped ? held_.end() : std::find_if(held_.begin(), held_.end(), [&](const Held& h) {
            return h.datagram.stampNs > horizonNs;
        });
    // A datagram sent to a broadcast address reaches every socket of the group, each copy
    // with the system's same stamp: handed out once, as a single socket hears it.
    size_t moved = 0;
    for (auto h = held_.begin(); h != later; ++h) {
        const Datagram& d = h->datagram;
        if (d.stampNs == last_.stampNs && h->socket != last_.socket && d.sender == last_.sender &&
            d.senderPort == last_.senderPort)
            continue;
        last_ = {d.stampNs, d.sender, d.senderPort, h->socket};
        out.push_back(std::move(h->datagram));
        ++moved;
    }
    held_.erase(held_.begin(), later);
    return moved;
}

bool UdpSocketGroup::WaitReadable(int timeoutMs) const {
    if (held_.empty())
        return WaitAnyReadable(timeoutMs);
    // What is held goes at the next read at the latest a queueing delay later.
    static_cast<void>(WaitAnyReadable(std::min(timeoutMs, kHeldWaitMs)));
    return true;
}

} // namespace core
