// Tells the window's user whether each write took: after a write that went out it starts the
// core's check (core::WriteChecker, on a thread of its own, so the window answers meanwhile)
// and hands each outcome, on the window's thread, to the tray balloon as it comes.
#pragma once

#include "WriteCheck.h"

#include <QObject>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>

class TWriteCheckNotice : public QObject {
    Q_OBJECT
public:
    // Shows one balloon: title, text, timeout in seconds and icon kind as
    // TRzTrayIcon::QueueTrayBalloon takes them.
    using ShowBalloon = std::function<void(const QString&, const QString&, int, int)>;

    TWriteCheckNotice(ShowBalloon show, QObject* parent = nullptr);
    ~TWriteCheckNotice() override;

    // Checks the write of the values written to destination (core::CheckAfterWrite).
    void Start(const core::ControllerRecord& written, const core::WriteDestination& destination);
    // Ends the checks still running; they show nothing.
    void Stop();

    // How long a check asks (tests shorten it).
    void SetCheckTime(std::chrono::milliseconds time) { checkTime_ = time; }

private:
    void Show(const core::WriteCheckOutcome& outcome);

    ShowBalloon show_;
    std::chrono::milliseconds checkTime_ = core::kWriteCheckTime;
    std::unique_ptr<core::WriteChecker> checker_; // made by the first check
};
