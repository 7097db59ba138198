#include "ControllerRecord.h"
#include "WorkedExample.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

const std::string kExampleText = example::kRecordText;

std::vector<uint8_t> ExampleReply() {
    return {example::kReply.begin(), example::kReply.end()};
}

using Texts = std::vector<std::string>;

// The record's bytes as two upper-case digits each.
std::string BytesText(const core::ControllerRecord& record) {
    const auto bytes = record.Bytes();
    return core::HexText(bytes.data(), bytes.size());
}

TEST(ControllerRecord, WorkedExampleReplyGivesItsFieldsBytesAndFieldTexts) {
    const auto reply = ExampleReply();
    const auto record = core::ControllerRecord::FromReply(reply.data(), reply.size());
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->ip, (core::Ip4{192, 168, 1, 10}));
    EXPECT_EQ(record->port, 5001);
    EXPECT_EQ(record->mac, (core::Mac{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}));
    EXPECT_EQ(BytesText(*record), kExampleText);
    const Texts shown = {record->IpText(),      record->MaskText(), record->GatewayText(),
                         record->PortText(),    record->MacText(),  record->HardwareText(),
                         record->SoftwareText()};
    EXPECT_EQ(shown, (Texts{"192.168.1.10", "255.255.255.0", "192.168.1.1", "5001",
                            "00-1A-2B-3C-4D-5E", "01", "02.0A"}));
}

TEST(ControllerRecord, OnlyWholeValidRepliesAreRecords) {
    auto reply = ExampleReply();
    EXPECT_FALSE(core::ControllerRecord::FromReply(reply.data(), 29));
    reply.push_back(0);
    EXPECT_FALSE(core::ControllerRecord::FromReply(reply.data(), 31));
    reply[29] = 0x52; // one too high
    EXPECT_FALSE(core::ControllerRecord::FromReply(reply.data(), 30));
}

TEST(ConfigFrame, KeepsTheRecordLayoutWithFillersPort5001AndCheckByte) {
    const auto reply = ExampleReply();
    auto values = core::ControllerRecord::FromReply(reply.data(), reply.size());
    ASSERT_TRUE(values.has_value());
    values->port = 6000; // never written
    values->hardware = 0x77;
    EXPECT_EQ(core::ConfigFrame(*values), example::kFrame);
}

TEST(AddressTexts, DottedQuadsAndMacsParseStrictly) {
    EXPECT_EQ(core::ParseDottedQuad("192.168.1.0000"), (core::Ip4{192, 168, 1, 0}));
    EXPECT_EQ(core::ParseDottedQuad("255.255.255.255"), (core::Ip4{255, 255, 255, 255}));
    for (const char* bad : {"1.2.3", "1.2.3.256", "01.2.3.4", "a.b.c.d", " 1.2.3.4", ""})
        EXPECT_FALSE(core::ParseDottedQuad(bad)) << bad;
    EXPECT_EQ(core::ParseMac("0a:0b:0c:0d:0e:0f"), (core::Mac{0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F}));
    EXPECT_EQ(core::MacText(*core::ParseMac("00-1a-2b-3c-4d-5e")), "00-1A-2B-3C-4D-5E");
    for (const char* bad : {"00-1A-2B-3C-4D-5", "00-1A-2B-3C-4D-5E-", "00-1A:2B-3C-4D-5E",
                            "00.1A.2B.3C.4D.5E", "0G-1A-2B-3C-4D-5E"})
        EXPECT_FALSE(core::ParseMac(bad)) << bad;
}

} // namespace
