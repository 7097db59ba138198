#include "CheckTree.h"

#include "ControllerRecord.h"
#include "Subnet.h"
#include "WindowText.h"

#include <algorithm>
#include <map>
#include <string>

namespace {

uint32_t NetOf(const core::Ip4& address) {
    return core::AddressValue(address) >> 8;
}

// "192.168.1.xxx": the caption of the node of the /24 subnet net.
std::string SubnetLabel(uint32_t net) {
    return std::to_string(net >> 16 & 0xFF) + "." + std::to_string(net >> 8 & 0xFF) + "." +
           std::to_string(net & 0xFF) + ".xxx";
}

// Sorts items by caption as plain character codes, keeping the order of equal captions;
// gives the new row of each old row.
template <typename Item, typename Caption>
std::vector<int> SortByCaption(std::vector<Item>& items, Caption caption) {
    std::vector<std::pair<std::string, size_t>> keys; // caption, old row
    keys.reserve(items.size());
    for (size_t row = 0; row < items.size(); ++row)
        keys.emplace_back(caption(items[row]), row);
    std::stable_sort(keys.begin(), keys.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<Item> sorted;
    sorted.reserve(items.size());
    std::vector<int> newRow(items.size());
    for (const auto& [text, old] : keys) {
        newRow[old] = static_cast<int>(sorted.size());
        sorted.push_back(std::move(items[old]));
    }
    items = std::move(sorted);
    return newRow;
}

} // namespace

TDeviceModel::TDeviceModel(QString rootCaption, QObject* parent)
    : QAbstractItemModel(parent), rootCaption_(std::move(rootCaption)) {
    showTimer_.setSingleShot(true);
    connect(&showTimer_, &QTimer::timeout, this, &TDeviceModel::Flush);
}

void TDeviceModel::Add(int id, const core::Ip4& address) {
    held_.push_back({id, address});
    const qint64 since = sinceShown_.isValid() ? sinceShown_.elapsed() : kShowIntervalMs;
    if (since >= kShowIntervalMs)
        Flush();
    else if (!showTimer_.isActive())
        showTimer_.start(static_cast<int>(kShowIntervalMs - since));
}

void TDeviceModel::Flush() {
    showTimer_.stop();
    sinceShown_.start();
    // One insertion for the new controllers of each subnet shown, one for the new subnets.
    const int shown = static_cast<int>(subnets_.size());
    std::map<int, std::vector<Controller>> more; // by subnet row
    std::vector<Subnet> added;
    for (const Controller& c : held_) {
        const auto [row, isNew] =
            rowOfNet_.try_emplace(NetOf(c.address), shown + static_cast<int>(added.size()));
        if (isNew)
            added.push_back({NetOf(c.address), {}});
        if (row->second < shown)
            more[row->second].push_back(c);
        else
            added[static_cast<size_t>(row->second - shown)].controllers.push_back(c);
    }
    held_.clear();
    for (const auto& [row, list] : more) {
        std::vector<Controller>& to = subnets_[static_cast<size_t>(row)].controllers;
        const int count = static_cast<int>(to.size());
        beginInsertRows(index(row, 0, Root()), count, count + static_cast<int>(list.size()) - 1);
        to.insert(to.end(), list.begin(), list.end());
        controllers_ += static_cast<int>(list.size());
        endInsertRows();
    }
    if (added.empty())
        return;
    beginInsertRows(Root(), shown, shown + static_cast<int>(added.size()) - 1);
    for (Subnet& subnet : added) {
        controllers_ += static_cast<int>(subnet.controllers.size());
        subnets_.push_back(std::move(subnet));
    }
    endInsertRows();
}

void TDeviceModel::Clear() {
    held_.clear();
    showTimer_.stop();
    if (subnets_.empty())
        return;
    beginRemoveRows(Root(), 0, static_cast<int>(subnets_.size()) - 1);
    subnets_.clear();
    rowOfNet_.clear();
    controllers_ = 0;
    endRemoveRows();
}

void TDeviceModel::Sort() {
    Flush();
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const std::vector<int> subnetRow =
        SortByCaption(subnets_, [](const Subnet& s) { return SubnetLabel(s.net); });
    std::unordered_map<uint32_t, std::vector<int>> controllerRow; // by net
    for (Subnet& subnet : subnets_)
        controllerRow[subnet.net] = SortByCaption(
            subnet.controllers, [](const Controller& c) { return core::DottedQuad(c.address); });
    Reindex();
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& node : before) {
        const size_t row = static_cast<size_t>(node.row());
        switch (KindOf(node)) {
        case Kind::kSubnet:
            after << createIndex(subnetRow[row], 0, kSubnetNode);
            break;
        case Kind::kController:
            after << createIndex(
                controllerRow[static_cast<uint32_t>(node.internalId() - kInSubnet)][row], 0,
                node.internalId());
            break;
        default:
            after << node;
        }
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TDeviceModel::Reindex() {
    rowOfNet_.clear();
    for (size_t row = 0; row < subnets_.size(); ++row)
        rowOfNet_.emplace(subnets_[row].net, static_cast<int>(row));
}

TDeviceModel::Kind TDeviceModel::KindOf(const QModelIndex& node) const {
    if (!node.isValid() || node.model() != this)
        return Kind::kNone;
    switch (node.internalId()) {
    case kRootNode:
        return Kind::kRoot;
    case kSubnetNode:
        return Kind::kSubnet;
    default:
        return Kind::kController;
    }
}

const TDeviceModel::Subnet* TDeviceModel::SubnetOf(const QModelIndex& node) const {
    switch (KindOf(node)) {
    case Kind::kSubnet:
        return &subnets_.at(static_cast<size_t>(node.row()));
    case Kind::kController:
        return &subnets_.at(static_cast<size_t>(
            rowOfNet_.at(static_cast<uint32_t>(node.internalId() - kInSubnet))));
    default:
        return nullptr;
    }
}

int TDeviceModel::ControllerId(const QModelIndex& node) const {
    if (KindOf(node) != Kind::kController)
        return 0;
    return SubnetOf(node)->controllers.at(static_cast<size_t>(node.row())).id;
}

void TDeviceModel::MarksChanged() {
    for (int row = 0; row < static_cast<int>(subnets_.size()); ++row) {
        const QModelIndex subnet = index(row, 0, Root());
        emit dataChanged(index(0, 0, subnet), index(rowCount(subnet) - 1, 0, subnet));
    }
}

QModelIndex TDeviceModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column != 0 || row >= rowCount(parent))
        return {};
    if (!parent.isValid())
        return createIndex(row, 0, kRootNode);
    if (KindOf(parent) == Kind::kRoot)
        return createIndex(row, 0, kSubnetNode);
    return createIndex(row, 0, quintptr{SubnetOf(parent)->net} + kInSubnet);
}

QModelIndex TDeviceModel::parent(const QModelIndex& child) const {
    if (KindOf(child) == Kind::kSubnet)
        return Root();
    if (KindOf(child) != Kind::kController)
        return {};
    return createIndex(rowOfNet_.at(static_cast<uint32_t>(child.internalId() - kInSubnet)), 0,
                       kSubnetNode);
}

int TDeviceModel::rowCount(const QModelIndex& parent) const {
    switch (KindOf(parent)) {
    case Kind::kNone:
        return 1;
    case Kind::kRoot:
        return static_cast<int>(subnets_.size());
    case Kind::kSubnet:
        return static_cast<int>(SubnetOf(parent)->controllers.size());
    default:
        return 0;
    }
}

int TDeviceModel::columnCount(const QModelIndex&) const {
    return 1;
}

QVariant TDeviceModel::data(const QModelIndex& node, int role) const {
    const Kind kind = KindOf(node);
    if (kind == Kind::kNone)
        return {};
    if (role == kStateIndexRole)
        return -1;
    if (role == Qt::DisplayRole) {
        if (kind == Kind::kRoot)
            return rootCaption_;
        if (kind == Kind::kSubnet)
            return Text(SubnetLabel(SubnetOf(node)->net));
        return Text(core::DottedQuad(
            SubnetOf(node)->controllers.at(static_cast<size_t>(node.row())).address));
    }
    if (kind == Kind::kController && marks_ != nullptr)
        return marks_->ControllerData(ControllerId(node), role);
    return {};
}

Qt::ItemFlags TDeviceModel::flags(const QModelIndex& node) const {
    if (KindOf(node) == Kind::kNone)
        return Qt::NoItemFlags;
    const Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return KindOf(node) == Kind::kController ? flags | Qt::ItemNeverHasChildren : flags;
}

TRzCheckTree::TRzCheckTree(QWidget* parent)
    : QTreeView(parent), nodes_(new TDeviceModel(QStringLiteral("Quorrel"), this)) {
    setObjectName(QStringLiteral("RzCheckTree1"));
    // No label stands beside the tree: this is what a screen reader calls it.
    setAccessibleName(QStringLiteral("Найденные устройства"));
    setHeaderHidden(true);
    setIndentation(19);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSortingEnabled(false);
    setRootIsDecorated(true);
    setUniformRowHeights(true);
    setModel(nodes_);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (!current.isValid())
                    return;
                emit Changing(current);
                emit Change(current);
            });
    connect(nodes_, &QAbstractItemModel::rowsInserted, this, &TRzCheckTree::Inserted);
    connect(this, &QTreeView::collapsed, this,
            [this](const QModelIndex& node) { collapsed_.emplace_back(node); });
}

int TRzCheckTree::StateIndexOf(const QModelIndex& node) {
    return node.isValid() ? node.data(TDeviceModel::kStateIndexRole).toInt() : -1;
}

void TRzCheckTree::Inserted(const QModelIndex& parent, int first, int last) {
    // Expanding never selects a node in this tree, so there is no automatic selection to
    // switch off around it.
    expand(parent);
    for (int row = first; row <= last; ++row)
        if (const QModelIndex node = nodes_->index(row, 0, parent); nodes_->hasChildren(node))
            expand(node);
    std::vector<QPersistentModelIndex> collapsed;
    collapsed.swap(collapsed_);
    for (const QPersistentModelIndex& node : collapsed)
        if (node.isValid())
            expand(node);
}
