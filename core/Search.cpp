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
// How long the loop keeps reading after the last datagram before it waits again: a thread
// that sleeps between datagrams has to win a processor back for each one, and a stream of
// replies overflows a small receive buffer meanwhile.
constexpr std::chrono::microseconds kStayAwake{0};
// How long the socket stays quiet before onQuiet is called: a stream of replies whose
// sender was put off its processor for a moment has not ended yet.
constexpr std::chrono::milliseconds kQuiet{5};

int64_t Ns(Search::Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
}

// The first of the local ports that opens.
template <typename Socket> Socket OpenFirstFree(uint16_t base, uint16_t* opened) {
    for (int i = 0; i < kLocalPortTries; ++i) {
        const auto port = static_cast<uint16_t>(base + i);
        Socket socket = Socket::Open(port);
        if (socket.Valid()) {
            if (opened != nullptr)
                *opened = port;
            return socket;
        }
    }
    if (opened != nullptr)
        *opened = 0;
    return {};
}

} // namespace

UdpSocket OpenLocalPort(uint16_t base, uint16_t* opened) {
    return OpenFirstFree<UdpSocket>(base, opened);
}

UdpSocketGroup OpenSearchPort(uint16_t base, uint16_t* opened) {
    return OpenFirstFree<UdpSocketGroup>(base, opened);
}

Search::Search(uint16_t base) : socket_(OpenSearchPort(base, &localPort_)) {}

Search::~Search() {
    Wait();
}

void Search::Start(const Ip4& destination, unsigned card) {
    if (!Opened() || start_ != Clock::time_point{})
        return;
    // The cards are looked up before the first request goes out: its replies come at once,
    // and nobody reads them while this thread is still busy sending.
    const bool everyCard = destination == kBroadcast && card == 0;
    std::vector<NetworkCard> beside;
    std::vector<unsigned> cards;
    if (everyCard) {
        beside = CardsBesideRoute();
        for (const NetworkCard& c : BroadcastCards())
            cards.push_back(c.index);
    }
    start_ = Clock::now();
    socket_.Sender().Send(destination, kControllerPort, kRequest, sizeof kRequest, card);
    for (const NetworkCard& other : beside)
        socket_.Sender().Send(destination, kControllerPort, kRequest, sizeof kRequest, other.index);
    // Routed or not, the broadcast went out on every broadcast card.
    if (everyCard)
        asker_ = std::make_unique<SilentCardAsker>(std::move(cards));
}

void Search::AskAgainWhenDue() {
    if (!asker_)
        return;
    // From the same socket and port, so that the replies are read where the broadcast's
    // would have been.
    const auto since = std::chrono::duration_cast<std::chrono::milliseconds>(Elapsed());
    for (const SilentCardAsker::Target& t : asker_->Due(since))
        if (const auto address = ParseDottedQuad(t.address))
            socket_.Sender().Send(*address, kControllerPort, kRequest, sizeof kRequest, t.card);
}

size_t Search::Drain(int64_t deadlineNs, const ReplyFn& onReply, bool atEnd) {
    const size_t read =
        socket_.ReceiveWaiting(read_, atEnd ? std::numeric_limits<size_t>::max() : kReadsPerCall);
    // Without the system's arrival times, what was waiting at the end arrived within the
    // window as far as anyone can tell.
    const bool keepAll = atEnd && !socket_.StampsArrival();
    for (const Datagram& d : read_) {
        if (!IsReply(d.bytes.data(), d.bytes.size()) || (d.arrivalNs > deadlineNs && !keepAll))
            continue;
        if (asker_)
            asker_->Heard(d.card);
        HeardReply reply;
        std::memcpy(reply.sender.data(), &d.sender, reply.sender.size()); // network order
        reply.senderPort = d.senderPort;
        reply.card = d.card;
        auto name = cardNames_.find(d.card);
        if (name == cardNames_.end())
            name = cardNames_.emplace(d.card, CardName(d.card)).first;
        reply.cardName = name->second;
        std::memcpy(reply.bytes.data(), d.bytes.data(), kReplyBytes);
        onReply(reply);
    }
    read_.clear();
    return read;
}

void Search::Listen(Clock::duration window, const ReplyFn& onReply) {
    Listen(window, onReply, {});
}

void Search::Listen(Clock::duration window, const ReplyFn& onReply,
                    const std::function<void()>& onQuiet) {
    if (!Opened() || start_ == Clock::time_point{})
        return;
    const Clock::time_point end = start_ + window;
    const int64_t endNs = Ns(end);
    bool quietDue = false; // datagrams came since onQuiet was last called
    for (;;) {
        AskAgainWhenDue();
        const auto now = Clock::now();
        if (now >= end)
            break;
        auto wait = end - now;
        if (asker_ && Elapsed() < SilentCardAsker::kWait)
            wait = std::min<Clock::duration>(wait, SilentCardAsker::kWait - Elapsed());
        if (quietDue)
            wait = std::min<Clock::duration>(wait, kQuiet);
        // Rounded up: the poll never ends before the deadline it waits for.
        const auto ms = std::chrono::ceil<std::chrono::milliseconds>(wait).count();
        if (!socket_.WaitReadable(static_cast<int>(ms))) {
            if (quietDue && onQuiet && Clock::now() < end)
                onQuiet();
            quietDue = false;
            continue;
        }
        for (auto last = Clock::now(); Clock::now() < end;) {
            if (Drain(endNs, onReply, false) > 0)
                last = Clock::now();
            else if (Clock::now() - last >= kStayAwake)
                break;
        }
        quietDue = true;
    }
    Drain(endNs, onReply, true);
}

void Search::StartInBackground(const Ip4& destination, unsigned card, Clock::duration window,
                               std::function<void()> onWaiting) {
    if (thread_.joinable() || !Opened())
        return;
    // The request goes out from the thread once it runs: on a busy machine a new thread may
    // wait a while for its first turn, and replies sent meanwhile would find nobody reading.
    const auto listen = [this, destination, card, window, onWaiting = std::move(onWaiting)] {
        Start(destination, card);
        const auto keep = [this](const HeardReply& reply) {
            std::lock_guard<std::mutex> lock(mutex_);
            waiting_.push_back(reply);
        };
        // The caller is told when a stream of replies has paused, not while it flows: a
        // caller busy filing them would take the processor from this thread meanwhile.
        const auto tell = [this, &onWaiting] {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (waiting_.empty() || told_)
                    return;
                told_ = true;
            }
            onWaiting();
        };
        Listen(window, keep, tell);
        done_ = true;
        onWaiting();
    };
    try {
        thread_ = std::thread(listen);
    } catch (const std::system_error&) {
        listen(); // no thread to be had: the caller waits for the window here
    }
}

void Search::Wait() {
    if (thread_.joinable())
        thread_.join();
}

std::vector<HeardReply> Search::Take() {
    std::vector<HeardReply> taken;
    std::lock_guard<std::mutex> lock(mutex_);
    taken.swap(waiting_);
    told_ = false;
    return taken;
}

} // namespace core
