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

void UdpSocket::LimitReceiveBuffer(int bytes) {
    g_receiveBufferLimit = bytes > 0 ? bytes : 0;
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

size_t UdpSocketGroup::ReceiveWaiting(std::deque<Datagram>& out, size_t max) {
    if (sockets_.size() <= 1 || max == 0)
        return Valid() ? sockets_.front().ReceiveWaiting(out, max) : 0;
    // Every datagram that arrived up to the horizon is in hand: each socket was either read
    // empty after it or read up to a later arrival.
    int64_t horizonNs = std::numeric_limits<int64_t>::max();
    for (size_t i = 0; i < sockets_.size(); ++i) {
        const int64_t beforeNs = SteadyClockNs();
        const size_t got = sockets_[i].ReceiveWaiting(read_, max);
        horizonNs = std::min(horizonNs, got < max ? beforeNs : read_.back().arrivalNs);
        for (Datagram& d : read_)
            held_.push_back({std::move(d), i});
        read_.clear();
    }
    // Each socket reads in arrival order; merged by the system's stamps, equal ones in the
    // order read.
    std::stable_sort(held_.begin(), held_.end(), [](const Held& a, const Held& b) {
        return a.datagram.arrivalNs < b.datagram.arrivalNs;
    });
    const auto later = std::find_if(held_.begin(), held_.end(), [horizonNs](const Held& h) {
        return h.datagram.arrivalNs > horizonNs;
    });
    // A datagram sent to a broadcast address reaches every socket of the group, each copy
    // with the system's same stamp: handed out once, as a single socket hears it.
    size_t moved = 0;
    for (auto h = held_.begin(); h != later; ++h) {
        const Datagram& d = h->datagram;
        if (d.stampNs != 0 && d.stampNs == last_.stampNs && h->socket != last_.socket &&
            d.sender == last_.sender && d.senderPort == last_.senderPort)
            continue;
        last_ = {d.stampNs, d.sender, d.senderPort, h->socket};
        out.push_back(std::move(h->datagram));
        ++moved;
    }
    held_.erase(held_.begin(), later);
    return moved;
}

bool UdpSocketGroup::WaitReadable(int timeoutMs) const {
    return !held_.empty() || WaitAnyReadable(timeoutMs);
}

} // namespace core
