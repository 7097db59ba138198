// The one place that knows whether the sockets come from Winsock or from BSD sockets.
// Everything else in the protocol layer uses the names below.
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

// Winsock must be started once per endpoint and cleaned up once per endpoint.
inline void LibraryStartup() {
    WSADATA data;
    WSAStartup(0x0202, &data); // the result is not examined
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
inline void EnlargeReceiveBuffer(Handle h, int bytes) {
    setsockopt(h, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&bytes), sizeof bytes);
}
#else
using Handle = int;
using AddrLen = socklen_t;
constexpr Handle kInvalid = -1;

inline void LibraryStartup() {}
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
inline void EnlargeReceiveBuffer(Handle h, int bytes) {
    ::setsockopt(h, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
#ifdef SO_RCVBUFFORCE
    int granted = 0;
    socklen_t len = sizeof granted;
    if (::getsockopt(h, SOL_SOCKET, SO_RCVBUF, &granted, &len) == 0 && granted < bytes)
        ::setsockopt(h, SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof bytes);
#endif
}
#endif

// Handles travel through the program as signed 32-bit numbers; greater than 0 is usable.
inline int32_t ToEndpoint(Handle h) {
    return static_cast<int32_t>(h);
}
inline Handle FromEndpoint(int32_t endpoint) {
    return static_cast<Handle>(endpoint);
}

// Owns a socket until released: closes it and balances the library start-up when a
// partly opened endpoint has to be given up.
class SocketGuard {
public:
    SocketGuard() { LibraryStartup(); }
    ~SocketGuard() {
        if (handle_ != kInvalid)
            CloseHandle(handle_);
        if (!released_)
            LibraryCleanup();
    }
    SocketGuard(const SocketGuard&) = delete;
    SocketGuard& operator=(const SocketGuard&) = delete;

    void Reset(Handle h) { handle_ = h; }
    Handle Get() const { return handle_; }
    // The endpoint lives on; its close will end the library start-up.
    Handle Release() {
        released_ = true;
        const Handle h = handle_;
        handle_ = kInvalid;
        return h;
    }

private:
    Handle handle_ = kInvalid;
    bool released_ = false;
};

} // namespace sockapi
