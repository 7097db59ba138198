#include "Notifier.h"

#include "DesktopNotice.h"
#include "MarqueeStatus.h"
#include "MarqueeTexts.h"
#include "PaneFrame.h"
#include "TrayIcon.h"

#include <QFontMetrics>

namespace {

// What the marquee shows while a search or a write runs: the message standing before it
// has been overtaken.
bool StartsAnOperation(const QString& caption) {
    for (const char* text : {MarqueeText::BroadcastSearch, MarqueeText::SearchByAddress,
                             MarqueeText::WritingConfig, MarqueeText::WriteFailed})
        if (caption == QString::fromUtf8(text))
            return true;
    return false;
}

} // namespace

TNotifier::TNotifier(std::function<TRzTrayIcon*()> tray, TRzMarqueeStatus* marquee, QObject* parent)
    : QObject(parent), tray_(std::move(tray)), marquee_(marquee) {
    connect(marquee_, &TRzMarqueeStatus::CaptionChanged, this, &TNotifier::CaptionChanged);
}

void TNotifier::WatchDesktop() {
    if (notices_ == nullptr)
        notices_ = new desktop::NoticeWatch(this);
}

TNotifier::Look TNotifier::LookOf(Kind kind) {
    // The balloon's icons: 1 information, 2 warning; the tray has none for a success.
    switch (kind) {
    case Kind::kInformation:
    case Kind::kSuccess:
        return {1, false};
    case Kind::kWarning:
        return {2, true};
    }
    return {0, false};
}

bool TNotifier::TrayShows() const {
    TRzTrayIcon* tray = tray_ ? tray_() : nullptr;
    return tray != nullptr && tray->Available();
}

int TNotifier::Tell(const Message& message) {
    const Look look = LookOf(message.kind);
    if (TrayShows()) {
        tray_()->QueueTrayBalloon(message.title, message.text, message.seconds, look.balloonIcon);
        return kBalloon;
    }
    int channels = kWindow;
    if (notices_ != nullptr && notices_->Available() &&
        desktop::SendNotice({message.title, message.text, look.critical}))
        channels |= kDesktop;
    ShowInWindow(message);
    return channels;
}

void TNotifier::ShowInWindow(const Message& message) {
    standing_ = message.title + QLatin1Char('\n') + message.text;
    // "Параметры записаны: Контроллер ..."
    standingLine_ = !message.line.isEmpty()
                        ? message.line
                        : message.title + QStringLiteral(": ") +
                              QString(message.text).replace(QLatin1Char('\n'), QLatin1Char(' '));
    shown_.clear();
    // A search running meanwhile keeps its caption; the message follows when it has ended.
    if (!StartsAnOperation(marquee_->CaptionText()))
        ShowStanding();
}

void TNotifier::ShowStanding() {
    const int room = marquee_->width() - 2 * (PaneFrame::Width + 2);
    shown_ = marquee_->fontMetrics().elidedText(standingLine_, Qt::ElideRight, room);
    marquee_->setToolTip(standing_);
    marquee_->setAccessibleDescription(standing_);
    marquee_->SetCaptionText(shown_);
}

void TNotifier::Withdraw() {
    standing_.clear();
    standingLine_.clear();
    shown_.clear();
    marquee_->setToolTip(QString());
    marquee_->setAccessibleDescription(QString());
}

// The marquee belongs to the searches, the writes and the selection. A search or a
// write ends the standing message; an empty caption while one stands (the search's end, the
// root node selected) shows it again.
void TNotifier::CaptionChanged(const QString& caption) {
    if (standing_.isEmpty() || (!shown_.isEmpty() && caption == shown_))
        return;
    if (StartsAnOperation(caption)) {
        Withdraw();
        return;
    }
    marquee_->setToolTip(QString());
    marquee_->setAccessibleDescription(QString());
    if (caption.isEmpty())
        ShowStanding();
}
