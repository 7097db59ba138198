// Tells the window's user whether each write took: after a write that went out it starts the
// core's check (core::WriteChecker, on a thread of its own, so the window answers meanwhile)
// and hands each outcome, on the window's thread, to the window's notifier as it comes.
#pragma once

#include "ThreadNews.h"
#include "WriteCheck.h"

#include <QObject>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>

// The balloon that tells the window's user an outcome, in Russian.
struct WriteCheckBalloon {
    QString title;
    QString text;
    bool warning = false; // else information
    // The window's one line: the outcome, then the controller's new address and its MAC.
    QString line = {};
};
WriteCheckBalloon BalloonFor(const core::WriteCheckOutcome& outcome);

class TWriteCheckNotice : public QObject {
    Q_OBJECT
public:
    // Shows one balloon: title, text, timeout in seconds and icon kind as
    // TRzTrayIcon::QueueTrayBalloon takes them, and the window's line.
    using ShowBalloon =
        std::function<void(const QString&, const QString&, int, int, const QString&)>;

    TWriteCheckNotice(ShowBalloon show, QObject* parent = nullptr);
    ~TWriteCheckNotice() override;

    // Runs the check of a write for the check time (see SetCheckTime).
    void Start(core::WriteCheckRequest request);
    // Ends the checks still running; they show nothing.
    void Stop();

    // How long a check asks (tests shorten it).
    void SetCheckTime(std::chrono::milliseconds time) { checkTime_ = time; }

private slots:
    // Shows the outcomes that arrived; called by name from the checker's thread, queued.
    void ShowArrived();

private:
    void Show(const core::WriteCheckOutcome& outcome);

    ShowBalloon show_;
    std::chrono::milliseconds checkTime_ = core::kWriteCheckTime;
    ThreadNews<core::WriteCheckOutcome> arrived_; // reported, not shown yet
    std::unique_ptr<core::WriteChecker> checker_; // made by the first check
};
