#include "DeviceTable.h"

#include <gtest/gtest.h>

namespace {

TEST(DeviceTable, KeepsFirstReplyOrderAndReplacesInPlace) {
    DeviceTable table;
    table.Store("192.168.1.10", "AA");
    table.Store("10.0.0.5", "BB");
    table.Store("192.168.1.10", "CC");
    ASSERT_EQ(table.Count(), 2);
    EXPECT_EQ(table.Line(0), "192.168.1.10=CC");
    EXPECT_EQ(table.Line(1), "10.0.0.5=BB");
    EXPECT_EQ(table.Find("10.0.0.5"), 1);
    EXPECT_EQ(table.Find("10.0.0.6"), -1);
}

TEST(DeviceTable, LookUpGivesEmptyTextForAMissingName) {
    DeviceTable table;
    table.Store("1.2.3.4", "X");
    EXPECT_EQ(table.Value("1.2.3.4"), "X");
    EXPECT_EQ(table.Value("1.2.3.5"), "");
    EXPECT_EQ(table.Value(""), "");
}

TEST(DeviceTable, RemoveOneKeepsTheOthersFindable) {
    DeviceTable table;
    for (int i = 1; i <= 5; ++i)
        table.Store("10.0.0." + std::to_string(i), std::to_string(i));
    table.Remove("10.0.0.2");
    table.Remove("10.0.0.99"); // no such line: nothing happens
    ASSERT_EQ(table.Count(), 4);
    EXPECT_EQ(table.Find("10.0.0.2"), -1);
    EXPECT_EQ(table.Find("10.0.0.5"), 3);
    EXPECT_EQ(table.Value("10.0.0.4"), "4");
    table.Store("10.0.0.2", "again");
    EXPECT_EQ(table.Line(4), "10.0.0.2=again");
    table.Clear();
    EXPECT_EQ(table.Count(), 0);
    EXPECT_EQ(table.Value("10.0.0.5"), "");
}

TEST(DeviceTable, EachLineKeepsTheCardOfItsLatestReply) {
    DeviceTable table;
    table.Store("10.0.0.1", "A", 3);
    table.Store("10.0.0.2", "B", 4);
    table.Store("10.0.0.3", "C");
    table.Store("10.0.0.1", "A2", 5);
    table.Remove("10.0.0.2");
    EXPECT_EQ(table.Card("10.0.0.1"), 5u);
    EXPECT_EQ(table.Card("10.0.0.3"), 0u) << "heard on no known card";
    EXPECT_EQ(table.Card("10.0.0.2"), 0u) << "no such line";
    EXPECT_EQ(table.Line(0), "10.0.0.1=A2");
}

} // namespace
