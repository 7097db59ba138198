// The device tree RzCheckTree1: a read-only tree of captions that discovery fills through
// IDeviceTree and that tells the window before and after the selected node changes.
//
// Replies can arrive by the thousand within a second, and the view lays out and paints
// all its rows whenever rows are inserted into an expanded node. So nodes added inside an
// update bracket are held on their parent and shown together, expanded, at most every
// kShowIntervalMs (and at once when anything else needs the tree as it is). Through
// IDeviceTree the held nodes count as children already, in the order they were added.
//
// A node asked for a child by caption (FindChild) indexes its children by caption from then
// on, so that filing a reply under its subnet's node costs the same however many subnets
// there are.
#pragma once

#include "DriverHost.h"

#include <QElapsedTimer>
#include <QPersistentModelIndex>
#include <QTimer>
#include <QTreeWidget>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

// A node. Captions sort as plain character codes (case-sensitive, punctuation counts), so
// "10.0.0.10" comes before "10.0.0.9" and "1.2.3.4" before "10.2.3.4".
class TTreeNode : public QTreeWidgetItem {
public:
    explicit TTreeNode(const QString& caption);
    ~TTreeNode() override;
    TTreeNode(const TTreeNode&) = delete;
    TTreeNode& operator=(const TTreeNode&) = delete;

    bool operator<(const QTreeWidgetItem& other) const override;
    // A controller node's tooltip and accessible description are its tree's details of the
    // controller (TRzCheckTree::SetDetails), when the tree has any.
    QVariant data(int column, int role) const override;

    // The caption as UTF-8; captions never change once a node exists.
    const std::string& Utf8Caption() const { return utf8_; }

    // Every node carries state index -1 (no state image).
    static int StateIndexOf(const QTreeWidgetItem* item);
    // The id (core::Controllers) of the controller the node shows (0: none).
    static int LineOf(const QTreeWidgetItem* item);

private:
    friend class TRzCheckTree;
    // The first child (shown or held) with this caption, or nullptr; indexes the children
    // on first use.
    TTreeNode* FindChild(const std::string& caption);
    // A child has been added (shown or held).
    void Added(TTreeNode* child);
    // Forgets the index; the next FindChild builds it again.
    void DropIndex();

    std::string utf8_;
    int line_ = 0;
    std::vector<TTreeNode*> held_; // children added but not shown yet (owned)
    // Once indexed: the first child of each caption. A child in it that is deleted drops
    // the index (a later child of the same caption then comes first), as does deleting the
    // children (TRzCheckTree::DeleteChildren); sorting leaves it as it is.
    bool indexed_ = false;
    std::unordered_map<std::string, TTreeNode*> byCaption_;
    TTreeNode* indexedIn_ = nullptr; // the node whose index holds this one
};

class TRzCheckTree : public QTreeWidget, public IDeviceTree {
    Q_OBJECT
public:
    static constexpr int kShowIntervalMs = 40;

    explicit TRzCheckTree(QWidget* parent = nullptr);

    // IDeviceTree
    void BeginUpdate() override;
    void EndUpdate() override;
    Node FirstNode() override;
    int ChildCount(Node node) override;
    Node Child(Node node, int index) override;
    std::string Caption(Node node) override;
    // By the node's index (its children by caption) where the node is a TTreeNode.
    Node FindChild(Node node, const std::string& caption) override;
    Node AddChild(Node parent, const std::string& caption, int line = 0) override;
    void MarkHasChildren(Node node) override;
    void FullExpand() override;

    TTreeNode* AddRoot(const QString& caption);
    // The top-level node whose caption equals text regardless of case, or nullptr.
    QTreeWidgetItem* FindTopLevel(const QString& text) const;
    // Sorts every level by caption; selection and expansion are kept.
    void SortRecursive();
    // Shows at once every node added so far, expanded, and repaints when asked.
    void FlushUpdates();
    // Deletes every child of the node with their subtrees.
    void DeleteChildren(QTreeWidgetItem* node);

    // What a controller node tells as its tooltip and accessible description, given the
    // number of its controller (TTreeNode::LineOf); empty: nothing. Asked only when a
    // tooltip or a screen reader wants it, so a search of tens of thousands of controllers
    // makes none of them beforehand.
    using Details = std::function<QString(int line)>;
    void SetDetails(Details details) { details_ = std::move(details); }

signals:
    // The selection is about to move to node (never refused).
    void Changing(QTreeWidgetItem* node);
    // The selection has moved to node.
    void Change(QTreeWidgetItem* node);

private:
    friend class TTreeNode;
    void OnCurrentItemChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous);
    void ShowHeldNodes();
    void ExpandPending();

    int updateDepth_ = 0;
    // Nodes holding children that are not shown yet, parents before their children.
    std::vector<TTreeNode*> holding_;
    // Nodes that have gained children or been collapsed since the last expansion: only
    // these can be collapsed, so expanding them leaves the whole tree expanded.
    std::vector<QPersistentModelIndex> toExpand_;
    QElapsedTimer sinceShown_;
    QTimer showTimer_;
    Details details_;
};
