// One UDP endpoint at a time: open on a local port with broadcast enabled, send a
// datagram, poll for one datagram until a deadline while the window keeps running, close.
// An endpoint is a core::UdpSocket known by its handle number. While it listens (from
// UdpBeginListening on) a thread of its own keeps it drained, and UdpReceive hands out what
// that thread took in.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Called after every receive call so the window can process its pending events.
using MessagePump = std::function<void()>;

// Local date and time as a number of days since 30 December 1899 (whole days plus the
// fraction of the day), read in whole milliseconds.
using ClockFn = double (*)();
double LocalClockDays();

constexpr double kMillisecondsPerDay = 86400000.0;
constexpr int kReceiveCapacity = 1024;

// Endpoint handle greater than 0, or -1 when no socket could be bound to the port.
int32_t UdpOpen(int localPort);

// Sends one datagram to a dotted-quad address. Gives length, or 0 when fewer bytes
// (or none) went out.
int UdpSend(int32_t endpoint, const std::string& address, uint16_t port, const void* data,
            int length);

// As UdpSend, but the datagram leaves by the card with that interface index; card 0: as
// UdpSend. 0 also when the card is not there.
int UdpSendVia(int32_t endpoint, const std::string& address, uint16_t port, const void* data,
               int length, unsigned card);

// Polls for one datagram until wait milliseconds have passed, running the pump after
// every receive call. Gives the byte count (greater than 0) and the sender, or -1 at the
// deadline. A zero-length datagram, or one larger than the buffer, is not a datagram.
// buffer must hold kReceiveCapacity bytes.
int UdpReceive(int32_t endpoint, std::string& senderAddress, int& senderPort, int waitMs,
               uint8_t* buffer, const MessagePump& pump = {}, ClockFn clock = LocalClockDays);

// As UdpReceive, and also gives the index of the card the datagram arrived on (0: unknown).
// After UdpEndListening it gives -1 at once when nothing of the window is left.
int UdpReceiveVia(int32_t endpoint, std::string& senderAddress, int& senderPort, unsigned& card,
                  int waitMs, uint8_t* buffer, const MessagePump& pump = {},
                  ClockFn clock = LocalClockDays);

// Starts the listening window: from now until UdpEndListening every datagram is taken off
// the socket as it arrives, whatever the calling thread does meanwhile. false for an
// endpoint that UdpOpen did not give.
bool UdpBeginListening(int32_t endpoint);

// Ends the listening window: UdpReceive goes on handing out what arrived up to now, and
// never what arrives later.
void UdpEndListening(int32_t endpoint);

// Closes the endpoint; true when the socket closed without error.
bool UdpClose(int32_t endpoint);
