// News that a worker thread hands to an object on the window's thread. The worker posts
// items and wakes the receiver; the wake is a queued call of the receiver's taker on the
// receiver's thread (dropped when the receiver is gone by then), and one wake is pending at a
// time however many items are posted meanwhile. The taker takes what has arrived, in the
// order posted.
#pragma once

#include <QObject>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

// The wake's signal. The receiver's taker is connected to it, queued, on the receiver's
// thread, so the worker hands over nothing of its own: a call queued from the worker would
// build the call (a copy of the taker) there, for the receiver's thread to read.
class NewsBell : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
signals:
    void Rung();
};

template <typename T> class ThreadNews {
public:
    // take: called on receiver's thread after a wake; it calls Take. Made on that thread.
    ThreadNews(QObject* receiver, std::function<void()> take) : bell_(new NewsBell(receiver)) {
        QObject::connect(bell_, &NewsBell::Rung, receiver, std::move(take), Qt::QueuedConnection);
    }

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
        emit bell_->Rung();
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
    NewsBell* bell_;   // the receiver's child
    std::mutex mutex_; // guards items_ and woken_
    std::vector<T> items_;
    bool woken_ = false;
};
