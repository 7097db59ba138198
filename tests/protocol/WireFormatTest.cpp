#include "UDPDriverQuorrelConf.h"
#include "WorkedExample.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

std::vector<uint8_t> ExampleReply() {
    return {example::kReply.begin(), example::kReply.end()};
}

TEST(WireFormat, WorkedExampleFrameByteForByte) {
    const auto frame = BuildConfigFrame(example::kFields.ip, example::kFields.mask,
                                        example::kFields.gateway, example::kFields.mac);
    ASSERT_TRUE(frame.has_value());
    EXPECT_EQ(*frame, example::kFrame);
    EXPECT_EQ(FrameCheckByte(*frame), 0x63);
    EXPECT_EQ(ByteSum(frame->data(), 25), 0x9D);
    EXPECT_EQ(ByteSum(frame->data(), 26), 0);
}

TEST(WireFormat, WorkedExampleReplyRecordText) {
    const auto reply = ExampleReply();
    EXPECT_TRUE(IsDiscoveryReply(reply.data(), 30));
    EXPECT_EQ(RecordText(reply.data()), example::kRecordText);
}

TEST(WireFormat, ReplyValidityNeedsThirtyBytesSummingToZero) {
    std::vector<uint8_t> zeros(31, 0);
    EXPECT_TRUE(IsDiscoveryReply(zeros.data(), 30));
    EXPECT_EQ(RecordText(zeros.data()), std::string(58, '0'));
    EXPECT_FALSE(IsDiscoveryReply(zeros.data(), 29));
    EXPECT_FALSE(IsDiscoveryReply(zeros.data(), 31));
    EXPECT_FALSE(IsDiscoveryReply(zeros.data(), -1));

    auto reply = ExampleReply();
    reply[29] = 0x52; // check byte off by one
    EXPECT_FALSE(IsDiscoveryReply(reply.data(), 30));
}

TEST(WireFormat, DiscoveryRequestIsTRAndFailsTheSumRule) {
    const auto request = DiscoveryRequest();
    EXPECT_EQ(request[0], 'T');
    EXPECT_EQ(request[1], 'R');
    EXPECT_EQ(ByteSum(request.data(), 2), 0xA6);
}

TEST(WireFormat, ByteSumKeepsTheLowEightBits) {
    const std::vector<uint8_t> bytes(255, 0xFF);
    EXPECT_EQ(ByteSum(bytes.data(), 0), 0);
    EXPECT_EQ(ByteSum(bytes.data(), 1), 0xFF);
    EXPECT_EQ(ByteSum(bytes.data(), 2), 0xFE);
    EXPECT_EQ(ByteSum(bytes.data(), 255), static_cast<uint8_t>(255 * 255));
}

TEST(WireFormat, RecordTextIsUpperCaseWithLeadingZeros) {
    std::vector<uint8_t> reply(30, 0);
    reply[0] = 0x0A;
    reply[28] = 0xBC;
    const std::string text = RecordText(reply.data());
    EXPECT_EQ(text.substr(0, 2), "0A");
    EXPECT_EQ(text.substr(56, 2), "BC");
    EXPECT_EQ(text.size(), 58u);
}

struct MacCase {
    std::string mac;
    std::array<uint8_t, 6> bytes18to23;
};

void PrintTo(const MacCase& c, std::ostream* os) {
    *os << '"' << c.mac << '"';
}

class FrameMacTable : public ::testing::TestWithParam<MacCase> {};

TEST_P(FrameMacTable, MacGroupsGoInReverse) {
    const auto frame = BuildConfigFrame("10.0.0.1", "255.0.0.0", "10.0.0.254", GetParam().mac);
    ASSERT_TRUE(frame.has_value());
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ((*frame)[18 + i], GetParam().bytes18to23[i]) << "byte " << 18 + i;
    EXPECT_EQ((*frame)[16], 0x89);
    EXPECT_EQ((*frame)[17], 0x13);
    EXPECT_EQ((*frame)[24], 0xFF);
    EXPECT_EQ(ByteSum(frame->data(), 26), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FrameMacTable,
    ::testing::Values(MacCase{"00-1A-2B-3C-4D-5E", {0x5E, 0x4D, 0x3C, 0x2B, 0x1A, 0x00}},
                      MacCase{"0A-0B-0C-0D-0E-0F", {0x0F, 0x0E, 0x0D, 0x0C, 0x0B, 0x0A}},
                      MacCase{"0a:0b:0c:0d:0e:0f", {0x0F, 0x0E, 0x0D, 0x0C, 0x0B, 0x0A}}));

// The window's MAC field only ever holds six groups as the record display writes them;
// any other text names no controller.
TEST(WireFormat, MacTextThatIsNotSixHexGroupsGivesNoFrame) {
    for (const char* mac :
         {"", "00-1A-2B-3C-4D-5", "ZZ-01-02-03-04-05", "01-02-03-04-05-06-07", "00.1A.2B.3C.4D.5E"})
        EXPECT_FALSE(BuildConfigFrame("10.0.0.1", "255.0.0.0", "10.0.0.254", mac).has_value())
            << '"' << mac << '"';
}

TEST(WireFormat, AddressThatDoesNotParseGivesAllOnes) {
    const auto frame =
        BuildConfigFrame("255.255.255.255", "255.255.255.255", "1.2.3.4", "00-00-00-00-00-00");
    ASSERT_TRUE(frame.has_value());
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ((*frame)[i], 0xFF);
    EXPECT_EQ((*frame)[8], 1);
    EXPECT_EQ((*frame)[11], 4);
}

} // namespace
