// One search for controllers, as the window, the command line and the check after a write
// all run it: the first free local port, the discovery request "TR", and the valid replies
// that reach the machine within a window timed on the steady clock.
//
// A search is a table of requests, each with the rule that ends it: a search's requests
// end when a reply answers them or the window is over, a write check's when the check
// drops them. Requests are added and dropped at any time and keep their ids. A request goes
// out again while nothing has answered it: a laptop's Wi-Fi sends a broadcast once,
// unacknowledged, and an access point relays it to the wired LAN only if it got it. A card
// that has heard a reply asks nothing more.
//
// Run is the search's one loop: it sends what is due, once it has read the replies that
// already wait, and waits in one poll on its sockets at a time until its caller ends it. The
// command line runs it on its own thread; the window and the write checks run it on the search's
// own thread (RunInBackground), which keeps the socket drained however long the window takes to
// file what it heard.
#pragma once

#include "Controllers.h"
#include "Ports.h"
#include "SilentCardAsker.h"
#include "UdpSocket.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace core {

class Search {
public:
    using Clock = std::chrono::steady_clock;
    using HeardFn = std::function<void(const Heard&)>;

    // How long a search listens, unless its caller says otherwise.
    static constexpr std::chrono::milliseconds kWindow{1000};
    // How often a request that nothing has answered yet goes out again.
    static constexpr std::chrono::milliseconds kAskAgainEvery{150};

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
    // Gives the local port back; the search sends and hears nothing more.
    void Close();

    // Sends "TR" to port 5001 of destination; the window opens here. Card 0: routed, and to
    // the broadcast address also once on every other broadcast card (a routed broadcast
    // leaves by one card only), with the unicast re-ask of silent cards (see
    // SilentCardAsker). Another card: by that card only. Each request goes out again every
    // kAskAgainEvery until a reply answers it: a broadcast's by arriving on its card, one to
    // an address by arriving at all.
    void Start(const Ip4& destination, unsigned card = 0);

    // How a run of the loop goes on. next is called on the loop's thread before every
    // wait, with the time: it may add and drop requests, and gives the latest moment to be
    // called again, or nullopt to end the run. Each valid reply goes to onHeard in arrival
    // order, unless it arrived after cutoff; onQuiet is called whenever a stream of replies
    // has paused (a caller that files replies elsewhere wakes there; it must not block).
    struct Loop {
        HeardFn onHeard;
        std::function<std::optional<Clock::time_point>(Clock::time_point now)> next;
        std::function<void()> onQuiet = {};
        Clock::time_point cutoff = Clock::time_point::max();
    };
    // The loop. Without a local port it only calls next, when it asks.
    void Run(const Loop& loop);

    // Runs the loop from Start until the end of window: hands each valid reply that reached
    // the machine within it to onHeard and returns; later replies are never handed out.
    void Listen(Clock::duration window, const HeardFn& onHeard,
                const std::function<void()>& onQuiet = {});

    // Runs work (which runs the loop) on the search's own thread; without a thread to be
    // had, on the calling one. Wait, or the destructor, waits for it to end.
    void RunInBackground(std::function<void()> work);
    // Start and Listen in the background: the request goes out from the search's thread
    // once it runs (on a busy machine a new thread may wait a while for its first turn,
    // and replies sent meanwhile would find nobody reading), and onEnd is called there once
    // at the end of the window.
    void StartInBackground(const Ip4& destination, unsigned card, Clock::duration window,
                           HeardFn onHeard, std::function<void()> onQuiet,
                           std::function<void()> onEnd);
    // Waits until the background work has ended.
    void Wait();

    // Some card heard no reply to the broadcast within a short while, and the neighbours
    // that asked for this computer's address since were asked again by unicast.
    bool AskedAgain() const { return asker_ && asker_->Asked(); }
    // Every "TR" this search has sent: first requests, asks again and the unicast re-ask.
    int RequestsSent() const { return sent_; }

    // A request that ends when its caller drops it (the check after a write): "TR" to port
    // 5001 of to, by card as UdpSocket::Send takes it, due at now and every every after.
    // Gives the request's id.
    int Ask(const Ip4& to, unsigned card, Clock::duration every, Clock::time_point now);
    void Drop(int request);
    // When the last request went out (the epoch before the first).
    Clock::time_point LastSent() const { return lastSent_; }

private:
    enum class Ends {
        kOnItsCard,      // a reply arrives on its card
        kOnUnaskedCards, // a reply arrives on a card no other request names (the routed one)
        kOnAnyReply,     // a reply arrives at all (a request to one address)
        kWhenDropped,    // its caller drops it
    };
    struct Request {
        int id = 0;
        Ip4 to{};
        unsigned card = 0; // as UdpSocket::Send takes it
        Ends ends = Ends::kOnAnyReply;
        unsigned answeredOn = 0; // for kOnItsCard
        Clock::duration every{};
        Clock::time_point due{};
        bool answered = false;
    };

    int AddRequest(Request request);
    // Sends the requests due at now, and the unicast re-ask when it is due.
    void SendDue(Clock::time_point now);
    // The earliest moment something is due to go out.
    Clock::time_point NextDue() const;
    // A reply from sender arrived for the card answered: the requests it answers go quiet.
    void Answered(unsigned card, const Ip4& sender);
    // The card a reply answers: the card whose address it was sent to, else the card it
    // arrived on.
    unsigned AnsweringCard(const Datagram& d) const;
    // Hands out what waits on the socket; up to deadlineNs, or when the system does not
    // stamp arrival times, all of it (it was waiting at the end). Gives how many were read.
    size_t Drain(int64_t deadlineNs, const HeardFn& onHeard, bool atEnd);

    uint16_t localPort_ = 0; // before socket_: its initialiser writes this
    UdpSocketGroup socket_;
    std::unique_ptr<SilentCardAsker> asker_; // a broadcast search on every card only
    Clock::time_point start_{};
    Clock::time_point lastSent_{};
    std::vector<Request> requests_;
    int lastRequest_ = 0;
    int sent_ = 0;
    std::map<Ip4, unsigned> cardOfAddress_;     // the broadcast cards' addresses
    std::map<unsigned, std::string> cardNames_; // looked up once per search
    std::deque<Datagram> read_;                 // the read in progress
    std::thread thread_;
};

} // namespace core
