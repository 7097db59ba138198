// Discovery and configuration write against fakes of the window, with plain sockets in a
// private network standing in for the controllers' side.
#include "FakeHost.h"
#include "PrivateNet.h"
#include "RunSearch.h"
#include "UDPDriverQuorrelConf.h"
#include "WorkedExample.h"

#include "SocketApi.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <variant>
#ifndef _WIN32
#include <dirent.h>
#endif

namespace {

// A blocking-with-timeout socket on port 5001 that sees what the program sends.
class ControllerPort {
public:
    ControllerPort() {
        sockapi::LibraryStartup();
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
        a.sin_port = htons(core::kControllerPort);
        bound_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    ~ControllerPort() {
        sockapi::CloseHandle(fd_);
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
    sockapi::Handle fd_ = sockapi::kInvalid;
    bool bound_ = false;
};

// Local ports held open for the length of a test.
struct HeldPorts {
    explicit HeldPorts(std::initializer_list<uint16_t> ports) {
        for (uint16_t p : ports)
            sockets.push_back(core::UdpSocket::Open(p));
    }
    std::vector<core::UdpSocket> sockets;
};

class DriverTest : public ::testing::Test, protected FakeWindow {
protected:
    void SetUp() override { REQUIRE_PRIVATE_NETWORK(); }
    // Searches, counting the turns of the event loop meanwhile.
    void Search(const std::string& destination) {
        SearchControllers(context, core::kLocalPortBase, destination, [this] { ++pumps; });
    }
    // Writes the fields to the controller with that MAC: to the broadcast address on card
    // after a broadcast search, else to its address to. true when the frame went out.
    bool Write(const std::string& to, const std::string& mac = "00-1A-2B-3C-4D-5E",
               unsigned card = 0) {
        core::Controller target;
        target.address = *core::ParseDottedQuad(to);
        target.card = card;
        target.record.mac = *core::ParseMac(mac);
        const auto prepared = core::PrepareWrite(
            table, target, {fields.ip, fields.mask, fields.gateway, ""}, to == kBroadcastAddress);
        const auto* write = std::get_if<core::PreparedWrite>(&prepared);
        return write != nullptr && WriteConfig(context, core::kLocalPortBase, *write);
    }

    int pumps = 0;
};

#ifndef _WIN32
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
    core::UdpSocket held = core::UdpSocket::Open(core::kLocalPortBase);
    ASSERT_TRUE(held.Valid());
    const int before = OpenDescriptors();
    for (int i = 0; i < 50; ++i)
        EXPECT_FALSE(core::UdpSocket::Open(core::kLocalPortBase).Valid());
    EXPECT_EQ(OpenDescriptors(), before);
    EXPECT_TRUE(held.Close());
    EXPECT_EQ(OpenDescriptors(), before - 1);
}
#endif

TEST_F(DriverTest, SearchWithNoFreeLocalPortDoesNothingAtAll) {
    ControllerPort controller;
    HeldPorts held{6002, 6003, 6004};
    ASSERT_TRUE(held.sockets[2].Valid());
    marquee.caption = "before";
    Search(kBroadcastAddress);
    EXPECT_EQ(marquee.caption, "before");
    EXPECT_TRUE(progress.calls.empty());
    EXPECT_EQ(pumps, 0);
    EXPECT_TRUE(controller.Receive().empty()) << "nothing may be sent";
}

TEST_F(DriverTest, SearchFallsBackToTheThirdPortAndSendsTR) {
    ControllerPort controller;
    ASSERT_TRUE(controller.Bound());
    HeldPorts held{6002, 6003};
    Search("127.0.0.1");
    int sourcePort = 0;
    const auto request = controller.Receive(&sourcePort);
    EXPECT_EQ(request, (std::vector<uint8_t>{'T', 'R'}));
    EXPECT_EQ(sourcePort, 6004);
    EXPECT_EQ(marquee.history, (std::vector<std::string>{"Поиск контроллера по IP", ""}));
}

TEST_F(DriverTest, SearchCountsTwoPartsPerPassAndResetsAtTheEnd) {
    Search(kBroadcastAddress);
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
    EXPECT_TRUE(core::UdpSocket::Open(core::kLocalPortBase).Valid());
}

TEST_F(DriverTest, WriteSendsTheWorkedExampleFrameOnce) {
    ControllerPort controller;
    ASSERT_TRUE(controller.Bound());
    fields.Set(example::kFields.ip, example::kFields.mask, example::kFields.gateway);
    EXPECT_TRUE(Write(kBroadcastAddress, example::kFields.mac));
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
    fields.Set("10.0.0.2", "255.0.0.0", "10.0.0.1");
    EXPECT_FALSE(Write(kBroadcastAddress));
    EXPECT_TRUE(controller.Receive().empty());
    EXPECT_TRUE(marquee.history.empty());
    EXPECT_TRUE(progress.calls.empty());
}

// An address text that does not parse is no address (it never becomes 255.255.255.255):
// nothing is sent.
TEST_F(DriverTest, WriteWithATextThatDoesNotParseSendsNothing) {
    ControllerPort controller;
    for (const auto& [ip, mask] : {std::pair{"1.2.3", "255.0.0.0"}, {"10.0.0.2", "255,0,0,0"}}) {
        fields.Set(ip, mask, "10.0.0.1");
        EXPECT_FALSE(Write(kBroadcastAddress)) << ip << " " << mask;
    }
    EXPECT_TRUE(controller.Receive().empty());
    EXPECT_TRUE(marquee.history.empty());
}

TEST_F(DriverTest, WriteToASingleAddressReachesOnlyThatAddress) {
    ASSERT_EQ(privatenet::AddAddress("10.0.0.5/32"), "");
    ControllerPort controller;
    fields.Set("10.0.0.6", "255.255.255.0", "10.0.0.1");
    EXPECT_TRUE(Write("10.0.0.5", "0a:0b:0c:0d:0e:0f"));
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
    fields.Set("203.0.113.7", "255.255.255.0", "203.0.113.1");
    EXPECT_FALSE(Write("203.0.113.9"));
    EXPECT_EQ(marquee.caption, "") << "its own status is cleared as after any write";
    EXPECT_EQ(progress.percent, 0);
    EXPECT_TRUE(core::UdpSocket::Open(core::kLocalPortBase).Valid()) << "the endpoint was closed";
}

TEST_F(DriverTest, WriteOnACardThatHasGoneSendsNothingAndShowsNothing) {
    ControllerPort controller;
    fields.Set("10.0.0.2", "255.0.0.0", "10.0.0.1");
    EXPECT_FALSE(Write(kBroadcastAddress, "00-1A-2B-3C-4D-5E", 4000));
    EXPECT_TRUE(controller.Receive().empty());
    EXPECT_TRUE(marquee.history.empty());
    EXPECT_TRUE(progress.calls.empty());
}

} // namespace
