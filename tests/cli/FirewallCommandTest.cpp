// quorrel-cli discover on a laptop behind a host firewall: two controllers, each with a
// network stack of its own, on a switch with the laptop's card eth0 (192.168.1.2/24).
#include "Commands.h"
#include "ControllerRecord.h"
#include "HostFirewall.h"
#include "Neighbours.h"
#include "NoReplyText.h"
#include "Phrases.h"
#include "PrivateNet.h"
#include "SilentCardAsker.h"
#include "SimProcess.h"
#include "SwitchedLan.h"
#include "WatchedSearch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <arpa/inet.h>
#include <fstream>
#include <net/if.h>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::vector<SwitchedLan::Controller> kControllers = {{"192.168.1.9", "02-00-C0-A8-01-09"},
                                                           {"192.168.1.10", "02-00-C0-A8-01-0A"}};

const char* const kCannotTell =
    "quorrel-cli: whether a host firewall is active cannot be told: neither ufw nor firewalld is "
    "active, and other nftables or iptables rules can be read only by an administrator\n";
const char* const kPortsLine = "quorrel-cli: the controllers answer by unicast to the local ports "
                               "6002-6004/udp, which a host firewall must let in\n";

class FirewallCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_PRIVATE_NETWORK();
        ASSERT_EQ(firewall.PrivateFiles(), "");
        ASSERT_EQ(lan.Build(kControllers), "");
    }
    void TearDown() override { LaptopFirewall::Run("nft flush ruleset"); }

    int Cli(std::vector<std::string> args) {
        out.str("");
        err.str("");
        return cli::Run(args, out, err);
    }

    // The senders of a CSV listing, in order.
    std::vector<std::string> Senders() const {
        std::vector<std::string> senders;
        std::istringstream lines(out.str());
        std::string line;
        std::getline(lines, line); // header
        while (std::getline(lines, line))
            senders.push_back(line.substr(0, line.find(',')));
        return senders;
    }

    // A broadcast search of the command line, the simulators watched meanwhile.
    WatchedSearch Discover() {
        std::vector<SimProcess*> sims;
        for (const auto& sim : lan.sims)
            sims.push_back(sim.get());
        return WatchedSearch(sims, [this] {
            EXPECT_EQ(Cli({"discover", "--format", "csv", "--timeout", "1000"}), 0) << err.str();
        });
    }

    // A broadcast search finds both controllers by the broadcast alone: what each hears keeps
    // to the search's promise, and neither is asked by its own address unless the search had
    // read no reply when it looked for the neighbours of a silent card; the user is told of
    // that, and else nothing.
    void ExpectBothFoundByTheBroadcastAlone() {
        WatchedSearch search = Discover();
        std::vector<std::string> found = Senders(); // the two answer in either order
        std::sort(found.begin(), found.end());
        EXPECT_EQ(found, (std::vector<std::string>{"192.168.1.10", "192.168.1.9"})) << out.str();
        bool askedAgain = false;
        for (size_t i = 0; i < kControllers.size(); ++i) {
            EXPECT_EQ(search.Asked(i, "192.168.1.2"), "") << kControllers[i].ip;
            for (const auto& request : search.Requests(i))
                askedAgain = askedAgain || Field(request, "to") != "255.255.255.255";
        }
        EXPECT_EQ(err.str(), askedAgain ? std::string("quorrel-cli: ") + cli::kAskedAgainNote + "\n"
                                        : std::string());
    }

    std::string DiscoverDiagnosis() {
        EXPECT_EQ(Cli({"discover", "--timeout", "1000"}), 1);
        // The last requests are reported before a later search begins.
        for (const auto& sim : lan.sims)
            sim->WaitForEvent([](const SimProcess::Event&) { return false; }, 150);
        return err.str();
    }

    static std::string FirewallFile(const std::string& name) {
        std::ifstream in(std::string(QUORREL_FIREWALL_DIR) + "/" + name);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    LaptopFirewall firewall;
    SwitchedLan lan;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(FirewallCommandTest, WithoutAFirewallTheWireCarriesOnlyTheBroadcast) {
    ExpectBothFoundByTheBroadcastAlone();
}

// What the re-ask relies on: both controllers asked for the laptop's hardware address to
// answer the broadcast, so both are in its neighbour table as fresh entries on eth0, and a
// request sent to either address gets its reply through the firewall (the broadcast
// search itself finds them through the re-ask).
TEST_F(FirewallCommandTest, DroppedRepliesLeaveTheControllersInTheNeighbourTable) {
    ASSERT_EQ(firewall.Load(LaptopFirewall::DropIncoming()), "");
    EXPECT_EQ(Cli({"discover"}), 0) << err.str();
    const unsigned eth0 = ::if_nametoindex("eth0");
    std::vector<std::string> fresh;
    for (const core::Neighbour& n : core::ReadNeighbours())
        if (n.card == eth0 && n.updatedAgoMs < 5000)
            fresh.push_back(core::DottedQuad(n.address));
    std::sort(fresh.begin(), fresh.end());
    EXPECT_EQ(fresh, (std::vector<std::string>{"192.168.1.10", "192.168.1.9"}));
    for (const auto& c : kControllers) {
        EXPECT_EQ(Cli({"discover", "--address", c.ip, "--format", "csv"}), 0)
            << c.ip << ": " << err.str();
        EXPECT_EQ(Senders(), std::vector<std::string>{c.ip});
    }
}

// With ARP dropped as well no controller can answer at all, so even the re-ask finds
// nothing: the user is told why.
TEST_F(FirewallCommandTest, NothingFoundBehindPlainNftablesGivesTheDiagnosis) {
    ASSERT_EQ(firewall.Load(LaptopFirewall::DropIncoming() + LaptopFirewall::DropArp()), "");
    EXPECT_EQ(DiscoverDiagnosis(),
              std::string("quorrel-cli: no controller answered\n"
                          "quorrel-cli: the request went out on eth0 (192.168.1.2/24)\n") +
                  kCannotTell + kPortsLine);
}

// The real ufw in the laptop's namespace: switched on, it drops the replies and is named
// with the command to run; running that command with the package's profile installed
// lets the broadcast's own replies in.
TEST_F(FirewallCommandTest, UfwIsNamedAndItsCommandWithTheShippedProfileOpensThePorts) {
    ASSERT_EQ(firewall.Load(LaptopFirewall::DropArp()), "");
    ASSERT_EQ(LaptopFirewall::Run("ufw --force enable"), "");
    const std::string said = DiscoverDiagnosis();
    EXPECT_EQ(said, std::string("quorrel-cli: no controller answered\n"
                                "quorrel-cli: the request went out on eth0 (192.168.1.2/24)\n"
                                "quorrel-cli: a host firewall is active: ufw (ENABLED=yes in "
                                "/etc/ufw/ufw.conf)\n") +
                        kPortsLine +
                        "quorrel-cli: open them for ufw with: sudo ufw allow "
                        "quorrel-ip-configurator\n");

    std::ofstream(std::string("/etc/ufw/applications.d/") + core::kFirewallRuleName)
        << FirewallFile("quorrel-ip-configurator.ufw");
    std::smatch command;
    ASSERT_TRUE(std::regex_search(said, command, std::regex("with: sudo (ufw [^\\n]+)\\n")));
    ASSERT_EQ(LaptopFirewall::Run(command[1].str()), "");
    ASSERT_EQ(LaptopFirewall::Run("nft delete table arp laptoparp"), "");
    ASSERT_EQ(lan.ForgetLaptop(), ""); // the replies to the first search are not wanted now
    ExpectBothFoundByTheBroadcastAlone();
    LaptopFirewall::Run("ufw --force disable");
}

// The firewalld service's ports, turned into a rule of the drop-incoming ruleset.
TEST_F(FirewallCommandTest, TheFirewalldServicePortsLetTheRepliesIn) {
    const std::string service = FirewallFile("quorrel-ip-configurator.xml");
    std::string rules;
    const std::regex port("<port protocol=\"(udp|tcp)\" port=\"([0-9-]+)\"/>");
    for (auto it = std::sregex_iterator(service.begin(), service.end(), port);
         it != std::sregex_iterator(); ++it)
        rules += "    " + (*it)[1].str() + " dport " + (*it)[2].str() + " accept\n";
    ASSERT_EQ(rules, "    udp dport 6002-6004 accept\n");
    ASSERT_EQ(firewall.Load(LaptopFirewall::DropIncoming(rules)), "");
    ExpectBothFoundByTheBroadcastAlone();
}

// Behind the firewall the broadcast's replies are dropped: the silent card asks again by
// broadcast, and then its new neighbours by unicast, once each; the answers to the unicast
// come through and end the asking. Both controllers are found, and the note says so.
TEST_F(FirewallCommandTest, BehindTheFirewallTheReaskFindsEveryController) {
    ASSERT_EQ(firewall.Load(LaptopFirewall::DropIncoming()), "");
    WatchedSearch search = Discover();
    std::vector<std::string> found = Senders();
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{"192.168.1.10", "192.168.1.9"}));
    EXPECT_EQ(err.str(), std::string("quorrel-cli: ") + cli::kAskedAgainNote + "\n");
    for (size_t i = 0; i < kControllers.size(); ++i) {
        EXPECT_EQ(search.Asked(i, "192.168.1.2", true), "") << kControllers[i].ip;
        const auto requests = search.Requests(i);
        EXPECT_EQ(
            std::count_if(requests.begin(), requests.end(),
                          [&](const auto& r) { return Field(r, "to") == kControllers[i].ip; }),
            1)
            << kControllers[i].ip;
    }
}

// The findings the firewall tests above cannot reach, in the command line's words: the
// firewall line and, for a closed one, the command that opens it.
TEST(FirewallWords, EachFindingSaysWhereItWasRead) {
    using Kind = core::HostFirewall::Kind;
    core::HostFirewall firewalld;
    firewalld.kind = Kind::kFirewalld;
    firewalld.state = core::HostFirewall::State::kActive;
    firewalld.zone = "public";
    firewalld.portsOpen = true;
    core::HostFirewall noZone = firewalld;
    noZone.zone.clear();
    const auto windows = [](bool read, bool enabled, bool blocked) {
        return core::FromWindowsPolicy({read, enabled, blocked});
    };
    const std::pair<core::HostFirewall, std::vector<std::string>> cases[] = {
        {firewalld,
         {"a host firewall is active: firewalld (it runs, default zone public); it admits the "
          "local ports 6002-6004/udp"}},
        {noZone,
         {"a host firewall is active: firewalld (it runs); it admits the local ports "
          "6002-6004/udp"}},
        {windows(false, false, false),
         {"whether a host firewall is active cannot be told: the firewall's policy could not "
          "be read"}},
        {windows(true, false, false),
         {"the host firewall is off: Windows Firewall (it is off for the current network "
          "profiles)"}},
        {windows(true, true, false),
         {"a host firewall is active: Windows Firewall (it is on, and lets replies to "
          "broadcasts through); it admits the local ports 6002-6004/udp"}},
        {windows(true, true, true),
         {"a host firewall is active: Windows Firewall (it is on, and replies to broadcasts are "
          "disabled by policy)",
          "open them for Windows Firewall with: netsh advfirewall firewall add rule "
          "name=\"Quorrel IP Configurator\" dir=in action=allow protocol=UDP localport=6002-6004 "
          "(as Administrator)"}},
    };
    for (const auto& [firewall, words] : cases) {
        const std::vector<std::string> lines = cli::NoReplyText({{}, {}, firewall});
        ASSERT_EQ(lines.size(), 2 + words.size());
        EXPECT_EQ(lines[1], words[0]);
        if (words.size() > 1) {
            EXPECT_EQ(lines[3], words[1]);
        }
    }
}

} // namespace
