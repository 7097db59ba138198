// Shared pieces of the simulator tests: a fixture that owns the program's socket on port
// 6002 and a simulator child process, inside the test's private network.
#pragma once

#include "ControllerRecord.h"
#include "PrivateNet.h"
#include "SimProcess.h"
#include "UdpSocket.h"

#include <arpa/inet.h>
#include <cstring>
#include <deque>
#include <gtest/gtest.h>
#include <memory>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace simtest {

using core::kControllerPort;
using core::kLocalPortBase;
inline const std::string kBroadcastAddress = "255.255.255.255";
constexpr int kFrameLength = static_cast<int>(core::kFrameBytes);

inline std::string RecordText(const uint8_t* reply) {
    return core::HexText(reply, core::kRecordBytes);
}

// The sender of a datagram as a dotted quad.
inline std::string SenderText(const core::Datagram& d) {
    return core::DottedQuad(d.sender);
}

// The frame of four field texts (dotted quads and a MAC, as they parse).
inline std::optional<core::FrameBytes> BuildConfigFrame(const std::string& ip,
                                                        const std::string& mask,
                                                        const std::string& gateway,
                                                        const std::string& mac) {
    core::ControllerRecord values;
    values.ip = core::ParseDottedQuad(ip).value();
    values.mask = core::ParseDottedQuad(mask).value();
    values.gateway = core::ParseDottedQuad(gateway).value();
    values.mac = core::ParseMac(mac).value();
    return core::ConfigFrame(values);
}

// Two controllers used throughout, and the records they must report.
inline const std::string kControllerA =
    "ip=192.168.1.10,mac=00-1A-2B-3C-4D-5E,mask=255.255.255.0,gw=192.168.1.1,port=5001,"
    "hw=01,sw=02.0A";
inline const std::string kRecordA = "C0A8010AFFFFFF00C0A801010000000089135E4D3C2B1A000001020A00";
inline const std::string kControllerB =
    "ip=10.0.0.5,mac=AA-BB-CC-DD-EE-01,mask=255.0.0.0,gw=10.0.0.1,port=5002,hw=03,sw=04.1F";
inline const std::string kRecordB = "0A000005FF0000000A000001000000008A1301EEDDCCBBAA0003041F00";

// Generous bounds for waiting on the child; never asserted as durations.
constexpr int kEventWaitMs = 10000;
constexpr int kReceiveWaitMs = 5000;

struct Datagram {
    std::string sender;
    int port = 0;
    std::vector<uint8_t> bytes;
};

inline std::string Hex(const std::vector<uint8_t>& bytes) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (const uint8_t b : bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 0x0F];
    }
    return text;
}

inline uint8_t Sum(const std::vector<uint8_t>& bytes) {
    unsigned sum = 0;
    for (const uint8_t b : bytes)
        sum += b;
    return static_cast<uint8_t>(sum);
}

class SimFixture : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_PRIVATE_NETWORK();
        static bool addressesAdded = false;
        if (!addressesAdded) {
            for (const char* cidr : {"192.168.1.10/32", "192.168.1.20/32", "10.0.0.5/32"})
                ASSERT_EQ(privatenet::AddAddress(cidr), "") << cidr;
            addressesAdded = true;
        }
        socket_ = core::UdpSocket::Open(kLocalPortBase);
        ASSERT_TRUE(socket_.Valid()) << "cannot open the program's socket on 6002";
    }

    void TearDown() override { sim_.reset(); }

    // Starts the simulator with the given options; fails the test if it does not get ready.
    void Launch(std::vector<std::string> args) {
        sim_ = std::make_unique<SimProcess>(std::move(args));
        const std::string error = sim_->Start();
        ASSERT_EQ(error, "");
    }

    // The program's own send: the length when every byte went out, else 0.
    int Send(const std::string& to, const std::vector<uint8_t>& bytes) {
        const bool sent =
            socket_.Send(*core::ParseDottedQuad(to), kControllerPort, bytes.data(), bytes.size());
        return sent ? static_cast<int>(bytes.size()) : 0;
    }
    int SendRequest(const std::string& to) { return Send(to, {'T', 'R'}); }

    // The next datagram the program's socket reads, waiting up to waitMs for each read.
    std::optional<Datagram> Receive(int waitMs) {
        while (waiting_.empty() && socket_.WaitReadable(waitMs))
            socket_.ReceiveWaiting(waiting_, 64);
        if (waiting_.empty())
            return std::nullopt;
        const core::Datagram d = std::move(waiting_.front());
        waiting_.pop_front();
        return Datagram{SenderText(d), d.senderPort, d.bytes};
    }

    // Waits for the simulator to finish answering the n-th request (counting from 1), then
    // collects every datagram that is waiting on the endpoint.
    std::vector<Datagram> ReceiveAnswers(int request = 1) {
        std::vector<Datagram> out;
        size_t from = 0;
        for (int i = 0; i < request; ++i) {
            const auto answered = sim_->WaitForEvent(
                [](const SimProcess::Event& e) { return Field(e, "event") == "answered"; },
                kEventWaitMs, from);
            if (!answered) {
                ADD_FAILURE() << "the simulator never finished answering";
                return out;
            }
            from = IndexOf(*answered) + 1;
        }
        // Everything was sent before "answered" was printed: it is all queued for us now.
        while (auto d = Receive(100))
            out.push_back(*d);
        return out;
    }

    size_t IndexOf(const SimProcess::Event& event) {
        const auto& all = sim_->Events();
        for (size_t i = 0; i < all.size(); ++i)
            if (all[i] == event)
                return i;
        return all.size();
    }

    core::UdpSocket socket_;
    std::deque<core::Datagram> waiting_;
    std::unique_ptr<SimProcess> sim_;
};

// A plain socket standing for some other sender on the loopback network.
class OtherSocket {
public:
    OtherSocket() {
        fd_ = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd_, reinterpret_cast<const sockaddr*>(&local), sizeof local);
        socklen_t len = sizeof local;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &len);
        port_ = ntohs(local.sin_port);
    }
    ~OtherSocket() { ::close(fd_); }
    OtherSocket(const OtherSocket&) = delete;
    OtherSocket& operator=(const OtherSocket&) = delete;

    bool SendTo(uint16_t port, const std::vector<uint8_t>& bytes) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return ::sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                        sizeof to) == static_cast<ssize_t>(bytes.size());
    }
    int Port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

} // namespace simtest
