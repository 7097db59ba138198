// Datagram edge cases where Winsock and BSD sockets answer differently: datagrams longer
// than the read buffer, empty ones, and the error that an ICMP "port unreachable" leaves
// on a UDP socket under Windows. Both systems must hand out exactly the same datagrams, and
// fall back to the same local port when another socket holds one.
#include "Discovery.h"
#include "PrivateNet.h"
#include "Search.h"
#include "UdpSocket.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace {

const core::Ip4 kLoopback{127, 0, 0, 1};

constexpr uint16_t kListenPort = 6102;
constexpr uint16_t kPeerPort = 6103;
constexpr uint16_t kNobodyPort = 6104; // nothing is bound here

class SocketEdgeTest : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_PRIVATE_NETWORK();
        listener = core::UdpSocket::Open(kListenPort);
        peer = core::UdpSocket::Open(kPeerPort);
        ASSERT_TRUE(listener.Valid());
        ASSERT_TRUE(peer.Valid());
    }

    // Sends from the peer to the listener.
    void SendToListener(const std::vector<uint8_t>& bytes) {
        ASSERT_TRUE(peer.Send(kLoopback, kListenPort, bytes.data(), bytes.size()))
            << bytes.size() << " bytes";
    }

    // Everything the listener hands out once the marker datagram {0xEE} has arrived (the
    // marker is the last datagram sent and is left out).
    std::vector<std::vector<uint8_t>> ReadUpToMarker() {
        const std::vector<uint8_t> marker{0xEE};
        SendToListener(marker);
        std::vector<std::vector<uint8_t>> got;
        std::deque<core::Datagram> queue;
        for (int round = 0; round < 200; ++round) {
            if (!listener.WaitReadable(10))
                continue;
            listener.ReceiveWaiting(queue, 100);
            while (!queue.empty()) {
                std::vector<uint8_t> bytes = std::move(queue.front().bytes);
                queue.pop_front();
                if (bytes == marker)
                    return got;
                got.push_back(std::move(bytes));
            }
        }
        ADD_FAILURE() << "the marker datagram never arrived";
        return got;
    }

    core::UdpSocket listener;
    core::UdpSocket peer;
};

struct LengthCase {
    size_t length;
    bool handedOut;
};

void PrintTo(const LengthCase& c, std::ostream* os) {
    *os << c.length << " bytes" << (c.handedOut ? "" : ", not handed out");
}

class DatagramLength : public SocketEdgeTest, public ::testing::WithParamInterface<LengthCase> {};

// Winsock reports a datagram longer than the buffer as an error (WSAEMSGSIZE) after
// consuming it; BSD sockets truncate it and flag MSG_TRUNC. Neither may end the reading.
TEST_P(DatagramLength, OnlyDatagramsThatFitTheBufferAreHandedOut) {
    const LengthCase c = GetParam();
    std::vector<uint8_t> bytes(c.length);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + 1);
    SendToListener(bytes);
    SendToListener({0x54, 0x52});
    const auto got = ReadUpToMarker();
    std::vector<std::vector<uint8_t>> expected;
    if (c.handedOut)
        expected.push_back(bytes);
    expected.push_back({0x54, 0x52});
    EXPECT_EQ(got, expected);
}

INSTANTIATE_TEST_SUITE_P(Lengths, DatagramLength,
                         ::testing::Values(LengthCase{0, false}, LengthCase{1, true},
                                           LengthCase{core::UdpSocket::kCapacity, true},
                                           LengthCase{core::UdpSocket::kCapacity + 1, false},
                                           LengthCase{1472, false}, LengthCase{8000, false}),
                         [](const ::testing::TestParamInfo<LengthCase>& info) {
                             return "Bytes" + std::to_string(info.param.length);
                         });

// A datagram sent to a port where nobody listens comes back as ICMP "port unreachable".
// Windows then fails the socket's next receive with WSAECONNRESET unless told not to. The
// error must not stand in for a datagram: whenever the socket says it can be read, a read
// gives a datagram, and the replies behind the error arrive in order.
TEST_F(SocketEdgeTest, PortUnreachableDoesNotGetInTheWayOfReplies) {
    const std::vector<uint8_t> request{0x54, 0x52};
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(listener.Send(kLoopback, kNobodyPort, request.data(), request.size()));
    const std::vector<uint8_t> reply(30, 0x11);
    const std::vector<uint8_t> marker{0xEE};
    ASSERT_TRUE(peer.Send(kLoopback, kListenPort, reply.data(), reply.size()));
    ASSERT_TRUE(peer.Send(kLoopback, kListenPort, marker.data(), marker.size()));
    std::deque<core::Datagram> queue;
    int emptyReads = 0;
    for (int round = 0; round < 200 && (queue.empty() || queue.back().bytes != marker); ++round)
        if (listener.WaitReadable(10) && listener.ReceiveWaiting(queue, 100) == 0)
            ++emptyReads;
    EXPECT_EQ(emptyReads, 0) << "the socket was readable but gave no datagram";
    ASSERT_EQ(queue.size(), 2u);
    EXPECT_EQ(queue[0].bytes, reply);
    EXPECT_EQ(queue[1].bytes, marker);
    EXPECT_TRUE(listener.Send(kLoopback, kPeerPort, request.data(), request.size()))
        << "the socket still sends after the error";
}

// A request or frame leaves from the first of 6002, 6003, 6004 that no other socket holds.
TEST(LocalPorts, TheFirstFreeOfTheThreeIsTaken) {
    REQUIRE_PRIVATE_NETWORK();
    const struct {
        std::vector<uint16_t> held;
        uint16_t opened; // 0: none
    } cases[] = {
        {{}, 6002}, {{6002}, 6003}, {{6003}, 6002}, {{6002, 6003}, 6004}, {{6002, 6003, 6004}, 0},
    };
    for (const auto& c : cases) {
        std::vector<core::UdpSocket> held;
        for (const uint16_t port : c.held) {
            held.push_back(core::UdpSocket::Open(port));
            ASSERT_TRUE(held.back().Valid()) << port;
        }
        uint16_t opened = 1;
        const core::UdpSocket socket = core::OpenLocalPort(core::kLocalPortBase, &opened);
        EXPECT_EQ(opened, c.opened) << c.held.size() << " held";
        EXPECT_EQ(socket.Valid(), c.opened != 0) << c.held.size() << " held";
    }
}

} // namespace
