// The check after a write, against the simulator in the test's private network.
#include "WriteCheck.h"

#include "Search.h"
#include "SimControllers.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace {

using core::WriteCheckResult;
using namespace std::chrono_literals;

const char* const kController = "ip=192.168.1.10,mac=00-1A-2B-3C-4D-09";
const core::WriteDestination kToAll{core::kBroadcast, 0};

// 00-1A-2B-3C-4D-09 to 192.168.1.20 with the mask and gateway it has.
const core::ControllerRecord kMoved{.ip = {192, 168, 1, 20},
                                    .mask = {255, 255, 255, 0},
                                    .gateway = {192, 168, 1, 1},
                                    .mac = {0, 0x1A, 0x2B, 0x3C, 0x4D, 9}};

TEST(WriteCheck, ConfirmsOnlyWhatTheControllerTookAndWaitsForOneThatRestarts) {
    REQUIRE_PRIVATE_NETWORK();
    AddAddresses({"192.168.1.10/32", "192.168.1.20/32"});
    struct Case {
        const char* controller;
        std::vector<std::string> simOptions;
        WriteCheckResult result;
        const char* sender;
    };
    const Case cases[] = {
        {"takes the frame", {}, WriteCheckResult::kConfirmed, "192.168.1.20"},
        {"ignores it", {"--ignore-frames"}, WriteCheckResult::kOtherValues, "192.168.1.10"},
        {"restarts first", {"--restart", "2500"}, WriteCheckResult::kConfirmed, "192.168.1.20"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"--controller", kController};
        args.insert(args.end(), c.simOptions.begin(), c.simOptions.end());
        SimProcess sim(args);
        ASSERT_EQ(sim.Start(), "") << c.controller;
        ASSERT_EQ(core::SendFrame(core::ConfigFrame(kMoved), kToAll), core::FrameSent::kSent);
        const auto o = core::CheckWrite(core::CheckAfterWrite(kMoved, kToAll, 4000ms));
        EXPECT_EQ(o.result, c.result) << c.controller;
        EXPECT_EQ(core::DottedQuad(o.sender), c.sender) << c.controller;
        EXPECT_EQ(o.heard.IpText(), c.sender) << c.controller;
    }
}

TEST(WriteCheck, TheCheckersThreadRunsTwoChecksAtOnceAndStopsWithIt) {
    REQUIRE_PRIVATE_NETWORK();
    AddAddresses({"192.168.1.10/32", "192.168.1.20/32"});
    SimProcess sim({"--controller", kController});
    ASSERT_EQ(sim.Start(), "");
    std::mutex mutex;
    std::condition_variable reported;
    std::vector<core::WriteCheckOutcome> outcomes;
    core::ControllerRecord nobodys = kMoved;
    nobodys.mac[5] ^= 1; // a MAC no controller has
    {
        core::WriteChecker checker([&](const core::WriteCheckOutcome& o) {
            std::lock_guard<std::mutex> lock(mutex);
            outcomes.push_back(o);
            reported.notify_one();
        });
        ASSERT_EQ(core::SendFrame(core::ConfigFrame(kMoved), kToAll), core::FrameSent::kSent);
        checker.Start(core::CheckAfterWrite(kMoved, kToAll, 1500ms));
        checker.Start(core::CheckAfterWrite(nobodys, kToAll, 1500ms));
        std::unique_lock<std::mutex> lock(mutex);
        reported.wait_for(lock, 5s, [&] { return outcomes.size() == 2; });
        lock.unlock();
        checker.Start(core::CheckAfterWrite(nobodys, kToAll, 1500ms));
    }
    ASSERT_EQ(outcomes.size(), 2u) << "the check still running at the end reports nothing";
    EXPECT_EQ(outcomes[0].result, WriteCheckResult::kConfirmed);
    EXPECT_EQ(outcomes[1].result, WriteCheckResult::kNoAnswer);
    EXPECT_EQ(outcomes[1].request.wanted.mac, nobodys.mac);
}

// Confirmed by the first reply, the check still holds its port while the other controllers
// on the card answer its broadcast, so that a search opened right after never files those
// answers; a second after the request the port is free again.
TEST(WriteCheck, AConfirmedCheckKeepsItsPortForTheOtherAnswersToItsRequest) {
    REQUIRE_PRIVATE_NETWORK();
    AddAddresses({"192.168.1.10/32", "192.168.1.20/32", "192.168.1.9/32"});
    SimProcess sim(
        {"--controller", kController, "--controller", "ip=192.168.1.9", "--pace-us", "20000"});
    ASSERT_EQ(sim.Start(), "");
    ASSERT_EQ(core::SendFrame(core::ConfigFrame(kMoved), kToAll), core::FrameSent::kSent);
    std::mutex mutex;
    std::condition_variable reported;
    std::optional<core::WriteCheckOutcome> outcome;
    uint16_t portAtOutcome = 0;
    core::WriteChecker checker([&](const core::WriteCheckOutcome& o) {
        // On the checker's thread, before it looks at its port again.
        core::OpenLocalPort(core::kLocalPortBase, &portAtOutcome);
        std::lock_guard<std::mutex> lock(mutex);
        outcome = o;
        reported.notify_one();
    });
    checker.Start(core::CheckAfterWrite(kMoved, kToAll, 2000ms));
    std::unique_lock<std::mutex> lock(mutex);
    ASSERT_TRUE(reported.wait_for(lock, 5s, [&] { return outcome.has_value(); }));
    EXPECT_EQ(outcome->result, WriteCheckResult::kConfirmed);
    EXPECT_EQ(portAtOutcome, core::kLocalPortBase + 1);
    uint16_t port = 0;
    for (int i = 0; i < 40 && port != core::kLocalPortBase; ++i) {
        std::this_thread::sleep_for(100ms);
        core::OpenLocalPort(core::kLocalPortBase, &port);
    }
    EXPECT_EQ(port, core::kLocalPortBase) << "given back a second after the request";
}

} // namespace
