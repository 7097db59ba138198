// quorrel-cli discover on a laptop whose cards have no IPv4 address: the empty search names
// each card that is up without one and says how to give it one; a card that is down is not
// named.
#include "Commands.h"
#include "PrivateNet.h"
#include "Topology.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

TEST(NoReplyCommandTest, ACardUpWithoutAnAddressIsNamed) {
    REQUIRE_PRIVATE_NETWORK();
    privatenet::Lan lan;
    ASSERT_EQ(lan.Create(), "");
    privatenet::Cable eth1, eth2;
    ASSERT_EQ(eth1.Connect(lan, "eth1", "", {}), "");
    ASSERT_EQ(eth2.Connect(lan, "eth2", "", {}), "");
    ASSERT_EQ(privatenet::RunIp({"link", "set", "eth2", "down"}), "");
    std::ostringstream out, err;
    EXPECT_EQ(cli::Run({"discover", "--timeout", "300"}, out, err), 1);
    // The lines before the firewall's, which depends on the machine.
    std::istringstream said(err.str());
    std::string first, line;
    for (int i = 0; i < 3 && std::getline(said, line); ++i)
        first += line + "\n";
    EXPECT_EQ(first,
              "quorrel-cli: no controller answered\n"
              "quorrel-cli: the request went out on no network card: none is up with an IPv4 "
              "address and broadcasts\n"
              "quorrel-cli: the card eth1 is up but has no IPv4 address: give it one by hand, for "
              "example: sudo ip address add 192.168.1.2/24 dev eth1\n");
}

} // namespace
