#include "UserFunc.h"

#include <gtest/gtest.h>
#include <string>

namespace {

struct QuadCase {
    std::string text;
    bool badLoose;
    bool badStrict;
};

void PrintTo(const QuadCase& c, std::ostream* os) {
    *os << '"' << c.text << '"';
}

class BadDottedQuadTable : public ::testing::TestWithParam<QuadCase> {};

TEST_P(BadDottedQuadTable, MatchesTheTableOfAcceptedTexts) {
    const QuadCase& c = GetParam();
    EXPECT_EQ(BadDottedQuad(c.text, false), c.badLoose) << '"' << c.text << "\" not strict";
    EXPECT_EQ(BadDottedQuad(c.text, true), c.badStrict) << '"' << c.text << "\" strict";
}

INSTANTIATE_TEST_SUITE_P(
    Texts, BadDottedQuadTable,
    ::testing::Values(QuadCase{"192.168.1.20", false, false},
                      QuadCase{"255.255.255.255", false, true},
                      QuadCase{"255.255.255.0", false, true},
                      QuadCase{"192.168.1.255", false, true},
                      QuadCase{"254.254.254.254", false, false}, QuadCase{"0.0.0.0", true, true},
                      QuadCase{"01.2.3.4", true, true}, QuadCase{"1.02.3.4", true, true},
                      QuadCase{"1.0.00.000", false, false}, QuadCase{"1.2.3.0000", false, false},
                      QuadCase{"1.2.3.0001", true, true}, QuadCase{"1.2.3.256", true, true},
                      QuadCase{"1.2.3.4567", true, true}, QuadCase{"1234.1.1.1", true, true},
                      QuadCase{"1..2.3", true, true}, QuadCase{".1.2.3", true, true},
                      QuadCase{"1.2.3.", true, true}, QuadCase{"1.2.3", true, true},
                      QuadCase{"1.2.3.4.5", true, true}, QuadCase{"1.2.3.4 ", true, true},
                      QuadCase{"192.168.1.xxx", true, true}, QuadCase{"", true, true},
                      // zeros written long pass in groups two to four, never in the first
                      QuadCase{"1.00.000.0", false, false}, QuadCase{"00.1.1.1", true, true},
                      QuadCase{"192,168,1,20", true, true}, QuadCase{"192.168.1.300", true, true},
                      QuadCase{"-1.2.3.4", true, true}, QuadCase{"1.2.3.+4", true, true}));

TEST(BadDottedQuad, FourthGroupMayBeLongOnlyWhileItIsZero) {
    EXPECT_FALSE(BadDottedQuad("1.2.3." + std::string(200, '0'), true));
    // beyond 32-bit signed range: treated as bad rather than undefined
    EXPECT_TRUE(BadDottedQuad("1.2.3.2147483648", false));
    EXPECT_TRUE(BadDottedQuad("1.2.3.99999999999999999999", false));
}

TEST(BadDottedQuad, TextsOverTwoHundredFiftyFiveCharactersAreBad) {
    const std::string zeros255 = "1.2.3." + std::string(249, '0');
    ASSERT_EQ(zeros255.size(), 255u);
    EXPECT_FALSE(BadDottedQuad(zeros255, false));
    EXPECT_TRUE(BadDottedQuad(zeros255 + "0", false));
}

// The groups read, and the texts a list may hold that the fields refuse (leading zeros,
// 0.0.0.0), but no more: every group 1 to 3 digits.
TEST(ReadDottedQuad, ReadsTheGroupsUnderEachRule) {
    using Quad = std::optional<std::array<uint8_t, 4>>;
    const struct {
        const char* text;
        Quad field;
        Quad any;
    } cases[] = {
        {"192.168.1.20", Quad{{192, 168, 1, 20}}, Quad{{192, 168, 1, 20}}},
        {"1.0.00.000", Quad{{1, 0, 0, 0}}, Quad{{1, 0, 0, 0}}},
        {"1.2.3.0000", Quad{{1, 2, 3, 0}}, std::nullopt},
        {"0.0.0.0", std::nullopt, Quad{{0, 0, 0, 0}}},
        {"010.001.1.255", std::nullopt, Quad{{10, 1, 1, 255}}},
        {"1.2.3.256", std::nullopt, std::nullopt},
        {"1..2.3", std::nullopt, std::nullopt},
        {" 1.2.3.4", std::nullopt, std::nullopt},
        {"1.2.3.4.", std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadDottedQuad(c.text, QuadRules::kField), c.field) << c.text;
        EXPECT_EQ(ReadDottedQuad(c.text, QuadRules::kAny), c.any) << c.text;
    }
}

struct HexCase {
    std::string text;
    int32_t value;
};

void PrintTo(const HexCase& c, std::ostream* os) {
    *os << '"' << c.text << '"';
}

class HexToIntTable : public ::testing::TestWithParam<HexCase> {};

TEST_P(HexToIntTable, Converts) {
    EXPECT_EQ(HexToInt(GetParam().text), GetParam().value) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Texts, HexToIntTable,
    ::testing::Values(HexCase{"0A", 10}, HexCase{"ff", 255}, HexCase{"0000FFFF", 65535},
                      HexCase{"FFFFFFFF", -1}, HexCase{"100000000", -1}, HexCase{"G1", -1},
                      HexCase{"", -1}, HexCase{"00", 0}, HexCase{"0000000012345678", 0x12345678},
                      HexCase{"7FFFFFFF", 0x7FFFFFFF}, HexCase{" 1", -1}, HexCase{"1 ", -1},
                      HexCase{"-1", -1}, HexCase{"0x1", -1}, HexCase{"8913", 0x8913}));

} // namespace
