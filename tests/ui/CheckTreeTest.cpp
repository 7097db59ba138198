// The tree's model row by row, with every role a node has, against the tree's documented
// order: subnets and controllers in the order of the replies, or by caption as plain
// character codes after sorting.
#include "CheckTree.h"
#include "ControllerRecord.h"
#include "QStringPrinter.h"
#include "TreePaths.h"

#include <QApplication>
#include <QFont>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Controller 2 is new (bold) and every controller tells its number as its tooltip.
class NumberMarks : public IControllerMarks {
public:
    QVariant ControllerData(int id, int role) const override {
        if (role == Qt::ToolTipRole)
            return QStringLiteral("#%1").arg(id);
        if (role == Qt::FontRole && id == 2) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    }
};

struct Case {
    const char* name;
    std::vector<const char*> replies; // controllers 1, 2, ... by the address they answered from
    bool sorted;
    // Each node: its path, then what its roles give beyond the caption.
    std::vector<std::string> rows;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

// path, kind, the controller number, the tooltip and "bold" for a bold node; every node has
// state index -1 and is selectable and not editable.
std::vector<std::string> Rows(TDeviceModel& model) {
    std::vector<std::string> rows;
    const std::vector<std::string> paths = TreePaths(model);
    const QModelIndexList nodes =
        model.match(model.Root(), Qt::DisplayRole, "*", -1, Qt::MatchWildcard | Qt::MatchRecursive);
    EXPECT_EQ(static_cast<size_t>(nodes.size()), paths.size());
    for (int i = 0; i < nodes.size() && i < static_cast<int>(paths.size()); ++i) {
        const QModelIndex& node = nodes[i];
        EXPECT_EQ(node.data(TDeviceModel::kStateIndexRole), -1);
        EXPECT_EQ(node.flags() & (Qt::ItemIsSelectable | Qt::ItemIsEditable), Qt::ItemIsSelectable);
        const char* kinds[] = {"none", "root", "subnet", "controller"};
        std::string row =
            paths[static_cast<size_t>(i)] + " " + kinds[static_cast<int>(model.KindOf(node))];
        if (const int id = model.ControllerId(node); id != 0)
            row += " " + std::to_string(id);
        row += " " + node.data(Qt::ToolTipRole).toString().toStdString();
        if (node.data(Qt::FontRole).value<QFont>().bold())
            row += " bold";
        rows.push_back(row);
    }
    return rows;
}

class TreeOrder : public ::testing::TestWithParam<Case> {};

TEST_P(TreeOrder, RowsAndRoles) {
    TRzCheckTree tree;
    NumberMarks marks;
    tree.Nodes()->SetMarks(&marks);
    tree.show();
    int id = 0;
    for (const char* address : GetParam().replies)
        tree.Nodes()->Add(++id, *core::ParseDottedQuad(address));
    if (GetParam().sorted) {
        const QModelIndex firstSubnet = tree.Nodes()->index(0, 0, tree.Nodes()->Root());
        tree.setCurrentIndex(tree.Nodes()->index(0, 0, firstSubnet));
        const int selected = tree.SelectedId();
        tree.Nodes()->Sort();
        EXPECT_EQ(tree.SelectedId(), selected) << "sorting keeps the selection";
    }
    tree.Nodes()->Flush();
    EXPECT_EQ(Rows(*tree.Nodes()), GetParam().rows);
    EXPECT_EQ(tree.Nodes()->ControllerCount(), id);
    const QModelIndexList all = tree.Nodes()->match(tree.Nodes()->Root(), Qt::DisplayRole, "*", -1,
                                                    Qt::MatchWildcard | Qt::MatchRecursive);
    for (const QModelIndex& node : all)
        EXPECT_EQ(tree.isExpanded(node), tree.Nodes()->hasChildren(node)) << node.data().toString().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Tree, TreeOrder,
    ::testing::Values(
        Case{"Empty", {}, true, {"Quorrel root "}},
        Case{"RepliesInTheirOrder",
             {"192.168.1.10", "10.0.0.5", "192.168.1.9", "192.168.1.10"},
             false,
             {"Quorrel root ", "Quorrel/192.168.1.xxx subnet ",
              "Quorrel/192.168.1.xxx/192.168.1.10 controller 1 #1",
              "Quorrel/192.168.1.xxx/192.168.1.9 controller 3 #3",
              "Quorrel/192.168.1.xxx/192.168.1.10 controller 4 #4", "Quorrel/10.0.0.xxx subnet ",
              "Quorrel/10.0.0.xxx/10.0.0.5 controller 2 #2 bold"}},
        Case{"SortedByCharacterCodes",
             {"10.0.0.9", "10.2.3.4", "10.0.0.10", "1.2.3.4", "10.0.0.9", "192.168.1.10"},
             true,
             {"Quorrel root ", "Quorrel/1.2.3.xxx subnet ",
              "Quorrel/1.2.3.xxx/1.2.3.4 controller 4 #4", "Quorrel/10.0.0.xxx subnet ",
              "Quorrel/10.0.0.xxx/10.0.0.10 controller 3 #3",
              "Quorrel/10.0.0.xxx/10.0.0.9 controller 1 #1",
              "Quorrel/10.0.0.xxx/10.0.0.9 controller 5 #5", "Quorrel/10.2.3.xxx subnet ",
              "Quorrel/10.2.3.xxx/10.2.3.4 controller 2 #2 bold", "Quorrel/192.168.1.xxx subnet ",
              "Quorrel/192.168.1.xxx/192.168.1.10 controller 6 #6"}}),
    [](const auto& info) { return std::string(info.param.name); });

// The first reply shows at once; the ones within the interval after it come together when
// it ends; emptying the tree drops what is held. The selection events come in pairs.
TEST(CheckTree, RepliesAreShownInBatchesAndSelectionTellsBeforeAndAfter) {
    TRzCheckTree tree;
    TDeviceModel& nodes = *tree.Nodes();
    std::vector<std::string> events;
    QObject::connect(&tree, &TRzCheckTree::Changing, [&](const QModelIndex& n) {
        events.push_back("changing " + n.data().toString().toStdString());
    });
    QObject::connect(&tree, &TRzCheckTree::Change, [&](const QModelIndex& n) {
        events.push_back("change " + n.data().toString().toStdString());
    });
    tree.setCurrentIndex(nodes.Root());
    EXPECT_EQ(events, (std::vector<std::string>{"changing Quorrel", "change Quorrel"}));
    EXPECT_EQ(TRzCheckTree::StateIndexOf(nodes.Root()), -1);

    nodes.Add(1, {10, 0, 0, 1});
    nodes.Add(2, {10, 0, 0, 2});
    nodes.Add(3, {10, 0, 1, 1});
    EXPECT_EQ(TreePaths(nodes).size(), 3u);
    QTest::qWait(TDeviceModel::kShowIntervalMs * 3);
    EXPECT_EQ(TreePaths(nodes).size(), 6u);
    nodes.Add(4, {10, 0, 2, 1});
    nodes.Clear();
    nodes.Flush();
    EXPECT_EQ(TreePaths(nodes), (std::vector<std::string>{"Quorrel"}));
    EXPECT_EQ(nodes.ControllerCount(), 0);
}

} // namespace
