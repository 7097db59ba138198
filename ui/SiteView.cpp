#include "SiteView.h"

#include "CheckTree.h"
#include "ControllerList.h"
#include "ControllerRecord.h"
#include "MessDlgs.h"

#include <QAbstractItemModel>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QSaveFile>
#include <QShortcut>
#include <QStringList>
#include <algorithm>
#include <unordered_map>
#include <utility>

namespace {

QString Text(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

QString MacList(const std::vector<core::Mac>& macs) {
    QStringList list;
    for (const core::Mac& mac : macs)
        list << Text(core::MacText(mac));
    return list.join(QStringLiteral(", "));
}

// Why a list could not be written to path, in the window's words where the reason is known.
QString WhyNotSaved(const QString& path, const QSaveFile& file) {
    const QFileInfo info(path);
    const QString folder = QDir::toNativeSeparators(info.absolutePath());
    if (!QFileInfo(info.absolutePath()).isDir())
        return QStringLiteral("папки %1 нет").arg(folder);
    if (!QFileInfo(info.absolutePath()).isWritable())
        return QStringLiteral("нет права записи в папку %1").arg(folder);
    if (info.exists() && !info.isWritable())
        return QStringLiteral("нет права записи в этот файл");
    return file.errorString();
}

} // namespace

QString ControllerDetails(const core::Controller& controller, const core::ControllerChange& change,
                          bool compared) {
    // The texts as the list has them, each made once: a search may hold tens of thousands.
    enum Cell { kIp = 1, kMask, kGateway, kPort, kMac, kHardware, kSoftware, kCard };
    const core::ListCells cells = core::ListedCells(controller);
    QString details;
    details.reserve(256);
    details += QStringLiteral("MAC: ") + Text(cells[kMac]);
    details += QStringLiteral("\nIP: ") + Text(cells[kIp]);
    details += QStringLiteral("\nМаска: ") + Text(cells[kMask]);
    details += QStringLiteral("\nШлюз: ") + Text(cells[kGateway]);
    details += QStringLiteral("\nПорт: ") + Text(cells[kPort]);
    details += QStringLiteral("\nHw: ") + Text(cells[kHardware]) + QStringLiteral("  Sw: ") +
               Text(cells[kSoftware]);
    details += QStringLiteral("\nКарта: ") +
               (cells[kCard].empty() ? QStringLiteral("неизвестна") : Text(cells[kCard]));
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
    QStringList list;
    for (const core::Controller& c : gone)
        list << QStringLiteral("%1 (%2)").arg(Text(core::DottedQuad(c.address)),
                                              Text(c.record.MacText()));
    return {QStringLiteral("Не ответили"), list.join(QStringLiteral(", ")),
            TNotifier::kBalloonSeconds, TNotifier::Kind::kWarning};
}

QString ListFileName(const QDateTime& localTime) {
    return QStringLiteral("controllers-%1.csv")
        .arg(localTime.toString(QStringLiteral("yyyy-MM-dd-HHmm")));
}

TSiteView::TSiteView(TRzCheckTree* tree, const core::Controllers& devices, TNotifier* notifier)
    : QObject(tree), tree_(tree), devices_(devices), notifier_(notifier),
      folder_(QDir::homePath()) {
    tree_->installEventFilter(this);
    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tree_, &QWidget::customContextMenuRequested, this, &TSiteView::ShowMenu);
    auto* save = new QShortcut(QKeySequence::Save, tree_->window());
    connect(save, &QShortcut::activated, this, &TSiteView::SaveList);
    tree_->SetDetails([this](int line) { return DetailsOf(line); });
}

void TSiteView::SearchStarted(bool broadcast) {
    started_[broadcast ? kBroadcast : kByAddress] = true;
    shown_.clear(); // the nodes of the next search tell nothing until it has ended
    shownPending_ = false;
}

void TSiteView::Show(std::vector<core::ControllerChange> changes) const {
    shown_.clear();
    shown_.reserve(changes.size());
    for (core::ControllerChange& change : changes)
        shown_.emplace(change.id, std::move(change));
}

QString TSiteView::DetailsOf(int line) const {
    if (std::exchange(shownPending_, false)) {
        const core::Controllers& heard = *previous_[shownKind_];
        Show(core::CompareSearches(heard, heard).now);
    }
    const auto change = shown_.find(line);
    const core::Controller* controller =
        previous_[shownKind_] ? previous_[shownKind_]->Find(line) : nullptr;
    if (change == shown_.end() || controller == nullptr)
        return {};
    return ControllerDetails(*controller, change->second, shownCompared_);
}

void TSiteView::SearchEnded(bool broadcast) {
    const Kind kind = broadcast ? kBroadcast : kByAddress;
    if (!std::exchange(started_[kind], false))
        return; // no request went out: nothing to compare
    const bool compared = previous_[kind].has_value();
    // The one comparison, with the earlier search of this kind. Without one, only the
    // details tell something of it (which controllers answered from one address): they
    // compare the search with itself when first asked for (DetailsOf).
    core::SiteChanges changes;
    if (compared)
        changes = core::CompareSearches(*previous_[kind], devices_, written_[kind]);
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

void TSiteView::Written(const core::Controller& target) {
    for (std::vector<core::ControllerKey>& written : written_)
        written.push_back({target.address, target.record.mac});
}

const core::Controller* TSiteView::SelectedController() const {
    return devices_.Find(TTreeNode::LineOf(tree_->currentItem()));
}

bool TSiteView::CopySelected() {
    const core::Controller* controller = SelectedController();
    if (controller == nullptr)
        return false;
    QGuiApplication::clipboard()->setText(Text(core::TabLine(*controller)));
    return true;
}

void TSiteView::SaveList() {
    const QString path = QFileDialog::getSaveFileName(
        tree_->window(), QStringLiteral("Сохранить список"),
        QDir(folder_).filePath(ListFileName(QDateTime::currentDateTime())),
        QStringLiteral("CSV (*.csv)"));
    if (path.isEmpty())
        return;
    folder_ = QFileInfo(path).absolutePath();
    const std::string csv = core::ControllersCsv(devices_);
    // Written beside the file and put in its place only when whole.
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) &&
        file.write(csv.data(), static_cast<qint64>(csv.size())) ==
            static_cast<qint64>(csv.size()) &&
        file.commit())
        return;
    ShowErrorMessage(QStringLiteral("Список не сохранён в %1: %2")
                         .arg(QDir::toNativeSeparators(path), WhyNotSaved(path, file)));
}

// Ctrl+C on a controller node copies its line; on any other node the tree copies the
// caption as it does by itself.
bool TSiteView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == tree_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy))
        return CopySelected();
    return QObject::eventFilter(watched, event);
}

void TSiteView::ShowMenu(const QPoint& at) {
    QMenu menu(tree_);
    QAction* copy = menu.addAction(QStringLiteral("Копировать"), this, &TSiteView::CopySelected);
    copy->setShortcut(QKeySequence::Copy);
    copy->setEnabled(SelectedController() != nullptr);
    menu.addAction(QStringLiteral("Сохранить список…"), this, &TSiteView::SaveList)
        ->setShortcut(QKeySequence::Save);
    menu.exec(tree_->viewport()->mapToGlobal(at));
}
