// Whether a device on the LAN already holds an address, asked as a host asks before it takes
// a new address of its own: by ARP, on one card, through the system and without privileges.
//
// Linux: one byte to the discard port (kProbePort) of the address, leaving by the card, makes
// the system ask by ARP who holds it; its neighbour table on that card (rtnetlink) then tells
// whether someone answered, and with which hardware address. Windows: SendARP from the card's
// address. Nothing of the controller protocol goes out: no discovery request and no frame,
// and never to the controller port.
#pragma once

#include "ControllerRecord.h"
#include "NetworkCards.h"
#include "Ports.h"

#include <chrono>
#include <cstdint>
#include <vector>

namespace core {

// The longest a probe waits for an answer. Linux itself only gives up on an address that
// does not answer after about three seconds; a probe stops waiting before.
inline constexpr std::chrono::milliseconds kProbeTime{1000};
// Where the datagram that starts the ARP question goes on Linux: the discard port.
inline constexpr uint16_t kProbePort = 9;

// An address to ask for, on the card that reaches it.
struct ProbeRequest {
    NetworkCard card; // its index (Linux) and its address (Windows)
    Ip4 address{};
};

enum class ProbeOutcome {
    kNotProbed, // no probe could be made: see ProbeAddress
    kNoAnswer,  // nothing answered within the time
    kAnswered,  // a device holds the address: ProbeAnswer::mac
};

struct ProbeAnswer {
    ProbeOutcome outcome = ProbeOutcome::kNotProbed;
    Mac mac{}; // the hardware address that answered (kAnswered)

    bool operator==(const ProbeAnswer&) const = default;
};

// Asks the LAN on request.card whether anything holds request.address, for at most about
// time. Blocks; touches nothing but the system, so it may run on any thread.
//
// kAnswered also when the system learnt the address's hardware address a short while ago and
// still holds it (Linux: a stale entry is not asked again within the time). kNotProbed when
// the card is not known (index 0), has gone or does not use ARP (loopback), when the address
// lies outside the card's subnet or is the card's own, and when the system cannot be asked:
// a neighbour table that cannot be read (Linux older than 4.20), a SendARP that fails (Wine),
// and on Windows for an address that none of the probe's few threads came to within the time.
ProbeAnswer ProbeAddress(const ProbeRequest& request, std::chrono::milliseconds time = kProbeTime);

// ProbeAddress for several addresses at once: each answer in the order of requests, all of
// them within about time.
std::vector<ProbeAnswer> ProbeAddresses(const std::vector<ProbeRequest>& requests,
                                        std::chrono::milliseconds time = kProbeTime);

} // namespace core
