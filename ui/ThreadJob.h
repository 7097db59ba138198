// A job that runs on a thread of its own while the window answers, one at a time, and whose
// result reaches its owner on the owner's thread. The thread is joined once its result has
// arrived (it has handed the result over and is ending), so the owner's thread never waits
// for a job that may still run long; only the owner's end waits for a job still running, so
// that none outlives the program.
#pragma once

#include "ThreadNews.h"

#include <functional>
#include <thread>
#include <utility>

template <typename T> class ThreadJob {
public:
    // done: called on the owner's thread with each job's result, unless dropped. Made on the
    // owner's thread.
    ThreadJob(QObject* owner, std::function<void(T)> done)
        : done_(std::move(done)), news_(owner, [this] { Deliver(); }) {}
    // Waits for a job still running.
    ~ThreadJob() {
        if (thread_.joinable())
            thread_.join();
    }
    ThreadJob(const ThreadJob&) = delete;
    ThreadJob& operator=(const ThreadJob&) = delete;

    // A job runs, or its result has not reached the owner yet.
    bool Running() const { return thread_.joinable(); }
    // Runs job on a thread of its own; while one runs, starts nothing and says so.
    bool Start(std::function<T()> job) {
        if (Running())
            return false;
        thread_ = std::thread([this, job = std::move(job)] { news_.PostAndWake(job()); });
        return true;
    }
    // The owner is closing: the running job's result, and any later one, stays untold.
    void Drop() { dropped_ = true; }

private:
    void Deliver() {
        for (T& result : news_.Take()) {
            thread_.join();
            if (!dropped_)
                done_(std::move(result)); // may start the next job
        }
    }

    std::function<void(T)> done_;
    bool dropped_ = false;
    std::thread thread_;
    ThreadNews<T> news_; // made last: its taker needs the members above
};
