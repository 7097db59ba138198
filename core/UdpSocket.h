// One IPv4 UDP endpoint owned by an object: open on a local port (non-blocking, broadcast
// enabled, a large receive buffer, the arriving card reported), send one datagram either
// routed or on a chosen card, read what is waiting, close. Moving hands the socket on;
// destruction closes it. Addresses come parsed (Ip4): no text reaches a socket. One header; the
// system calls are in UdpSocket_posix.cpp and UdpSocket_win.cpp, of which the build takes one.
#pragma once

#include "Ports.h"
#include "SocketApi.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace core {

// One datagram as it was read from a socket.
struct Datagram {
    uint32_t sender = 0;     // the sender's IPv4 address, network byte order
    uint16_t senderPort = 0; // host byte order
    unsigned card = 0;       // index of the interface it arrived on (0: unknown)
    int64_t arrivalNs = 0;   // when it reached the machine: SteadyClockNs()
    std::vector<uint8_t> bytes;

    // The sender's address as dotted decimal, for example 192.168.1.10.
    std::string SenderText() const;
};

// Nanoseconds on the steady clock, the one arrival times are given in: it never jumps
// when the system's clock is set or stepped.
int64_t SteadyClockNs();

class UdpSocket {
public:
    // Longest datagram that is read; anything longer is read and dropped.
    static constexpr size_t kCapacity = 1024;
    // What Open asks for as receive buffer: room for the replies of tens of thousands of
    // controllers.
    static constexpr int kReceiveBufferBytes = 16 * 1024 * 1024;

    UdpSocket() = default; // not valid
    ~UdpSocket();
    UdpSocket(UdpSocket&& other) noexcept;
    UdpSocket& operator=(UdpSocket&& other) noexcept;
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    // Opens a socket bound to 0.0.0.0 and localPort. Not valid when the socket cannot be
    // created, switched to non-blocking mode, allowed to broadcast or bound.
    static UdpSocket Open(uint16_t localPort);

    // Lets Open ask for at most bytes of receive buffer and never beyond the system's
    // limit: an unprivileged process on a system whose limit is bytes. 0 lifts this again.
    // For measurements and tests.
    static void LimitReceiveBuffer(int bytes);

    bool Valid() const { return handle_ != sockapi::kInvalid; }
    sockapi::Handle Handle() const { return handle_; }
    // The receive buffer as the system reports it (SO_RCVBUF), or -1.
    int ReceiveBufferBytes() const;

    // One datagram to address. Card 0: routed as the system routes it;
    // otherwise it leaves by the interface with that index. true only when every byte went
    // out.
    bool Send(const Ip4& address, uint16_t port, const uint8_t* data, size_t length,
              unsigned card = 0);

    // Moves up to max waiting datagrams to the end of out without blocking. Gives how many
    // were moved. Empty datagrams and ones longer than kCapacity are read and dropped;
    // errors count as nothing waiting.
    size_t ReceiveWaiting(std::deque<Datagram>& out, size_t max);

    // true when arrival times come from the system; otherwise they are the moment of
    // reading.
    bool StampsArrival() const { return timestamps_; }

    // Waits up to timeoutMs for something to read. true when there is.
    bool WaitReadable(int timeoutMs) const;

    // Switches the socket back to blocking mode and closes it. true when the close
    // succeeded. Not valid afterwards; a second call gives false.
    bool Close();

private:
    void Reset();
    // What only one system's sockets need once the socket is created (per platform).
    void SetPlatformOptions();
    static sockaddr_in AddressRecord(const Ip4& address, uint16_t port);

    sockapi::Handle handle_ = sockapi::kInvalid;
    int64_t openedNs_ = 0;    // SteadyClockNs() at Open
    bool timestamps_ = false; // the system writes each datagram's arrival time
};

} // namespace core
