// Configuration frames against the simulator: what it rejects, and what an accepted frame
// does to later discovery replies.
#include "SimFixture.h"
#include "WorkedExample.h"

#include <functional>
#include <map>

using namespace simtest;

namespace {

// Controller A before reconfiguration; the sample frame moves it to 192.168.1.10.
const std::string kMovableA =
    "ip=192.168.1.20,mac=00-1A-2B-3C-4D-5E,mask=255.255.0.0,gw=192.168.1.254,hw=01,sw=02.0A";
const std::string kSampleFrame = example::kFrameText;

std::vector<uint8_t> SampleFrame() {
    const auto frame = BuildConfigFrame(example::kFields.ip, example::kFields.mask,
                                        example::kFields.gateway, example::kFields.mac);
    return frame ? std::vector<uint8_t>(frame->begin(), frame->end()) : std::vector<uint8_t>{};
}

void FixCheckByte(std::vector<uint8_t>& f) {
    f.back() = 0;
    f.back() = static_cast<uint8_t>(0u - Sum(f));
}

class SimFrameTest : public SimFixture {
protected:
    std::optional<SimProcess::Event> FrameEvent() {
        return sim_->WaitForEvent("frame", kEventWaitMs);
    }
};

TEST_F(SimFrameTest, SampleFrameIsAcceptedAndTheControllerAnswersFromItsNewAddress) {
    ASSERT_NO_FATAL_FAILURE(Launch({"--controller", kMovableA, "--controller", kControllerB}));
    const auto frame = SampleFrame();
    ASSERT_EQ(Hex(frame), kSampleFrame);
    ASSERT_EQ(Send(kBroadcastAddress, frame), kFrameLength);

    const auto seen = FrameEvent();
    ASSERT_TRUE(seen);
    EXPECT_EQ(Field(*seen, "result"), "accepted");
    EXPECT_EQ(Field(*seen, "bytes"), kSampleFrame);
    EXPECT_EQ(Field(*seen, "to"), "255.255.255.255");
    EXPECT_EQ(Field(*seen, "controller"), "192.168.1.20");
    EXPECT_EQ(Field(*seen, "mac"), "00-1A-2B-3C-4D-5E");
    EXPECT_EQ(Field(*seen, "ip"), "192.168.1.10");
    EXPECT_EQ(Field(*seen, "mask"), "255.255.255.0");
    EXPECT_EQ(Field(*seen, "gw"), "192.168.1.1");

    ASSERT_EQ(SendRequest(kBroadcastAddress), 2);
    std::map<std::string, std::string> records;
    for (const auto& d : ReceiveAnswers()) {
        ASSERT_TRUE(core::IsReply(d.bytes.data(), d.bytes.size()));
        records[d.sender] = RecordText(d.bytes.data());
    }
    EXPECT_EQ(records, (std::map<std::string, std::string>{{"192.168.1.10", kRecordA},
                                                           {"10.0.0.5", kRecordB}}));

    // Its new address now names it alone.
    ASSERT_EQ(SendRequest("192.168.1.10"), 2);
    const auto answers = ReceiveAnswers(2);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].sender, "192.168.1.10");
    EXPECT_EQ(RecordText(answers[0].bytes.data()), kRecordA);
}

TEST_F(SimFrameTest, FrameToAnotherControllersAddressIsNotTakenByTheNamedMac) {
    ASSERT_NO_FATAL_FAILURE(Launch({"--controller", kMovableA, "--controller", kControllerB}));
    // Only 10.0.0.5 hears a frame sent to its address, and the frame names A's MAC.
    ASSERT_EQ(Send("10.0.0.5", SampleFrame()), kFrameLength);
    const auto seen = FrameEvent();
    ASSERT_TRUE(seen);
    EXPECT_EQ(Field(*seen, "to"), "10.0.0.5");
    EXPECT_EQ(Field(*seen, "result"), "rejected");
    EXPECT_EQ(Field(*seen, "reason"), "unknown mac");
}

struct BadFrame {
    const char* name;
    std::function<void(std::vector<uint8_t>&)> spoil;
    const char* reason;
};

void PrintTo(const BadFrame& f, std::ostream* os) {
    *os << f.name;
}

class SimBadFrameTest : public SimFrameTest, public ::testing::WithParamInterface<BadFrame> {};

TEST_P(SimBadFrameTest, IsRejectedAndChangesNothing) {
    ASSERT_NO_FATAL_FAILURE(Launch({"--controller", kMovableA, "--controller", kControllerB}));
    auto frame = SampleFrame();
    GetParam().spoil(frame);
    ASSERT_EQ(Send(kBroadcastAddress, frame), static_cast<int>(frame.size()));

    const auto seen = FrameEvent();
    ASSERT_TRUE(seen);
    EXPECT_EQ(Field(*seen, "result"), "rejected");
    EXPECT_EQ(Field(*seen, "reason"), GetParam().reason);
    EXPECT_EQ(Field(*seen, "bytes"), Hex(frame));
    EXPECT_EQ(Field(*seen, "length"), std::to_string(frame.size()));

    ASSERT_EQ(SendRequest(kBroadcastAddress), 2);
    std::map<std::string, std::string> records;
    for (const auto& d : ReceiveAnswers())
        records[d.sender] = RecordText(d.bytes.data());
    ASSERT_EQ(records.count("192.168.1.20"), 1u);
    EXPECT_EQ(records["192.168.1.20"].substr(0, 8), "C0A80114");
    EXPECT_EQ(records.count("192.168.1.10"), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, SimBadFrameTest,
    ::testing::Values(BadFrame{"CheckByteOneHigh", [](auto& f) { f[25] = 0x64; }, "check byte"},
                      BadFrame{"CheckByteZero", [](auto& f) { f[25] = 0x00; }, "check byte"},
                      BadFrame{"BodyChangedAfterSumming", [](auto& f) { f[3] = 0x0B; },
                               "check byte"},
                      BadFrame{"OneByteShort",
                               [](auto& f) {
                                   f.pop_back();
                                   FixCheckByte(f);
                               },
                               "length"},
                      BadFrame{"OneByteLong", [](auto& f) { f.push_back(0); }, // still sums to 0
                               "length"},
                      BadFrame{"ReplySized",
                               [](auto& f) {
                                   f.resize(30, 0);
                                   FixCheckByte(f);
                               },
                               "length"},
                      BadFrame{"ForeignMac",
                               [](auto& f) {
                                   f[18] = 0x5F; // 00-1A-2B-3C-4D-5F
                                   FixCheckByte(f);
                               },
                               "unknown mac"},
                      BadFrame{"MacInWrittenOrder",
                               [](auto& f) {
                                   const uint8_t written[6] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
                                   for (int i = 0; i < 6; ++i)
                                       f[18 + i] = written[i];
                                   FixCheckByte(f);
                               },
                               "unknown mac"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
