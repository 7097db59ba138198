#include "WriteCheckNotice.h"

#include "WindowText.h"

namespace {

// The outcome's words, without the window's line.
TNotifier::Message Words(const core::WriteCheckOutcome& o) {
    const QString controller = QStringLiteral("Контроллер ") + Text(o.request.wanted.MacText());
    const QString sender = Text(core::DottedQuad(o.sender));
    switch (o.result) {
    case core::WriteCheckResult::kConfirmed:
        return {QStringLiteral("Параметры записаны"),
                controller + QStringLiteral(" отвечает с адреса ") + sender,
                TNotifier::kBalloonSeconds, TNotifier::Kind::kSuccess};
    case core::WriteCheckResult::kOtherValues:
        return {QStringLiteral("Запись не подтверждена"),
                controller + QStringLiteral(" отвечает с адреса %1: IP %2, маска %3, шлюз %4. "
                                            "Новые параметры не приняты: запишите их ещё раз.")
                                 .arg(sender, Text(o.heard.IpText()), Text(o.heard.MaskText()),
                                      Text(o.heard.GatewayText())),
                TNotifier::kBalloonSeconds, TNotifier::Kind::kWarning};
    case core::WriteCheckResult::kNoAnswer:
        break;
    }
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(o.request.time).count();
    return {QStringLiteral("Запись не подтверждена"),
            controller + QStringLiteral(" не ответил за %1 с. Перезапустите контроллер и "
                                        "повторите поиск.")
                             .arg(seconds),
            TNotifier::kBalloonSeconds, TNotifier::Kind::kWarning};
}

} // namespace

TNotifier::Message BalloonFor(const core::WriteCheckOutcome& o) {
    TNotifier::Message balloon = Words(o);
    // "Параметры записаны: 192.168.1.150 (00-1A-2B-3C-4D-09)": the outcome and the address
    // show in the window's line even where the MAC is cut off.
    balloon.line =
        balloon.title + QStringLiteral(": %1 (%2)")
                            .arg(Text(o.request.wanted.IpText()), Text(o.request.wanted.MacText()));
    return balloon;
}

TWriteCheckNotice::TWriteCheckNotice(ShowBalloon show, QObject* parent)
    : QObject(parent), show_(std::move(show)), arrived_(this, [this] { ShowArrived(); }) {}

TWriteCheckNotice::~TWriteCheckNotice() {
    Stop();
}

void TWriteCheckNotice::Start(core::WriteCheckRequest request) {
    if (!checker_)
        // On the checker's thread: the balloon is shown on the window's.
        checker_ = std::make_unique<core::WriteChecker>(
            [this](const core::WriteCheckOutcome& o) { arrived_.PostAndWake(o); });
    request.time = checkTime_;
    checker_->Start(request);
}

void TWriteCheckNotice::Stop() {
    checker_.reset();
}

void TWriteCheckNotice::ShowArrived() {
    for (const core::WriteCheckOutcome& outcome : arrived_.Take())
        Show(outcome);
}

void TWriteCheckNotice::Show(const core::WriteCheckOutcome& outcome) {
    if (!checker_)
        return; // stopped since
    emit Ended(outcome);
    show_(BalloonFor(outcome));
}
