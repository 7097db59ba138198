// The one place that knows whether the sockets come from Winsock or from BSD sockets.
// Everything above it uses the names below.
#pragma once

#include <cstdint>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace sockapi {

#ifdef _WIN32
using Handle = SOCKET;
using AddrLen = int;
constexpr Handle kInvalid = INVALID_SOCKET;

// Winsock must be started once per endpoint and cleaned up once per endpoint. Gives true
// when the library started (and so needs its cleanup).
inline bool LibraryStartup() {
    WSADATA data;
    return WSAStartup(0x0202, &data) == 0;
}
inline void LibraryCleanup() {
    WSACleanup();
}
inline int SetNonBlocking(Handle h, bool on) {
    u_long value = on ? 1 : 0;
    return ioctlsocket(h, FIONBIO, &value);
}
inline int CloseHandle(Handle h) {
    return closesocket(h);
}
inline bool EnlargeReceiveBuffer(Handle h, int bytes, bool mayForce = true) {
    (void)mayForce; // Winsock grants what it is asked for
    return setsockopt(h, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&bytes),
                      sizeof bytes) == 0;
}
#else
using Handle = int;
using AddrLen = socklen_t;
constexpr Handle kInvalid = -1;

inline bool LibraryStartup() {
    return true;
}
inline void LibraryCleanup() {}
inline int SetNonBlocking(Handle h, bool on) {
    int value = on ? 1 : 0;
    return ::ioctl(h, FIONBIO, &value);
}
inline int CloseHandle(Handle h) {
    return ::close(h);
}
// Asks for a receive buffer of the given size. An ordinary user gets at most the system's
// limit (net.core.rmem_max); with the right to manage the network the limit is lifted.
// Gives true when the system took the request (possibly capped at its limit).
inline bool EnlargeReceiveBuffer(Handle h, int bytes, bool mayForce = true) {
    const bool set = ::setsockopt(h, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes) == 0;
#ifdef SO_RCVBUFFORCE
    int granted = 0;
    socklen_t len = sizeof granted;
    if (mayForce && ::getsockopt(h, SOL_SOCKET, SO_RCVBUF, &granted, &len) == 0 && granted < bytes)
        return ::setsockopt(h, SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof bytes) == 0 || set;
#else
    (void)mayForce;
#endif
    return set;
}
#endif

// Handles travel through the program as signed 32-bit numbers; greater than 0 is usable.
inline int32_t ToEndpoint(Handle h) {
    return static_cast<int32_t>(h);
}
inline Handle FromEndpoint(int32_t endpoint) {
    return static_cast<Handle>(endpoint);
}

} // namespace sockapi
