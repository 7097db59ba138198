// The simulator's controller model without sockets: command line, records, frames; and the
// event-line parser of the test helper.
#include "SimController.h"
#include "SimFixture.h"
#include "SimProcess.h"

#include <gtest/gtest.h>
#include <set>

using namespace sim;
using simtest::BuildConfigFrame;
using simtest::RecordText;

namespace {

std::string Text(const std::array<uint8_t, 29>& record) {
    return HexText(record.data(), 29);
}

Controller Parse(const std::string& settings) {
    std::string error;
    const auto c = ParseController(settings, error);
    EXPECT_TRUE(c) << settings << ": " << error;
    return c.value_or(Controller{});
}

TEST(SimControllerTest, FullSettingsGiveTheExpectedRecord) {
    const Controller c = Parse("ip=192.168.1.10,mac=00-1A-2B-3C-4D-5E,mask=255.255.255.0,"
                               "gw=192.168.1.1,port=5001,hw=01,sw=02.0A");
    const auto record = Record(c);
    EXPECT_EQ(Text(record), "C0A8010AFFFFFF00C0A801010000000089135E4D3C2B1A000001020A00");
    // The program reads it the same way.
    EXPECT_EQ(RecordText(record.data()), Text(record));
    const auto reply = ReplyBytes(c, 0, kReplyBytes, false);
    ASSERT_EQ(reply.size(), 30u);
    EXPECT_EQ(reply[29], 0x51);
    EXPECT_TRUE(core::IsReply(reply.data(), 30));
}

TEST(SimControllerTest, DefaultsFollowTheAddress) {
    const Controller c = Parse("ip=10.20.30.40");
    EXPECT_EQ(IpText(c.mask), "255.255.255.0");
    EXPECT_EQ(IpText(c.gateway), "10.20.30.1");
    EXPECT_EQ(MacText(c.mac), "02-00-0A-14-1E-28");
    EXPECT_EQ(c.port, 5001);
    EXPECT_EQ(c.hw, 0x01);
    EXPECT_EQ(c.swMajor, 0x02);
    EXPECT_EQ(c.swMinor, 0x0A);
}

struct FieldCase {
    const char* settings;
    const char* record;
};

void PrintTo(const FieldCase& c, std::ostream* os) {
    *os << c.settings;
}

class SimRecordTest : public ::testing::TestWithParam<FieldCase> {};

TEST_P(SimRecordTest, SettingsGiveRecord) {
    EXPECT_EQ(Text(Record(Parse(GetParam().settings))), GetParam().record);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, SimRecordTest,
    ::testing::Values(
        // Port little-endian in bytes 16-17.
        FieldCase{"ip=1.2.3.4,port=258,mac=00-00-00-00-00-00,gw=0.0.0.0",
                  "01020304FFFFFF00000000000000000002010000000000000001020A00"},
        FieldCase{"ip=1.2.3.4,port=65535,mac=00-00-00-00-00-00,gw=0.0.0.0",
                  "01020304FFFFFF000000000000000000FFFF0000000000000001020A00"},
        // MAC reversed: the first group in byte 23; lower-case digits and ':' accepted.
        FieldCase{"ip=1.2.3.4,mac=aa:bb:cc:dd:ee:ff,gw=0.0.0.0",
                  "01020304FFFFFF0000000000000000008913FFEEDDCCBBAA0001020A00"},
        // Versions: one-digit hex accepted, upper-case out.
        FieldCase{"gateway=9.9.9.9,ip=1.2.3.4,mask=255.0.0.0,hw=F,sw=a.ff,mac=01-02-03-04-05-06",
                  "01020304FF00000009090909000000008913060504030201000F0AFF00"}));

TEST(SimControllerTest, RejectedSettingsSayWhy) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"mac=00-1A-2B-3C-4D-5E", "needs ip"},
        {"ip=300.1.1.1", "bad value for ip"},
        {"ip=1.2.3", "bad value for ip"},
        {"ip=1.2.3.4.5", "bad value for ip"},
        {"ip=1.2.3.-4", "bad value for ip"},
        {"ip=1.2.3.4,mac=00-1A-2B-3C-4D", "bad value for mac"},
        {"ip=1.2.3.4,mac=00-1A-2B-3C-4D-5G", "bad value for mac"},
        {"ip=1.2.3.4,mac=00_1A_2B_3C_4D_5E", "bad value for mac"},
        {"ip=1.2.3.4,port=65536", "bad value for port"},
        {"ip=1.2.3.4,hw=100", "bad value for hw"},
        {"ip=1.2.3.4,sw=02", "bad value for sw"},
        {"ip=1.2.3.4,sw=02.0A.01", "bad value for sw"},
        {"ip=1.2.3.4,mask=", "bad value for mask"},
        {"ip=1.2.3.4,colour=red", "unknown key"},
        {"ip=1.2.3.4,mask", "expected key=value"},
    };
    for (const auto& [settings, message] : cases) {
        std::string error;
        EXPECT_FALSE(ParseController(settings, error)) << settings;
        EXPECT_NE(error.find(message), std::string::npos) << settings << ": " << error;
    }
}

TEST(SimControllerTest, RejectedCommandLines) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"--quiet"},
        {"--controller"},
        {"--controller", "ip=1.2.3.4", "--controller", "ip=1.2.3.4,mac=00-00-00-00-00-01"},
        {"--controller", "ip=1.2.3.4", "--controller", "ip=1.2.3.5,mac=02-00-01-02-03-04"},
        {"--controller", "ip=1.2.3.4", "--bad-length", "0"},
        {"--controller", "ip=1.2.3.4", "--bad-length", "2049"},
        {"--controller", "ip=1.2.3.4", "--late", "soon"},
        {"--controller", "ip=1.2.3.4", "--late"},
        {"--controller", "ip=1.2.3.4", "--pace-us", "-1"},
        {"--controller", "ip=1.2.3.4", "--frobnicate"},
        {"--generate", "0"},
        {"--generate", "10", "--first", "127.1.0.0"},
        {"--generate", "10", "--first", "127.1.0.60", "--per-subnet", "50"},
        {"--generate", "10", "--first", "255.255.255.250"},
        {"--generate", "10", "--first", "localhost"},
        {"--file", "/nonexistent/controllers.txt"},
    };
    for (const auto& args : cases) {
        std::string joined;
        for (const auto& a : args)
            joined += a + " ";
        std::string error;
        EXPECT_FALSE(ParseOptions(args, error)) << joined;
        EXPECT_FALSE(error.empty()) << joined;
    }
}

TEST(SimControllerTest, OptionsAreRead) {
    std::string error;
    const auto o =
        ParseOptions({"--controller", "ip=1.2.3.4", "--bad-checksum", "--bad-length", "31",
                      "--answer-twice", "--late", "1500", "--junk", "7", "--pace-us", "250",
                      "--exit-after", "900", "--quiet", "--answer-from-old"},
                     error);
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(o->controllers.size(), 1u);
    EXPECT_TRUE(o->badChecksum);
    EXPECT_EQ(o->badLength, 31);
    EXPECT_TRUE(o->answerTwice);
    EXPECT_EQ(o->lateMs, 1500);
    EXPECT_EQ(o->junk, 7);
    EXPECT_EQ(o->paceUs, 250);
    EXPECT_EQ(o->exitAfterMs, 900);
    EXPECT_TRUE(o->quiet);
    EXPECT_TRUE(o->answerFromOld);
    EXPECT_FALSE(o->help);
}

TEST(SimControllerTest, GeneratedControllersFillSubnetsInTurn) {
    std::string error;
    const auto list = GenerateControllers({127, 1, 0, 250}, 10, 254, error);
    ASSERT_EQ(list.size(), 10u) << error;
    EXPECT_EQ(IpText(list[0].ip), "127.1.0.250");
    EXPECT_EQ(IpText(list[4].ip), "127.1.0.254");
    EXPECT_EQ(IpText(list[5].ip), "127.1.1.1");
    EXPECT_EQ(IpText(list[9].ip), "127.1.1.5");
    EXPECT_EQ(IpText(list[5].gateway), "127.1.1.1");

    const auto spread = GenerateControllers({127, 1, 255, 1}, 250, 100, error);
    ASSERT_EQ(spread.size(), 250u) << error;
    EXPECT_EQ(IpText(spread[99].ip), "127.1.255.100");
    EXPECT_EQ(IpText(spread[100].ip), "127.2.0.1");
    EXPECT_EQ(IpText(spread[249].ip), "127.2.1.50");
    std::set<Mac> macs;
    for (const auto& c : spread)
        macs.insert(c.mac);
    EXPECT_EQ(macs.size(), spread.size());
}

TEST(SimControllerTest, ReplyLengthsAndCheckBytes) {
    const Controller c = Parse("ip=192.168.1.10,mac=00-1A-2B-3C-4D-5E,gw=192.168.1.1");
    const std::string record = Text(Record(c));
    for (const int length : {1, 2, 29, 30, 31, 100}) {
        SCOPED_TRACE(length);
        const auto good = ReplyBytes(c, 0, length, false);
        ASSERT_EQ(good.size(), static_cast<size_t>(length));
        EXPECT_EQ(Sum8(good.data(), good.size()), 0);
        const std::string body = HexText(good.data(), good.size() - 1);
        EXPECT_EQ(body, (record + std::string(200, '0')).substr(0, body.size()));
        const auto bad = ReplyBytes(c, 0, length, true);
        EXPECT_EQ(Sum8(bad.data(), bad.size()), 1);
    }
    const auto marked = ReplyBytes(c, 1, 30, false);
    EXPECT_EQ(marked[28], 1);
    EXPECT_EQ(Sum8(marked.data(), 30), 0);
}

struct ApplyCase {
    const char* name;
    std::vector<uint8_t> frame;
    std::vector<size_t> scope;
    bool accepted;
    const char* reason;
    size_t index;
};

std::vector<uint8_t> Frame(const std::string& ip, const std::string& mac) {
    const auto f = BuildConfigFrame(ip, "255.255.0.0", "10.1.0.1", mac);
    return std::vector<uint8_t>(f->begin(), f->end());
}

TEST(SimControllerTest, FramesAreJudgedByLengthCheckByteAndMacInScope) {
    auto withCheck = [](std::vector<uint8_t> f, uint8_t check) {
        f[25] = check;
        return f;
    };
    const auto toB = Frame("10.1.2.3", "02-00-0A-00-00-02");
    const std::vector<ApplyCase> cases = {
        {"accepted by B", toB, {0, 1, 2}, true, "", 1},
        {"B alone in scope", toB, {1}, true, "", 1},
        {"B not in scope", toB, {0, 2}, false, "unknown mac", 0},
        {"unknown MAC", Frame("10.1.2.3", "02-00-0A-00-00-09"), {0, 1, 2}, false, "unknown mac", 0},
        {"check byte",
         withCheck(toB, static_cast<uint8_t>(toB[25] + 1)),
         {0, 1, 2},
         false,
         "check byte",
         0},
        {"short", std::vector<uint8_t>(toB.begin(), toB.end() - 1), {0, 1, 2}, false, "length", 0},
        {"empty", {}, {0, 1, 2}, false, "length", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        auto controllers =
            ParseOptions({"--generate", "3", "--first", "10.0.0.1"}, error)->controllers;
        const auto before = controllers;
        const FrameResult r = ApplyFrame(controllers, c.scope, c.frame.data(), c.frame.size());
        EXPECT_EQ(r.accepted, c.accepted);
        EXPECT_EQ(r.reason, c.reason);
        if (c.accepted) {
            EXPECT_EQ(r.index, c.index);
            EXPECT_EQ(IpText(r.previousIp), IpText(before[c.index].ip));
            EXPECT_EQ(IpText(controllers[c.index].ip), "10.1.2.3");
            EXPECT_EQ(IpText(controllers[c.index].mask), "255.255.0.0");
            EXPECT_EQ(IpText(controllers[c.index].gateway), "10.1.0.1");
            EXPECT_EQ(controllers[c.index].port, before[c.index].port);
            EXPECT_EQ(controllers[c.index].mac, before[c.index].mac);
        }
        for (size_t i = 0; i < controllers.size(); ++i)
            if (!c.accepted || i != c.index) {
                EXPECT_EQ(Text(Record(controllers[i])), Text(Record(before[i]))) << i;
            }
    }
}

struct LineCase {
    const char* line;
    bool ok;
    SimProcess::Event event;
};

TEST(SimProcessParseTest, FlatJsonLines) {
    const std::vector<LineCase> cases = {
        {R"({"event":"ready","port":5001,"controllers":3,"transparent":true})",
         true,
         {{"event", "ready"}, {"port", "5001"}, {"controllers", "3"}, {"transparent", "true"}}},
        {R"( { "a" : "x\"y\\z" , "b":-1.5 } )", true, {{"a", "x\"y\\z"}, {"b", "-1.5"}}},
        {R"({"m":"tab\there\u0001"})", true, {{"m", "tab\there\x01"}}},
        {"{}", true, {}},
        {"", false, {}},
        {"ready", false, {}},
        {R"({"a":"unterminated})", false, {}},
        {R"({"a":1,})", false, {}},
        {R"({"a":1} trailing)", false, {}},
        {R"({"a":nonsense})", false, {}},
        {R"({"a":{"nested":1}})", false, {}},
        {R"({"a" 1})", false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const auto event = SimProcess::ParseLine(c.line);
        ASSERT_EQ(event.has_value(), c.ok);
        if (c.ok) {
            EXPECT_EQ(*event, c.event);
        }
    }
}

} // namespace
