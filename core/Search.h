// One search for controllers, as the window and the command line both run it: the first
// free local port, the discovery request "TR" (for the broadcast address on every card),
// and the valid replies in arrival order within a window timed on the steady clock. Where
// the system capped the socket's receive buffer, a thread of its own (ReplyReader) keeps
// the socket drained meanwhile, however long the caller takes between two calls of Next.
#pragma once

#include "Ports.h"
#include "ReplyReader.h"
#include "SilentCardAsker.h"
#include "UdpSocket.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace core {

// The first of base, base + 1, base + 2 that opens (its number in *opened), or an invalid
// socket when none does (*opened: 0).
UdpSocket OpenLocalPort(uint16_t base, uint16_t* opened = nullptr);

struct HeardReply {
    std::string sender; // the reply's sender address
    uint16_t senderPort = 0;
    unsigned card = 0; // interface index it arrived on (0: unknown)
    std::string cardName;
    std::array<uint8_t, 30> bytes{}; // the whole valid reply (length 30, sum 0)
};

class Search {
public:
    using Clock = std::chrono::steady_clock;

    // Opens the first free local port of base, base + 1, base + 2; nothing is sent yet.
    explicit Search(uint16_t base = kLocalPortBase);
    ~Search();
    Search(const Search&) = delete;
    Search& operator=(const Search&) = delete;

    // false: none of the three local ports could be opened; the search can do nothing.
    bool Opened() const { return socket_.Valid(); }
    uint16_t LocalPort() const { return localPort_; }

    // Starts keeping the socket drained and sends one "TR" to port 5001 of destination; to
    // the broadcast address routed once and once on every other broadcast card (a routed
    // broadcast leaves by one card only). The window opens here.
    void Start(const std::string& destination);

    // The oldest valid reply not handed out yet; false when none is waiting (other
    // datagrams are dropped on the way). After EndWindow: only replies that arrived before
    // it, and false once they are all handed out.
    bool Next(HeardReply& reply);

    // How long the window has been open, on the steady clock.
    Clock::duration Elapsed() const { return Clock::now() - start_; }

    // Some card heard no reply to the broadcast within a short while, and the neighbours
    // that asked for this computer's address since were asked again by unicast.
    bool AskedAgain() const { return asker_ && asker_->Asked(); }

    // Ends the window now: what arrived later is never handed out.
    void EndWindow();
    bool WindowEnded() const { return reader_ && reader_->WindowEnded(); }

private:
    // One step of the search while its window is open: asks the neighbours of silent cards
    // again when it is time, then takes the next datagram that arrived, if any.
    bool Pass(Datagram& d);

    uint16_t localPort_ = 0; // before socket_: its initialiser writes this
    UdpSocket socket_;
    std::unique_ptr<ReplyReader> reader_;
    std::unique_ptr<SilentCardAsker> asker_; // a broadcast search only
    Clock::time_point start_{};
    std::map<unsigned, std::string> cardNames_; // looked up once per search
};

} // namespace core
