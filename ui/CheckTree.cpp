#include "CheckTree.h"

#include <QHeaderView>
#include <cstring>

namespace {
constexpr int kStateIndexRole = Qt::UserRole + 1;
}

TTreeNode::TTreeNode(const QString& caption) : QTreeWidgetItem(QStringList{caption}) {
    setData(0, kStateIndexRole, -1);
}

bool TTreeNode::operator<(const QTreeWidgetItem& other) const {
    const QByteArray a = text(0).toUtf8();
    const QByteArray b = other.text(0).toUtf8();
    return std::strcmp(a.constData(), b.constData()) < 0;
}

int TTreeNode::StateIndex() const {
    return StateIndexOf(this);
}

int TTreeNode::StateIndexOf(const QTreeWidgetItem* item) {
    return item == nullptr ? -1 : item->data(0, kStateIndexRole).toInt();
}

TRzCheckTree::TRzCheckTree(QWidget* parent) : QTreeWidget(parent) {
    setObjectName(QStringLiteral("RzCheckTree1"));
    setColumnCount(1);
    setHeaderHidden(true);
    setIndentation(19);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSortingEnabled(false);
    setRootIsDecorated(true);
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
    if (updateDepth_ > 0 && --updateDepth_ == 0)
        setUpdatesEnabled(true);
}

IDeviceTree::Node TRzCheckTree::FirstNode() {
    return topLevelItem(0);
}

int TRzCheckTree::ChildCount(Node node) {
    return node == nullptr ? 0 : static_cast<QTreeWidgetItem*>(node)->childCount();
}

IDeviceTree::Node TRzCheckTree::Child(Node node, int index) {
    return static_cast<QTreeWidgetItem*>(node)->child(index);
}

std::string TRzCheckTree::Caption(Node node) {
    return static_cast<QTreeWidgetItem*>(node)->text(0).toStdString();
}

IDeviceTree::Node TRzCheckTree::AddChild(Node parent, const std::string& caption) {
    auto* parentItem = static_cast<QTreeWidgetItem*>(parent);
    auto* node = new TTreeNode(QString::fromStdString(caption));
    parentItem->addChild(node);
    toExpand_.emplace_back(indexFromItem(parentItem));
    return node;
}

void TRzCheckTree::MarkHasChildren(Node node) {
    static_cast<QTreeWidgetItem*>(node)->setChildIndicatorPolicy(
        QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

void TRzCheckTree::FullExpand() {
    const bool kept = autoSelect_;
    autoSelect_ = false;
    std::vector<QPersistentModelIndex> pending;
    pending.swap(toExpand_);
    for (const QPersistentModelIndex& index : pending)
        if (index.isValid() && !isExpanded(index))
            expand(index);
    autoSelect_ = kept;
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
    sortItems(0, Qt::AscendingOrder);
}

void TRzCheckTree::DeleteChildren(QTreeWidgetItem* node) {
    if (node == nullptr)
        return;
    const QList<QTreeWidgetItem*> children = node->takeChildren();
    qDeleteAll(children);
}
