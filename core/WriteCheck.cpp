#include "WriteCheck.h"

#include "Search.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <optional>
#include <set>
#include <utility>

namespace core {
namespace {

using Clock = WriteChecks::Clock;

const uint8_t kRequest[] = {'T', 'R'};

// How long the checking thread waits at most before it looks at its stop flag again.
constexpr std::chrono::milliseconds kStopLatency{50};
// Replies read in one go.
constexpr size_t kReadBatch = 256;

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
    r.nextAsk = now;
    r.deadline = now + request.time;
    running_.push_back(std::move(r));
}

void WriteChecks::Ask(Clock::time_point now) {
    // One request per destination and card, however many checks are due for it.
    std::set<std::pair<Ip4, unsigned>> sent;
    for (Running& r : running_) {
        if (now < r.nextAsk || now >= r.deadline)
            continue;
        r.nextAsk = now + kWriteCheckAskEvery;
        if (!socket_.Valid())
            socket_ = OpenLocalPort(base_); // none free: again at the next request
        const WriteCheckRequest& q = r.outcome.request;
        if (!socket_.Valid() || !sent.insert({q.askAt, q.card}).second)
            continue;
        // A card that has gone since the search is asked nothing rather than another one.
        if (const std::optional<unsigned> via = FrameCard(q.card)) {
            socket_.Send(q.askAt, kControllerPort, kRequest, sizeof kRequest, *via);
            heldUntil_ = now + Search::kWindow;
        }
    }
}

void WriteChecks::Take(const Datagram& d) {
    const auto record = ControllerRecord::FromReply(d.bytes.data(), d.bytes.size());
    if (!record)
        return;
    Ip4 sender{};
    std::memcpy(sender.data(), &d.sender, sender.size()); // network order: written order
    for (Running& r : running_) {
        WriteCheckOutcome& o = r.outcome;
        if (record->mac != o.request.wanted.mac || o.result == WriteCheckResult::kConfirmed)
            continue;
        o.result = Takes(o.request.wanted, sender, *record) ? WriteCheckResult::kConfirmed
                                                            : WriteCheckResult::kOtherValues;
        o.sender = sender;
        o.heard = *record;
    }
}

std::vector<WriteCheckOutcome> WriteChecks::Step(Clock::time_point now) {
    std::vector<WriteCheckOutcome> done;
    if (!socket_.Valid() && running_.empty())
        return done;
    Ask(now);
    std::deque<Datagram> waiting;
    while (socket_.ReceiveWaiting(waiting, kReadBatch) > 0) {
        for (const Datagram& d : waiting)
            Take(d);
        waiting.clear();
    }
    for (auto r = running_.begin(); r != running_.end();) {
        if (r->outcome.result != WriteCheckResult::kConfirmed && now < r->deadline) {
            ++r;
            continue;
        }
        r->outcome.after = std::chrono::duration_cast<std::chrono::milliseconds>(now - r->start);
        done.push_back(std::move(r->outcome));
        r = running_.erase(r);
    }
    if (running_.empty() && now >= heldUntil_)
        socket_ = UdpSocket();
    return done;
}

void WriteChecks::Wait(Clock::duration limit) {
    Clock::time_point due = Clock::now() + limit;
    for (const Running& r : running_)
        due = std::min({due, r.nextAsk, r.deadline});
    if (running_.empty() && socket_.Valid())
        due = std::min(due, heldUntil_);
    const auto left = due - Clock::now();
    if (left <= Clock::duration::zero())
        return;
    // Rounded up: a wait of 0 ms before a step that is due in less would only spin.
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left);
    if (socket_.Valid())
        socket_.WaitReadable(static_cast<int>(ms.count()));
    else
        std::this_thread::sleep_for(ms);
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

WriteCheckNotice NoticeForWindow(const WriteCheckOutcome& o) {
    const std::string controller = "Контроллер " + o.request.wanted.MacText();
    switch (o.result) {
    case WriteCheckResult::kConfirmed:
        return {"Параметры записаны", controller + " отвечает с адреса " + DottedQuad(o.sender),
                false};
    case WriteCheckResult::kOtherValues:
        return {"Запись не подтверждена",
                controller + " отвечает с адреса " + DottedQuad(o.sender) + ": IP " +
                    o.heard.IpText() + ", маска " + o.heard.MaskText() + ", шлюз " +
                    o.heard.GatewayText() + ". Новые параметры не приняты: запишите их ещё раз.",
                true};
    case WriteCheckResult::kNoAnswer:
        break;
    }
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(o.request.time).count();
    return {"Запись не подтверждена",
            controller + " не ответил за " + std::to_string(seconds) +
                " с. Перезапустите контроллер и повторите поиск.",
            true};
}

} // namespace core
