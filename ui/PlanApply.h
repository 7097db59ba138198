// A commissioning plan in the window: opened from a file (core::Plan), compared with every
// search (the controllers whose values differ from their rows carry the write icon, and
// their details tell the plan's values), and applied with one question: the writes made
// ready as a single write makes them, the LAN asked for all their new addresses at once off
// the window's thread, then the frames sent on a thread of their own while the status
// displays count them, and every write checked at once by one checker, whose outcomes end in
// one summary through the notifier.
#pragma once

#include "AddressProbe.h"
#include "Controllers.h"
#include "Notifier.h"
#include "Plan.h"
#include "PreparedWrite.h"
#include "ThreadNews.h"
#include "WriteCheck.h"
#include "WriteCommand.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

class TRzCheckTree;
class TRzMarqueeStatus;
class TRzProgressStatus;

// Why a plan's line is refused, in the window's words: "MAC 00-1A-2B-3C-4D-5E уже есть в
// строке 4".
QString PlanFaultText(const core::PlanFault& fault);
// Why the file at path is not opened as a plan: "Файл plan.csv не открыт как план: строка 4:
// …", with the first faults.
QString PlanRefusal(const QString& path, const std::vector<core::PlanFault>& faults);

// How the last search stands against the plan.
struct PlanComparison {
    // The ids of the controllers heard whose values differ from their rows, with the row.
    std::vector<std::pair<int, core::PlanRow>> toWrite;
    std::vector<core::Mac> notFound; // the rows' MACs no controller answered with, in row order
};
PlanComparison ComparePlan(const core::Plan& plan, const core::Controllers& heard);

// "По плану к записи: 3 из 5; не найдены: 00-1A-2B-3C-4D-07, 00-1A-2B-3C-4D-08".
QString PlanStatusLine(const PlanComparison& comparison, size_t rows);

class TPlanApply : public QObject {
    Q_OBJECT
public:
    // broadcastMode: whether the last search was a broadcast one (it chooses where a write
    // goes, see core::PrepareWrite).
    TPlanApply(TRzCheckTree* tree, core::Controllers& devices, TRzMarqueeStatus* marquee,
               TRzProgressStatus* progress, TNotifier* notifier,
               std::function<bool()> broadcastMode, QObject* parent = nullptr);
    // Waits for a probe or a send still running.
    ~TPlanApply() override;

    // Reads text as the plan at path: a plan with faults is refused in a message box and
    // changes nothing; a good one replaces the open plan and is compared with the last
    // search at once.
    bool Open(const QString& path, std::string_view text);
    bool IsOpen() const { return plan_.has_value(); }
    // A search has ended and its nodes are in the tree: the marks and the window's line.
    void SearchEnded();
    // The plan's values for the controller of id, for its details; empty when it has none to
    // be written.
    QString NoteOf(int id) const;

    // A plan is open and the last search heard one of its controllers with other values.
    bool CanApply() const;
    // Makes the writes ready, asks the LAN, asks the user once, then sends and checks.
    void Apply();
    // Writes are being made ready or their frames sent: no search may start.
    bool Busy() const { return probing_ || sending_; }
    // Checks of the last plan are still running.
    bool Checking() const { return checksLeft_ > 0; }
    // The window has closed: what waits goes no further, and the checks end silently.
    void Drop();

    // How long each check asks (tests shorten it).
    void SetCheckTime(std::chrono::milliseconds time) { checkTime_ = time; }

signals:
    // The frame of one row went out whole (each is an entry of the run's record).
    void WriteSent(const SentFrame& frame);
    // The check of one sent write ended.
    void WriteChecked(const core::WriteCheckOutcome& outcome);
    // Busy() has changed.
    void BusyChanged(bool busy);
    // Every check of the plan has ended and the summary was told.
    void Applied();

private:
    struct Step {
        core::PlanRow row;
        core::Controller heard;
        core::PreparedWrite write;
    };
    // The writes made ready and probed, and the rows refused meanwhile.
    struct Prepared {
        std::vector<Step> steps;
        QStringList refused;
    };
    struct Sent {
        size_t step;
        core::FrameSent result;
    };
    void TakeProbe();
    void Ask();
    void TakeSent();
    void TakeChecked();
    void Summarize();
    void Mark();
    void SetBusy(bool probing, bool sending);

    TRzCheckTree* tree_;
    core::Controllers& devices_;
    TRzMarqueeStatus* marquee_;
    TRzProgressStatus* progress_;
    TNotifier* notifier_;
    std::function<bool()> broadcastMode_;
    std::chrono::milliseconds checkTime_ = core::kWriteCheckTime;

    std::optional<core::Plan> plan_;
    PlanComparison shown_; // the comparison the tree shows

    std::vector<Step> steps_; // of the plan being applied
    QStringList refused_;     // rows refused while it was made ready
    bool probing_ = false;
    bool sending_ = false;
    std::atomic<bool> dropped_ = false; // read by the worker
    std::thread worker_;                // the probe, then the sends
    ThreadNews<Prepared> probed_{this, [this] { TakeProbe(); }};
    ThreadNews<Sent> sent_{this, [this] { TakeSent(); }};
    size_t sentCount_ = 0;
    QStringList notSent_;

    std::unique_ptr<core::WriteChecker> checker_;
    ThreadNews<core::WriteCheckOutcome> checked_{this, [this] { TakeChecked(); }};
    size_t checksLeft_ = 0;
    size_t checksRun_ = 0;
    size_t confirmed_ = 0;
    QStringList unconfirmed_;
};
