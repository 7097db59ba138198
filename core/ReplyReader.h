// Keeps a socket drained while its owner is busy elsewhere. A thread of its own moves every
// datagram, with sender, card and arrival time, from the socket into a queue as soon as it
// arrives, so the system's receive buffer never fills up however long the owner takes to
// come back; the owner takes the datagrams from the queue in arrival order.
//
// Where the system writes arrival times, the owner drains the socket as well on every call,
// without waiting for the thread: a thread that has to wait for a processor (or is put off
// one in the middle of a read) must not leave the socket unread. The two shares are merged
// by arrival time.
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
    // reader. Without ownThread (or when no thread can be started) the owner's calls of
    // Next are the only reads: enough where the socket's buffer holds a whole search.
    explicit ReplyReader(UdpSocket& socket, bool ownThread = true);
    // Stops the thread; what is still queued is dropped.
    ~ReplyReader();
    ReplyReader(const ReplyReader&) = delete;
    ReplyReader& operator=(const ReplyReader&) = delete;

    // Takes the oldest datagram that is waiting, after draining the socket (see above).
    // false when there is none yet.
    bool Next(Datagram& out);

    // Ends the window now: stops the thread and reads what the socket still holds. From
    // then on Next gives only datagrams that arrived up to this moment.
    void EndWindow();
    bool WindowEnded() const { return ended_; }

    // Datagrams taken from the socket so far (for measurements).
    size_t Received() const { return received_; }

private:
    void Run();
    // One read by the thread; gives how many datagrams it moved.
    size_t ReadBatch();

    UdpSocket& socket_;
    std::mutex mutex_;             // guards read_ and running_
    std::deque<Datagram> read_;    // read by the thread, not yet taken by the owner
    std::deque<Datagram> batch_;   // the thread's read in progress
    std::atomic<int> inFlight_{0}; // the thread holds datagrams it has not put in read_
    std::deque<Datagram> taken_;   // the thread's share, moved to the owner, in arrival order
    std::deque<Datagram> own_;     // read by the owner itself, in arrival order
    bool ownerReads_ = false;      // the owner drains too (arrival times known, or no thread)
    std::atomic<bool> stop_{false};
    std::atomic<size_t> received_{0};
    std::condition_variable started_;
    bool running_ = false; // the thread has started (guarded by mutex_)
    bool ended_ = false;
    int64_t endNs_ = 0;
    std::thread thread_;
};

} // namespace core
