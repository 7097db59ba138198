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
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
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

// Runs one check to its end on the calling thread.
WriteCheckOutcome CheckWrite(const WriteCheckRequest& request);

// Runs checks on a search's thread and reports each outcome, on that thread, as it comes.
// The search holds a local port (the first free one from base on) from the first check on;
// once no check is left it keeps the port, dropping what comes, until a search's window has
// passed since its last request: the other controllers on the card are still answering it.
// Destroying the checker stops the search; the checks still running then report nothing.
class WriteChecker {
public:
    using Report = std::function<void(const WriteCheckOutcome&)>;

    explicit WriteChecker(Report report, uint16_t base = kLocalPortBase);
    ~WriteChecker();
    WriteChecker(const WriteChecker&) = delete;
    WriteChecker& operator=(const WriteChecker&) = delete;

    // Starts a check beside the ones running; returns at once. One thread calls it.
    void Start(const WriteCheckRequest& request);

private:
    // The search's loop while checks run.
    void Run(Search& search);

    Report report_;
    uint16_t base_;
    std::mutex mutex_; // guards pending_, running_ and stop_
    std::vector<WriteCheckRequest> pending_;
    bool running_ = false; // the search's loop runs and will take what is pending
    bool stop_ = false;
    std::unique_ptr<Search> search_; // the last one started; only Start and the destructor
};

} // namespace core
