// The command line's account of a broadcast search that heard nothing, from made-up facts.
#include "NoReplyText.h"

#include <gtest/gtest.h>

namespace {

using core::HostFirewall;

HostFirewall Ufw() {
    HostFirewall f;
    f.state = HostFirewall::State::kActive;
    f.name = "ufw";
    f.detail = "ENABLED=yes in /etc/ufw/ufw.conf";
    f.openCommand = "sudo ufw allow quorrel-ip-configurator";
    return f;
}

const std::string kPortsLine = "the controllers answer by unicast to the local ports "
                               "6002-6004/udp, which a host firewall must let in";

TEST(NoReplyTextTest, NamesCardsFirewallPortsAndCommand) {
    HostFirewall open = Ufw();
    open.name = "firewalld";
    open.detail = "it runs, default zone home";
    open.portsOpen = true;
    HostFirewall unknown;
    unknown.detail = "neither ufw nor firewalld is active";
    struct Case {
        core::NoReplyFacts facts;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {{{{4, "eth0", "192.168.1.2", 24}, {7, "wlan0", "10.99.0.2", 16}}, {}, Ufw()},
         {"the request went out on eth0 (192.168.1.2/24), wlan0 (10.99.0.2/16)",
          "a host firewall is active: ufw (ENABLED=yes in /etc/ufw/ufw.conf)", kPortsLine,
          "open them for ufw with: sudo ufw allow quorrel-ip-configurator"}},
        {{{}, {}, open},
         {"the request went out on no network card: none is up with an IPv4 address and "
          "broadcasts",
          "a host firewall is active: firewalld (it runs, default zone home); it admits the local "
          "ports 6002-6004/udp",
          kPortsLine}},
        // The cable card of a laptop whose DHCP server never answered, beside its Wi-Fi.
        {{{{7, "wlan0", "10.99.0.2", 16}}, {"eth1", "usb0"}, unknown},
         {"the request went out on wlan0 (10.99.0.2/16)",
          "the card eth1 is up but has no IPv4 address: give it one by hand, for example: sudo "
          "ip address add 192.168.1.2/24 dev eth1",
          "the card usb0 is up but has no IPv4 address: give it one by hand, for example: sudo "
          "ip address add 192.168.1.2/24 dev usb0",
          "whether a host firewall is active cannot be told: neither ufw nor firewalld is active",
          kPortsLine}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(cli::NoReplyText(c.facts), c.lines);
}

} // namespace
