// The one start-up of the system's socket library. Winsock must be started before its
// first call and ended once for every start that succeeded; BSD sockets need neither.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <winsock2.h>

// Starts the library (version 2.2). true when it started, and so needs its end.
inline bool StartSocketLibrary() {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}
inline void EndSocketLibrary() {
    WSACleanup();
}
#else
inline bool StartSocketLibrary() {
    return true;
}
inline void EndSocketLibrary() {}
#endif

// The library started for the life of the object.
class SocketLibraryScope {
public:
    SocketLibraryScope() : started_(StartSocketLibrary()) {}
    ~SocketLibraryScope() {
        if (started_)
            EndSocketLibrary();
    }
    SocketLibraryScope(const SocketLibraryScope&) = delete;
    SocketLibraryScope& operator=(const SocketLibraryScope&) = delete;

private:
    bool started_;
};
