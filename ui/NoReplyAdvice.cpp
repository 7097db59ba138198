#include "NoReplyAdvice.h"

#include "NoReplyNotice.h"
#include "Notifier.h"

TNoReplyAdvice::TNoReplyAdvice(TNotifier* notifier, QObject* parent)
    : QObject(parent), notifier_(notifier) {}

void TNoReplyAdvice::SearchStarted() {
    ++searchesStarted_;
}

void TNoReplyAdvice::NothingFound() {
    if (notifier_->TrayShows() && firewallAdvised_)
        return; // the balloon's advice has been given
    diagnosisFor_ = searchesStarted_;
    if (diagnosis_.Running()) {
        diagnoseAgain_ = true; // for this search, once the one running has ended
        return;
    }
    StartDiagnosis();
}

void TNoReplyAdvice::StartDiagnosis() {
    diagnosis_.Start([] { return core::DiagnoseNoReply(); });
}

void TNoReplyAdvice::Diagnosed(const core::NoReplyFacts& facts) {
    if (diagnoseAgain_) {
        diagnoseAgain_ = false;
        StartDiagnosis();
        return;
    }
    // A search started since has made the facts stale.
    if (diagnosisFor_ == searchesStarted_)
        Advise(facts);
}

void TNoReplyAdvice::Advise(const core::NoReplyFacts& facts) {
    if (notifier_->TrayShows()) {
        // The balloon: only the firewall advice, once per run.
        if (firewallAdvised_)
            return;
        const auto advice = noreply::FirewallAdvice(facts);
        if (!advice)
            return;
        firewallAdvised_ = true;
        // Queued, so that it never cuts short a write check's outcome that is showing.
        notifier_->Tell(*advice);
        return;
    }
    // No tray: the whole account stands in the window after each empty search; the desktop
    // hears it again only when it has changed.
    const TNotifier::Message account = noreply::Account(facts);
    if (account.text == lastAccount_) {
        notifier_->ShowInWindow(account);
        return;
    }
    lastAccount_ = account.text;
    notifier_->Tell(account);
}
