// The one start-up of the system's socket library. Winsock must be started before its
// first call; it is started once per process, on first use, and ended when the process
// ends. BSD sockets need neither.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <winsock2.h>

// true when the library runs (version 2.2); the first call starts it.
inline bool SocketLibraryRuns() {
    struct Library {
        bool started = false;
        Library() {
            WSADATA data;
            started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
        }
        ~Library() {
            if (started)
                WSACleanup();
        }
    };
    static const Library library;
    return library.started;
}
#else
inline bool SocketLibraryRuns() {
    return true;
}
#endif
