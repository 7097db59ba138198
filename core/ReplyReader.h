// Keeps a socket drained while its owner is busy elsewhere. A thread of its own moves every
// datagram, with sender, card and arrival time, from the socket into a queue as soon as it
// arrives, so the system's receive buffer never fills up however long the owner takes to
// come back; the owner takes the datagrams from the queue in arrival order.
//
// A listening window: from construction until EndWindow. Datagrams that arrived up to the
// end of the window are handed out, even after it; ones that arrived later never are.
#pragma once

#include "UdpSocket.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace core {

class ReplyReader {
public:
    // Starts draining socket, and returns once the thread runs. The socket must outlive the
    // reader.
    explicit ReplyReader(UdpSocket& socket);
    // Stops the thread; what is still queued is dropped.
    ~ReplyReader();
    ReplyReader(const ReplyReader&) = delete;
    ReplyReader& operator=(const ReplyReader&) = delete;

    // Takes the oldest datagram that is waiting, after moving what the socket holds into
    // the queue (unless the thread is doing so). false when there is none.
    bool Next(Datagram& out);

    // Ends the window now: stops the thread and reads what the socket still holds. From
    // then on Next gives only datagrams that arrived up to this moment.
    void EndWindow();
    bool WindowEnded() const { return ended_; }

    // Datagrams taken from the socket so far (for measurements).
    size_t Received() const { return received_; }

private:
    size_t Drain(); // gives how many datagrams it moved
    void Run();

    UdpSocket& socket_;
    std::mutex mutex_;           // reading the socket and the shared queue
    std::deque<Datagram> read_;  // moved from the socket, not yet taken by the owner
    std::deque<Datagram> taken_; // the owner's share, in arrival order
    std::atomic<bool> stop_{false};
    std::atomic<size_t> received_{0};
    std::condition_variable started_;
    bool running_ = false; // the thread has started (guarded by mutex_)
    bool ended_ = false;
    int64_t endNs_ = 0;
    std::thread thread_;
};

} // namespace core
