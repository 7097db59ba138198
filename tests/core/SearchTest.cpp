// The socket object, and the search's wait that keeps it drained.
#include "Search.h"
#include "FakeHost.h"
#include "PrivateNet.h"
#include "RunSearch.h"
#include "SimProcess.h"
#include "Topology.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <thread>

namespace {

// Another program's socket on loopback.
core::UdpSocket OtherSocket() {
    return core::UdpSocket::Open(7000);
}

TEST(UdpSocket, OwnsItsPortUntilItGoesAndMovingHandsItOn) {
    REQUIRE_PRIVATE_NETWORK();
    {
        core::UdpSocket first = core::UdpSocket::Open(6002);
        ASSERT_TRUE(first.Valid());
        EXPECT_FALSE(core::UdpSocket::Open(6002).Valid()) << "the port is taken";
        core::UdpSocket second = std::move(first);
        EXPECT_FALSE(first.Valid());
        EXPECT_TRUE(second.Valid());
        EXPECT_FALSE(core::UdpSocket::Open(6002).Valid()) << "moving does not close";
        first = std::move(second);
        EXPECT_TRUE(first.Valid());
    }
    EXPECT_TRUE(core::UdpSocket::Open(6002).Valid()) << "destruction closed the socket";

    core::UdpSocket s = core::UdpSocket::Open(6002);
    const uint8_t tr[] = {'T', 'R'};
    EXPECT_FALSE(s.Send(core::kBroadcast, 5001, tr, 2, 99999)) << "no card with that index";
    EXPECT_TRUE(s.Close());
    EXPECT_FALSE(s.Close());
}

TEST(Search, WhatArrivedWithinTheWindowIsHandedOutAndNothingLater) {
    REQUIRE_PRIVATE_NETWORK();
    core::Search search;
    core::UdpSocket other = OtherSocket();
    ASSERT_TRUE(search.Opened());
    ASSERT_TRUE(other.Valid());
    const core::Ip4 loopback{127, 0, 0, 1};
    search.Start(loopback);
    uint8_t reply[30] = {}; // 30 zero bytes sum to 0: a valid reply
    const uint8_t junk[] = {1, 2, 3};
    ASSERT_TRUE(other.Send(loopback, 6002, junk, sizeof junk));
    ASSERT_TRUE(other.Send(loopback, 6002, reply, sizeof reply));
    std::thread late([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        reply[28] = 1;
        reply[29] = 0xFF; // valid, and told apart from the first
        other.Send(loopback, 6002, reply, sizeof reply);
    });
    std::vector<core::Heard> heard;
    search.Listen(std::chrono::milliseconds(300),
                  [&](const core::Heard& r) { heard.push_back(r); });
    late.join();
    ASSERT_EQ(heard.size(), 1u) << "the junk is dropped, the late one arrived after the window";
    EXPECT_EQ(heard[0].sender, loopback);
    EXPECT_EQ(heard[0].card, 1u) << "lo";
    EXPECT_EQ(heard[0].record.reserved3, 0);
}

// A request goes out again until a reply answers it or the window ends, at most once a
// spacing: counted at the controller, the k-th request went out k - 1 spacings after the
// search began or later. No request goes out once the search has handled a reply, so those
// before it fit into the spacings that had passed by then. How soon the searching thread
// runs is left open: a thread that wakes late only sends fewer.
TEST(Search, ARequestGoesOutAgainAtMostOnceASpacingUntilAReplyAnswersIt) {
    REQUIRE_PRIVATE_NETWORK();
    using Clock = core::Search::Clock;
    constexpr auto kEvery = core::Search::kAskAgainEvery;
    core::UdpSocket controller = core::UdpSocket::Open(core::kControllerPort);
    ASSERT_TRUE(controller.Valid());
    const core::Ip4 loopback{127, 0, 0, 1};
    const uint8_t reply[30] = {};
    for (const bool answers : {false, true}) {
        core::Search search;
        std::optional<Clock::time_point> handled; // on the search's thread, read after Wait
        const Clock::time_point start = Clock::now();
        search.StartInBackground(
            loopback, 0, std::chrono::seconds(1),
            [&](const core::Heard&) {
                if (!handled)
                    handled = Clock::now();
            },
            [] {}, [] {});
        std::deque<core::Datagram> requests;
        while (controller.WaitReadable(400)) {
            const size_t before = requests.size();
            controller.ReceiveWaiting(requests, 16);
            for (size_t i = before; answers && i < requests.size(); ++i)
                controller.Send(loopback, requests[i].senderPort, reply, sizeof reply);
        }
        search.Wait();
        EXPECT_EQ(static_cast<size_t>(search.RequestsSent()), requests.size()) << answers;
        ASSERT_FALSE(requests.empty());
        for (size_t k = 0; k < requests.size(); ++k) {
            const auto sent = Clock::time_point(std::chrono::nanoseconds(requests[k].arrivalNs));
            EXPECT_GE((sent - start).count(),
                      std::chrono::nanoseconds(static_cast<int>(k) * kEvery).count())
                << "request " << k + 1 << " of " << requests.size() << " came "
                << std::chrono::duration_cast<std::chrono::milliseconds>(sent - start).count()
                << " ms after the start";
        }
        if (answers) {
            ASSERT_TRUE(handled.has_value());
            EXPECT_LT(
                std::chrono::nanoseconds(static_cast<int>(requests.size() - 1) * kEvery).count(),
                (*handled - start).count())
                << requests.size() << " requests, the reply handled "
                << std::chrono::duration_cast<std::chrono::milliseconds>(*handled - start).count()
                << " ms after the start";
        } else {
            EXPECT_GE(requests.size(), 2u) << "asked again";
        }
    }
}

// A request asked for before the search starts keeps its id: dropping it stops it.
TEST(Search, ARequestAskedBeforeTheSearchStartsKeepsItsId) {
    REQUIRE_PRIVATE_NETWORK();
    using namespace std::chrono_literals;
    core::UdpSocket controller = core::UdpSocket::Open(core::kControllerPort);
    ASSERT_TRUE(controller.Valid());
    core::Search search;
    const core::Ip4 asked{127, 0, 0, 2};
    const int ask = search.Ask(asked, 0, 100ms, core::Search::Clock::now());
    search.Start({127, 0, 0, 1});
    search.Drop(ask);
    search.Listen(500ms, [](const core::Heard&) {});
    std::deque<core::Datagram> got;
    while (controller.WaitReadable(0))
        controller.ReceiveWaiting(got, 64);
    const auto toAsked = std::count_if(got.begin(), got.end(),
                                       [&](const core::Datagram& d) { return d.to == asked; });
    EXPECT_LE(toAsked, 1) << "sent once at the start at most, then dropped";
}

// Lets the socket open with the receive buffer an ordinary user gets, for one test.
class ReceiveBufferLimit {
public:
    explicit ReceiveBufferLimit(int bytes) { core::UdpSocket::LimitReceiveBuffer(bytes); }
    ~ReceiveBufferLimit() { core::UdpSocket::LimitReceiveBuffer(0); }
};

TEST(Search, ABurstLargerThanTheSocketBufferIsFiledWholeWhileTheWindowIsBusy) {
    REQUIRE_PRIVATE_NETWORK();
    constexpr int kControllers = 2000;
    // Stock Debian: net.core.rmem_max = 212992, granted twice over, about 550 replies.
    ReceiveBufferLimit limit(212992);
    {
        core::UdpSocket probe = core::UdpSocket::Open(6002);
        ASSERT_LE(probe.ReceiveBufferBytes(), 2 * 212992);
    }
    // The replies come 40 us apart: 1250 of them while the window is busy for 50 ms, more
    // than the buffer holds, so only a reader of its own can take them in time. (A simulator
    // sending flat out on the same processors as both threads of the test could outrun any reader.)
    SimProcess sim({"--generate", std::to_string(kControllers), "--first", "127.1.0.1",
                    "--per-subnet", "250", "--pace-us", "40", "--quiet"});
    ASSERT_EQ(sim.Start(), "");

    FakeWindow window;
    TDeviceModel& tree = window.tree;
    core::Controllers& table = window.table;
    DriverContext& context = window.context;
    bool first = true;
    SearchControllers(context, core::kLocalPortBase, kBroadcastAddress, [&] {
        if (std::exchange(first, false))
            std::this_thread::sleep_for(std::chrono::milliseconds(50)); // a long repaint
    });

    const auto answered = sim.WaitForEvent("answered", 10000);
    ASSERT_TRUE(answered);
    ASSERT_EQ(Field(*answered, "replies"), std::to_string(kControllers));
    ASSERT_EQ(table.Count(), static_cast<size_t>(kControllers));
    // Filed in arrival order, which is the order the simulator sent them in.
    int outOfOrder = 0;
    for (int k = 0; k < kControllers; ++k)
        if (core::DottedQuad(table[static_cast<size_t>(k)].address) !=
            "127.1." + std::to_string(k / 250) + "." + std::to_string(k % 250 + 1))
            ++outOfOrder;
    EXPECT_EQ(outOfOrder, 0);
    tree.Flush();
    EXPECT_EQ(tree.ControllerCount(), kControllers);
    EXPECT_EQ(tree.rowCount(tree.Root()), kControllers / 250);
}

TEST(Search, APortHeldByAGroupIsBusyAsOneHeldByASingleSocket) {
    REQUIRE_PRIVATE_NETWORK();
    ReceiveBufferLimit limit(212992); // a capped buffer: searches open groups
    uint16_t opened = 0;
    const core::UdpSocketGroup group = core::OpenSearchPort(6002, &opened);
    ASSERT_EQ(opened, 6002);
    const core::Search second;
    EXPECT_EQ(second.LocalPort(), 6003) << "a group's port is busy for the next search";
    const core::UdpSocket single = core::OpenLocalPort(6002, &opened);
    EXPECT_EQ(opened, 6004) << "and for a socket of its own";
    EXPECT_FALSE(core::OpenSearchPort(6002).Valid()) << "no search joins a group or a single one";
}

TEST(Search, ADatagramToABroadcastAddressIsHeardOnceWhetherOneSocketOrAGroupListens) {
    REQUIRE_PRIVATE_NETWORK();
    privatenet::Lan lan;
    privatenet::Cable cable;
    ASSERT_EQ(lan.Create(), "");
    ASSERT_EQ(cable.Connect(lan, "bcast0", "10.9.0.1/24", {"10.9.0.2/24"}), "");
    core::UdpSocket other = OtherSocket();
    const uint8_t reply[30] = {};
    for (const int limit : {0, 212992}) {
        ReceiveBufferLimit capped(limit);
        core::UdpSocketGroup group = core::UdpSocketGroup::Open(6002);
        ASSERT_TRUE(group.Valid());
        std::deque<core::Datagram> heard;
        for (const core::Ip4 to : {core::Ip4{10, 9, 0, 255}, core::Ip4{10, 9, 0, 1}}) {
            ASSERT_TRUE(other.Send(to, 6002, reply, sizeof reply));
            while (group.WaitReadable(200))
                group.ReceiveWaiting(heard, 64);
        }
        EXPECT_EQ(heard.size(), 2u) << "receive buffer limit " << limit;
    }
}

} // namespace
