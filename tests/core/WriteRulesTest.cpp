#include "ConfigWrite.h"
#include "WriteFields.h"

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

void PrintTo(const CheckCase& c, std::ostream* os) {
    *os << c.name;
}

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

TEST(WriteDestination, BroadcastOnTheCardHeardOnElseUnicastRouted) {
    const core::Ip4 node{192, 168, 1, 10};
    const auto broadcast = core::ChooseDestination(true, node, 3);
    EXPECT_EQ(broadcast.address, (core::Ip4{255, 255, 255, 255}));
    EXPECT_EQ(broadcast.card, 3u);
    const auto unicast = core::ChooseDestination(false, node, 3);
    EXPECT_EQ(unicast.address, node);
    EXPECT_EQ(unicast.card, 0u);
}

TEST(WriteDestination, PinnedOnlyToACardTheRoutedBroadcastWouldMiss) {
    const std::vector<core::NetworkCard> besideRoute = {{3, "eth0", {192, 168, 1, 2}},
                                                        {5, "eth1", {172, 16, 0, 2}}};
    EXPECT_EQ(core::PinnedCard(3, besideRoute), 3u);
    EXPECT_EQ(core::PinnedCard(5, besideRoute), 5u);
    EXPECT_EQ(core::PinnedCard(2, besideRoute), 0u) << "the card the route takes anyway";
    EXPECT_EQ(core::PinnedCard(0, besideRoute), 0u);
    EXPECT_EQ(core::PinnedCard(1, {}), 0u) << "one card: the datagram of old";
}

struct SharedMacCase {
    const char* name;
    std::vector<std::pair<core::Ip4, core::Mac>> heard; // in the order heard
    bool toBroadcast;
    std::vector<core::Ip4> ambiguous;
};

void PrintTo(const SharedMacCase& c, std::ostream* os) {
    *os << c.name;
}

const core::Mac kMac09 = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x09};
const core::Mac kMac5E = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};

class SharedMac : public ::testing::TestWithParam<SharedMacCase> {};

TEST_P(SharedMac, NamesEveryAddressABroadcastWriteWouldReach) {
    core::Controllers heard;
    for (const auto& [address, mac] : GetParam().heard) {
        core::Heard reply;
        reply.sender = address;
        reply.record.mac = mac;
        heard.File(reply);
    }
    EXPECT_EQ(core::SharedMacAddresses(heard, kMac09, GetParam().toBroadcast),
              GetParam().ambiguous);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, SharedMac,
    ::testing::Values(
        SharedMacCase{
            "TwoAddresses",
            {{{192, 168, 1, 9}, kMac09}, {{192, 168, 1, 10}, kMac5E}, {{192, 168, 1, 19}, kMac09}},
            true,
            {{192, 168, 1, 9}, {192, 168, 1, 19}}},
        SharedMacCase{
            "ThreeInTheOrderHeard",
            {{{10, 0, 0, 7}, kMac09}, {{192, 168, 1, 19}, kMac09}, {{192, 168, 1, 9}, kMac09}},
            true,
            {{10, 0, 0, 7}, {192, 168, 1, 19}, {192, 168, 1, 9}}},
        SharedMacCase{"UnicastIsNotAffected",
                      {{{192, 168, 1, 9}, kMac09}, {{192, 168, 1, 19}, kMac09}},
                      false,
                      {}},
        SharedMacCase{
            "OneAddressHeardTwiceIsOneController",
            {{{192, 168, 1, 9}, kMac09}, {{192, 168, 1, 9}, kMac09}, {{192, 168, 1, 10}, kMac5E}},
            true,
            {}},
        SharedMacCase{
            "OtherMacsSharedDoNotMatter",
            {{{192, 168, 1, 9}, kMac09}, {{192, 168, 1, 10}, kMac5E}, {{192, 168, 1, 11}, kMac5E}},
            true,
            {}},
        SharedMacCase{"NotHeardAtAll", {}, true, {}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
