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
    using Clock = std::chrono::steady_clock;
    while (!stop_) {
        if (!socket_.WaitReadable(kWaitMs))
            continue;
        // Stays awake while replies keep coming: a thread that sleeps between datagrams
        // has to win a processor back for each one, and a stream overflows the buffer
        // meanwhile.
        auto lastDatagram = Clock::now();
        while (!stop_ && Clock::now() - lastDatagram < kStayAwake) {
            std::unique_lock<std::mutex> lock(mutex_);
            if (stop_ || Drain() == 0)
                continue;
            lock.unlock();
            lastDatagram = Clock::now();
        }
    }
}

size_t ReplyReader::Drain() {
    const size_t moved = socket_.ReceiveWaiting(read_, kReadsPerHold);
    received_ += moved;
    return moved;
}

bool ReplyReader::Next(Datagram& out) {
    for (;;) {
        // Every call also drains the socket, unless the thread is at it: a woken thread
        // may wait for a free processor while a burst fills the buffer.
        std::unique_lock<std::mutex> lock(mutex_, std::defer_lock);
        if (taken_.empty())
            lock.lock();
        else if (!ended_)
            static_cast<void>(lock.try_lock());
        if (lock.owns_lock()) {
            if (!ended_)
                Drain();
            if (taken_.empty())
                taken_.swap(read_);
            lock.unlock();
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
