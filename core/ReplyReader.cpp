#include "ReplyReader.h"

#include <limits>
#include <system_error>

namespace core {
namespace {

// How long the thread waits for the socket before it looks at its stop flag again.
constexpr int kWaitMs = 5;
// Datagrams read while the queue is held, so the owner is never kept waiting long.
constexpr size_t kReadsPerHold = 256;

} // namespace

ReplyReader::ReplyReader(UdpSocket& socket) : socket_(socket) {
    try {
        thread_ = std::thread(&ReplyReader::Run, this);
    } catch (const std::system_error&) {
        return; // no thread: Next still reads the socket itself whenever the queue is empty
    }
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
    while (!stop_) {
        if (!socket_.WaitReadable(kWaitMs))
            continue;
        std::lock_guard<std::mutex> lock(mutex_);
        if (!stop_)
            Drain();
    }
}

void ReplyReader::Drain() {
    received_ += socket_.ReceiveWaiting(read_, kReadsPerHold);
}

bool ReplyReader::Next(Datagram& out) {
    for (;;) {
        if (taken_.empty()) {
            std::lock_guard<std::mutex> lock(mutex_);
            if (read_.empty() && !ended_)
                Drain();
            taken_.swap(read_);
        }
        if (taken_.empty())
            return false;
        Datagram& front = taken_.front();
        if (ended_ && front.arrivalNs > endNs_) {
            taken_.pop_front(); // arrived after the window
            continue;
        }
        out = std::move(front);
        taken_.pop_front();
        return true;
    }
}

void ReplyReader::EndWindow() {
    if (ended_)
        return;
    endNs_ = SystemClockNs();
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    std::lock_guard<std::mutex> lock(mutex_);
    const size_t before = read_.size();
    received_ += socket_.ReceiveWaiting(read_, std::numeric_limits<size_t>::max());
    if (!socket_.StampsArrival()) {
        // Without the system's arrival times, what was waiting at the end counts as
        // having arrived within the window.
        for (size_t i = before; i < read_.size(); ++i)
            if (read_[i].arrivalNs > endNs_)
                read_[i].arrivalNs = endNs_;
    }
    ended_ = true;
}

} // namespace core
