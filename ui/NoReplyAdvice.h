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
#include "ThreadNews.h"

#include <QObject>
#include <QString>
#include <thread>

class TNotifier;

class TNoReplyAdvice : public QObject {
    Q_OBJECT
public:
    TNoReplyAdvice(TNotifier* notifier, QObject* parent = nullptr);
    // Waits for the facts still being gathered.
    ~TNoReplyAdvice() override;

    // A search has started: facts gathered for an earlier one are stale.
    void SearchStarted();
    // The broadcast search that started last heard nothing.
    void NothingFound();
    // The window has closed: a diagnosis still running tells nothing.
    void Close() { closed_ = true; }

    // The facts of an empty broadcast search are still being gathered.
    bool Diagnosing() const { return diagnosis_.joinable(); }

private:
    void StartDiagnosis();
    void TakeFacts();
    void Advise(const core::NoReplyFacts& facts);

    TNotifier* notifier_;
    bool firewallAdvised_ = false;
    QString lastAccount_; // the last account of an empty search the desktop heard
    bool closed_ = false;
    // The thread gathering the facts, the searches started when the search that asked for it
    // ended, and whether a later empty search wants a diagnosis of its own once this one has
    // ended.
    std::thread diagnosis_;
    int searchesStarted_ = 0;
    int diagnosisFor_ = 0;
    bool diagnoseAgain_ = false;
    ThreadNews<core::NoReplyFacts> diagnosed_{this, [this] { TakeFacts(); }};
};
