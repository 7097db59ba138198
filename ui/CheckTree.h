// The device tree RzCheckTree1: a model of the controllers the last search heard, a node per
// /24 subnet under the root "Quorrel" and a node per controller under its subnet's, and the
// read-only view that shows it and tells the window before and after the selected node
// changes.
//
// Replies can arrive by the thousand within a second, and the view lays out all its rows
// whenever rows are inserted under an expanded node. So the model holds the controllers
// added since it last showed any and inserts them together, at most every kShowIntervalMs
// (and at once when anything else needs the tree as it is); the view expands every node that
// gains rows.
#pragma once

#include "Ports.h"

#include <QAbstractItemModel>
#include <QElapsedTimer>
#include <QPersistentModelIndex>
#include <QTimer>
#include <QTreeView>
#include <cstdint>
#include <unordered_map>
#include <vector>

// What the window tells of a controller beside its caption: the one place that gives a
// controller node's tooltip, accessible description, font and icon.
class IControllerMarks {
public:
    virtual ~IControllerMarks() = default;
    // The data of the node of the controller numbered id (core::Controllers) for role;
    // invalid: the node has none.
    virtual QVariant ControllerData(int id, int role) const = 0;
};

class TDeviceModel : public QAbstractItemModel {
    Q_OBJECT
public:
    enum class Kind { kNone, kRoot, kSubnet, kController };
    // Every node's state index: -1 (no state image).
    static constexpr int kStateIndexRole = Qt::UserRole + 1;
    static constexpr int kShowIntervalMs = 40;

    explicit TDeviceModel(QString rootCaption, QObject* parent = nullptr);

    // A controller heard for the first time, by its number (core::Controllers) and the
    // address it answered from: its node goes last under the node of its /24 subnet, which
    // goes last under the root when there is none yet. Shown with the others held until the
    // interval since the last showing has passed.
    void Add(int id, const core::Ip4& address);
    // Shows at once every controller added so far.
    void Flush();
    // Deletes every node below the root, shown or held.
    void Clear();
    // Sorts the subnets and the controllers of each subnet by caption as plain character
    // codes (case-sensitive, punctuation counts), so "10.0.0.10" comes before "10.0.0.9" and
    // "1.2.3.4" before "10.2.3.4"; nodes of one caption keep their order. Shows what is held
    // first; the selection and the expansion are kept.
    void Sort();

    QModelIndex Root() const { return index(0, 0); }
    Kind KindOf(const QModelIndex& node) const;
    // The number of the controller the node shows (0: not a controller node).
    int ControllerId(const QModelIndex& node) const;
    // The controller nodes shown.
    int ControllerCount() const { return controllers_; }

    void SetMarks(const IControllerMarks* marks) { marks_ = marks; }
    // What the marks give may have changed for every controller node.
    void MarksChanged();

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& node, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& node) const override;

private:
    struct Controller {
        int id;
        core::Ip4 address;
    };
    struct Subnet {
        uint32_t net; // the address's first three groups
        std::vector<Controller> controllers;
    };
    // A node's internal id: the root, a subnet, or a controller of subnet net (net +
    // kInSubnet), which names its parent whatever order the subnets are in.
    static constexpr quintptr kRootNode = 0;
    static constexpr quintptr kSubnetNode = 1;
    static constexpr quintptr kInSubnet = 2;

    const Subnet* SubnetOf(const QModelIndex& node) const;
    void Reindex();

    QString rootCaption_;
    std::vector<Subnet> subnets_;
    std::unordered_map<uint32_t, int> rowOfNet_; // subnet rows by net
    std::vector<Controller> held_;               // added, not shown yet
    int controllers_ = 0;
    const IControllerMarks* marks_ = nullptr;
    QElapsedTimer sinceShown_;
    QTimer showTimer_;
};

class TRzCheckTree : public QTreeView {
    Q_OBJECT
public:
    static constexpr int kShowIntervalMs = TDeviceModel::kShowIntervalMs;

    explicit TRzCheckTree(QWidget* parent = nullptr);

    TDeviceModel* Nodes() { return nodes_; }
    const TDeviceModel* Nodes() const { return nodes_; }
    // The number of the selected node's controller (0: no controller node selected).
    int SelectedId() const { return nodes_->ControllerId(currentIndex()); }
    // The state index of a node: -1 for every node, as for none.
    static int StateIndexOf(const QModelIndex& node);

signals:
    // The selection is about to move to node (never refused).
    void Changing(const QModelIndex& node);
    // The selection has moved to node.
    void Change(const QModelIndex& node);

private:
    void Inserted(const QModelIndex& parent, int first, int last);

    TDeviceModel* nodes_; // a child of the view
    // Nodes collapsed since rows were last inserted: the next rows expand them again, so
    // that the whole tree is expanded after every reply.
    std::vector<QPersistentModelIndex> collapsed_;
};
