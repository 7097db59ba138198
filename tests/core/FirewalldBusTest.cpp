// The firewall detection asking firewalld over a bus: a private dbus-daemon stands in for
// the system bus, and a made-up firewalld on it answers the read-only calls.
#include "FakeFirewalld.h"
#include "HostFirewall.h"

#include <gtest/gtest.h>

namespace {

TEST(FirewalldBusTest, AsksTheRunningDaemonReadOnlyWithoutStartingIt) {
    // A bus of the test's own, named as the system bus for the detection.
    PrivateBus bus;
    ASSERT_NE(bus.Address(), "") << "dbus-daemon did not start";
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", bus.Address().c_str(), 1);

    core::HostFirewall found;
    std::vector<std::string> calls;
    {
        FakeFirewalld firewalld(bus.Address(), true);
        ASSERT_TRUE(firewalld.Owned());
        found = core::DetectHostFirewall();
        calls = firewalld.Calls();
    }
    ::unsetenv("DBUS_SYSTEM_BUS_ADDRESS");

    EXPECT_EQ(found.state, core::HostFirewall::State::kActive);
    EXPECT_EQ(found.kind, core::HostFirewall::Kind::kFirewalld);
    EXPECT_EQ(found.zone, "home");
    EXPECT_TRUE(found.portsOpen);
    EXPECT_EQ(calls, (std::vector<std::string>{
                         "org.freedesktop.DBus.Properties.Get(org.fedoraproject.FirewallD1,state)",
                         "org.fedoraproject.FirewallD1.getDefaultZone()",
                         "org.fedoraproject.FirewallD1.zone.queryService(home,quorrel-ip-"
                         "configurator)",
                         "org.fedoraproject.FirewallD1.zone.queryPort(home,6002-6004,udp)"}));
}

} // namespace
