#include "SiteMarks.h"

#include "Artwork.h"

#include "ControllerList.h"
#include "ControllerRecord.h"
#include "WindowText.h"

#include <QFont>
#include <algorithm>
#include <unordered_map>
#include <utility>

namespace {

QString MacList(const std::vector<core::Mac>& macs) {
    return CommaList(macs, [](const core::Mac& mac) { return Text(core::MacText(mac)); });
}

} // namespace

QString ControllerDetails(const core::Controller& controller, const core::ControllerChange& change,
                          bool compared) {
    // The texts as the list has them.
    using core::ListColumn;
    const core::ListCells cells = core::ListedCells(controller);
    const auto cell = [&cells](ListColumn column) {
        return Text(cells[static_cast<size_t>(column)]);
    };
    const QString card = cell(ListColumn::kCard);
    QString details = QStringLiteral("MAC: ") + cell(ListColumn::kMac);
    details += QStringLiteral("\nIP: ") + cell(ListColumn::kIp);
    details += QStringLiteral("\nМаска: ") + cell(ListColumn::kMask);
    details += QStringLiteral("\nШлюз: ") + cell(ListColumn::kGateway);
    details += QStringLiteral("\nПорт: ") + cell(ListColumn::kPort);
    details += QStringLiteral("\nHw: ") + cell(ListColumn::kHardware) + QStringLiteral("  Sw: ") +
               cell(ListColumn::kSoftware);
    details += QStringLiteral("\nКарта: ") + (card.isEmpty() ? QStringLiteral("неизвестна") : card);
    if (compared && change.change == core::SiteChange::kNew)
        details += QStringLiteral("\nНовый: при прошлом поиске не отвечал");
    if (compared && change.change == core::SiteChange::kMoved)
        details += QStringLiteral("\nПри прошлом поиске отвечал с адреса ") +
                   Text(core::DottedQuad(change.movedFrom));
    if (change.sameAddress.size() == 1)
        details += QStringLiteral("\nС этого же адреса ответил и контроллер ") +
                   MacList(change.sameAddress);
    else if (change.sameAddress.size() > 1)
        details += QStringLiteral("\nС этого же адреса ответили и контроллеры ") +
                   MacList(change.sameAddress);
    return details;
}

TNotifier::Message GoneMessage(const std::vector<core::Controller>& gone) {
    const QString list = CommaList(gone, [](const core::Controller& c) {
        return QStringLiteral("%1 (%2)").arg(Text(core::DottedQuad(c.address)),
                                             Text(c.record.MacText()));
    });
    return {QStringLiteral("Не ответили"), list, TNotifier::kBalloonSeconds,
            TNotifier::Kind::kWarning};
}

TSiteMarks::TSiteMarks(TDeviceModel* nodes, const core::Controllers& devices, TNotifier* notifier)
    : QObject(nodes), nodes_(nodes), devices_(devices), notifier_(notifier) {
    nodes_->SetMarks(this);
}

void TSiteMarks::SearchStarted(bool broadcast) {
    started_[broadcast ? kBroadcast : kByAddress] = true;
    shown_.clear(); // the nodes of the next search tell nothing until it has ended
    shownPending_ = false;
}

void TSiteMarks::Show(std::vector<core::ControllerChange> changes) const {
    shown_.clear();
    shown_.reserve(changes.size());
    for (core::ControllerChange& change : changes)
        shown_.emplace(change.id, std::move(change));
}

const core::ControllerChange* TSiteMarks::ChangeOf(int id) const {
    if (std::exchange(shownPending_, false)) {
        const core::Controllers& heard = *previous_[shownKind_];
        Show(core::CompareSearches(heard, heard).now);
    }
    const auto change = shown_.find(id);
    return change != shown_.end() ? &change->second : nullptr;
}

QVariant TSiteMarks::ControllerData(int id, int role) const {
    if (role == Qt::DecorationRole) {
        // A controller a plan would write shows the write icon.
        if (!note_ || note_(id).isEmpty())
            return {};
        static const QIcon kWrite = artwork::Icon(artwork::kWrite);
        return kWrite;
    }
    if (role == Qt::FontRole) {
        // Only new controllers are bold; the rest keep the tree's font.
        if (!shownCompared_ || shown_.empty())
            return {};
        const core::ControllerChange* change = ChangeOf(id);
        if (change == nullptr || change->change != core::SiteChange::kNew)
            return {};
        QFont bold;
        bold.setBold(true);
        return bold;
    }
    if (role != Qt::ToolTipRole && role != Qt::AccessibleDescriptionRole)
        return {};
    const core::ControllerChange* change = ChangeOf(id);
    const core::Controller* controller =
        previous_[shownKind_] ? previous_[shownKind_]->Find(id) : nullptr;
    if (change == nullptr || controller == nullptr)
        return {};
    const QString details = ControllerDetails(*controller, *change, shownCompared_);
    const QString note = note_ ? note_(id) : QString();
    return note.isEmpty() ? details : details + QLatin1Char('\n') + note;
}

void TSiteMarks::SearchEnded(bool broadcast) {
    const Kind kind = broadcast ? kBroadcast : kByAddress;
    if (!std::exchange(started_[kind], false))
        return; // no request went out: nothing to compare
    // The one comparison, with the earlier search of this kind or the list opened for a
    // broadcast search. Without one, only the details tell something of it (which
    // controllers answered from one address): they compare the search with itself when first
    // asked for (ChangeOf).
    const std::optional<core::Controllers>& earlier =
        kind == kBroadcast && opened_ ? opened_ : previous_[kind];
    const bool compared = earlier.has_value();
    core::SiteChanges changes;
    if (compared)
        changes = core::CompareSearches(*earlier, devices_, written_[kind]);
    if (kind == kBroadcast)
        opened_.reset();
    previous_[kind] = devices_;
    shownKind_ = kind;
    shownCompared_ = compared;
    Show(std::move(changes.now));
    shownPending_ = !compared;

    nodes_->MarksChanged();

    written_[kind].clear();
    if (broadcast && compared && !changes.gone.empty())
        notifier_->Tell(GoneMessage(changes.gone));
}

void TSiteMarks::CompareNextWith(const core::Controllers& list) {
    opened_ = list;
    written_[kBroadcast].clear();
}

void TSiteMarks::Written(const core::Controller& target) {
    for (std::vector<core::ControllerKey>& written : written_)
        written.push_back({target.address, target.record.mac});
}
