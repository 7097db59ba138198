// The configuration frame a write builds from the window's field texts.
#include "FakeHost.h"
#include "WorkedExample.h"

#include <gtest/gtest.h>

namespace {

std::optional<core::FrameBytes> FrameOf(const char* ip, const char* mask, const char* gateway,
                                        const char* mac) {
    FakeFields fields;
    fields.Set(ip, mask, gateway, mac);
    const auto values = FieldValues(fields);
    return values ? std::optional(core::ConfigFrame(*values)) : std::nullopt;
}

TEST(WireFormat, WorkedExampleFrameByteForByte) {
    EXPECT_EQ(FrameOf(example::kFields.ip, example::kFields.mask, example::kFields.gateway,
                      example::kFields.mac),
              example::kFrame);
}

struct MacCase {
    const char* mac;
    std::array<uint8_t, 6> bytes18to23;
};

void PrintTo(const MacCase& c, std::ostream* os) {
    *os << '"' << c.mac << '"';
}

class FrameMacTable : public ::testing::TestWithParam<MacCase> {};

TEST_P(FrameMacTable, MacGroupsGoInReverse) {
    const auto frame = FrameOf("10.0.0.1", "255.0.0.0", "10.0.0.254", GetParam().mac);
    ASSERT_TRUE(frame.has_value());
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ((*frame)[18 + i], GetParam().bytes18to23[i]) << "byte " << 18 + i;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FrameMacTable,
    ::testing::Values(MacCase{"00-1A-2B-3C-4D-5E", {0x5E, 0x4D, 0x3C, 0x2B, 0x1A, 0x00}},
                      MacCase{"0A-0B-0C-0D-0E-0F", {0x0F, 0x0E, 0x0D, 0x0C, 0x0B, 0x0A}},
                      MacCase{"0a:0b:0c:0d:0e:0f", {0x0F, 0x0E, 0x0D, 0x0C, 0x0B, 0x0A}}));

// The MAC field only ever holds six groups as the record display writes them, and the
// address fields are checked before a write; any other text names no controller, or no
// address: no frame (an address never becomes 255.255.255.255 by not parsing).
TEST(WireFormat, TextsThatDoNotParseGiveNoFrame) {
    for (const char* mac :
         {"", "00-1A-2B-3C-4D-5", "ZZ-01-02-03-04-05", "01-02-03-04-05-06-07", "00.1A.2B.3C.4D.5E"})
        EXPECT_FALSE(FrameOf("10.0.0.1", "255.0.0.0", "10.0.0.254", mac)) << '"' << mac << '"';
    for (const char* address : {"", "1.2.3", "1.2.3.256", "host.example"})
        EXPECT_FALSE(FrameOf(address, "255.0.0.0", "10.0.0.254", "00-1A-2B-3C-4D-5E")) << address;
}

} // namespace
