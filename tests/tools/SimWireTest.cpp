// The program's endpoint against the simulator: requests reach it, replies come back from
// the controllers' own addresses, and the endpoint's receive rules hold.
#include "SimFixture.h"

#include <cstdio>
#include <map>

using namespace simtest;

namespace {

class SimWireTest : public SimFixture {};

TEST_F(SimWireTest, BroadcastRequestIsAnsweredByEveryControllerFromItsOwnAddress) {
    ASSERT_NO_FATAL_FAILURE(Launch({"--controller", kControllerA, "--controller", kControllerB}));
    ASSERT_EQ(SendRequest(kBroadcastAddress), 2);

    const auto request = sim_->WaitForEvent("request", kEventWaitMs);
    ASSERT_TRUE(request);
    EXPECT_EQ(Field(*request, "to"), "255.255.255.255");
    EXPECT_EQ(Field(*request, "from"), "127.0.0.1:6002");
    EXPECT_EQ(Field(*request, "answering"), "2");

    std::map<std::string, Datagram> bySender;
    for (const auto& d : ReceiveAnswers())
        bySender[d.sender] = d;
    ASSERT_EQ(bySender.size(), 2u);
    const std::map<std::string, std::string> expected = {{"192.168.1.10", kRecordA},
                                                         {"10.0.0.5", kRecordB}};
    for (const auto& [sender, record] : expected) {
        SCOPED_TRACE(sender);
        ASSERT_TRUE(bySender.count(sender));
        const Datagram& d = bySender[sender];
        EXPECT_EQ(d.port, 5001); // host order, not the raw network-order field
        ASSERT_EQ(d.bytes.size(), 30u);
        EXPECT_EQ(Sum(d.bytes), 0);
        EXPECT_TRUE(core::IsReply(d.bytes.data(), d.bytes.size()));
        EXPECT_EQ(RecordText(d.bytes.data()), record);
    }
    // Controller A's check byte.
    EXPECT_EQ(bySender["192.168.1.10"].bytes[29], 0x51);

    // The simulator's own account matches what arrived.
    const auto replies = sim_->EventsNamed("reply");
    ASSERT_EQ(replies.size(), 2u);
    for (const auto& r : replies)
        EXPECT_EQ(Field(r, "bytes"), Hex(bySender[Field(r, "controller")].bytes));
}

TEST_F(SimWireTest, RequestToOneAddressIsAnsweredOnlyByThatController) {
    ASSERT_NO_FATAL_FAILURE(Launch({"--controller", kControllerA, "--controller", kControllerB}));
    ASSERT_EQ(SendRequest("10.0.0.5"), 2);

    const auto request = sim_->WaitForEvent("request", kEventWaitMs);
    ASSERT_TRUE(request);
    EXPECT_EQ(Field(*request, "to"), "10.0.0.5");
    EXPECT_EQ(Field(*request, "answering"), "1");

    const auto answers = ReceiveAnswers();
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].sender, "10.0.0.5");
    EXPECT_EQ(answers[0].port, 5001);
    EXPECT_EQ(RecordText(answers[0].bytes.data()), kRecordB);
}

TEST_F(SimWireTest, ManyControllersOverSeveralSubnetsAllAnswer) {
    ASSERT_NO_FATAL_FAILURE(
        Launch({"--generate", "300", "--first", "127.1.0.1", "--per-subnet", "100", "--quiet"}));
    ASSERT_EQ(SendRequest(kBroadcastAddress), 2);

    const auto answers = ReceiveAnswers();
    std::map<std::string, int> senders;
    std::map<std::string, int> subnets;
    for (const auto& d : answers) {
        ASSERT_TRUE(core::IsReply(d.bytes.data(), d.bytes.size()));
        // The address inside the record is the one the reply came from.
        char inside[32];
        std::snprintf(inside, sizeof inside, "%u.%u.%u.%u", d.bytes[0], d.bytes[1], d.bytes[2],
                      d.bytes[3]);
        EXPECT_EQ(d.sender, inside);
        ++senders[d.sender];
        ++subnets[d.sender.substr(0, d.sender.rfind('.')) + ".xxx"];
    }
    EXPECT_EQ(senders.size(), 300u);
    EXPECT_EQ(subnets, (std::map<std::string, int>{
                           {"127.1.0.xxx", 100}, {"127.1.1.xxx", 100}, {"127.1.2.xxx", 100}}));
    const auto answered = sim_->EventsNamed("answered");
    ASSERT_EQ(answered.size(), 1u);
    EXPECT_EQ(Field(answered[0], "replies"), "300");
    EXPECT_TRUE(sim_->EventsNamed("reply").empty()); // --quiet
}

TEST_F(SimWireTest, EndpointSendsToBroadcastAndToSingleAddresses) {
    ASSERT_NO_FATAL_FAILURE(Launch({"--controller", kControllerA, "--controller", kControllerB}));
    const std::vector<std::string> destinations = {"255.255.255.255", "10.0.0.5", "192.168.1.10"};
    for (const auto& to : destinations)
        EXPECT_EQ(Send(to, {1, 2, 3, 4, 5}), 5) << to;
    for (const auto& to : destinations) {
        SCOPED_TRACE(to);
        const auto seen = sim_->WaitForEvent(
            [&](const SimProcess::Event& e) {
                return Field(e, "event") == "other" && Field(e, "to") == to;
            },
            kEventWaitMs);
        ASSERT_TRUE(seen);
        EXPECT_EQ(Field(*seen, "length"), "5");
        EXPECT_EQ(Field(*seen, "from").substr(Field(*seen, "from").find(':')), ":6002");
    }
}

struct SizeCase {
    size_t length;
    bool isDatagram;
};

void PrintTo(const SizeCase& c, std::ostream* os) {
    *os << c.length << " bytes";
}

class SimWireSizeTest : public SimFixture, public ::testing::WithParamInterface<SizeCase> {};

// Each case sends its datagram and then a 3-byte marker: a datagram that does not count
// is passed over and the marker is what the receive gives.
TEST_P(SimWireSizeTest, OnlyDatagramsOfOneTo1024BytesCount) {
    const SizeCase c = GetParam();
    OtherSocket other;
    ASSERT_TRUE(other.SendTo(kLocalPortBase, std::vector<uint8_t>(c.length, 0x41)));
    ASSERT_TRUE(other.SendTo(kLocalPortBase, {1, 2, 3}));

    auto first = Receive(kReceiveWaitMs);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->port, other.Port());
    if (c.isDatagram) {
        EXPECT_EQ(first->bytes.size(), c.length);
        first = Receive(kReceiveWaitMs);
        ASSERT_TRUE(first);
    }
    EXPECT_EQ(first->bytes, (std::vector<uint8_t>{1, 2, 3}));
}

INSTANTIATE_TEST_SUITE_P(Lengths, SimWireSizeTest,
                         ::testing::Values(SizeCase{0, false}, SizeCase{1, true},
                                           SizeCase{1023, true}, SizeCase{1024, true},
                                           SizeCase{1025, false}, SizeCase{1500, false}),
                         [](const auto& info) {
                             return "Length" + std::to_string(info.param.length);
                         });

TEST_F(SimWireTest, OnlyAZeroLengthDatagramWaitingIsNoDatagram) {
    OtherSocket other;
    ASSERT_TRUE(other.SendTo(kLocalPortBase, {}));
    ASSERT_TRUE(socket_.WaitReadable(kReceiveWaitMs));
    EXPECT_FALSE(Receive(200));
}

TEST_F(SimWireTest, OpeningAPortThatIsHeldFails) {
    EXPECT_FALSE(core::UdpSocket::Open(kLocalPortBase).Valid()); // the fixture holds 6002
    core::UdpSocket next = core::UdpSocket::Open(kLocalPortBase + 1);
    EXPECT_TRUE(next.Valid());
    EXPECT_FALSE(core::UdpSocket::Open(kLocalPortBase + 1).Valid());
    EXPECT_TRUE(next.Close());
    EXPECT_TRUE(core::UdpSocket::Open(kLocalPortBase + 1).Valid());
}

} // namespace
