// One search for controllers, as the window and the command line both run it: the first
// free local port, the discovery request "TR", and the valid replies that reach the
// machine within a window timed on the steady clock.
//
// Listen is the search's only wait: one poll on its sockets at a time, until the end of the
// window. The command line calls it on its own thread; the window lets it run in a thread
// of its own (StartInBackground), which keeps the socket drained however long the window
// takes to file what it heard, and tells the window when replies are waiting.
#pragma once

#include "Ports.h"
#include "SilentCardAsker.h"
#include "UdpSocket.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace core {

// The first of base, base + 1, base + 2 that opens (its number in *opened), or an invalid
// socket when none does (*opened: 0).
UdpSocket OpenLocalPort(uint16_t base, uint16_t* opened = nullptr);
// The same for the sockets a search listens on (see UdpSocketGroup).
UdpSocketGroup OpenSearchPort(uint16_t base, uint16_t* opened = nullptr);

struct HeardReply {
    Ip4 sender{}; // the reply's sender address
    uint16_t senderPort = 0;
    unsigned card = 0; // interface index it arrived on (0: unknown)
    std::string cardName;
    std::array<uint8_t, 30> bytes{}; // the whole valid reply (length 30, sum 0)
};

class Search {
public:
    using Clock = std::chrono::steady_clock;
    using ReplyFn = std::function<void(const HeardReply&)>;

    // How long a search listens, unless its caller says otherwise.
    static constexpr std::chrono::milliseconds kWindow{1000};

    // Opens the first free local port of base, base + 1, base + 2 (OpenSearchPort); nothing
    // is sent yet.
    explicit Search(uint16_t base = kLocalPortBase);
    // Waits for a background search to end (at the end of its window at the latest).
    ~Search();
    Search(const Search&) = delete;
    Search& operator=(const Search&) = delete;

    // false: none of the three local ports could be opened; the search can do nothing.
    bool Opened() const { return socket_.Valid(); }
    uint16_t LocalPort() const { return localPort_; }

    // Sends one "TR" to port 5001 of destination; the window opens here. Card 0: routed,
    // and to the broadcast address also once on every other broadcast card (a routed
    // broadcast leaves by one card only), with the unicast re-ask of silent cards (see
    // SilentCardAsker). Another card: by that card only, nothing asked again.
    void Start(const Ip4& destination, unsigned card = 0);

    // Hands each valid reply that reached the machine within window (from Start) to
    // onReply, in arrival order, and returns at the end of the window; replies that arrive
    // later are never handed out.
    void Listen(Clock::duration window, const ReplyFn& onReply);

    // Starts and listens as Start and Listen do, in a thread of its own, which sends the
    // request once it runs. Replies wait for Take; the thread calls onWaiting when replies
    // wait and their stream has paused (the caller wakes its own loop there, it must not
    // block), and once more with Done() true at the end of the window.
    void StartInBackground(const Ip4& destination, unsigned card, Clock::duration window,
                           std::function<void()> onWaiting);
    // The replies waiting since the last Take, in arrival order (from any thread).
    std::vector<HeardReply> Take();
    // The background listen has ended: after it, Take gives the last replies.
    bool Done() const { return done_; }
    // Waits until the background listen has ended (at the end of its window).
    void Wait();

    // How long the window has been open, on the steady clock.
    Clock::duration Elapsed() const { return Clock::now() - start_; }

    // Some card heard no reply to the broadcast within a short while, and the neighbours
    // that asked for this computer's address since were asked again by unicast.
    bool AskedAgain() const { return asker_ && asker_->Asked(); }

private:
    // Listen, calling onQuiet whenever the socket has gone quiet after datagrams.
    void Listen(Clock::duration window, const ReplyFn& onReply,
                const std::function<void()>& onQuiet);
    // Sends the requests of the re-ask that are due.
    void AskAgainWhenDue();
    // Hands out what waits on the socket; up to deadlineNs, or when the system does not
    // stamp arrival times, all of it (it was waiting at the end). Gives how many were read.
    size_t Drain(int64_t deadlineNs, const ReplyFn& onReply, bool atEnd);

    uint16_t localPort_ = 0; // before socket_: its initialiser writes this
    UdpSocketGroup socket_;
    std::unique_ptr<SilentCardAsker> asker_; // a broadcast search on every card only
    Clock::time_point start_{};
    std::map<unsigned, std::string> cardNames_; // looked up once per search
    std::deque<Datagram> read_;                 // the read in progress

    std::mutex mutex_; // guards waiting_ and told_
    std::vector<HeardReply> waiting_;
    bool told_ = false; // onWaiting was called for what waits now
    std::atomic<bool> done_{false};
    std::thread thread_;
};

} // namespace core
