#include "WSA_UDP.h"

#include "SocketApi.h"

#include <chrono>
#include <cstring>
#include <ctime>

namespace {

// Room for the replies of more than ten thousand controllers.
constexpr int kReceiveBufferBytes = 16 * 1024 * 1024;

// Days from 30 December 1899 to 1 January 1970.
constexpr double kUnixEpochDays = 25569.0;

// Offset of local time from UTC in seconds for the given moment.
long LocalOffsetSeconds(std::time_t t) {
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &t);
    return static_cast<long>(_mkgmtime(&local) - t);
#else
    localtime_r(&t, &local);
    return local.tm_gmtoff;
#endif
}

} // namespace

double LocalClockDays() {
    using namespace std::chrono;
    const int64_t utcMs =
        duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    // The offset only changes between seconds; look it up once per second.
    static thread_local int64_t cachedSecond = -1;
    static thread_local long cachedOffset = 0;
    const int64_t second = utcMs / 1000;
    if (second != cachedSecond) {
        cachedSecond = second;
        cachedOffset = LocalOffsetSeconds(static_cast<std::time_t>(second));
    }
    const int64_t localMs = utcMs + static_cast<int64_t>(cachedOffset) * 1000;
    return kUnixEpochDays + static_cast<double>(localMs) / kMillisecondsPerDay;
}

int32_t UdpOpen(int localPort) {
    sockapi::SocketGuard guard;
    const sockapi::Handle h = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (h == sockapi::kInvalid || sockapi::ToEndpoint(h) <= 0) {
        guard.Reset(h);
        return -1;
    }
    guard.Reset(h);

    sockapi::SetNonBlocking(h, true);
    const int32_t allBits = -1;
    ::setsockopt(h, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&allBits),
                 sizeof allBits);

    // Thousands of controllers answer one broadcast at once; the system's default
    // receive buffer holds a few hundred small datagrams and drops the rest before the
    // poll loop can read them.
    sockapi::EnlargeReceiveBuffer(h, kReceiveBufferBytes);

    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<uint16_t>(localPort));
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(h, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0)
        return -1; // the guard closes the socket and ends the library start-up

    return sockapi::ToEndpoint(guard.Release());
}

int UdpSend(int32_t endpoint, const std::string& address, uint16_t port, const void* data,
            int length) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = inet_addr(address.c_str());
    const auto sent = ::sendto(sockapi::FromEndpoint(endpoint), static_cast<const char*>(data),
                               length, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    return sent == length ? length : 0;
}

namespace {

// One non-blocking receive. Gives the count, or -1 for no datagram (nothing waiting, an
// error, or a datagram too large for the buffer).
int ReceiveOnce(sockapi::Handle h, uint8_t* buffer, sockaddr_in& from) {
#ifdef _WIN32
    int fromLen = sizeof from;
    const int got = ::recvfrom(h, reinterpret_cast<char*>(buffer), kReceiveCapacity, 0,
                               reinterpret_cast<sockaddr*>(&from), &fromLen);
    return got; // WSAEMSGSIZE comes back as SOCKET_ERROR
#else
    iovec io{buffer, static_cast<size_t>(kReceiveCapacity)};
    msghdr msg{};
    msg.msg_name = &from;
    msg.msg_namelen = sizeof from;
    msg.msg_iov = &io;
    msg.msg_iovlen = 1;
    const ssize_t got = ::recvmsg(h, &msg, 0);
    if (got < 0 || (msg.msg_flags & MSG_TRUNC) != 0)
        return -1;
    return static_cast<int>(got);
#endif
}

} // namespace

int UdpReceive(int32_t endpoint, std::string& senderAddress, int& senderPort, int waitMs,
               uint8_t* buffer, const MessagePump& pump, ClockFn clock) {
    const double deadline = clock() + waitMs / kMillisecondsPerDay;
    const sockapi::Handle h = sockapi::FromEndpoint(endpoint);
    for (;;) {
        sockaddr_in from{};
        const int got = ReceiveOnce(h, buffer, from);
        if (pump)
            pump();
        if (got > 0) {
            char text[INET_ADDRSTRLEN] = {};
            inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
            senderAddress = text;
            senderPort = ntohs(from.sin_port);
            return got;
        }
        if (clock() > deadline)
            return -1;
    }
}

bool UdpClose(int32_t endpoint) {
    const sockapi::Handle h = sockapi::FromEndpoint(endpoint);
    sockapi::SetNonBlocking(h, false);
    const int closed = sockapi::CloseHandle(h);
    sockapi::LibraryCleanup();
    return closed == 0;
}
