// Where a configuration write goes and its one send, whoever asks for it (the window or the
// command line), and the guard that the values of one controller are never written to
// another.
#pragma once

#include "ControllerRecord.h"
#include "Controllers.h"
#include "NetworkCards.h"
#include "Ports.h"

#include <optional>
#include <vector>

namespace core {

struct WriteDestination {
    Ip4 address{};
    unsigned card = 0; // interface index the frame must leave by; 0: as the system routes it
};

// After a broadcast search the frame goes to the broadcast address on the card the
// controller's reply arrived on (heardCard, 0 when unknown); after a search by address it
// goes to the controller's address, routed as usual.
WriteDestination ChooseDestination(bool broadcastMode, const Ip4& address, unsigned heardCard);

// The card a frame for a controller heard on heardCard is pinned to: heardCard when a routed
// broadcast would leave by another card (heardCard is among besideRoute, see
// CardsBesideRoute), else 0. Routed, the frame reaches the same card and is exactly the
// datagram a machine with one card sends.
unsigned PinnedCard(unsigned heardCard, const std::vector<NetworkCard>& besideRoute);

// The card a frame for a controller heard on heardCard leaves by, as UdpSocket::Send takes
// it (0: routed, see PinnedCard); nothing when heardCard has gone since the search, so that
// the frame is not sent by another card or by none.
std::optional<unsigned> FrameCard(unsigned heardCard);

// How a frame's send went.
enum class FrameSent {
    kSent,
    kCardGone,    // the card the controller was heard on has gone (see FrameCard): not sent
    kNoLocalPort, // none of the three local ports could be opened: not sent
    kNotWhole,    // the system did not take the whole frame
};

// The one send of a write, the window's and the command line's: the frame, once, to port
// 5001 of to.address, from the first free local port from base on, by the card FrameCard
// gives for to.card.
FrameSent SendFrame(const FrameBytes& frame, const WriteDestination& to,
                    uint16_t base = kLocalPortBase);

// The addresses that make a write to mac ambiguous: a frame is addressed by MAC, so sent to
// the broadcast address it changes every controller with that MAC. When the frame would go
// to the broadcast address (toBroadcast) and the search heard mac from more than one
// address, every such address, in the order first heard; else empty (the write may go out).
std::vector<Ip4> SharedMacAddresses(const Controllers& heard, const Mac& mac, bool toBroadcast);

} // namespace core
