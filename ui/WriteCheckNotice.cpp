#include "WriteCheckNotice.h"

namespace {

// As long as the window's other balloons stay.
constexpr int kBalloonSeconds = 10;
constexpr int kInformation = 1;
constexpr int kWarning = 2;

} // namespace

TWriteCheckNotice::TWriteCheckNotice(ShowBalloon show, QObject* parent)
    : QObject(parent), show_(std::move(show)) {}

TWriteCheckNotice::~TWriteCheckNotice() {
    Stop();
}

void TWriteCheckNotice::Start(const core::ControllerRecord& written,
                              const core::WriteDestination& destination) {
    if (!checker_)
        checker_ = std::make_unique<core::WriteChecker>([this](const core::WriteCheckOutcome& o) {
            // On the checker's thread: the balloon is shown on the window's. The outcome
            // passes through this object's own lock, and the call is posted by name.
            {
                std::lock_guard<std::mutex> lock(mutex_);
                arrived_.push_back(o);
            }
            QMetaObject::invokeMethod(this, "ShowArrived", Qt::QueuedConnection);
        });
    checker_->Start(core::CheckAfterWrite(written, destination, checkTime_));
}

void TWriteCheckNotice::Stop() {
    checker_.reset();
}

void TWriteCheckNotice::ShowArrived() {
    std::vector<core::WriteCheckOutcome> arrived;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        arrived.swap(arrived_);
    }
    for (const core::WriteCheckOutcome& outcome : arrived)
        Show(outcome);
}

void TWriteCheckNotice::Show(const core::WriteCheckOutcome& outcome) {
    if (!checker_)
        return; // stopped since
    const core::WriteCheckNotice notice = core::NoticeForWindow(outcome);
    show_(QString::fromStdString(notice.title), QString::fromStdString(notice.text),
          kBalloonSeconds, notice.warning ? kWarning : kInformation);
}
