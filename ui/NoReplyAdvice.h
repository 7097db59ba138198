// What the window tells after a broadcast search that heard no controller. The facts (the
// cards, the host firewall, which may take the system bus a while) are gathered on a thread
// of their own, so the window answers meanwhile; the advice follows on the window's thread
// unless a search has started since or the window has been closed.
//
// Where the tray icon shows, the advice for a host firewall that is known to be active, once
// per run, in its balloon; elsewhere why nothing was found, in the window and, when it is
// news, as a desktop notification.
#pragma once

#include "SearchDiagnosis.h"
#include "ThreadJob.h"

#include <QObject>
#include <QString>

class TNotifier;

class TNoReplyAdvice : public QObject {
    Q_OBJECT
public:
    TNoReplyAdvice(TNotifier* notifier, QObject* parent = nullptr);

    // A search has started: facts gathered for an earlier one are stale.
    void SearchStarted();
    // The broadcast search that started last heard nothing.
    void NothingFound();
    // The window has closed: a diagnosis still running tells nothing.
    void Close() { diagnosis_.Drop(); }

    // The facts of an empty broadcast search are still being gathered.
    bool Diagnosing() const { return diagnosis_.Running(); }

private:
    void StartDiagnosis();
    void Diagnosed(const core::NoReplyFacts& facts);
    void Advise(const core::NoReplyFacts& facts);

    TNotifier* notifier_;
    bool firewallAdvised_ = false;
    QString lastAccount_; // the last account of an empty search the desktop heard
    // The searches started, their count when the search that asked for the diagnosis ended,
    // and whether a later empty search wants a diagnosis of its own once this one has ended.
    int searchesStarted_ = 0;
    int diagnosisFor_ = 0;
    bool diagnoseAgain_ = false;
    // Gathers the facts; the advice's end waits for it.
    ThreadJob<core::NoReplyFacts> diagnosis_{
        this, [this](const core::NoReplyFacts& facts) { Diagnosed(facts); }};
};
