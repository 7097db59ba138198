#include "WriteCheck.h"

#include <algorithm>

namespace core {
namespace {

using Clock = WriteChecks::Clock;

// How long the checking thread waits at most before it looks at its stop flag again.
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

void WriteChecks::Ask(Clock::time_point now) {
    if (!search_) {
        search_ = std::make_unique<Search>(base_);
        if (!search_->Opened()) {
            search_.reset(); // none free: again at the next step
            return;
        }
    }
    for (const Running& r : running_)
        if (r.ask && !asks_.contains(*r.ask))
            asks_[*r.ask] = search_->Ask(r.ask->first, r.ask->second, kWriteCheckAskEvery, now);
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

std::vector<WriteCheckOutcome> WriteChecks::Step(Clock::time_point now) {
    std::vector<WriteCheckOutcome> done;
    if (!search_ && running_.empty())
        return done;
    if (!running_.empty())
        Ask(now);
    if (search_)
        search_->Pump(now, [this](const Heard& heard) { Take(heard); });
    for (auto r = running_.begin(); r != running_.end();) {
        if (r->outcome.result != WriteCheckResult::kConfirmed && now < r->deadline) {
            ++r;
            continue;
        }
        r->outcome.after = std::chrono::duration_cast<std::chrono::milliseconds>(now - r->start);
        done.push_back(std::move(r->outcome));
        r = running_.erase(r);
    }
    // A request no check waits for any more goes quiet.
    for (auto a = asks_.begin(); a != asks_.end();) {
        const bool wanted = std::any_of(running_.begin(), running_.end(),
                                        [&a](const Running& r) { return r.ask == a->first; });
        if (wanted) {
            ++a;
            continue;
        }
        search_->Drop(a->second);
        a = asks_.erase(a);
    }
    // The other controllers on the card are still answering the last request for a
    // search's window: the port is kept, dropping what comes, until that has passed.
    if (search_ && running_.empty() && now >= search_->LastSent() + Search::kWindow)
        search_.reset();
    return done;
}

void WriteChecks::Wait(Clock::duration limit) {
    Clock::time_point due = Clock::now() + limit;
    for (const Running& r : running_)
        due = std::min(due, r.deadline);
    if (search_ && running_.empty())
        due = std::min(due, search_->LastSent() + Search::kWindow);
    if (search_) {
        search_->WaitUntil(due);
        return;
    }
    const auto left = due - Clock::now();
    if (left > Clock::duration::zero())
        // Rounded up: a wait of 0 ms before a step that is due in less would only spin.
        std::this_thread::sleep_for(std::chrono::ceil<std::chrono::milliseconds>(left));
}

WriteCheckOutcome CheckWrite(const WriteCheckRequest& request) {
    WriteChecks checks;
    checks.Add(request);
    for (;;) {
        std::vector<WriteCheckOutcome> done = checks.Step();
        if (!done.empty())
            return std::move(done.front());
        checks.Wait(request.time);
    }
}

WriteChecker::WriteChecker(Report report, uint16_t base)
    : report_(std::move(report)), base_(base), thread_([this] { Run(); }) {}

WriteChecker::~WriteChecker() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void WriteChecker::Start(const WriteCheckRequest& request) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_.push_back(request);
    }
    wake_.notify_one();
}

void WriteChecker::Run() {
    WriteChecks checks(base_);
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        if (checks.Idle())
            wake_.wait(lock, [this] { return stop_ || !pending_.empty(); });
        if (stop_)
            return;
        const auto now = Clock::now();
        for (const WriteCheckRequest& request : pending_)
            checks.Add(request, now);
        pending_.clear();
        lock.unlock();
        for (const WriteCheckOutcome& outcome : checks.Step())
            report_(outcome);
        // A check that is started or a stop asked for meanwhile waits this long at most.
        checks.Wait(kStopLatency);
        lock.lock();
    }
}

} // namespace core
