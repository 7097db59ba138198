// Which neighbours a broadcast search asks again by unicast, from a made-up neighbour table.
#include "SilentCardAsker.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using core::Neighbour;
using Target = core::SilentCardAsker::Target;

// 192.168.1.x.
core::Ip4 Lan(unsigned last) {
    return {192, 168, 1, static_cast<uint8_t>(last)};
}

struct Case {
    const char* what;
    std::vector<unsigned> cards;
    std::vector<unsigned> heard;
    std::vector<Neighbour> table;
    std::chrono::milliseconds at;
    std::vector<Target> expected;
};

TEST(SilentCardAskerTest, AsksTheFreshNeighboursOfSilentCardsOnly) {
    const std::vector<Case> cases = {
        {"fresh askers on the silent card, in the table's order",
         {3},
         {},
         {{Lan(10), 3, 40}, {Lan(9), 3, 120}},
         260ms,
         {{{192, 168, 1, 10}, 3}, {{192, 168, 1, 9}, 3}}},
        {"entries older than the request are left alone",
         {3},
         {},
         {{Lan(10), 3, 261}, {Lan(1), 3, 90000}, {Lan(9), 3, 260}},
         260ms,
         {{{192, 168, 1, 9}, 3}}},
        {"a card that heard a reply sends nothing more",
         {3, 4},
         {3},
         {{Lan(10), 3, 10}, {Lan(77), 4, 10}},
         300ms,
         {{{192, 168, 1, 77}, 4}}},
        {"neighbours on cards the request did not go out on",
         {3},
         {},
         {{Lan(10), 5, 10}},
         300ms,
         {}},
        {"an address listed twice is asked once",
         {3},
         {},
         {{Lan(9), 3, 5}, {Lan(9), 3, 7}},
         250ms,
         {{{192, 168, 1, 9}, 3}}},
        {"a reply on a card the request did not go out on changes nothing",
         {3},
         {8},
         {{Lan(9), 3, 5}},
         250ms,
         {{{192, 168, 1, 9}, 3}}},
    };
    for (const Case& c : cases) {
        core::SilentCardAsker asker(c.cards, [&] { return c.table; });
        for (const unsigned card : c.heard)
            asker.Heard(card, {10, 0, 0, 200});
        EXPECT_EQ(asker.Due(c.at), c.expected) << c.what;
        EXPECT_EQ(asker.Asked(), !c.expected.empty()) << c.what;
    }
}

// A controller that shows late is asked at a later look; an answer to an ask leaves the card
// silent, a reply to the broadcast ends the looking.
TEST(SilentCardAskerTest, LooksAgainWhileTheCardIsSilentAndAsksEachAddressOnce) {
    int reads = 0;
    std::vector<Neighbour> table{{Lan(9), 3, 100}};
    core::SilentCardAsker asker({3}, [&] {
        ++reads;
        return table;
    });
    EXPECT_TRUE(asker.Due(0ms).empty());
    EXPECT_TRUE(asker.Due(249ms).empty());
    EXPECT_EQ(reads, 0);
    EXPECT_FALSE(asker.Asked());
    EXPECT_EQ(asker.Due(250ms), (std::vector<Target>{{{192, 168, 1, 9}, 3}}));
    EXPECT_TRUE(asker.Asked());
    EXPECT_TRUE(asker.Due(399ms).empty());
    EXPECT_EQ(reads, 1);
    asker.Heard(3, {192, 168, 1, 9}); // the answer to its ask
    table.push_back({Lan(10), 3, 20});
    EXPECT_EQ(asker.Due(400ms), (std::vector<Target>{{{192, 168, 1, 10}, 3}}));
    EXPECT_EQ(reads, 2);
    asker.Heard(3, {192, 168, 1, 11}); // a reply to the broadcast
    EXPECT_FALSE(asker.NextLook());
    EXPECT_TRUE(asker.Due(900ms).empty());
    EXPECT_EQ(reads, 2);
}

TEST(SilentCardAskerTest, EveryCardHeardLeavesTheTableUnread) {
    int reads = 0;
    core::SilentCardAsker asker({3, 4}, [&] {
        ++reads;
        return std::vector<Neighbour>{{Lan(9), 3, 1}};
    });
    asker.Heard(4, {10, 0, 0, 200});
    asker.Heard(3, {10, 0, 0, 200});
    EXPECT_TRUE(asker.Due(300ms).empty());
    EXPECT_EQ(reads, 0);
    EXPECT_FALSE(asker.Asked());
}

} // namespace
