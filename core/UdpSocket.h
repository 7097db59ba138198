// One IPv4 UDP endpoint owned by an object: open on a local port (non-blocking, broadcast
// enabled, a large receive buffer, the arriving card reported), send one datagram either
// routed or on a chosen card, read what is waiting, close. Moving hands the socket on;
// destruction closes it. Addresses come parsed (Ip4): no text reaches a socket. Requests and
// frames leave from the first of the local ports that opens (OpenLocalPort). One header; the
// system calls are in UdpSocket_posix.cpp and UdpSocket_win.cpp, of which the build takes one.
#pragma once

#include "Ports.h"
#include "SocketApi.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace core {

// One datagram as it was read from a socket.
struct Datagram {
    Ip4 sender{};            // the sender's IPv4 address
    uint16_t senderPort = 0; // host byte order
    unsigned card = 0;       // index of the interface it arrived on (0: unknown)
    Ip4 to{};                // the address it was sent to (0.0.0.0: unknown)
    int64_t arrivalNs = 0;   // when it reached the machine: SteadyClockNs()
    int64_t stampNs = 0;     // the system's own stamp of that moment (0: none); the copies
                             // of a datagram that reached several sockets share it
    std::vector<uint8_t> bytes;
};

// Nanoseconds on the steady clock, the one arrival times are given in: it never jumps
// when the system's clock is set or stepped.
int64_t SteadyClockNs();
// Nanoseconds on the clock the system stamps datagrams with (Datagram::stampNs), or 0
// where it stamps none.
int64_t StampClockNs();

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
    // created, switched to non-blocking mode, allowed to broadcast or bound. A socket opened
    // with shared true joins the other sockets of this user on that port that were opened so
    // too (where the system lets sockets share a port; elsewhere it is never valid); one
    // opened without it binds only a port nobody holds.
    static UdpSocket Open(uint16_t localPort, bool shared = false);

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

    // The local address the system's routing gives a datagram to port 5001 of to, or nothing
    // when it has no route for it. Nothing is sent: a connected socket only looks the route
    // up.
    static std::optional<Ip4> RouteSource(const Ip4& to);
    // The address a system's address record holds.
    static Ip4 AddressOf(const in_addr& address);

    // Switches the socket back to blocking mode and closes it. true when the close
    // succeeded. Not valid afterwards; a second call gives false.
    bool Close();

private:
    void Reset();
    // What only one system's sockets need once the socket is created (per platform).
    void SetPlatformOptions();
    // Lets the socket share its port with this user's other sockets that do so (per
    // platform). false where the system refuses or knows no such sharing.
    bool SharePort();
    static sockaddr_in AddressRecord(const Ip4& address, uint16_t port);

    sockapi::Handle handle_ = sockapi::kInvalid;
    int64_t openedNs_ = 0;    // SteadyClockNs() at Open
    bool timestamps_ = false; // the system writes each datagram's arrival time
};

// The sockets that listen on one local port, read as one: where the system capped the
// receive buffer below what UdpSocket asks for (an ordinary user under Linux), several
// sockets share the port and the system spreads the datagrams of different senders over
// them, each with a buffer of its own; elsewhere one socket. The port is held as a single
// socket holds it: nobody else binds it while the group lives.
class UdpSocketGroup {
public:
    // Sockets that share a port where the buffer is capped. A capped buffer holds some 550
    // replies, about 2 ms of replies at gigabit pace: the reader may lose its processor for
    // that long. Eight hold a pause eight times as long.
    static constexpr size_t kSharedSockets = 8;
    // How long after stamping a datagram the system may still be putting it on its socket's
    // queue: on a busy machine the system finishes receiving in a thread of its own, which
    // waits for a processor like any other.
    static constexpr int64_t kQueueDelayNs = 2'000'000;
    // The longest wait while datagrams are held back.
    static constexpr int kHeldWaitMs = 1;

    UdpSocketGroup() = default; // not valid
    // Opens localPort as above. Not valid when the port is held (by a single socket or a
    // group, of this process or another) or cannot be opened.
    static UdpSocketGroup Open(uint16_t localPort);

    bool Valid() const { return !sockets_.empty(); }
    // The socket that sends (from the group's port).
    UdpSocket& Sender() { return sockets_.front(); }
    bool StampsArrival() const { return Valid() && sockets_.front().StampsArrival(); }

    // Moves up to max waiting datagrams of each socket to the end of out, without blocking,
    // in the order of the system's arrival stamps. That is the order they arrived in as long
    // as the system queues each datagram on its socket within kQueueDelayNs of stamping it:
    // a datagram stamped less than that before the last read of some socket may still be
    // overtaken, and is held back for a later call. all: nothing is held back (the last read).
    // Gives how many were moved.
    size_t ReceiveWaiting(std::deque<Datagram>& out, size_t max, bool all = false);
    // Waits up to timeoutMs for something to read on any socket. true when there is, and
    // at once when datagrams are held back (after at most kHeldWaitMs).
    bool WaitReadable(int timeoutMs) const;

private:
    // Waits for any of the sockets (per platform).
    bool WaitAnyReadable(int timeoutMs) const;

    std::vector<UdpSocket> sockets_;
    // Read, waiting for the ones that arrived before them; with the socket they came from.
    struct Held {
        Datagram datagram;
        size_t socket = 0;
    };
    std::deque<Held> held_;
    std::deque<Datagram> read_; // one socket's read in progress
    // The last datagram handed out, told apart from the copies of a broadcast.
    struct Sent {
        int64_t stampNs = 0;
        Ip4 sender{};
        uint16_t senderPort = 0;
        size_t socket = 0;
    } last_;
};

// The first of base, base + 1, base + 2 that opens (its number in *opened), or an invalid
// socket when none does (*opened: 0).
UdpSocket OpenLocalPort(uint16_t base, uint16_t* opened = nullptr);
// The same for the sockets a search listens on (see UdpSocketGroup).
UdpSocketGroup OpenSearchPort(uint16_t base, uint16_t* opened = nullptr);

} // namespace core
