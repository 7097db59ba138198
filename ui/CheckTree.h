// The device tree RzCheckTree1: a read-only tree of captions that discovery fills through
// IDeviceTree and that tells the window before and after the selected node changes.
#pragma once

#include "DriverHost.h"

#include <QPersistentModelIndex>
#include <QTreeWidget>
#include <vector>

// A node. Captions sort as plain character codes (case-sensitive, punctuation counts), so
// "10.0.0.10" comes before "10.0.0.9" and "1.2.3.4" before "10.2.3.4".
class TTreeNode : public QTreeWidgetItem {
public:
    explicit TTreeNode(const QString& caption);
    bool operator<(const QTreeWidgetItem& other) const override;

    // Every node carries state index -1 (no state image).
    int StateIndex() const;
    static int StateIndexOf(const QTreeWidgetItem* item);
};

class TRzCheckTree : public QTreeWidget, public IDeviceTree {
    Q_OBJECT
public:
    explicit TRzCheckTree(QWidget* parent = nullptr);

    // IDeviceTree
    void BeginUpdate() override;
    void EndUpdate() override;
    Node FirstNode() override;
    int ChildCount(Node node) override;
    Node Child(Node node, int index) override;
    std::string Caption(Node node) override;
    Node AddChild(Node parent, const std::string& caption) override;
    void MarkHasChildren(Node node) override;
    void FullExpand() override;

    TTreeNode* AddRoot(const QString& caption);
    // The top-level node whose caption equals text regardless of case, or nullptr.
    QTreeWidgetItem* FindTopLevel(const QString& text) const;
    // Sorts every level by caption; selection and expansion are kept.
    void SortRecursive();
    // Deletes every child of the node with their subtrees.
    static void DeleteChildren(QTreeWidgetItem* node);

    // Expanding a node never selects it in this tree; the setting is kept so that callers
    // can switch it off and restore it around an expansion as the window expects.
    bool AutoSelect() const { return autoSelect_; }
    void SetAutoSelect(bool on) { autoSelect_ = on; }

signals:
    // The selection is about to move to node (never refused).
    void Changing(QTreeWidgetItem* node);
    // The selection has moved to node.
    void Change(QTreeWidgetItem* node);

private:
    void OnCurrentItemChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous);

    int updateDepth_ = 0;
    bool autoSelect_ = true;
    // Nodes that have gained children or been collapsed since the last FullExpand: only
    // these can be collapsed, so expanding them leaves the whole tree expanded.
    std::vector<QPersistentModelIndex> toExpand_;
};
