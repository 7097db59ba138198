// One UDP endpoint at a time: open on a local port with broadcast enabled, send a
// datagram, poll for one datagram until a deadline while the window keeps running, close.
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

// Polls for one datagram until wait milliseconds have passed, running the pump after
// every receive call. Gives the byte count (greater than 0) and the sender, or -1 at the
// deadline. A zero-length datagram, or one larger than the buffer, is not a datagram.
// buffer must hold kReceiveCapacity bytes.
int UdpReceive(int32_t endpoint, std::string& senderAddress, int& senderPort, int waitMs,
               uint8_t* buffer, const MessagePump& pump = {}, ClockFn clock = LocalClockDays);

// Closes the endpoint; true when the socket closed without error.
bool UdpClose(int32_t endpoint);
