// The check after a write, against the simulator in the test's private network, and the
// balloon that tells the window's user its outcome.
#include "WriteCheck.h"

#include "SimControllers.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

namespace {

using core::WriteCheckResult;
using namespace std::chrono_literals;

const char* const kController = "ip=192.168.1.10,mac=00-1A-2B-3C-4D-09";
const core::WriteDestination kToAll{core::kBroadcast, 0};

// 00-1A-2B-3C-4D-09 to 192.168.1.20 with the mask and gateway it has.
core::FrameBytes MoveFrame() {
    core::ControllerRecord values;
    values.mac = *core::ParseMac("00-1A-2B-3C-4D-09");
    values.ip = {192, 168, 1, 20};
    values.mask = {255, 255, 255, 0};
    values.gateway = {192, 168, 1, 1};
    return core::ConfigFrame(values);
}

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
        {"restarts too long", {"--restart", "6000"}, WriteCheckResult::kNoAnswer, "0.0.0.0"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"--controller", kController};
        args.insert(args.end(), c.simOptions.begin(), c.simOptions.end());
        SimProcess sim(args);
        ASSERT_EQ(sim.Start(), "") << c.controller;
        const core::FrameBytes frame = MoveFrame();
        ASSERT_EQ(core::SendFrame(frame, kToAll), core::FrameSent::kSent);
        const auto o = core::CheckWrite(core::CheckAfterWrite(frame, kToAll, 4000ms));
        EXPECT_EQ(o.result, c.result) << c.controller;
        EXPECT_EQ(core::DottedQuad(o.sender), c.sender) << c.controller;
        if (o.result != WriteCheckResult::kNoAnswer) {
            EXPECT_EQ(o.heard.IpText(), c.sender) << c.controller;
        }
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
    core::FrameBytes nobodys = MoveFrame();
    nobodys[core::offset::kMac] ^= 1; // a MAC no controller has
    {
        core::WriteChecker checker([&](const core::WriteCheckOutcome& o) {
            std::lock_guard<std::mutex> lock(mutex);
            outcomes.push_back(o);
            reported.notify_one();
        });
        const core::FrameBytes frame = MoveFrame();
        ASSERT_EQ(core::SendFrame(frame, kToAll), core::FrameSent::kSent);
        checker.Start(core::CheckAfterWrite(frame, kToAll, 1500ms));
        checker.Start(core::CheckAfterWrite(nobodys, kToAll, 1500ms));
        std::unique_lock<std::mutex> lock(mutex);
        reported.wait_for(lock, 5s, [&] { return outcomes.size() == 2; });
        lock.unlock();
        checker.Start(core::CheckAfterWrite(nobodys, kToAll, 1500ms));
    }
    ASSERT_EQ(outcomes.size(), 2u) << "the check still running at the end reports nothing";
    EXPECT_EQ(outcomes[0].result, WriteCheckResult::kConfirmed);
    EXPECT_EQ(outcomes[1].result, WriteCheckResult::kNoAnswer);
    EXPECT_EQ(outcomes[1].request.wanted.mac, core::FrameValues(nobodys).mac);
}

TEST(WriteCheck, AfterAWriteToAnAddressAsksTheNewAddress) {
    const auto r = core::CheckAfterWrite(MoveFrame(), {{192, 168, 1, 10}, 0});
    EXPECT_EQ(core::DottedQuad(r.askAt), "192.168.1.20");
    EXPECT_EQ(r.wanted.MacText(), "00-1A-2B-3C-4D-09");
    EXPECT_EQ(r.wanted.GatewayText(), "192.168.1.1");
    EXPECT_EQ(r.time, core::kWriteCheckTime);
    const auto b = core::CheckAfterWrite(MoveFrame(), {core::kBroadcast, 7});
    EXPECT_EQ(b.askAt, core::kBroadcast);
    EXPECT_EQ(b.card, 7u);
}

TEST(WriteCheck, TheWindowsBalloonForEachOutcome) {
    core::WriteCheckOutcome o;
    o.request = core::CheckAfterWrite(MoveFrame(), kToAll);
    o.sender = {192, 168, 1, 150};
    o.heard = *core::ControllerRecord::FromText(std::string(58, '0'));
    o.heard.ip = {192, 168, 1, 150};
    o.heard.mask = {255, 255, 0, 0};
    struct Case {
        WriteCheckResult result;
        const char* title;
        const char* text;
    };
    const Case cases[] = {
        {WriteCheckResult::kConfirmed, "Параметры записаны",
         "Контроллер 00-1A-2B-3C-4D-09 отвечает с адреса 192.168.1.150"},
        {WriteCheckResult::kOtherValues, "Запись не подтверждена",
         "Контроллер 00-1A-2B-3C-4D-09 отвечает с адреса 192.168.1.150: IP 192.168.1.150, маска "
         "255.255.0.0, шлюз 0.0.0.0. Новые параметры не приняты: запишите их ещё раз."},
        {WriteCheckResult::kNoAnswer, "Запись не подтверждена",
         "Контроллер 00-1A-2B-3C-4D-09 не ответил за 10 с. Перезапустите контроллер и повторите "
         "поиск."},
    };
    for (const Case& c : cases) {
        o.result = c.result;
        const core::WriteCheckNotice n = core::NoticeForWindow(o);
        EXPECT_EQ(n.title, c.title);
        EXPECT_EQ(n.text, c.text);
        EXPECT_EQ(n.warning, c.result != WriteCheckResult::kConfirmed);
    }
}

} // namespace
