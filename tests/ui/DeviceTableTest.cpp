#include "DeviceTable.h"

#include <gtest/gtest.h>

namespace {

core::ControllerRecord Record(uint8_t macLast, uint8_t reserved3 = 0) {
    core::ControllerRecord r;
    r.mac = {0x02, 0, 0, 0, 0, macLast};
    r.reserved3 = reserved3;
    return r;
}

const core::Ip4 kA{192, 168, 1, 100};
const core::Ip4 kB{10, 0, 0, 5};

// A line is a controller: an address and a MAC. A second reply replaces its record and card
// in place; another MAC from the same address is another controller.
TEST(DeviceTable, OneLinePerAddressAndMacInFirstReplyOrder) {
    DeviceTable table;
    const int a1 = table.Store(kA, Record(1), 3);
    const int b = table.Store(kB, Record(9));
    const int a2 = table.Store(kA, Record(2));
    EXPECT_EQ(table.Store(kA, Record(1, 0x01), 5), a1);
    ASSERT_EQ(table.Count(), 3);
    EXPECT_EQ(table.Line(0).id, a1);
    EXPECT_EQ(table.Line(0).record.reserved3, 0x01) << "the later reply's record";
    EXPECT_EQ(table.Line(0).card, 5u);
    EXPECT_EQ(table.Line(1).id, b);
    EXPECT_EQ(table.Line(2).id, a2);
    EXPECT_EQ(table.Find(a2)->record.mac, Record(2).mac);
    EXPECT_EQ(table.HeardMacs().size(), 3u);
}

// Numbers are never given twice, so a node of an earlier search never finds a new line.
TEST(DeviceTable, RemoveAndClearLeaveNumbersUnused) {
    DeviceTable table;
    const int a1 = table.Store(kA, Record(1));
    const int a2 = table.Store(kA, Record(2));
    const int b = table.Store(kB, Record(9));
    table.Remove(a1);
    table.Remove(12345); // no such line: nothing happens
    ASSERT_EQ(table.Count(), 2);
    EXPECT_EQ(table.Find(a1), nullptr);
    EXPECT_EQ(table.Find(a2)->address, kA);
    EXPECT_EQ(table.Find(b)->address, kB);
    EXPECT_NE(table.Store(kA, Record(1)), a1);
    table.Clear();
    EXPECT_EQ(table.Count(), 0);
    EXPECT_EQ(table.Find(b), nullptr);
    EXPECT_GT(table.Store(kB, Record(9)), b);
}

} // namespace
