#include "CheckTree.h"
#include "QStringPrinter.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class CheckTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = tree.AddRoot("Quorrel");
        tree.show();
    }
    // Files one controller as discovery does: inside an update bracket, then expanded.
    IDeviceTree::Node File(const std::string& subnet, const std::string& controller) {
        tree.BeginUpdate();
        IDeviceTree::Node r = tree.FirstNode();
        IDeviceTree::Node s = tree.FindChild(r, subnet);
        if (s == nullptr)
            s = tree.AddChild(r, subnet);
        IDeviceTree::Node c = tree.AddChild(s, controller);
        tree.EndUpdate();
        tree.FullExpand();
        return c;
    }

    TRzCheckTree tree;
    TTreeNode* root = nullptr;
};

TEST_F(CheckTreeTest, NodesAddedInABracketCountAsChildrenAtOnceInOrder) {
    File("10.0.0.xxx", "10.0.0.1");
    File("10.0.0.xxx", "10.0.0.2");
    File("192.168.1.xxx", "192.168.1.1");
    IDeviceTree::Node r = tree.FirstNode();
    ASSERT_EQ(tree.ChildCount(r), 2);
    EXPECT_EQ(tree.Caption(tree.Child(r, 0)), "10.0.0.xxx");
    EXPECT_EQ(tree.Caption(tree.Child(r, 1)), "192.168.1.xxx");
    IDeviceTree::Node ten = tree.Child(r, 0);
    ASSERT_EQ(tree.ChildCount(ten), 2);
    EXPECT_EQ(tree.Caption(tree.Child(ten, 1)), "10.0.0.2");
    EXPECT_EQ(tree.Child(ten, 2), nullptr);
}

TEST_F(CheckTreeTest, HeldNodesAreShownExpandedWhenFlushedOrWhenTheIntervalEnds) {
    File("10.0.0.xxx", "10.0.0.1"); // the first one shows at once
    File("10.0.0.xxx", "10.0.0.2"); // held: shown within the interval
    File("10.0.1.xxx", "10.0.1.1");
    EXPECT_EQ(root->childCount(), 1);
    QTest::qWait(TRzCheckTree::kShowIntervalMs * 3);
    ASSERT_EQ(root->childCount(), 2);
    EXPECT_EQ(root->child(0)->childCount(), 2);
    EXPECT_TRUE(root->isExpanded());
    EXPECT_TRUE(root->child(0)->isExpanded());
    EXPECT_TRUE(root->child(1)->isExpanded());
    EXPECT_TRUE(tree.updatesEnabled());

    File("10.0.1.xxx", "10.0.1.2");
    tree.FlushUpdates();
    EXPECT_EQ(root->child(1)->childCount(), 2);
}

TEST_F(CheckTreeTest, ACollapsedNodeIsExpandedAgainByTheNextReply) {
    File("10.0.0.xxx", "10.0.0.1");
    tree.FlushUpdates();
    root->child(0)->setExpanded(false);
    File("10.0.1.xxx", "10.0.1.1");
    tree.FlushUpdates();
    EXPECT_TRUE(root->child(0)->isExpanded());
}

TEST_F(CheckTreeTest, DeletingChildrenAlsoDropsHeldNodes) {
    File("10.0.0.xxx", "10.0.0.1");
    File("10.0.1.xxx", "10.0.1.1");
    tree.DeleteChildren(root);
    EXPECT_EQ(root->childCount(), 0);
    EXPECT_EQ(tree.ChildCount(root), 0);
    tree.FlushUpdates();
    EXPECT_EQ(root->childCount(), 0);
    File("10.0.2.xxx", "10.0.2.1");
    tree.FlushUpdates();
    EXPECT_EQ(root->childCount(), 1);
}

TEST_F(CheckTreeTest, SortingShowsHeldNodesAndOrdersByCharacterCodes) {
    File("10.0.0.xxx", "10.0.0.9");
    File("10.0.0.xxx", "10.0.0.10");
    File("1.2.3.xxx", "1.2.3.4");
    tree.SortRecursive();
    ASSERT_EQ(root->childCount(), 2);
    EXPECT_EQ(root->child(0)->text(0), "1.2.3.xxx");
    EXPECT_EQ(root->child(1)->child(0)->text(0), "10.0.0.10");
    EXPECT_EQ(root->child(1)->child(1)->text(0), "10.0.0.9");
}

// Filing looks a subnet's node up by caption: held or shown, sorted, after deletions, and
// of two nodes with one caption the first.
TEST_F(CheckTreeTest, FindChildGivesTheOneNodeOfACaptionThroughEveryChange) {
    IDeviceTree::Node r = tree.FirstNode();
    File("10.0.1.xxx", "10.0.1.1");
    File("10.0.0.xxx", "10.0.0.1"); // held
    File("10.0.0.xxx", "10.0.0.2");
    ASSERT_EQ(tree.ChildCount(r), 2);
    IDeviceTree::Node held = tree.Child(r, 1);
    EXPECT_EQ(tree.FindChild(r, "10.0.0.xxx"), held);
    EXPECT_EQ(tree.ChildCount(held), 2);
    EXPECT_EQ(tree.FindChild(r, "10.0.2.xxx"), nullptr);
    EXPECT_EQ(tree.FindChild(held, "10.0.0.2"), tree.Child(held, 1));

    tree.SortRecursive();
    ASSERT_EQ(root->childCount(), 2);
    EXPECT_EQ(tree.FindChild(r, "10.0.0.xxx"), root->child(0));
    EXPECT_EQ(tree.FindChild(r, "10.0.1.xxx"), root->child(1));

    delete root->child(0);
    EXPECT_EQ(tree.FindChild(r, "10.0.0.xxx"), nullptr);
    QTreeWidgetItem* first = root->child(0);
    tree.BeginUpdate();
    IDeviceTree::Node second = tree.AddChild(r, "10.0.1.xxx");
    tree.EndUpdate();
    EXPECT_EQ(tree.FindChild(r, "10.0.1.xxx"), first);
    delete first;
    EXPECT_EQ(tree.FindChild(r, "10.0.1.xxx"), second);

    tree.DeleteChildren(root);
    EXPECT_EQ(tree.FindChild(r, "10.0.1.xxx"), nullptr);
    File("10.0.1.xxx", "10.0.1.2");
    File("10.0.1.xxx", "10.0.1.3");
    tree.FlushUpdates();
    ASSERT_EQ(root->childCount(), 1);
    EXPECT_EQ(tree.FindChild(r, "10.0.1.xxx"), root->child(0));
    EXPECT_EQ(root->child(0)->childCount(), 2);
}

TEST_F(CheckTreeTest, SelectionRaisesChangingThenChange) {
    std::vector<std::string> events;
    QObject::connect(&tree, &TRzCheckTree::Changing, [&](QTreeWidgetItem* n) {
        events.push_back("changing " + n->text(0).toStdString());
    });
    QObject::connect(&tree, &TRzCheckTree::Change, [&](QTreeWidgetItem* n) {
        events.push_back("change " + n->text(0).toStdString());
    });
    tree.setCurrentItem(root);
    EXPECT_EQ(events, (std::vector<std::string>{"changing Quorrel", "change Quorrel"}));
    EXPECT_EQ(TTreeNode::StateIndexOf(root), -1);
}

TEST_F(CheckTreeTest, FindTopLevelIgnoresCase) {
    EXPECT_EQ(tree.FindTopLevel("quorrel"), root);
    EXPECT_EQ(tree.FindTopLevel("Quorre"), nullptr);
}

} // namespace
