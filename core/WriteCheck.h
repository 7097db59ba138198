// Whether a controller took a configuration write. After the frame has gone out the check
// asks again the way the frame went: to the broadcast address on the card that heard the
// controller, or, after a write to an address, at the controller's new address. It looks for
// the written MAC answering from the new address with the new mask and gateway, and keeps
// asking for a while, since a controller may restart its network stack before it answers.
// The window and the command line run this one check; they differ only in how they show
// its outcome.
//
// The checks run on a search (Search.h) of their own, which asks again until they end: it
// holds a local port (the first free one of 6002 to 6004) from the first request until a
// second after its last one, so that a search or a write started meanwhile, or right after
// a check that was confirmed at once, opens the next port and neither side reads the
// other's replies. A check keeps nothing of what it hears but its outcome.
#pragma once

#include "ConfigWrite.h"
#include "ControllerRecord.h"
#include "Controllers.h"
#include "Ports.h"
#include "Search.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace core {

// How long a check asks by default: the command line's --timeout default as well. A
// controller that takes new values may restart its network stack first, and its link comes
// back only after the switch port has negotiated again, which takes a few seconds; a
// controller that answers at once is confirmed at once, so only a write that did not take
// waits the whole time.
constexpr std::chrono::milliseconds kWriteCheckTime{10000};
// The request goes out again this often while no confirming answer has come: a controller
// back from a restart is heard within half a second, and even a thousand controllers on the
// card answer two thousand short replies a second.
constexpr std::chrono::milliseconds kWriteCheckAskEvery{500};

// What a write asked of one controller and where the check asks.
struct WriteCheckRequest {
    ControllerRecord wanted; // the MAC and the IP, mask and gateway written
    Ip4 askAt{};             // kBroadcast, or the controller's new address
    unsigned card = 0;       // broadcast: the card that heard the controller (0: routed)
    std::chrono::milliseconds time = kWriteCheckTime;
};

// The check after the frame for written (its MAC, IP, mask and gateway) went to destination
// (see ChooseDestination): broadcast on the destination's card, or after a write to an
// address, at the new address, routed.
WriteCheckRequest CheckAfterWrite(const ControllerRecord& written,
                                  const WriteDestination& destination,
                                  std::chrono::milliseconds time = kWriteCheckTime);

enum class WriteCheckResult {
    kConfirmed,   // the MAC answered from the new address with the new values
    kOtherValues, // it answered, but never so (heard: its last answer)
    kNoAnswer,    // nothing came from the MAC
};

struct WriteCheckOutcome {
    WriteCheckRequest request;
    WriteCheckResult result = WriteCheckResult::kNoAnswer;
    Ip4 sender{};                       // where the answer came from (not for kNoAnswer)
    ControllerRecord heard;             // its record
    std::chrono::milliseconds after{0}; // from the start of the check to its outcome
};

// The checks running on one local port (the window may start a second one while the first
// still asks). One thread uses it.
class WriteChecks {
public:
    using Clock = std::chrono::steady_clock;

    explicit WriteChecks(uint16_t base = kLocalPortBase) : base_(base) {}

    void Add(const WriteCheckRequest& request, Clock::time_point now = Clock::now());
    // No check is running and the local port is given back.
    bool Idle() const { return running_.empty() && !search_; }

    // Sends the requests that are due, reads every reply waiting and gives the outcomes of
    // the checks that are settled or out of time. Opens the local port for the first request
    // (when none is free, again for the next one). Once no check is left it keeps the port,
    // dropping what comes, until a search's window has passed since the last request: the
    // other controllers on the card are still answering it.
    std::vector<WriteCheckOutcome> Step(Clock::time_point now = Clock::now());

    // Waits until a reply is waiting or the next step is due, but at most limit.
    void Wait(Clock::duration limit);

private:
    // Where a check asks: the address and the card as UdpSocket::Send takes it.
    using AskKey = std::pair<Ip4, unsigned>;
    struct Running {
        WriteCheckOutcome outcome;
        Clock::time_point start;
        Clock::time_point deadline;
        std::optional<AskKey> ask; // none: its card has gone, it asks nothing
    };
    // Asks for every check that is not asked for yet: one request per destination and
    // card, however many checks wait for it.
    void Ask(Clock::time_point now);
    void Take(const Heard& heard);

    uint16_t base_;
    std::unique_ptr<Search> search_; // from the first request to a second after the last
    std::map<AskKey, int> asks_;     // the search's requests
    std::vector<Running> running_;
};

// Runs one check to its end on the calling thread.
WriteCheckOutcome CheckWrite(const WriteCheckRequest& request);

// Runs checks on a thread of its own and reports each outcome, on that thread, as it comes.
// Destroying it stops the thread; the checks still running then report nothing.
class WriteChecker {
public:
    using Report = std::function<void(const WriteCheckOutcome&)>;

    explicit WriteChecker(Report report, uint16_t base = kLocalPortBase);
    ~WriteChecker();
    WriteChecker(const WriteChecker&) = delete;
    WriteChecker& operator=(const WriteChecker&) = delete;

    // Starts a check beside the ones running; returns at once.
    void Start(const WriteCheckRequest& request);

private:
    void Run();

    Report report_;
    uint16_t base_;
    std::mutex mutex_; // guards pending_ and stop_
    std::condition_variable wake_;
    std::vector<WriteCheckRequest> pending_;
    bool stop_ = false;
    std::thread thread_; // last: it starts once the rest is in place
};

} // namespace core
