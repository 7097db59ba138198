// The detection of an active host firewall from configuration files and made-up firewalld
// bus replies, and the facts of a broadcast search that heard nothing.
#include "HostFirewall.h"
#include "SearchDiagnosis.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

using core::HostFirewall;
using State = HostFirewall::State;

// firewalld's replies, as a table; a missing entry is a call that got no answer.
class FakeFirewalld : public core::FirewalldBus {
public:
    std::optional<std::string> state;
    std::optional<std::string> zone;
    std::map<std::string, bool> ports;    // "zone port/protocol" -> admitted
    std::map<std::string, bool> services; // "zone service" -> on

    std::optional<std::string> State() override { return state; }
    std::optional<std::string> DefaultZone() override { return zone; }
    std::optional<bool> QueryPort(const std::string& z, const std::string& port,
                                  const std::string& protocol) override {
        return Find(ports, z + " " + port + "/" + protocol);
    }
    std::optional<bool> QueryService(const std::string& z, const std::string& service) override {
        return Find(services, z + " " + service);
    }

private:
    std::optional<bool> Find(const std::map<std::string, bool>& table, const std::string& key) {
        const auto it = table.find(key);
        return it == table.end() ? std::nullopt : std::optional<bool>(it->second);
    }
};

// Named after the running test: ctest runs the tests of this file side by side, each in a
// process of its own, and a shared name would let one truncate the file another reads.
std::string UfwConfig(const std::string& text) {
    static int n = 0;
    const std::string path = ::testing::TempDir() + "ufw-" +
                             ::testing::UnitTest::GetInstance()->current_test_info()->name() + "-" +
                             std::to_string(++n) + ".conf";
    std::ofstream(path) << text;
    return path;
}

TEST(HostFirewallTest, UfwIsActiveOnlyWithEnabledYes) {
    struct Case {
        const char* file; // nullptr: no file
        State state;
    };
    const std::vector<Case> cases = {
        {"# /etc/ufw/ufw.conf\n\nENABLED=yes\nLOGLEVEL=low\n", State::kActive},
        {"ENABLED=no\nLOGLEVEL=low\n", State::kCannotTell},
        {"  ENABLED=\"yes\"  \n", State::kActive},
        {"ENABLED='yes'\n", State::kActive},
        {"ENABLED=yes\nENABLED=no\n", State::kCannotTell},
        {"#ENABLED=yes\n", State::kCannotTell},
        {"ENABLED=yesterday\n", State::kCannotTell},
        {"", State::kCannotTell},
        {nullptr, State::kCannotTell},
    };
    for (const Case& c : cases) {
        const std::string path =
            c.file != nullptr ? UfwConfig(c.file) : ::testing::TempDir() + "no-such-ufw.conf";
        FakeFirewalld bus;
        const HostFirewall found = core::DetectFirewall(bus, path);
        const std::string what = c.file != nullptr ? c.file : "(no file)";
        EXPECT_EQ(found.state, c.state) << what;
        if (c.state == State::kActive) {
            EXPECT_EQ(found.kind, HostFirewall::Kind::kUfw) << what;
            EXPECT_EQ(found.configFile, path) << what;
            EXPECT_EQ(found.openCommand, "sudo ufw allow quorrel-ip-configurator") << what;
        } else {
            EXPECT_EQ(found.kind, HostFirewall::Kind::kNone) << what;
            EXPECT_EQ(found.openCommand, "") << what;
        }
        EXPECT_FALSE(found.portsOpen) << what;
    }
}

TEST(HostFirewallTest, FirewalldIsAskedOverTheBusBeforeUfw) {
    const std::string ufwOn = UfwConfig("ENABLED=yes\n");
    struct Case {
        const char* what;
        std::optional<std::string> state;
        std::optional<std::string> zone;
        std::map<std::string, bool> ports;
        std::map<std::string, bool> services;
        HostFirewall::Kind kind;
        const char* zoneFound;
        bool portsOpen;
        const char* command;
    };
    const char* const kPublic = "sudo firewall-cmd --permanent --zone=public "
                                "--add-service=quorrel-ip-configurator && sudo firewall-cmd "
                                "--reload";
    const std::vector<Case> cases = {
        {"running, ports closed",
         "RUNNING",
         "public",
         {{"public 6002-6004/udp", false}},
         {{"public quorrel-ip-configurator", false}},
         HostFirewall::Kind::kFirewalld,
         "public",
         false,
         kPublic},
        {"running, the service is on",
         "RUNNING",
         "public",
         {},
         {{"public quorrel-ip-configurator", true}},
         HostFirewall::Kind::kFirewalld,
         "public",
         true,
         kPublic},
        {"running, the ports are open",
         "RUNNING",
         "public",
         {{"public 6002-6004/udp", true}},
         {},
         HostFirewall::Kind::kFirewalld,
         "public",
         true,
         kPublic},
        {"running, zone not answered",
         "RUNNING",
         std::nullopt,
         {},
         {},
         HostFirewall::Kind::kFirewalld,
         "",
         false,
         "sudo firewall-cmd --permanent --add-service=quorrel-ip-configurator && sudo "
         "firewall-cmd --reload"},
        {"still starting: ufw decides",
         "INIT",
         "public",
         {},
         {},
         HostFirewall::Kind::kUfw,
         "",
         false,
         "sudo ufw allow quorrel-ip-configurator"},
        {"no firewalld on the bus: ufw decides",
         std::nullopt,
         std::nullopt,
         {},
         {},
         HostFirewall::Kind::kUfw,
         "",
         false,
         "sudo ufw allow quorrel-ip-configurator"},
    };
    for (const Case& c : cases) {
        FakeFirewalld bus;
        bus.state = c.state;
        bus.zone = c.zone;
        bus.ports = c.ports;
        bus.services = c.services;
        const HostFirewall found = core::DetectFirewall(bus, ufwOn);
        EXPECT_EQ(found.state, State::kActive) << c.what;
        EXPECT_EQ(found.kind, c.kind) << c.what;
        EXPECT_EQ(found.zone, c.zoneFound) << c.what;
        EXPECT_EQ(found.configFile, c.kind == HostFirewall::Kind::kUfw ? ufwOn : "") << c.what;
        EXPECT_EQ(found.portsOpen, c.portsOpen) << c.what;
        EXPECT_EQ(found.openCommand, c.command) << c.what;
    }
}

TEST(HostFirewallTest, WindowsPolicy) {
    struct Case {
        core::WindowsFirewallPolicy policy;
        State state;
        bool portsOpen;
    };
    const std::vector<Case> cases = {
        {{false, false, false}, State::kCannotTell, false},
        {{true, false, false}, State::kInactive, false},
        {{true, true, false}, State::kActive, true},
        {{true, true, true}, State::kActive, false},
    };
    for (const Case& c : cases) {
        const HostFirewall found = core::FromWindowsPolicy(c.policy);
        const int row = static_cast<int>(&c - cases.data());
        EXPECT_EQ(found.kind, HostFirewall::Kind::kWindows) << row;
        EXPECT_EQ(found.state, c.state) << row;
        EXPECT_EQ(found.portsOpen, c.portsOpen) << row;
        EXPECT_EQ(found.openAsAdministrator, c.state == State::kActive) << row;
    }
}

// A card both asked and listed without an address (it got its address between the two
// listings) counts as asked; no card is up only when both lists are empty.
TEST(SearchDiagnosisTest, FactsOfAnEmptySearch) {
    const auto facts =
        core::DiagnoseNoReply({{4, "eth0", {192, 168, 1, 2}, 24}}, {"eth0", "eth1"}, {});
    EXPECT_EQ(facts.withoutAddress, std::vector<std::string>{"eth1"});
    EXPECT_FALSE(facts.NoCardUp());
    EXPECT_FALSE(core::DiagnoseNoReply({}, {"eth1"}, {}).NoCardUp());
    EXPECT_TRUE(core::DiagnoseNoReply({}, {}, {}).NoCardUp());
}

} // namespace
