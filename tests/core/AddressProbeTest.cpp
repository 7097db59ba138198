// The probe of a write's new address on a switch with two controllers, each with its own
// network stack and MAC, and a printer that is no controller; and what crossed the switch.
#include "AddressProbe.h"
#include "Discovery.h"
#include "PreparedWrite.h"
#include "PrivateNet.h"
#include "SwitchedLan.h"

#include <gtest/gtest.h>

namespace {

// 192.168.1.9 written to each address: the printer's is a conflict naming its MAC, another
// controller's is a conflict of its own already, a free one is none; its own address and an
// unknown card ask nothing. The probe's datagram goes to the discard port, never to 5001.
TEST(AddressProbe, EachNewAddressOfAControllerOnASwitchWithAPrinter) {
    REQUIRE_PRIVATE_NETWORK();
    SwitchedLan lan;
    ASSERT_EQ(lan.BuildWithPrinter(), "");
    const core::Controllers heard = core::Discover(core::kBroadcast, 500).controllers;
    const core::Controller* nine = heard.FirstWithMac(*core::ParseMac("02-00-C0-A8-01-09"));
    ASSERT_NE(nine, nullptr);
    ASSERT_EQ(SwitchRules(lan).Load("table bridge wire {\n"
                                    "  chain prerouting {\n"
                                    "    type filter hook prerouting priority 0; policy accept;\n"
                                    "    iifname \"lan-eth0\" udp dport 5001 counter\n"
                                    "    iifname \"lan-eth0\" udp dport 9 counter\n"
                                    "    iifname \"lan-eth0\" arp daddr ip 192.168.1.60 counter\n"
                                    "    iifname \"lan-eth0\" arp daddr ip 192.168.1.70 counter\n"
                                    "  }\n"
                                    "}\n"),
              "");
    using enum core::ProbeOutcome;
    const struct Case {
        const char* ip;
        bool cardKnown;
        core::ProbeOutcome outcome;
        const char* mac;  // that answered
        const char* held; // the MAC of the device filed as a conflict
    } cases[] = {
        {"192.168.1.50", true, kAnswered, "02-00-00-00-00-50", "02-00-00-00-00-50"},
        {"192.168.1.10", true, kAnswered, "02-00-C0-A8-01-0A", ""},
        {"192.168.1.60", true, kNoAnswer, "00-00-00-00-00-00", ""},
        {"192.168.1.9", true, kNotProbed, "00-00-00-00-00-00", ""},
        {"192.168.1.70", false, kNotProbed, "00-00-00-00-00-00", ""},
    };
    for (const Case& c : cases) {
        const auto site = c.cardKnown ? std::nullopt : std::optional(core::WriteSite{});
        auto prepared = core::PrepareWrite(heard, *nine, {c.ip, "255.255.255.0", "192.168.1.1", ""},
                                           true, site);
        auto& write = std::get<core::PreparedWrite>(prepared);
        const core::ProbeAnswer answer = core::ProbeNewAddress(write);
        EXPECT_EQ(answer.outcome, c.outcome) << c.ip;
        EXPECT_EQ(core::MacText(answer.mac), c.mac) << c.ip;
        core::AddProbeAnswer(write, answer);
        const auto& held = write.conflicts.addressHeldByDevice;
        EXPECT_EQ(held ? core::MacText(*held) : "", c.held) << c.ip;
    }
    // One datagram each to the printer and to 192.168.1.10 (none to 192.168.1.9), an ARP
    // question for the free address and none for the one without a card.
    const std::string counted = SwitchRules(lan).List();
    for (const char* rule : {"5001 counter packets 0 ", "dport 9 counter packets 2 ",
                             "192.168.1.70 counter packets 0 "})
        EXPECT_NE(counted.find(rule), std::string::npos) << rule << "\n" << counted;
    EXPECT_EQ(counted.find("192.168.1.60 counter packets 0 "), std::string::npos) << counted;
}

// Two promises of the probe on the laptop's card 192.168.1.2/24: an address outside the
// card's subnet is not asked for at all (no datagram, no ARP question crosses the switch),
// and an address the system learnt lately (a stale entry, its device gone) counts as held.
TEST(AddressProbe, NothingAskedOutsideTheSubnetAndAStaleEntryIsHeld) {
    REQUIRE_PRIVATE_NETWORK();
    SwitchedLan lan;
    ASSERT_EQ(lan.BuildWithPrinter(), "");
    ASSERT_EQ(privatenet::RunIp({"neigh", "replace", "192.168.1.77", "lladdr", "02:00:00:00:00:77",
                                 "dev", "eth0", "nud", "stale"}),
              "");
    ASSERT_EQ(SwitchRules(lan).Load("table bridge wire {\n"
                                    "  chain prerouting {\n"
                                    "    type filter hook prerouting priority 0; policy accept;\n"
                                    "    iifname \"lan-eth0\" ip daddr 10.9.9.9 counter\n"
                                    "    iifname \"lan-eth0\" arp daddr ip 10.9.9.9 counter\n"
                                    "  }\n"
                                    "}\n"),
              "");
    const std::vector<core::NetworkCard> cards = core::BroadcastCards();
    ASSERT_EQ(cards.size(), 1u);
    const std::vector<core::ProbeAnswer> answers =
        core::ProbeAddresses({{cards[0], {10, 9, 9, 9}}, {cards[0], {192, 168, 1, 77}}});
    EXPECT_EQ(answers[0].outcome, core::ProbeOutcome::kNotProbed);
    EXPECT_EQ(answers[1].outcome, core::ProbeOutcome::kAnswered);
    EXPECT_EQ(core::MacText(answers[1].mac), "02-00-00-00-00-77");
    const std::string counted = SwitchRules(lan).List();
    for (const char* rule :
         {"ip daddr 10.9.9.9 counter packets 0 ", "arp daddr ip 10.9.9.9 counter packets 0 "})
        EXPECT_NE(counted.find(rule), std::string::npos) << rule << "\n" << counted;
}

} // namespace
