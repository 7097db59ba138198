// The diff of two searches and the conflict questions of a write, each on a table of cases.
// Controllers are written "address/MAC" with the address's last group on 192.168.1.0/24 and
// the MAC's last byte: "10/1" is 192.168.1.10 with 02-00-00-00-00-01.
#include "SiteChanges.h"
#include "Subnet.h"
#include "WriteConflicts.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

core::Ip4 At(int last) {
    return {192, 168, 1, static_cast<uint8_t>(last)};
}
core::Mac MacOf(int last) {
    return {0x02, 0, 0, 0, 0, static_cast<uint8_t>(last)};
}

// "10/1", "10/1h2" (hardware version 2), "10/1r" (another reserved byte and card).
core::Controllers Found(const std::vector<std::string>& list) {
    core::Controllers found;
    for (const std::string& item : list) {
        int address = 0, mac = 0, hardware = 1;
        char flag = 0;
        std::sscanf(item.c_str(), "%d/%d%c%d", &address, &mac, &flag, &hardware);
        core::Heard h;
        h.sender = h.record.ip = At(address);
        h.record.mac = MacOf(mac);
        h.record.hardware = static_cast<uint8_t>(hardware);
        h.record.reserved3 = h.card = flag == 'r' ? 7 : 0;
        found.File(h);
    }
    return found;
}

std::string Key(const core::Controller& c) {
    return std::to_string(c.address[3]) + "/" + std::to_string(c.record.mac[5]);
}

// "10/1 unchanged; 20/1 moved from 10; 100/3 new with 1,2; gone 11/2".
std::string Describe(const core::Controllers& now, const core::SiteChanges& changes) {
    const char* const names[] = {"new", "moved", "changed", "unchanged"};
    std::string text;
    for (const core::ControllerChange& c : changes.now) {
        text += (text.empty() ? "" : "; ") + Key(*now.Find(c.id)) + " " +
                names[static_cast<int>(c.change)];
        if (c.change == core::SiteChange::kMoved)
            text += " from " + std::to_string(c.movedFrom[3]);
        for (size_t i = 0; i < c.sameAddress.size(); ++i)
            text += (i == 0 ? " with " : ",") + std::to_string(c.sameAddress[i][5]);
    }
    for (const core::Controller& c : changes.gone)
        text += "; gone " + Key(c);
    return text;
}

TEST(SiteChanges, EachControllerOfTheLaterSearchAndTheGoneOnes) {
    struct Case {
        std::vector<std::string> before, now;
        std::vector<core::ControllerKey> written;
        std::string expected;
    } const cases[] = {
        {{"10/1"}, {"10/1r"}, {}, "10/1 unchanged"},
        {{"10/1"}, {"10/1h2"}, {}, "10/1 changed"},
        {{"10/1"}, {"10/1", "11/2"}, {}, "10/1 unchanged; 11/2 new"},
        {{"10/1", "11/2"}, {"20/1"}, {}, "20/1 moved from 10; gone 11/2"},
        {{"10/1", "11/2"}, {"10/1"}, {{At(11), MacOf(2)}}, "10/1 unchanged"},
        {{"10/1", "11/2"}, {"10/1"}, {{At(11), MacOf(9)}}, "10/1 unchanged; gone 11/2"},
        // A box of new controllers at their factory address, one more plugged in.
        {{"100/1", "100/2"},
         {"100/1", "100/2", "100/3"},
         {},
         "100/1 unchanged with 2,3; 100/2 unchanged with 1,3; 100/3 new with 1,2"},
        // One MAC at two addresses: the one that still answers did not move.
        {{"9/9", "19/9"}, {"9/9", "50/9"}, {}, "9/9 unchanged; 50/9 moved from 19"},
        {{"9/9"}, {"9/9", "19/9"}, {}, "9/9 unchanged; 19/9 new"},
        {{"9/9"}, {"20/9", "21/9"}, {}, "20/9 moved from 9; 21/9 new"},
        {{}, {"10/1"}, {}, "10/1 new"},
        {{"10/1"}, {}, {}, "; gone 10/1"},
    };
    for (const Case& c : cases) {
        const core::Controllers now = Found(c.now);
        EXPECT_EQ(Describe(now, core::CompareSearches(Found(c.before), now, c.written)), c.expected)
            << c.expected;
    }
}

TEST(WriteConflicts, EachQuestionOnItsCases) {
    // Heard on eth0 (192.168.1.2/24): 10/1, 9/2, the box 100/3 and 100/4, and 10.0.0.5/5.
    core::Controllers heard = Found({"10/1", "9/2", "100/3", "100/4"});
    heard.File({.sender = {10, 0, 0, 5}, .cardName = "", .record = {.mac = MacOf(5)}});
    const core::NetworkCard eth0{3, "eth0", At(2), 24};
    const core::WriteSite site{eth0, {At(2), {10, 99, 0, 2}}};

    // "taken by 3,4 leaves eth0 own gateway"
    const auto describe = [](const core::WriteConflicts& w) {
        std::string text;
        for (size_t i = 0; i < w.addressTakenBy.size(); ++i)
            text += (i == 0 ? " taken by " : ",") + std::to_string(w.addressTakenBy[i][5]);
        text += (w.leavesSubnetOf ? " leaves " + w.leavesSubnetOf->name : "") +
                (w.ownAddress ? " own" : "") + (w.gatewayOutside ? " gateway" : "");
        return text.empty() ? text : text.substr(1);
    };
    struct Case {
        int target; // index in heard
        const char* ip;
        const char* mask;
        const char* gateway;
        const char* expected;
        bool cardKnown = true;
    } const cases[] = {
        {0, "192.168.1.10", "255.255.255.0", "192.168.1.1", ""}, // its own address back
        {0, "192.168.1.20", "255.255.255.0", "192.168.1.1", ""},
        {0, "192.168.1.9", "255.255.255.0", "192.168.1.1", "taken by 2"},
        {0, "192.168.1.100", "255.255.255.0", "192.168.1.1", "taken by 3,4"},
        {2, "192.168.1.100", "255.255.255.0", "192.168.1.1", ""}, // one of the box, back
        {0, "10.1.1.1", "255.0.0.0", "10.0.0.1", "leaves eth0"},
        {0, "10.1.1.1", "255.0.0.0", "10.0.0.1", "", false}, // the card is not known
        {4, "10.0.0.6", "255.0.0.0", "10.0.0.1", ""},        // it was outside already
        {0, "192.168.1.2", "255.255.255.0", "192.168.1.1", "own"},
        {0, "10.99.0.2", "255.255.255.0", "10.99.0.1", "leaves eth0 own"},
        {0, "192.168.1.20", "255.255.255.0", "192.168.2.1", "gateway"},
        {0, "192.168.1.20", "255.255.0.0", "192.168.2.1", ""},
        {0, "192.168.1.10", "255.255.255.255", "192.168.1.1", "gateway"},
    };
    for (const Case& c : cases) {
        const core::Controller& target = heard[static_cast<size_t>(c.target)];
        core::ControllerRecord wanted = target.record;
        wanted.ip = *core::ParseDottedQuad(c.ip);
        wanted.mask = *core::ParseDottedQuad(c.mask);
        wanted.gateway = *core::ParseDottedQuad(c.gateway);
        core::WriteSite asked = site;
        if (!c.cardKnown)
            asked.card.reset();
        const core::WriteConflicts found = core::FindConflicts(heard, target, wanted, asked);
        EXPECT_EQ(describe(found), c.expected) << c.ip << " " << c.gateway;
        EXPECT_EQ(found.Any(), *c.expected != '\0') << c.ip;
    }
}

// A mask from its prefix length and back, and "in subnet" at the edges of /0, /24 and /32.
TEST(Subnet, MaskPrefixAndInSubnet) {
    const std::pair<unsigned, core::Ip4> masks[] = {{0, {0, 0, 0, 0}},
                                                    {1, {128, 0, 0, 0}},
                                                    {23, {255, 255, 254, 0}},
                                                    {32, {255, 255, 255, 255}}};
    for (const auto& [prefix, mask] : masks) {
        EXPECT_EQ(core::DottedQuad(core::PrefixMask(prefix)), core::DottedQuad(mask));
        EXPECT_EQ(core::MaskPrefix(mask), prefix);
    }
    EXPECT_EQ(core::PrefixMask(40), core::PrefixMask(32));
    EXPECT_TRUE(core::InSubnet(At(255), At(0), 24));
    EXPECT_FALSE(core::InSubnet({192, 168, 2, 1}, At(1), 24));
    EXPECT_TRUE(core::InSubnet({10, 0, 0, 1}, At(1), 0));
    EXPECT_FALSE(core::InSubnet(At(2), At(1), 32));
}

} // namespace
