#include "CheckTree.h"

#include <cstring>

namespace {
constexpr int kStateIndexRole = Qt::UserRole + 1;
}

TTreeNode::TTreeNode(const QString& caption)
    : QTreeWidgetItem(QStringList{caption}), utf8_(caption.toStdString()) {
    setData(0, kStateIndexRole, -1);
}

TTreeNode::~TTreeNode() {
    if (indexedIn_ != nullptr)
        indexedIn_->DropIndex();
    DropIndex(); // the shown children outlive this part of the node
    for (TTreeNode* child : held_)
        delete child;
}

TTreeNode* TTreeNode::FindChild(const std::string& caption) {
    if (!indexed_) {
        indexed_ = true;
        for (int i = 0; i < childCount(); ++i)
            if (auto* own = dynamic_cast<TTreeNode*>(child(i)))
                Added(own);
        for (TTreeNode* held : held_)
            Added(held);
    }
    const auto found = byCaption_.find(caption);
    return found != byCaption_.end() ? found->second : nullptr;
}

void TTreeNode::Added(TTreeNode* child) {
    if (indexed_ && byCaption_.try_emplace(child->utf8_, child).second)
        child->indexedIn_ = this;
}

void TTreeNode::DropIndex() {
    for (const auto& [caption, child] : byCaption_)
        child->indexedIn_ = nullptr;
    byCaption_.clear();
    indexed_ = false;
}

bool TTreeNode::operator<(const QTreeWidgetItem& other) const {
    const auto* node = dynamic_cast<const TTreeNode*>(&other);
    const std::string b = node != nullptr ? node->utf8_ : other.text(0).toStdString();
    return std::strcmp(utf8_.c_str(), b.c_str()) < 0;
}

QVariant TTreeNode::data(int column, int role) const {
    if (line_ != 0 && column == 0 &&
        (role == Qt::ToolTipRole || role == Qt::AccessibleDescriptionRole)) {
        const auto* tree = qobject_cast<const TRzCheckTree*>(treeWidget());
        if (tree != nullptr && tree->details_)
            if (QString details = tree->details_(line_); !details.isEmpty())
                return details;
    }
    return QTreeWidgetItem::data(column, role);
}

int TTreeNode::LineOf(const QTreeWidgetItem* item) {
    const auto* own = dynamic_cast<const TTreeNode*>(item);
    return own != nullptr ? own->line_ : 0;
}

int TTreeNode::StateIndexOf(const QTreeWidgetItem* item) {
    return item == nullptr ? -1 : item->data(0, kStateIndexRole).toInt();
}

TRzCheckTree::TRzCheckTree(QWidget* parent) : QTreeWidget(parent) {
    setObjectName(QStringLiteral("RzCheckTree1"));
    // No label stands beside the tree: this is what a screen reader calls it.
    setAccessibleName(QStringLiteral("Найденные устройства"));
    setColumnCount(1);
    setHeaderHidden(true);
    setIndentation(19);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSortingEnabled(false);
    setRootIsDecorated(true);
    setUniformRowHeights(true);
    showTimer_.setSingleShot(true);
    connect(&showTimer_, &QTimer::timeout, this, &TRzCheckTree::FlushUpdates);
    connect(this, &QTreeWidget::currentItemChanged, this, &TRzCheckTree::OnCurrentItemChanged);
    connect(this, &QTreeView::collapsed, this,
            [this](const QModelIndex& index) { toExpand_.emplace_back(index); });
}

void TRzCheckTree::OnCurrentItemChanged(QTreeWidgetItem* current, QTreeWidgetItem*) {
    if (current == nullptr)
        return;
    emit Changing(current);
    emit Change(current);
}

void TRzCheckTree::BeginUpdate() {
    if (updateDepth_++ == 0)
        setUpdatesEnabled(false);
}

void TRzCheckTree::EndUpdate() {
    if (updateDepth_ == 0 || --updateDepth_ > 0)
        return;
    const qint64 since = sinceShown_.isValid() ? sinceShown_.elapsed() : kShowIntervalMs;
    if (since >= kShowIntervalMs)
        FlushUpdates();
    else if (!showTimer_.isActive())
        showTimer_.start(static_cast<int>(kShowIntervalMs - since));
}

void TRzCheckTree::FlushUpdates() {
    showTimer_.stop();
    ShowHeldNodes();
    ExpandPending();
    if (updateDepth_ > 0)
        return;
    sinceShown_.start();
    setUpdatesEnabled(true);
}

void TRzCheckTree::ShowHeldNodes() {
    std::vector<TTreeNode*> holding;
    holding.swap(holding_);
    // Parents come before their children, so each batch goes under a node already shown.
    for (TTreeNode* parent : holding) {
        QList<QTreeWidgetItem*> batch(parent->held_.begin(), parent->held_.end());
        parent->held_.clear();
        parent->addChildren(batch);
        toExpand_.emplace_back(indexFromItem(parent));
    }
}

void TRzCheckTree::ExpandPending() {
    // Expanding never selects a node in this tree, so there is no automatic selection
    // to switch off around it.
    std::vector<QPersistentModelIndex> pending;
    pending.swap(toExpand_);
    for (const QPersistentModelIndex& index : pending)
        if (index.isValid() && !isExpanded(index))
            expand(index);
}

IDeviceTree::Node TRzCheckTree::FirstNode() {
    return topLevelItem(0);
}

int TRzCheckTree::ChildCount(Node node) {
    if (node == nullptr)
        return 0;
    auto* item = static_cast<QTreeWidgetItem*>(node);
    const auto* own = dynamic_cast<const TTreeNode*>(item);
    return item->childCount() + (own != nullptr ? static_cast<int>(own->held_.size()) : 0);
}

IDeviceTree::Node TRzCheckTree::Child(Node node, int index) {
    auto* item = static_cast<QTreeWidgetItem*>(node);
    if (index < item->childCount())
        return item->child(index);
    auto* own = dynamic_cast<TTreeNode*>(item);
    const auto held = static_cast<size_t>(index - item->childCount());
    return own != nullptr && held < own->held_.size() ? own->held_[held] : nullptr;
}

std::string TRzCheckTree::Caption(Node node) {
    const auto* item = static_cast<QTreeWidgetItem*>(node);
    if (const auto* own = dynamic_cast<const TTreeNode*>(item))
        return own->Utf8Caption();
    return item->text(0).toStdString();
}

IDeviceTree::Node TRzCheckTree::FindChild(Node node, const std::string& caption) {
    if (auto* own = dynamic_cast<TTreeNode*>(static_cast<QTreeWidgetItem*>(node)))
        return own->FindChild(caption);
    return IDeviceTree::FindChild(node, caption);
}

IDeviceTree::Node TRzCheckTree::AddChild(Node parent, const std::string& caption, int line) {
    auto* parentItem = static_cast<QTreeWidgetItem*>(parent);
    auto* node = new TTreeNode(QString::fromStdString(caption));
    node->line_ = line;
    auto* own = dynamic_cast<TTreeNode*>(parentItem);
    if (own != nullptr)
        own->Added(node);
    if (updateDepth_ > 0 && own != nullptr) {
        if (own->held_.empty())
            holding_.push_back(own);
        own->held_.push_back(node);
    } else {
        parentItem->addChild(node);
        toExpand_.emplace_back(indexFromItem(parentItem));
    }
    return node;
}

void TRzCheckTree::MarkHasChildren(Node node) {
    static_cast<QTreeWidgetItem*>(node)->setChildIndicatorPolicy(
        QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

void TRzCheckTree::FullExpand() {
    ExpandPending();
}

TTreeNode* TRzCheckTree::AddRoot(const QString& caption) {
    auto* root = new TTreeNode(caption);
    addTopLevelItem(root);
    return root;
}

QTreeWidgetItem* TRzCheckTree::FindTopLevel(const QString& text) const {
    for (int i = 0; i < topLevelItemCount(); ++i)
        if (topLevelItem(i)->text(0).compare(text, Qt::CaseInsensitive) == 0)
            return topLevelItem(i);
    return nullptr;
}

void TRzCheckTree::SortRecursive() {
    ShowHeldNodes();
    sortItems(0, Qt::AscendingOrder);
}

void TRzCheckTree::DeleteChildren(QTreeWidgetItem* node) {
    if (node == nullptr)
        return;
    ShowHeldNodes(); // no held node may outlive its parent's list
    if (auto* own = dynamic_cast<TTreeNode*>(node))
        own->DropIndex();
    const QList<QTreeWidgetItem*> children = node->takeChildren();
    qDeleteAll(children);
}
