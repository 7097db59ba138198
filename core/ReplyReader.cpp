#include "ReplyReader.h"

#include <chrono>
#include <limits>
#include <system_error>

namespace core {
namespace {

// How long the thread waits for the socket before it looks at its stop flag again.
constexpr int kWaitMs = 5;
// How long the thread keeps reading after the last datagram before it waits again.
constexpr std::chrono::microseconds kStayAwake{500};
// Datagrams moved by one read.
constexpr size_t kReadsPerCall = 256;

} // namespace

ReplyReader::ReplyReader(UdpSocket& socket, bool ownThread) : socket_(socket) {
    if (!ownThread) {
        ownerReads_ = true;
        return;
    }
    try {
        thread_ = std::thread(&ReplyReader::Run, this);
    } catch (const std::system_error&) {
        ownerReads_ = true; // no thread: Next reads the socket itself
        return;
    }
    // Two readers can only be merged by the system's arrival times.
    ownerReads_ = socket_.StampsArrival();
    // On a busy machine a new thread may wait a while for its first turn; the replies to a
    // request sent meanwhile would find nobody draining.
    std::unique_lock<std::mutex> lock(mutex_);
    started_.wait(lock, [this] { return running_; });
}

ReplyReader::~ReplyReader() {
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
}

void ReplyReader::Run() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        running_ = true;
    }
    started_.notify_one();
    using Clock = std::chrono::steady_clock;
    while (!stop_) {
        if (!socket_.WaitReadable(kWaitMs))
            continue;
        // Stays awake while replies keep coming: a thread that sleeps between datagrams
        // has to win a processor back for each one, and a stream overflows the buffer
        // meanwhile.
        auto lastDatagram = Clock::now();
        while (!stop_ && Clock::now() - lastDatagram < kStayAwake)
            if (ReadBatch() > 0)
                lastDatagram = Clock::now();
    }
}

size_t ReplyReader::ReadBatch() {
    ++inFlight_;
    const size_t moved = socket_.ReceiveWaiting(batch_, kReadsPerCall);
    if (moved > 0) {
        std::lock_guard<std::mutex> lock(mutex_);
        for (Datagram& d : batch_)
            read_.push_back(std::move(d));
    }
    batch_.clear();
    --inFlight_;
    received_ += moved;
    return moved;
}

bool ReplyReader::Next(Datagram& out) {
    if (ownerReads_ && !ended_)
        received_ += socket_.ReceiveWaiting(own_, kReadsPerCall);
    // Checked before taking the thread's share: a datagram the owner read is handed out
    // ahead of the thread's only when no earlier one can still be on its way.
    const bool threadIdle = inFlight_ == 0;
    if (taken_.empty()) {
        std::lock_guard<std::mutex> lock(mutex_);
        taken_.swap(read_);
    }
    for (;;) {
        std::deque<Datagram>* from = nullptr;
        if (!own_.empty() &&
            (taken_.empty() ? threadIdle : own_.front().arrivalNs < taken_.front().arrivalNs))
            from = &own_;
        else if (!taken_.empty())
            from = &taken_;
        if (from == nullptr)
            return false;
        Datagram& front = from->front();
        if (ended_ && front.arrivalNs > endNs_) {
            from->pop_front(); // arrived after the window
            continue;
        }
        out = std::move(front);
        from->pop_front();
        return true;
    }
}

void ReplyReader::EndWindow() {
    if (ended_)
        return;
    endNs_ = SteadyClockNs();
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    const bool stamped = socket_.StampsArrival();
    if (!stamped)
        endNs_ = SteadyClockNs(); // what the thread read so far was read within the window
    const size_t before = own_.size();
    received_ += socket_.ReceiveWaiting(own_, std::numeric_limits<size_t>::max());
    if (!stamped) {
        // Without the system's arrival times, what was waiting at the end counts as
        // having arrived within the window.
        for (size_t i = before; i < own_.size(); ++i)
            if (own_[i].arrivalNs > endNs_)
                own_[i].arrivalNs = endNs_;
    }
    ended_ = true;
}

} // namespace core
