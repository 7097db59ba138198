#include "SiteView.h"

#include "CheckTree.h"
#include "ControllerList.h"
#include "ControllerRecord.h"
#include "WindowText.h"

#include <QAbstractItemModel>
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

TSiteMarks::TSiteMarks(TRzCheckTree* tree, const core::Controllers& devices, TNotifier* notifier)
    : QObject(tree), tree_(tree), devices_(devices), notifier_(notifier) {
    tree_->SetDetails([this](int line) { return DetailsOf(line); });
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

QString TSiteMarks::DetailsOf(int line) const {
    if (std::exchange(shownPending_, false)) {
        const core::Controllers& heard = *previous_[shownKind_];
        Show(core::CompareSearches(heard, heard).now);
    }
    const auto change = shown_.find(line);
    const core::Controller* controller =
        previous_[shownKind_] ? previous_[shownKind_]->Find(line) : nullptr;
    if (change == shown_.end() || controller == nullptr)
        return {};
    const QString details = ControllerDetails(*controller, change->second, shownCompared_);
    const QString note = note_ ? note_(line) : QString();
    return note.isEmpty() ? details : details + QLatin1Char('\n') + note;
}

void TSiteMarks::SearchEnded(bool broadcast) {
    const Kind kind = broadcast ? kBroadcast : kByAddress;
    if (!std::exchange(started_[kind], false))
        return; // no request went out: nothing to compare
    // The one comparison, with the earlier search of this kind or the list opened for a
    // broadcast search. Without one, only the details tell something of it (which
    // controllers answered from one address): they compare the search with itself when first
    // asked for (DetailsOf).
    const std::optional<core::Controllers>& earlier =
        kind == kBroadcast && opened_ ? opened_ : previous_[kind];
    const bool compared = earlier.has_value();
    core::SiteChanges changes;
    if (compared)
        changes = core::CompareSearches(*earlier, devices_, written_[kind]);
    if (kind == kBroadcast)
        opened_.reset();
    const bool anyNew =
        std::any_of(changes.now.begin(), changes.now.end(), [](const core::ControllerChange& c) {
            return c.change == core::SiteChange::kNew;
        });
    previous_[kind] = devices_;
    shownKind_ = kind;
    shownCompared_ = compared;
    Show(std::move(changes.now));
    shownPending_ = !compared;

    tree_->FlushUpdates();
    QFont bold = tree_->font();
    bold.setBold(true);
    // The new controllers' nodes in bold, in one pass with the model silent: otherwise each
    // change of a node's data has the model look for a pending sort and the view repaint
    // the node's row. The view (and a screen reader through it) then hears of each subnet's
    // rows once, details included.
    QAbstractItemModel* model = tree_->model();
    const bool wasSilent = model->blockSignals(true);
    QTreeWidgetItem* root = tree_->topLevelItem(0);
    for (int s = 0; compared && anyNew && root != nullptr && s < root->childCount(); ++s) {
        QTreeWidgetItem* subnet = root->child(s);
        for (int c = 0; c < subnet->childCount(); ++c) {
            QTreeWidgetItem* node = subnet->child(c);
            const auto found = shown_.find(TTreeNode::LineOf(node));
            if (found != shown_.end() && found->second.change == core::SiteChange::kNew)
                node->setFont(0, bold);
        }
    }
    model->blockSignals(wasSilent);
    const QList<int> roles = {Qt::ToolTipRole, Qt::AccessibleDescriptionRole, Qt::FontRole};
    for (int s = 0; root != nullptr && s < root->childCount(); ++s) {
        QTreeWidgetItem* subnet = root->child(s);
        if (subnet->childCount() > 0)
            emit model->dataChanged(tree_->indexFromItem(subnet->child(0)),
                                    tree_->indexFromItem(subnet->child(subnet->childCount() - 1)),
                                    roles);
    }

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
