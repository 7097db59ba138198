// News that a worker thread hands to an object on the window's thread. The worker posts
// items and wakes the receiver; the wake is a queued call of one of the receiver's slots by
// name, so nothing of ours crosses the threads inside Qt's event queue, and one wake is
// pending at a time however many items are posted meanwhile. The receiver takes what has
// arrived, in the order posted.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <mutex>
#include <utility>
#include <vector>

template <typename T> class ThreadNews {
public:
    // slot: the name of a slot of receiver that takes no arguments.
    ThreadNews(QObject* receiver, const char* slot) : receiver_(receiver), slot_(slot) {}

    // From the worker.
    void Post(T item) {
        std::lock_guard<std::mutex> lock(mutex_);
        items_.push_back(std::move(item));
    }
    // From the worker: calls the slot on the receiver's thread unless a call is pending.
    void Wake() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (woken_)
                return;
            woken_ = true;
        }
        QMetaObject::invokeMethod(receiver_, slot_, Qt::QueuedConnection);
    }
    void PostAndWake(T item) {
        Post(std::move(item));
        Wake();
    }

    // From the receiver: what arrived since the last Take.
    std::vector<T> Take() {
        std::vector<T> taken;
        std::lock_guard<std::mutex> lock(mutex_);
        taken.swap(items_);
        woken_ = false;
        return taken;
    }

private:
    QObject* receiver_;
    const char* slot_;
    std::mutex mutex_; // guards items_ and woken_
    std::vector<T> items_;
    bool woken_ = false;
};
