#include "UDPDriverQuorrelConf.h"

#include "CheckTree.h"
#include "MarqueeTexts.h"

namespace {

// Files a reply in the controllers; a controller heard for the first time gets a node.
void FileReply(DriverContext& context, const core::Heard& heard) {
    const core::Controllers::Filed filed = context.table->File(heard);
    if (filed.change == core::Controllers::Change::kAdded)
        context.tree->Add(filed.id, heard.sender);
}

// One more pass on the progress indicator: 2 parts (limited to the total by the indicator).
void AddPass(IProgressIndicator& progress) {
    progress.SetPartsComplete(progress.PartsComplete() + 2);
}

} // namespace

SearchRun::SearchRun(const DriverContext& context, uint16_t base, QObject* parent)
    : QObject(parent), context_(context), heard_(this, [this] { FileWaiting(); }),
      search_(std::make_unique<core::Search>(base)) {
    steps_.setTimerType(Qt::PreciseTimer);
    steps_.setInterval(1);
    connect(&steps_, &QTimer::timeout, this, &SearchRun::Step);
    end_.setTimerType(Qt::PreciseTimer);
    end_.setSingleShot(true);
    connect(&end_, &QTimer::timeout, this, &SearchRun::End);
}

SearchRun::~SearchRun() = default;

bool SearchRun::Start(const core::Ip4& destination) {
    if (!search_->Opened())
        return false;
    context_.marquee->SetCaption(destination == core::kBroadcast ? MarqueeText::BroadcastSearch
                                                                 : MarqueeText::SearchByAddress);
    context_.progress->SetTotalParts(kSearchParts);
    context_.progress->SetPartsComplete(0);
    // The search's thread posts each reply and wakes the window once a stream of them has
    // paused, not while it flows: a window busy filing them would take the processor from
    // that thread meanwhile.
    search_->StartInBackground(
        destination, 0, core::Search::kWindow,
        [this](const core::Heard& heard) { heard_.Post(heard); }, [this] { heard_.Wake(); },
        [this] { heard_.Wake(); });
    end_.start(std::chrono::duration_cast<std::chrono::milliseconds>(core::Search::kWindow));
    steps_.start();
    return true;
}

void SearchRun::FileWaiting() {
    if (ended_)
        return;
    for (const core::Heard& heard : heard_.Take()) {
        AddPass(*context_.progress);
        FileReply(context_, heard);
    }
}

void SearchRun::Step() {
    AddPass(*context_.progress);
    if (context_.progress->PartsComplete() >= context_.progress->TotalParts())
        steps_.stop(); // the bar is full and stays so until the second is over
}

void SearchRun::End() {
    steps_.stop();
    // Replies that reached the machine within the second are filed even when the window
    // was too busy to take them in time; later ones never are.
    search_->Wait();
    FileWaiting();
    ended_ = true;
    search_.reset();
    context_.progress->SetPercent(0);
    context_.marquee->SetCaption("");
    emit Finished();
}

bool WriteConfig(DriverContext& context, uint16_t base, const core::PreparedWrite& write) {
    const core::FrameSent sent = core::SendWrite(write, base);
    if (sent == core::FrameSent::kCardGone || sent == core::FrameSent::kNoLocalPort)
        return false;
    context.marquee->SetCaption(MarqueeText::WritingConfig);
    context.progress->SetTotalParts(kWriteParts);
    context.progress->SetPartsComplete(kWriteParts + 1);
    context.progress->SetPercent(0);
    context.marquee->SetCaption("");
    // A frame that did not go out whole is a failed write, like one with no local port.
    return sent == core::FrameSent::kSent;
}
