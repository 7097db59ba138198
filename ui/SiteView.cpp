#include "SiteView.h"

#include "CheckTree.h"
#include "ControllerRecord.h"
#include "WindowText.h"

#include <QStringList>
#include <map>
#include <utility>

namespace {

QString MacList(const std::vector<core::Mac>& macs) {
    return CommaList(macs, [](const core::Mac& mac) { return Text(core::MacText(mac)); });
}

} // namespace

QString ControllerDetails(const core::Controller& controller, const core::ControllerChange& change,
                          bool compared) {
    const core::ControllerRecord& r = controller.record;
    const std::string& card = controller.cardName;
    QStringList lines = {
        QStringLiteral("MAC: ") + Text(r.MacText()),
        QStringLiteral("IP: ") + Text(r.IpText()),
        QStringLiteral("Маска: ") + Text(r.MaskText()),
        QStringLiteral("Шлюз: ") + Text(r.GatewayText()),
        QStringLiteral("Порт: ") + Text(r.PortText()),
        QStringLiteral("Hw: %1  Sw: %2").arg(Text(r.HardwareText()), Text(r.SoftwareText())),
        QStringLiteral("Карта: ") + (card.empty() ? QStringLiteral("неизвестна") : Text(card))};
    if (compared && change.change == core::SiteChange::kNew)
        lines << QStringLiteral("Новый: при прошлом поиске не отвечал");
    if (compared && change.change == core::SiteChange::kMoved)
        lines << QStringLiteral("При прошлом поиске отвечал с адреса ") +
                     Text(core::DottedQuad(change.movedFrom));
    if (change.sameAddress.size() == 1)
        lines << QStringLiteral("С этого же адреса ответил и контроллер ") +
                     MacList(change.sameAddress);
    else if (change.sameAddress.size() > 1)
        lines << QStringLiteral("С этого же адреса ответили и контроллеры ") +
                     MacList(change.sameAddress);
    return lines.join(QLatin1Char('\n'));
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
    : QObject(tree), tree_(tree), devices_(devices), notifier_(notifier) {}

void TSiteMarks::SearchStarted(bool broadcast) {
    started_[broadcast ? kBroadcast : kByAddress] = true;
}

void TSiteMarks::SearchEnded(bool broadcast) {
    const Kind kind = broadcast ? kBroadcast : kByAddress;
    if (!std::exchange(started_[kind], false))
        return; // no request went out: nothing to compare
    const bool compared = previous_[kind].has_value();
    const core::SiteChanges changes =
        compared ? core::CompareSearches(*previous_[kind], devices_, written_[kind])
                 : core::CompareSearches(devices_, devices_);
    std::map<int, const core::ControllerChange*> byId;
    for (const core::ControllerChange& change : changes.now)
        byId[change.id] = &change;

    tree_->FlushUpdates();
    QFont bold = tree_->font();
    bold.setBold(true);
    QTreeWidgetItem* root = tree_->topLevelItem(0);
    for (int s = 0; root != nullptr && s < root->childCount(); ++s) {
        QTreeWidgetItem* subnet = root->child(s);
        for (int c = 0; c < subnet->childCount(); ++c) {
            QTreeWidgetItem* node = subnet->child(c);
            const auto found = byId.find(TTreeNode::LineOf(node));
            const core::Controller* controller = devices_.Find(TTreeNode::LineOf(node));
            if (found == byId.end() || controller == nullptr)
                continue;
            const QString details = ControllerDetails(*controller, *found->second, compared);
            node->setToolTip(0, details);
            node->setData(0, Qt::AccessibleDescriptionRole, details);
            if (compared && found->second->change == core::SiteChange::kNew)
                node->setFont(0, bold);
        }
    }

    previous_[kind] = devices_;
    written_[kind].clear();
    if (broadcast && compared && !changes.gone.empty())
        notifier_->Tell(GoneMessage(changes.gone));
}

void TSiteMarks::Written(const core::Controller& target) {
    for (std::vector<core::ControllerKey>& written : written_)
        written.push_back({target.address, target.record.mac});
}
