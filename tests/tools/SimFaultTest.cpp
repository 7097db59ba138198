// The simulator's fault options, its other inputs and its life cycle, seen from the
// program's endpoint and the simulator's own output.
#include "SimFixture.h"

#include <csignal>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <unistd.h>

using namespace simtest;

namespace {

class SimFaultTest : public SimFixture {};

TEST_F(SimFaultTest, BadChecksumRepliesAreThirtyBytesThatDoNotSumToZero) {
    ASSERT_NO_FATAL_FAILURE(Launch({"--controller", kControllerA, "--bad-checksum"}));
    ASSERT_EQ(SendRequest(kBroadcastAddress), 2);
    const auto answers = ReceiveAnswers();
    ASSERT_EQ(answers.size(), 1u);
    const auto& d = answers[0];
    EXPECT_EQ(d.sender, "192.168.1.10");
    ASSERT_EQ(d.bytes.size(), 30u);
    EXPECT_EQ(Sum(d.bytes), 1);
    EXPECT_FALSE(core::IsReply(d.bytes.data(), 30));
    EXPECT_EQ(RecordText(d.bytes.data()), kRecordA); // only the check byte is off
}

class SimBadLengthTest : public SimFixture, public ::testing::WithParamInterface<int> {};

TEST_P(SimBadLengthTest, RepliesHaveTheGivenLengthAndStillSumToZero) {
    const int length = GetParam();
    ASSERT_NO_FATAL_FAILURE(
        Launch({"--controller", kControllerA, "--bad-length", std::to_string(length)}));
    ASSERT_EQ(SendRequest(kBroadcastAddress), 2);
    const auto answers = ReceiveAnswers();
    ASSERT_EQ(answers.size(), 1u);
    const auto& d = answers[0];
    ASSERT_EQ(d.bytes.size(), static_cast<size_t>(length));
    EXPECT_EQ(Sum(d.bytes), 0);
    EXPECT_FALSE(core::IsReply(d.bytes.data(), length));
    // The record, cut or padded with zeros, comes before the check byte.
    const std::string record = kRecordA + std::string(2 * 1024, '0');
    const std::string hex = Hex(d.bytes);
    EXPECT_EQ(hex.substr(0, hex.size() - 2), record.substr(0, hex.size() - 2));
}

INSTANTIATE_TEST_SUITE_P(Lengths, SimBadLengthTest, ::testing::Values(1, 29, 31, 64));

TEST_F(SimFaultTest, AnswerTwiceSendsTwoRepliesTheSecondMarkedInByte28) {
    ASSERT_NO_FATAL_FAILURE(
        Launch({"--controller", kControllerA, "--controller", kControllerB, "--answer-twice"}));
    ASSERT_EQ(SendRequest("192.168.1.10"), 2);
    const auto answers = ReceiveAnswers();
    ASSERT_EQ(answers.size(), 2u);
    for (const auto& d : answers) {
        EXPECT_EQ(d.sender, "192.168.1.10");
        EXPECT_TRUE(core::IsReply(d.bytes.data(), d.bytes.size()));
    }
    EXPECT_EQ(RecordText(answers[0].bytes.data()), kRecordA);
    EXPECT_EQ(RecordText(answers[1].bytes.data()), kRecordA.substr(0, 56) + "01");
}

TEST_F(SimFaultTest, LateRepliesMissTheOneSecondWindowButDoArrive) {
    ASSERT_NO_FATAL_FAILURE(Launch({"--controller", kControllerA, "--late", "1500"}));
    ASSERT_EQ(SendRequest(kBroadcastAddress), 2);
    ASSERT_TRUE(sim_->WaitForEvent("request", kEventWaitMs));
    // The simulator holds the answer for 1.5 s after it got the request, so a search's
    // one-second window, opened before the request went out, closes empty.
    EXPECT_FALSE(Receive(1000));
    const auto late = Receive(kReceiveWaitMs);
    ASSERT_TRUE(late);
    EXPECT_EQ(late->sender, "192.168.1.10");
    EXPECT_EQ(RecordText(late->bytes.data()), kRecordA);
}

TEST_F(SimFaultTest, JunkFloodHidesOneValidReply) {
    ASSERT_NO_FATAL_FAILURE(Launch({"--controller", kControllerA, "--junk", "300"}));
    ASSERT_EQ(SendRequest(kBroadcastAddress), 2);
    const auto answers = ReceiveAnswers();

    const auto junk = sim_->EventsNamed("junk");
    ASSERT_EQ(junk.size(), 1u);
    EXPECT_EQ(Field(junk[0], "sent"), "300");
    // The endpoint passes over the empty and oversized ones; of the rest only the reply
    // is a discovery reply.
    EXPECT_GT(answers.size(), 1u);
    EXPECT_LE(answers.size(), 301u);
    int valid = 0;
    for (const auto& d : answers) {
        EXPECT_EQ(d.sender, "192.168.1.10");
        EXPECT_GE(d.bytes.size(), 1u);
        EXPECT_LE(d.bytes.size(), 1024u);
        if (core::IsReply(d.bytes.data(), d.bytes.size())) {
            ++valid;
            EXPECT_EQ(RecordText(d.bytes.data()), kRecordA);
        }
    }
    EXPECT_EQ(valid, 1);
}

TEST_F(SimFaultTest, PacedRepliesAllArrive) {
    ASSERT_NO_FATAL_FAILURE(Launch({"--controller", kControllerA, "--controller", kControllerB,
                                    "--controller", "ip=127.3.4.5", "--pace-us", "20000"}));
    ASSERT_EQ(SendRequest(kBroadcastAddress), 2);
    std::set<std::string> senders;
    for (const auto& d : ReceiveAnswers())
        senders.insert(d.sender);
    EXPECT_EQ(senders, (std::set<std::string>{"192.168.1.10", "10.0.0.5", "127.3.4.5"}));
}

TEST_F(SimFaultTest, ControllersComeFromAFile) {
    const std::string path =
        ::testing::TempDir() + "controllers-" + std::to_string(::getpid()) + ".txt";
    {
        std::ofstream out(path);
        out << "# two controllers\n\n" << kControllerB << "\n  ip=127.9.9.9 , hw=7F\r\n";
    }
    ASSERT_NO_FATAL_FAILURE(Launch({"--file", path}));
    std::remove(path.c_str());
    ASSERT_EQ(SendRequest(kBroadcastAddress), 2);
    std::map<std::string, std::string> records;
    for (const auto& d : ReceiveAnswers())
        records[d.sender] = RecordText(d.bytes.data());
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records["10.0.0.5"], kRecordB);
    EXPECT_EQ(records["127.9.9.9"], "7F090909FFFFFF007F0909010000000089130909097F0002007F020A00");
}

TEST_F(SimFaultTest, OtherDatagramsAreLoggedWithTheirLength) {
    ASSERT_NO_FATAL_FAILURE(Launch({"--controller", kControllerA}));
    for (const auto& bytes : {std::vector<uint8_t>{'T'}, std::vector<uint8_t>{'T', 'X'},
                              std::vector<uint8_t>{'T', 'R', 0}, std::vector<uint8_t>(200, 1)})
        ASSERT_EQ(Send(kBroadcastAddress, bytes), static_cast<int>(bytes.size()));
    const auto last = sim_->WaitForEvent(
        [](const SimProcess::Event& e) { return Field(e, "length") == "200"; }, kEventWaitMs);
    ASSERT_TRUE(last);
    std::vector<std::string> lengths;
    for (const auto& e : sim_->EventsNamed("other"))
        lengths.push_back(Field(e, "length"));
    EXPECT_EQ(lengths, (std::vector<std::string>{"1", "2", "3", "200"}));
    EXPECT_TRUE(sim_->EventsNamed("request").empty());
    EXPECT_FALSE(Receive(100)); // nothing is answered
}

TEST_F(SimFaultTest, ExitsByItselfAfterTheGivenTime) {
    ASSERT_NO_FATAL_FAILURE(Launch({"--controller", kControllerA, "--exit-after", "200"}));
    EXPECT_EQ(sim_->WaitForExit(kEventWaitMs), 0);
    const auto events = sim_->Events();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(Field(events.back(), "event"), "exit");
    EXPECT_EQ(Field(events.back(), "reason"), "time");
}

TEST_F(SimFaultTest, EndsCleanlyOnSignals) {
    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        ASSERT_NO_FATAL_FAILURE(Launch({"--controller", kControllerA}));
        sim_->Signal(signal);
        EXPECT_EQ(sim_->WaitForExit(kEventWaitMs), 0);
        const auto events = sim_->Events();
        ASSERT_FALSE(events.empty());
        EXPECT_EQ(Field(events.back(), "reason"), "signal");
    }
}

TEST_F(SimFaultTest, BadCommandLineExitsWithStatusTwoAndNeverGetsReady) {
    SimProcess sim({"--controller", "ip=10.0.0.5,mac=00-11"});
    const std::string error = sim.Start();
    EXPECT_NE(error.find("no ready event"), std::string::npos) << error;
    EXPECT_NE(error.find("status 2"), std::string::npos) << error;
}

TEST_F(SimFaultTest, HelpDescribesEveryOption) {
    SimProcess sim({"--help"});
    EXPECT_NE(sim.Start(), ""); // help prints no events
    std::string text;
    for (const auto& line : sim.OtherLines())
        text += line + "\n";
    for (const char* option :
         {"--controller", "--file", "--generate", "--first", "--per-subnet", "--bad-checksum",
          "--bad-length", "--answer-twice", "--late", "--junk", "--pace-us", "--quiet",
          "--exit-after", "--answer-from-old", "unshare -n"})
        EXPECT_NE(text.find(option), std::string::npos) << option;
}

} // namespace
