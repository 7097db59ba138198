#include "Controllers.h"

#include <gtest/gtest.h>

namespace {

using Change = core::Controllers::Change;

const core::Ip4 kA{192, 168, 1, 100};
const core::Ip4 kB{10, 0, 0, 5};

core::Heard Reply(const core::Ip4& sender, uint8_t macLast, unsigned card = 0,
                  uint8_t reserved3 = 0) {
    core::Heard h;
    h.sender = sender;
    h.record.mac = {0x02, 0, 0, 0, 0, macLast};
    h.record.reserved3 = reserved3;
    h.card = card;
    return h;
}

// A controller is an address and a MAC. A second reply, on another card too, updates its
// record and card in place; another MAC from the same address is another controller.
TEST(Controllers, OncePerAddressAndMacInFirstReplyOrder) {
    core::Controllers found;
    const auto a1 = found.File(Reply(kA, 1, 3));
    const auto b = found.File(Reply(kB, 9));
    const auto a2 = found.File(Reply(kA, 2));
    const auto again = found.File(Reply(kA, 1, 5, 0x01));
    EXPECT_EQ(a1.change, Change::kAdded);
    EXPECT_EQ(a2.change, Change::kAdded);
    EXPECT_EQ(again.change, Change::kUpdated);
    EXPECT_EQ(again.id, a1.id);
    ASSERT_EQ(found.Count(), 3u);
    const core::Controller& first = found[0];
    EXPECT_EQ(first.id, a1.id);
    EXPECT_EQ(first.record.reserved3, 0x01) << "the later reply's record";
    EXPECT_EQ(first.card, 5u);
    EXPECT_EQ(found[1].id, b.id);
    EXPECT_EQ(found[2].id, a2.id);
    EXPECT_EQ(found.Find(a2.id)->record.mac, Reply(kA, 2).record.mac);
    EXPECT_EQ(found.FirstWithMac(Reply(kB, 9).record.mac)->address, kB);
    EXPECT_EQ(found.FirstWithMac(Reply(kB, 7).record.mac), nullptr);
}

// Numbers are never given twice, so a node of an earlier search never finds a new controller.
TEST(Controllers, RemoveAndClearLeaveNumbersUnused) {
    core::Controllers found;
    const int a1 = found.File(Reply(kA, 1)).id;
    const int a2 = found.File(Reply(kA, 2)).id;
    const int b = found.File(Reply(kB, 9)).id;
    found.Remove(a1);
    found.Remove(12345); // no such controller: nothing happens
    ASSERT_EQ(found.Count(), 2u);
    EXPECT_EQ(found.Find(a1), nullptr);
    EXPECT_EQ(found.Find(a2)->address, kA);
    EXPECT_EQ(found.Find(b)->address, kB);
    const auto back = found.File(Reply(kA, 1));
    EXPECT_EQ(back.change, Change::kAdded);
    EXPECT_NE(back.id, a1);
    found.Clear();
    EXPECT_EQ(found.Count(), 0u);
    EXPECT_EQ(found.Find(b), nullptr);
    EXPECT_GT(found.File(Reply(kB, 9)).id, b);
}

} // namespace
