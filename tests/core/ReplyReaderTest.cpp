// The socket object and the receive path that keeps it drained.
#include "ReplyReader.h"
#include "FakeHost.h"
#include "PrivateNet.h"
#include "SimProcess.h"
#include "UDPDriverQuorrelConf.h"

#include <gtest/gtest.h>

#include <chrono>
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
    EXPECT_FALSE(s.Send("255.255.255.255", 5001, tr, 2, 99999)) << "no card with that index";
    EXPECT_TRUE(s.Close());
    EXPECT_FALSE(s.Close());
}

TEST(ReplyReader, WhatArrivedWithinTheWindowIsHandedOutAfterItAndNothingLater) {
    REQUIRE_PRIVATE_NETWORK();
    core::UdpSocket socket = core::UdpSocket::Open(6002);
    core::UdpSocket other = OtherSocket();
    ASSERT_TRUE(socket.Valid());
    ASSERT_TRUE(other.Valid());
    core::ReplyReader reader(socket);
    const uint8_t early[] = {1, 2, 3};
    const uint8_t late[] = {4, 5};
    // Loopback delivers a moment after the send, and drops what finds its queue full when
    // other tests flood it: send again until one has arrived.
    bool arrived = false;
    for (int attempt = 0; attempt < 10 && !arrived; ++attempt) {
        ASSERT_TRUE(other.Send("127.0.0.1", 6002, early, sizeof early));
        for (int i = 0; i < 100 && !arrived; ++i) {
            arrived = reader.Received() > 0 || socket.WaitReadable(0);
            if (!arrived)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    ASSERT_TRUE(arrived);
    reader.EndWindow();
    ASSERT_TRUE(other.Send("127.0.0.1", 6002, late, sizeof late));
    ASSERT_TRUE(socket.WaitReadable(1000)) << "the late datagram is there to be read";

    std::vector<std::vector<uint8_t>> handedOut;
    core::Datagram d;
    while (reader.Next(d)) {
        handedOut.push_back(d.bytes);
        EXPECT_EQ(d.SenderText(), "127.0.0.1");
        EXPECT_EQ(d.senderPort, 7000);
        EXPECT_EQ(d.card, 1u) << "lo";
    }
    ASSERT_FALSE(handedOut.empty());
    for (const auto& bytes : handedOut)
        EXPECT_EQ(bytes, (std::vector<uint8_t>{1, 2, 3}))
            << "the late one arrived after the window";
}

// Lets the socket open with the receive buffer an ordinary user gets, for one test.
class ReceiveBufferLimit {
public:
    explicit ReceiveBufferLimit(int bytes) { core::UdpSocket::LimitReceiveBuffer(bytes); }
    ~ReceiveBufferLimit() { core::UdpSocket::LimitReceiveBuffer(0); }
};

TEST(ReplyReader, ABurstLargerThanTheSocketBufferIsFiledWholeWhileTheWindowIsBusy) {
    REQUIRE_PRIVATE_NETWORK();
    constexpr int kControllers = 2000;
    // Stock Debian: net.core.rmem_max = 212992, granted twice over, about 550 replies.
    ReceiveBufferLimit limit(212992);
    {
        core::UdpSocket probe = core::UdpSocket::Open(6002);
        ASSERT_LE(probe.ReceiveBufferBytes(), 2 * 212992);
    }
    // The replies come 40 us apart: 1250 of them while the window is busy for 50 ms, more
    // than the buffer holds, so only a reader of its own can take them in time; the rest
    // while the window files that backlog and reads along. (A simulator sending flat out
    // on the same processors as both threads of the test could outrun any reader.)
    SimProcess sim({"--generate", std::to_string(kControllers), "--first", "127.1.0.1",
                    "--per-subnet", "250", "--pace-us", "40", "--quiet"});
    ASSERT_EQ(sim.Start(), "");

    FakeWindow window;
    FakeTree& tree = window.tree;
    DeviceTable& table = window.table;
    DriverContext& context = window.context;
    bool first = true;
    context.pump = [&] {
        if (std::exchange(first, false))
            std::this_thread::sleep_for(std::chrono::milliseconds(50)); // a long repaint
    };
    SearchControllers(context, kLocalPortBase, kBroadcastAddress);

    const auto answered = sim.WaitForEvent("answered", 10000);
    ASSERT_TRUE(answered);
    ASSERT_EQ(Field(*answered, "replies"), std::to_string(kControllers));
    ASSERT_EQ(table.Count(), kControllers);
    // Filed in arrival order, which is the order the simulator sent them in, however the
    // two readers shared the work.
    int outOfOrder = 0;
    for (int k = 0; k < kControllers; ++k)
        if (table.Name(k) != "127.1." + std::to_string(k / 250) + "." + std::to_string(k % 250 + 1))
            ++outOfOrder;
    EXPECT_EQ(outOfOrder, 0);
    size_t nodes = 0;
    for (const auto& subnet : tree.Root().children)
        nodes += subnet->children.size();
    EXPECT_EQ(nodes, static_cast<size_t>(kControllers));
    EXPECT_EQ(tree.Root().children.size(), static_cast<size_t>(kControllers / 250));
}

} // namespace
