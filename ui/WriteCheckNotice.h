// Tells the window's user whether each write took: after a write that went out it starts the
// core's check (core::WriteChecker, on a thread of its own, so the window answers meanwhile)
// and hands each outcome, on the window's thread, to the window's notifier as it comes.
#pragma once

#include "Notifier.h"
#include "ThreadNews.h"
#include "WriteCheck.h"

#include <QObject>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>

// The message that tells the window's user an outcome, in Russian: a success or a warning;
// its line for the window gives the outcome, then the controller's new address and its MAC.
TNotifier::Message BalloonFor(const core::WriteCheckOutcome& outcome);

class TWriteCheckNotice : public QObject {
    Q_OBJECT
public:
    // Tells one outcome.
    using ShowBalloon = std::function<void(const TNotifier::Message&)>;

    TWriteCheckNotice(ShowBalloon show, QObject* parent = nullptr);
    ~TWriteCheckNotice() override;

    // Runs the check of a write for the check time (see SetCheckTime).
    void Start(core::WriteCheckRequest request);
    // Ends the checks still running; they show nothing.
    void Stop();

    // How long a check asks (tests shorten it).
    void SetCheckTime(std::chrono::milliseconds time) { checkTime_ = time; }

signals:
    // A check ended, on the window's thread, before its outcome is told.
    void Ended(const core::WriteCheckOutcome& outcome);

private:
    // Shows the outcomes that arrived; called after the checker's thread posted them.
    void ShowArrived();
    void Show(const core::WriteCheckOutcome& outcome);

    ShowBalloon show_;
    std::chrono::milliseconds checkTime_ = core::kWriteCheckTime;
    ThreadNews<core::WriteCheckOutcome> arrived_; // reported, not shown yet
    std::unique_ptr<core::WriteChecker> checker_; // made by the first check
};
