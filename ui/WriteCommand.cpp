#include "WriteCommand.h"

#include "ConflictQuestion.h"
#include "MarqueeStatus.h"
#include "MarqueeTexts.h"
#include "MessDlgs.h"
#include "ProgressStatus.h"

#include <QThread>
#include <variant>

TWriteCommand::TWriteCommand(core::Controllers& devices, TRzMarqueeStatus* marquee,
                             TRzProgressStatus* progress, QObject* parent)
    : QObject(parent), devices_(devices), marquee_(marquee), progress_(progress) {}

void TWriteCommand::Run(const WriteOrder& order) {
    if (Probing() || probe_.Running())
        return; // one order at a time
    std::optional<core::PreparedWrite> write;
    if (order.target) {
        auto prepared =
            core::PrepareWrite(devices_, *order.target, order.values, order.broadcastMode);
        const auto* refusal = std::get_if<core::WriteRefusal>(&prepared);
        if (refusal != nullptr && !refusal->sharedMac.empty()) {
            ShowErrorMessage(SharedMacRefusal(order.target->record.mac, refusal->sharedMac));
            return;
        }
        if (auto* ready = std::get_if<core::PreparedWrite>(&prepared))
            write = std::move(*ready);
    }
    if (write && write->probe) {
        pending_ = Pending{order, *write};
        probe_.Start([request = *write->probe] { return core::ProbeAddress(request); });
        return;
    }
    Finish(order, write);
}

void TWriteCommand::WriteTo(const core::Controller& target, const core::WriteValues& values,
                            bool broadcastMode) {
    Run(WriteOrder{true, target.id, target, values, broadcastMode});
}

void TWriteCommand::TakeProbe(const core::ProbeAnswer& answer) {
    if (!pending_)
        return; // dropped meanwhile
    Pending pending = std::move(*pending_);
    pending_.reset();
    core::AddProbeAnswer(pending.write, answer);
    Finish(pending.order, pending.write);
}

void TWriteCommand::Finish(const WriteOrder& order,
                           const std::optional<core::PreparedWrite>& write) {
    // A write that would break the site goes out only when the user says so.
    if (write && !AskAboutConflicts(write->conflicts, *order.target, write->wanted))
        return;
    if (order.selected) {
        devices_.Remove(order.line); // the selected node's controller only
        // Values the fields hold while switched off are not checked by the window: they may
        // fail here, and the write then fails.
        if (order.target) {
            DriverContext context;
            context.marquee = marquee_;
            context.progress = progress_;
            if (write && WriteConfig(context, core::kLocalPortBase, *write))
                emit WriteSent({*order.target, *write});
            else
                ShowFailure();
        }
    }
    emit Done();
}

void TWriteCommand::ShowFailure() {
    marquee_->SetCaption(MarqueeText::WriteFailed);
    progress_->SetPercent(0);
    marquee_->RepaintNow();
    QThread::msleep(static_cast<unsigned long>(failurePauseMs_));
    marquee_->SetCaption("");
}
