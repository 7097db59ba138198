// The one place that knows whether the sockets come from Winsock or from BSD sockets.
// Everything above it uses the names below.
#pragma once

#include "SocketLibrary.h"

#include <cstdint>

#ifdef _WIN32
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
    int granted = 0;
    socklen_t len = sizeof granted;
    if (mayForce && ::getsockopt(h, SOL_SOCKET, SO_RCVBUF, &granted, &len) == 0 && granted < bytes)
        return ::setsockopt(h, SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof bytes) == 0 || set;
    return set;
}
#endif

// The socket library, started once per process (see SocketLibrary.h). true when it runs.
inline bool LibraryStartup() {
    return SocketLibraryRuns();
}

} // namespace sockapi
