#include "Search.h"

#include "ControllerRecord.h"
#include "NetworkCards.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <system_error>

namespace core {
namespace {

const uint8_t kRequest[] = {'T', 'R'};

// Datagrams moved by one read.
constexpr size_t kReadsPerCall = 256;
// How long the socket stays quiet before onQuiet is called: a stream of replies whose
// sender was put off its processor for a moment has not ended yet.
constexpr std::chrono::milliseconds kQuiet{5};

int64_t Ns(Search::Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
}

// Rounded up: a poll never ends before the moment it waits for.
int WaitMs(Search::Clock::duration wait) {
    return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(wait).count());
}

} // namespace

Search::Search(uint16_t base) : socket_(OpenSearchPort(base, &localPort_)) {}

Search::~Search() {
    Wait();
}

void Search::Close() {
    socket_ = UdpSocketGroup();
}

int Search::AddRequest(Request request) {
    request.id = ++lastRequest_;
    requests_.push_back(request);
    return request.id;
}

void Search::Start(const Ip4& destination, unsigned card) {
    if (!Opened() || start_ != Clock::time_point{})
        return;
    // The cards are looked up before the first request goes out: its replies come at once,
    // and nobody reads them while this thread is still busy sending.
    const bool everyCard = destination == kBroadcast && card == 0;
    std::vector<unsigned> cards;
    Request first{.to = destination, .card = card, .every = kAskAgainEvery};
    if (card != 0) {
        first.ends = Ends::kOnItsCard;
        first.answeredOn = card;
    } else if (everyCard) {
        first.ends = Ends::kOnUnaskedCards;
    }
    // The routed one goes out first, before the requests a caller asked for meanwhile; every
    // request keeps the id it was given.
    first.id = ++lastRequest_;
    requests_.insert(requests_.begin(), first);
    if (everyCard) {
        for (const NetworkCard& c : BroadcastCards()) {
            cards.push_back(c.index);
            cardOfAddress_.emplace(c.address, c.index);
        }
        for (const NetworkCard& other : CardsBesideRoute())
            AddRequest({.to = destination,
                        .card = other.index,
                        .ends = Ends::kOnItsCard,
                        .answeredOn = other.index,
                        .every = kAskAgainEvery});
    }
    start_ = Clock::now();
    // Routed or not, the broadcast goes out on every broadcast card.
    if (everyCard)
        asker_ = std::make_unique<SilentCardAsker>(std::move(cards));
    SendDue(start_);
}

int Search::Ask(const Ip4& to, unsigned card, Clock::duration every, Clock::time_point now) {
    return AddRequest(
        {.to = to, .card = card, .ends = Ends::kWhenDropped, .every = every, .due = now});
}

void Search::Drop(int request) {
    std::erase_if(requests_, [request](const Request& r) { return r.id == request; });
}

void Search::SendDue(Clock::time_point now) {
    for (Request& r : requests_) {
        if (r.answered || now < r.due)
            continue;
        r.due = now + r.every;
        ++sent_;
        lastSent_ = now;
        socket_.Sender().Send(r.to, kControllerPort, kRequest, sizeof kRequest, r.card);
    }
    if (!asker_)
        return;
    // From the same socket and port, so that the replies are read where the broadcast's
    // would have been.
    const auto since = std::chrono::duration_cast<std::chrono::milliseconds>(now - start_);
    for (const SilentCardAsker::Target& t : asker_->Due(since)) {
        ++sent_;
        lastSent_ = now;
        socket_.Sender().Send(t.address, kControllerPort, kRequest, sizeof kRequest, t.card);
    }
}

Search::Clock::time_point Search::NextDue() const {
    Clock::time_point due = Clock::time_point::max();
    for (const Request& r : requests_)
        if (!r.answered)
            due = std::min(due, r.due);
    if (asker_)
        if (const auto look = asker_->NextLook())
            due = std::min(due, start_ + *look);
    return due;
}

unsigned Search::AnsweringCard(const Datagram& d) const {
    const auto it = cardOfAddress_.find(d.to);
    return it == cardOfAddress_.end() ? d.card : it->second;
}

void Search::Answered(unsigned card, const Ip4& sender) {
    if (asker_)
        asker_->Heard(card, sender);
    const auto named = [this, card] {
        return std::any_of(requests_.begin(), requests_.end(), [card](const Request& r) {
            return r.ends == Ends::kOnItsCard && r.answeredOn == card;
        });
    };
    for (Request& r : requests_) {
        switch (r.ends) {
        case Ends::kOnItsCard:
            r.answered = r.answered || r.answeredOn == card;
            break;
        case Ends::kOnUnaskedCards:
            r.answered = r.answered || !named();
            break;
        case Ends::kOnAnyReply:
            r.answered = true;
            break;
        case Ends::kWhenDropped:
            break;
        }
    }
}

size_t Search::Drain(int64_t deadlineNs, const HeardFn& onHeard, bool atEnd) {
    const size_t read =
        atEnd ? socket_.ReceiveWaiting(read_, std::numeric_limits<size_t>::max(), true)
              : socket_.ReceiveWaiting(read_, kReadsPerCall);
    // Without the system's arrival times, what was waiting at the end arrived within the
    // window as far as anyone can tell.
    const bool keepAll = atEnd && !socket_.StampsArrival();
    for (const Datagram& d : read_) {
        if (d.arrivalNs > deadlineNs && !keepAll)
            continue;
        const auto record = ControllerRecord::FromReply(d.bytes.data(), d.bytes.size());
        if (!record)
            continue;
        Heard heard;
        heard.sender = d.sender;
        Answered(AnsweringCard(d), heard.sender);
        heard.card = d.card;
        auto name = cardNames_.find(d.card);
        if (name == cardNames_.end())
            name = cardNames_.emplace(d.card, CardName(d.card)).first;
        heard.cardName = name->second;
        heard.record = *record;
        onHeard(heard);
    }
    read_.clear();
    return read;
}

void Search::Run(const Loop& loop) {
    const int64_t cutoffNs = loop.cutoff == Clock::time_point::max()
                                 ? std::numeric_limits<int64_t>::max()
                                 : Ns(loop.cutoff);
    bool quietDue = false;  // datagrams came since onQuiet was last called
    bool readFirst = false; // this turn reads what waits before anything goes out
    for (;;) {
        const auto now = Clock::now();
        const std::optional<Clock::time_point> next = loop.next(now);
        if (!next)
            break;
        if (!Opened()) {
            std::this_thread::sleep_until(*next);
            continue;
        }
        // When something is due and replies wait (the thread was held up while they came),
        // they are read first and the caller sees them at the next turn: one may answer
        // what is due. A turn that read first sends at the next, however much comes.
        readFirst = !readFirst && NextDue() <= now && socket_.WaitReadable(0);
        if (!readFirst) {
            SendDue(now);
            auto until = std::min(*next, NextDue());
            if (quietDue)
                until = std::min(until, now + kQuiet);
            if (!socket_.WaitReadable(WaitMs(until - now))) {
                if (quietDue && loop.onQuiet && Clock::now() < loop.cutoff)
                    loop.onQuiet();
                quietDue = false;
                continue;
            }
        }
        // Read on while datagrams come: a thread that sleeps between datagrams has to win a
        // processor back for each one, and a stream of replies overflows a small receive
        // buffer meanwhile.
        while (Clock::now() < loop.cutoff && Drain(cutoffNs, loop.onHeard, false) > 0) {
        }
        quietDue = true;
    }
    if (Opened())
        Drain(cutoffNs, loop.onHeard, true);
}

void Search::Listen(Clock::duration window, const HeardFn& onHeard,
                    const std::function<void()>& onQuiet) {
    if (!Opened() || start_ == Clock::time_point{})
        return;
    const Clock::time_point end = start_ + window;
    Run({.onHeard = onHeard,
         .next = [end](Clock::time_point now) -> std::optional<Clock::time_point> {
             if (now >= end)
                 return std::nullopt;
             return end;
         },
         .onQuiet = onQuiet,
         .cutoff = end});
}

void Search::RunInBackground(std::function<void()> work) {
    Wait();
    try {
        thread_ = std::thread(work);
    } catch (const std::system_error&) {
        work(); // no thread to be had: the caller waits for it here
    }
}

void Search::StartInBackground(const Ip4& destination, unsigned card, Clock::duration window,
                               HeardFn onHeard, std::function<void()> onQuiet,
                               std::function<void()> onEnd) {
    if (thread_.joinable() || !Opened())
        return;
    RunInBackground([this, destination, card, window, onHeard = std::move(onHeard),
                     onQuiet = std::move(onQuiet), onEnd = std::move(onEnd)] {
        Start(destination, card);
        Listen(window, onHeard, onQuiet);
        onEnd();
    });
}

void Search::Wait() {
    if (thread_.joinable())
        thread_.join();
}

} // namespace core
