// The rules a configuration write follows, whoever asks for it (the window or the command
// line): which field values may be written, where the frame goes, and that the values of
// one controller are never written to another.
#pragma once

#include "ControllerRecord.h"
#include "NetworkCards.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace core {

enum class WriteField { kIp, kMask, kGateway, kPort };

// The values a write is about to send, as texts.
struct WriteValues {
    std::string ip;
    std::string mask;
    std::string gateway;
    std::string port; // empty: not checked
    // The window checks the address fields only while they are enabled.
    bool checkAddresses = true;
};

struct FieldFault {
    WriteField field;
    std::string text;   // the rejected text
    std::string reason; // why, in English
};

// Every check that fails, in the order IP, mask, gateway, port: the IP and the gateway are
// dotted quads with groups up to 254, the mask one with groups up to 255 (neither may begin
// with 0), the port a signed 32-bit decimal number. Empty when the values may be written.
std::vector<FieldFault> CheckWriteValues(const WriteValues& values);

// "IP address", "mask", "gateway", "port".
std::string FieldName(WriteField field);
// One line for a user: `wrong IP address format "192.168.1.255": a group is above 254`.
std::string Describe(const FieldFault& fault);

// A controller node's caption is a dotted quad; the root and subnet captions are not.
bool IsControllerName(std::string_view caption);

// The guard: the fields may be written to the selected node only when it is a controller
// and the fields hold the values of its own record (filledFrom names the controller whose
// record filled them, empty when none did).
bool MayWrite(std::string_view selectedNode, std::string_view filledFrom);

struct WriteDestination {
    Ip4 address{};
    unsigned card = 0; // interface index the frame must leave by; 0: as the system routes it
};

// After a broadcast search the frame goes to the broadcast address on the card the
// controller's reply arrived on (heardCard, 0 when unknown); after a search by address it
// goes to the node's address, routed as usual.
WriteDestination ChooseDestination(bool broadcastMode, const Ip4& nodeAddress, unsigned heardCard);

// The card a frame for a controller heard on heardCard is pinned to: heardCard when a routed
// broadcast would leave by another card (heardCard is among besideRoute, see
// CardsBesideRoute), else 0. Routed, the frame reaches the same card and is exactly the
// datagram a machine with one card has always sent.
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

// A MAC as the last search heard it, and the address that answered with it.
struct HeardMac {
    std::string address;
    Mac mac{};
};

// The addresses that make a write to mac ambiguous: a frame is addressed by MAC, so sent to
// the broadcast address it changes every controller with that MAC. When the frame would go
// to the broadcast address (toBroadcast) and the last search heard mac from more than one
// address, every such address, in the order first heard; else empty (the write may go out).
std::vector<std::string> SharedMacAddresses(const std::vector<HeardMac>& heard, const Mac& mac,
                                            bool toBroadcast);

// "192.168.1.9, 192.168.1.19".
std::string AddressList(const std::vector<std::string>& addresses);

// `MAC 00-1A-2B-3C-4D-09 answered from 192.168.1.9, 192.168.1.19: a broadcast write would
// change all of these controllers`.
std::string DescribeSharedMac(const Mac& mac, const std::vector<std::string>& addresses);

} // namespace core
