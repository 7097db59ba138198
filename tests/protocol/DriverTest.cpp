// Discovery and configuration write against fakes of the window, with plain sockets in a
// private network standing in for the controllers' side.
#include "FakeHost.h"
#include "PrivateNet.h"
#include "UDPDriverQuorrelConf.h"
#include "WorkedExample.h"

#include "SocketApi.h"

#include <cstdlib>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <dirent.h>
#endif

namespace {

// A blocking-with-timeout socket on port 5001 that sees what the program sends.
class ControllerPort {
public:
    ControllerPort() {
        // Winsock counts its users; this side needs it even when no endpoint is open.
        started_ = sockapi::LibraryStartup();
        fd_ = ::socket(AF_INET, SOCK_DGRAM, 0);
#ifdef _WIN32
        // No SO_REUSEADDR here: on Windows it would let the port be taken from a holder.
        const DWORD timeout = 300;
#else
        const int one = 1;
        ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        const timeval timeout{0, 300000};
#endif
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
                     sizeof timeout);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(kControllerPort);
        bound_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    ~ControllerPort() {
        sockapi::CloseHandle(fd_);
        if (started_)
            sockapi::LibraryCleanup();
    }
    ControllerPort(const ControllerPort&) = delete;
    ControllerPort& operator=(const ControllerPort&) = delete;

    bool Bound() const {
        return bound_;
    }
    // The next datagram and its source port, or an empty vector when none came.
    std::vector<uint8_t> Receive(int* sourcePort = nullptr) {
        std::vector<uint8_t> buf(2048);
        sockaddr_in from{};
        sockapi::AddrLen len = sizeof from;
        const auto got =
            ::recvfrom(fd_, reinterpret_cast<char*>(buf.data()), static_cast<int>(buf.size()), 0,
                       reinterpret_cast<sockaddr*>(&from), &len);
        if (got < 0)
            return {};
        if (sourcePort)
            *sourcePort = ntohs(from.sin_port);
        buf.resize(static_cast<size_t>(got));
        return buf;
    }

private:
    bool started_ = false;
    sockapi::Handle fd_ = sockapi::kInvalid;
    bool bound_ = false;
};

// Local ports held open for the length of a test.
struct HeldPorts {
    explicit HeldPorts(std::initializer_list<int> ports) {
        for (int p : ports)
            handles.push_back(UdpOpen(p));
    }
    ~HeldPorts() {
        for (int32_t h : handles)
            if (h > 0)
                UdpClose(h);
    }
    std::vector<int32_t> handles;
};

// A clock that moves one millisecond per reading: a one-second search makes a fixed
// number of passes.
double g_fakeNow = 46000.0;
double SteppingClock() {
    g_fakeNow += 1.0 / kMillisecondsPerDay;
    return g_fakeNow;
}

class DriverTest : public ::testing::Test, protected FakeWindow {
protected:
    void SetUp() override {
        REQUIRE_PRIVATE_NETWORK();
        context.pump = [this] { ++pumps; };
    }

    int pumps = 0;
};

#ifdef _WIN32
// Windows has no descriptor table to count (and Wine gives no process handle count), so
// the socket count test is Linux-only. What Windows adds is the library start-up count:
// when every failed open ended its own start-up, closing the last endpoint ends the
// library and a new socket is refused with WSANOTINITIALISED.
bool WinsockStarted() {
    const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (s == INVALID_SOCKET)
        return WSAGetLastError() != WSANOTINITIALISED;
    ::closesocket(s);
    return true;
}

TEST_F(DriverTest, AFailedOpenEndsItsOwnLibraryStartUp) {
    ASSERT_FALSE(WinsockStarted()) << "an earlier test left the library started";
    const int32_t held = UdpOpen(kLocalPortBase);
    ASSERT_GT(held, 0);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(UdpOpen(kLocalPortBase), -1);
    EXPECT_TRUE(WinsockStarted());
    EXPECT_TRUE(UdpClose(held));
    EXPECT_FALSE(WinsockStarted());
}
#else
int OpenDescriptors() {
    int count = 0;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (::readdir(dir) != nullptr)
            ++count;
        ::closedir(dir);
    }
    return count;
}

TEST_F(DriverTest, AFailedOpenLeavesNoSocketBehind) {
    const int32_t held = UdpOpen(kLocalPortBase);
    ASSERT_GT(held, 0);
    const int before = OpenDescriptors();
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(UdpOpen(kLocalPortBase), -1);
    EXPECT_EQ(OpenDescriptors(), before);
    EXPECT_TRUE(UdpClose(held));
    EXPECT_EQ(OpenDescriptors(), before - 1);
}
#endif

// Endpoint numbers come from the layer's own table: small, above 0, and a number that was
// never handed out or is closed already is refused, even after another endpoint opened.
TEST_F(DriverTest, EndpointNumbersAreTheLayersOwnAndClosedOnesAreRefused) {
    const uint8_t tr[] = {'T', 'R'};
    const int32_t first = UdpOpen(kLocalPortBase);
    const int32_t second = UdpOpen(kLocalPortBase + 1);
    ASSERT_GT(first, 0);
    ASSERT_GT(second, 0);
    EXPECT_NE(first, second);
    EXPECT_LT(first, 1000) << "a small number, not a system handle";
    for (const int32_t never : {0, -1, first + second + 1000})
        EXPECT_EQ(UdpSend(never, "127.0.0.1", kControllerPort, tr, 2), 0) << never;
    EXPECT_FALSE(UdpClose(first + second + 1000));

    EXPECT_TRUE(UdpClose(first));
    const int32_t third = UdpOpen(kLocalPortBase);
    ASSERT_GT(third, 0);
    EXPECT_NE(third, first) << "a closed number is not handed out again";
    EXPECT_FALSE(UdpClose(first));
    EXPECT_EQ(UdpSend(first, "127.0.0.1", kControllerPort, tr, 2), 0);
    EXPECT_EQ(UdpSend(third, "127.0.0.1", kControllerPort, tr, 2), 2);
    EXPECT_TRUE(UdpClose(second));
    EXPECT_TRUE(UdpClose(third));
}

TEST_F(DriverTest, SearchWithNoFreeLocalPortDoesNothingAtAll) {
    ControllerPort controller;
    HeldPorts held{6002, 6003, 6004};
    ASSERT_GT(held.handles[2], 0);
    marquee.caption = "before";
    SearchControllers(context, kLocalPortBase, kBroadcastAddress);
    EXPECT_EQ(marquee.caption, "before");
    EXPECT_TRUE(progress.calls.empty());
    EXPECT_EQ(pumps, 0);
    EXPECT_TRUE(controller.Receive().empty()) << "nothing may be sent";
}

TEST_F(DriverTest, SearchFallsBackToTheThirdPortAndSendsTR) {
    ControllerPort controller;
    ASSERT_TRUE(controller.Bound());
    HeldPorts held{6002, 6003};
    context.clock = SteppingClock;
    SearchControllers(context, kLocalPortBase, "127.0.0.1");
    int sourcePort = 0;
    const auto request = controller.Receive(&sourcePort);
    EXPECT_EQ(request, (std::vector<uint8_t>{'T', 'R'}));
    EXPECT_EQ(sourcePort, 6004);
    EXPECT_EQ(marquee.history, (std::vector<std::string>{"Поиск контроллера по IP", ""}));
}

TEST_F(DriverTest, SearchCountsTwoPartsPerPassAndResetsAtTheEnd) {
    context.clock = SteppingClock;
    SearchControllers(context, kLocalPortBase, kBroadcastAddress);
    ASSERT_GE(progress.calls.size(), 4u);
    EXPECT_EQ(progress.calls[0], "total 150");
    EXPECT_EQ(progress.calls[1], "parts 0");
    EXPECT_EQ(progress.calls[2], "parts 2");
    EXPECT_EQ(progress.calls[3], "parts 4");
    EXPECT_EQ(progress.calls.back(), "percent 0");
    // every pass adds 2 before its receive, and every receive runs the pump
    const size_t passes = progress.calls.size() - 3;
    EXPECT_GE(static_cast<size_t>(pumps), passes);
    EXPECT_EQ(marquee.history, (std::vector<std::string>{"Широковещательный поиск", ""}));
    // the endpoint was closed: the port can be opened again
    const int32_t again = UdpOpen(kLocalPortBase);
    EXPECT_GT(again, 0);
    UdpClose(again);
}

TEST_F(DriverTest, WriteSendsTheWorkedExampleFrameOnce) {
    ControllerPort controller;
    ASSERT_TRUE(controller.Bound());
    fields.Set(example::kFields.ip, example::kFields.mask, example::kFields.gateway,
               example::kFields.mac);
    EXPECT_TRUE(WriteConfig(context, kLocalPortBase, kBroadcastAddress));
    EXPECT_EQ(controller.Receive(),
              std::vector<uint8_t>(example::kFrame.begin(), example::kFrame.end()));
    EXPECT_TRUE(controller.Receive().empty()) << "the frame goes out once";
    EXPECT_EQ(progress.calls, (std::vector<std::string>{"total 5", "parts 6", "percent 0"}));
    EXPECT_EQ(marquee.history,
              (std::vector<std::string>{"Запись конфигурации контроллера...", ""}));
    EXPECT_EQ(pumps, 0) << "a write processes no window messages";
}

TEST_F(DriverTest, WriteWithNoFreeLocalPortGivesFalseAndSendsNothing) {
    ControllerPort controller;
    HeldPorts held{6002, 6003, 6004};
    fields.Set("10.0.0.2", "255.0.0.0", "10.0.0.1", "00-1A-2B-3C-4D-5E");
    EXPECT_FALSE(WriteConfig(context, kLocalPortBase, kBroadcastAddress));
    EXPECT_TRUE(controller.Receive().empty());
    EXPECT_TRUE(marquee.history.empty());
    EXPECT_TRUE(progress.calls.empty());
}

TEST_F(DriverTest, WriteWithAShortMacSendsNothing) {
    ControllerPort controller;
    fields.Set("10.0.0.2", "255.0.0.0", "10.0.0.1", "");
    EXPECT_FALSE(WriteConfig(context, kLocalPortBase, kBroadcastAddress));
    EXPECT_TRUE(controller.Receive().empty());
    EXPECT_TRUE(marquee.history.empty());
}

TEST_F(DriverTest, WriteToASingleAddressReachesOnlyThatAddress) {
    ASSERT_EQ(privatenet::AddAddress("10.0.0.5/32"), "");
    ControllerPort controller;
    fields.Set("10.0.0.6", "255.255.255.0", "10.0.0.1", "0a:0b:0c:0d:0e:0f");
    EXPECT_TRUE(WriteConfig(context, kLocalPortBase, "10.0.0.5"));
    const auto frame = controller.Receive();
    ASSERT_EQ(frame.size(), 26u);
    EXPECT_EQ(std::vector<uint8_t>(frame.begin() + 18, frame.begin() + 24),
              (std::vector<uint8_t>{0x0F, 0x0E, 0x0D, 0x0C, 0x0B, 0x0A}));
}

// A frame that cannot leave is a failed write: the caller shows the write failure then.
TEST_F(DriverTest, WriteThatCannotBeSentGivesFalse) {
#ifdef _WIN32
    // A Windows program cannot change the routes; scripts/windows.sh adds this one to the
    // private network of the run.
#else
    ASSERT_EQ(std::system("ip route add unreachable 203.0.113.0/24"), 0);
#endif
    fields.Set("203.0.113.7", "255.255.255.0", "203.0.113.1", "00-1A-2B-3C-4D-5E");
    EXPECT_FALSE(WriteConfig(context, kLocalPortBase, "203.0.113.9"));
    EXPECT_EQ(marquee.caption, "") << "its own status is cleared as after any write";
    EXPECT_EQ(progress.percent, 0);
    const int32_t again = UdpOpen(kLocalPortBase);
    EXPECT_GT(again, 0) << "the endpoint was closed";
    UdpClose(again);
}

TEST_F(DriverTest, WriteOnACardThatHasGoneSendsNothingAndShowsNothing) {
    ControllerPort controller;
    fields.Set("10.0.0.2", "255.0.0.0", "10.0.0.1", "00-1A-2B-3C-4D-5E");
    EXPECT_FALSE(WriteConfig(context, kLocalPortBase, kBroadcastAddress, 4000));
    EXPECT_TRUE(controller.Receive().empty());
    EXPECT_TRUE(marquee.history.empty());
    EXPECT_TRUE(progress.calls.empty());
}

} // namespace
