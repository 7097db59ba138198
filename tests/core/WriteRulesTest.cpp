#include "WriteRules.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using core::WriteField;
using Fields = std::vector<WriteField>;

struct CheckCase {
    const char* name;
    core::WriteValues values;
    Fields failing; // in the order they are reported
};

class CheckValues : public ::testing::TestWithParam<CheckCase> {};

TEST_P(CheckValues, ReportsEveryFailingFieldInTheWindowsOrder) {
    Fields failing;
    for (const core::FieldFault& fault : core::CheckWriteValues(GetParam().values))
        failing.push_back(fault.field);
    EXPECT_EQ(failing, GetParam().failing);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, CheckValues,
    ::testing::Values(
        CheckCase{"Good", {"192.168.1.10", "255.255.255.0", "192.168.1.1", "5001"}, {}},
        CheckCase{
            "IpWith255", {"192.168.1.255", "255.255.255.0", "192.168.1.1", ""}, {WriteField::kIp}},
        CheckCase{"MaskAllOnesPasses", {"10.0.0.5", "255.255.255.255", "10.0.0.1", ""}, {}},
        CheckCase{"MaskZero", {"10.0.0.5", "0.0.0.0", "10.0.0.1", ""}, {WriteField::kMask}},
        CheckCase{"GatewayZero", {"10.0.0.5", "255.0.0.0", "0.0.0.0", ""}, {WriteField::kGateway}},
        CheckCase{
            "Commas", {"192,168,1,20", "255.255.255.0", "192.168.1.1", ""}, {WriteField::kIp}},
        CheckCase{"AllFourInOrder",
                  {"1.2.3", "", "x", "50x1"},
                  {WriteField::kIp, WriteField::kMask, WriteField::kGateway, WriteField::kPort}},
        CheckCase{"PortAboveInt32",
                  {"10.0.0.5", "255.0.0.0", "10.0.0.1", "2147483648"},
                  {WriteField::kPort}},
        CheckCase{"PortWithSignPasses", {"10.0.0.5", "255.0.0.0", "10.0.0.1", "-2147483648"}, {}},
        CheckCase{"AddressesSkippedWhileDisabled", {"bad", "bad", "bad", "5001", false}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CheckValues, SaysWhichFieldAndWhy) {
    const auto faults = core::CheckWriteValues({"192.168.1.255", "255.255.255.0", "", ""});
    ASSERT_EQ(faults.size(), 2u);
    EXPECT_EQ(core::Describe(faults[0]),
              "wrong IP address format \"192.168.1.255\": a group is above 254");
    EXPECT_EQ(core::Describe(faults[1]), "wrong gateway format \"\": empty");
}

TEST(WriteGuard, OnlyTheControllerWhoseRecordFilledTheFields) {
    EXPECT_TRUE(core::MayWrite("192.168.1.10", "192.168.1.10"));
    EXPECT_FALSE(core::MayWrite("192.168.1.9", "192.168.1.10")) << "another controller's values";
    EXPECT_FALSE(core::MayWrite("192.168.1.9", "")) << "fields filled from no record";
    EXPECT_FALSE(core::MayWrite("192.168.1.xxx", "192.168.1.xxx")) << "a subnet node";
    EXPECT_FALSE(core::MayWrite("Quorrel", "Quorrel"));
}

TEST(WriteDestination, BroadcastOnTheCardHeardOnElseUnicastRouted) {
    const auto broadcast = core::ChooseDestination(true, "192.168.1.10", 3);
    EXPECT_EQ(broadcast.address, "255.255.255.255");
    EXPECT_EQ(broadcast.card, 3u);
    const auto unicast = core::ChooseDestination(false, "192.168.1.10", 3);
    EXPECT_EQ(unicast.address, "192.168.1.10");
    EXPECT_EQ(unicast.card, 0u);
}

TEST(WriteDestination, PinnedOnlyToACardTheRoutedBroadcastWouldMiss) {
    const std::vector<core::NetworkCard> besideRoute = {{3, "eth0", "192.168.1.2"},
                                                        {5, "eth1", "172.16.0.2"}};
    EXPECT_EQ(core::PinnedCard(3, besideRoute), 3u);
    EXPECT_EQ(core::PinnedCard(5, besideRoute), 5u);
    EXPECT_EQ(core::PinnedCard(2, besideRoute), 0u) << "the card the route takes anyway";
    EXPECT_EQ(core::PinnedCard(0, besideRoute), 0u);
    EXPECT_EQ(core::PinnedCard(1, {}), 0u) << "one card: the datagram of old";
}

} // namespace
