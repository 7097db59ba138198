#include "WriteCheck.h"

#include <algorithm>
#include <map>
#include <optional>
#include <utility>

namespace core {
namespace {

using Clock = std::chrono::steady_clock;

// How long the checks' loop waits at most before it looks for new checks and a stop.
constexpr std::chrono::milliseconds kStopLatency{50};

bool Takes(const ControllerRecord& wanted, const Ip4& sender, const ControllerRecord& heard) {
    return heard.ip == wanted.ip && heard.mask == wanted.mask && heard.gateway == wanted.gateway &&
           sender == wanted.ip;
}

} // namespace

WriteCheckRequest CheckAfterWrite(const ControllerRecord& written,
                                  const WriteDestination& destination,
                                  std::chrono::milliseconds time) {
    WriteCheckRequest request;
    request.wanted = written;
    request.time = time;
    if (destination.address == kBroadcast) {
        request.askAt = kBroadcast;
        request.card = destination.card;
    } else {
        // Written to its address: it may sit behind a router, where a broadcast never
        // reaches it.
        request.askAt = request.wanted.ip;
    }
    return request;
}

namespace {

// The checks running on one search, used on its loop's thread.
class WriteChecks {
public:
    void Add(const WriteCheckRequest& request, Clock::time_point now);
    bool Empty() const { return running_.empty(); }
    // A reply the search heard.
    void Take(const Heard& heard);
    // Asks for every check not asked for yet (one request per destination and card, however
    // many checks wait for it), gives the outcomes of the checks that are settled or out of
    // time, and drops the requests no check waits for any more.
    std::vector<WriteCheckOutcome> Settle(Search& search, Clock::time_point now);
    // When a check runs out of time next (max: none runs).
    Clock::time_point NextDeadline() const;

private:
    // Where a check asks: the address and the card as UdpSocket::Send takes it.
    using AskKey = std::pair<Ip4, unsigned>;
    struct Running {
        WriteCheckOutcome outcome;
        Clock::time_point start;
        Clock::time_point deadline;
        std::optional<AskKey> ask; // none: its card has gone, it asks nothing
    };

    std::map<AskKey, int> asks_; // the search's requests
    std::vector<Running> running_;
};

void WriteChecks::Add(const WriteCheckRequest& request, Clock::time_point now) {
    Running r;
    r.outcome.request = request;
    r.start = now;
    r.deadline = now + request.time;
    // A card that has gone since the search is asked nothing rather than another one.
    if (const std::optional<unsigned> via = FrameCard(request.card))
        r.ask = AskKey{request.askAt, *via};
    running_.push_back(std::move(r));
}

void WriteChecks::Take(const Heard& heard) {
    for (Running& r : running_) {
        WriteCheckOutcome& o = r.outcome;
        if (heard.record.mac != o.request.wanted.mac || o.result == WriteCheckResult::kConfirmed)
            continue;
        o.result = Takes(o.request.wanted, heard.sender, heard.record)
                       ? WriteCheckResult::kConfirmed
                       : WriteCheckResult::kOtherValues;
        o.sender = heard.sender;
        o.heard = heard.record;
    }
}

std::vector<WriteCheckOutcome> WriteChecks::Settle(Search& search, Clock::time_point now) {
    for (const Running& r : running_)
        if (r.ask && !asks_.contains(*r.ask))
            asks_[*r.ask] = search.Ask(r.ask->first, r.ask->second, kWriteCheckAskEvery, now);
    std::vector<WriteCheckOutcome> done;
    for (auto r = running_.begin(); r != running_.end();) {
        if (r->outcome.result != WriteCheckResult::kConfirmed && now < r->deadline) {
            ++r;
            continue;
        }
        r->outcome.after = std::chrono::duration_cast<std::chrono::milliseconds>(now - r->start);
        done.push_back(std::move(r->outcome));
        r = running_.erase(r);
    }
    for (auto a = asks_.begin(); a != asks_.end();) {
        const bool wanted = std::any_of(running_.begin(), running_.end(),
                                        [&a](const Running& r) { return r.ask == a->first; });
        if (wanted) {
            ++a;
            continue;
        }
        search.Drop(a->second);
        a = asks_.erase(a);
    }
    return done;
}

Clock::time_point WriteChecks::NextDeadline() const {
    Clock::time_point due = Clock::time_point::max();
    for (const Running& r : running_)
        due = std::min(due, r.deadline);
    return due;
}

} // namespace

WriteCheckOutcome CheckWrite(const WriteCheckRequest& request) {
    Search search;
    WriteChecks checks;
    checks.Add(request, Clock::now());
    std::optional<WriteCheckOutcome> outcome;
    search.Run({.onHeard = [&checks](const Heard& heard) { checks.Take(heard); },
                .next = [&](Clock::time_point now) -> std::optional<Clock::time_point> {
                    for (WriteCheckOutcome& o : checks.Settle(search, now))
                        outcome = std::move(o);
                    if (outcome)
                        return std::nullopt;
                    return checks.NextDeadline();
                }});
    return *outcome;
}

WriteChecker::WriteChecker(Report report, uint16_t base)
    : report_(std::move(report)), base_(base) {}

WriteChecker::~WriteChecker() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    search_.reset(); // waits for its loop, which ends at its next turn
}

void WriteChecker::Start(const WriteCheckRequest& request) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_.push_back(request);
        if (running_)
            return; // the running loop takes it at its next turn
        running_ = true;
    }
    // The last search's loop has ended: its port is given back before the next one opens.
    search_.reset();
    search_ = std::make_unique<Search>(base_);
    Search* search = search_.get();
    search->RunInBackground([this, search] { Run(*search); });
}

void WriteChecker::Run(Search& search) {
    WriteChecks checks;
    search.Run({.onHeard = [&checks](const Heard& heard) { checks.Take(heard); },
                .next = [&](Clock::time_point now) -> std::optional<Clock::time_point> {
                    std::vector<WriteCheckOutcome> done;
                    bool ended = false;
                    {
                        std::lock_guard<std::mutex> lock(mutex_);
                        if (stop_) {
                            running_ = false;
                            return std::nullopt;
                        }
                        for (const WriteCheckRequest& request : pending_)
                            checks.Add(request, now);
                        pending_.clear();
                        done = checks.Settle(search, now);
                        // The other controllers on the card are still answering the last
                        // request for a search's window: the port is kept, dropping what
                        // comes, until that has passed.
                        ended = checks.Empty() && now >= search.LastSent() + Search::kWindow;
                        if (ended)
                            running_ = false;
                    }
                    for (const WriteCheckOutcome& outcome : done)
                        report_(outcome);
                    if (ended)
                        return std::nullopt;
                    // A check started or a stop asked for meanwhile waits this long at most.
                    return std::min(checks.NextDeadline(), now + kStopLatency);
                }});
    search.Close();
}

} // namespace core
