// One UDP endpoint at a time: open on a local port with broadcast enabled, send a
// datagram, poll for one datagram until a deadline while the window keeps running, close.
// An endpoint is a core::UdpSocket known by a number from this layer's own table.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Called after every receive call so the window can process its pending events.
using MessagePump = std::function<void()>;

// A clock in days (whole days plus the fraction of the day), read in whole milliseconds.
using ClockFn = double (*)();
// The local date and time as days since 30 December 1899, as the window's clock shows it.
double LocalClockDays();
// The steady clock in days: it is never set or stepped, so waits measured on it last what
// they should whatever happens to the local clock meanwhile. Waits use it.
double SteadyClockDays();

constexpr double kMillisecondsPerDay = 86400000.0;
constexpr int kReceiveCapacity = 1024;

// Endpoint number greater than 0, or -1 when no socket could be bound to the port.
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
               uint8_t* buffer, const MessagePump& pump = {}, ClockFn clock = SteadyClockDays);

// Waits up to waitMs for a datagram at the endpoint without taking it. true when one is
// waiting; false at the deadline and for a number UdpOpen did not give.
bool UdpWaitReadable(int32_t endpoint, int waitMs);

// The wait of a receive: calls take and then the pump, again and again, until take gives
// true, or sets over (nothing more can come), or the clock reading is later than the
// first reading plus waitMs. true when take gave true.
bool PollWait(int waitMs, const MessagePump& pump, ClockFn clock,
              const std::function<bool(bool& over)>& take);

// Closes the endpoint; true when the socket closed without error. false, touching
// nothing, for a number UdpOpen did not give or that is closed already.
bool UdpClose(int32_t endpoint);
