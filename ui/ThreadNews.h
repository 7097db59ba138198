// News that a worker thread hands to an object on the window's thread. The worker posts
// items and wakes the receiver; the wake is a queued call of the receiver's taker on the
// receiver's thread (dropped when the receiver is gone by then), and one wake is pending at a
// time however many items are posted meanwhile. The taker takes what has arrived, in the
// order posted.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

template <typename T> class ThreadNews {
public:
    // take: called on receiver's thread after a wake; it calls Take.
    ThreadNews(QObject* receiver, std::function<void()> take)
        : receiver_(receiver), take_(std::move(take)) {}

    // From the worker.
    void Post(T item) {
        std::lock_guard<std::mutex> lock(mutex_);
        items_.push_back(std::move(item));
    }
    // From the worker: calls the taker on the receiver's thread unless a call is pending.
    void Wake() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (woken_)
                return;
            woken_ = true;
        }
        QMetaObject::invokeMethod(receiver_, take_, Qt::QueuedConnection);
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
    std::function<void()> take_;
    std::mutex mutex_; // guards items_ and woken_
    std::vector<T> items_;
    bool woken_ = false;
};
