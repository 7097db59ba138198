// The simulated controllers: their settings, the command line that describes them, the
// discovery reply each one sends and the configuration frames they accept. No sockets here;
// controller_sim.cpp puts this on the wire.
//
// The simulator encodes replies and decodes frames on its own, on purpose: it does not use
// the program's record type (core/ControllerRecord), so a mistake in the program's layout
// cannot hide itself by being repeated on the controllers' side of the tests.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

constexpr uint16_t kListenPort = 5001;
constexpr int kRequestLength = 2;
constexpr int kReplyBytes = 30;
constexpr int kFrameBytes = 26;
constexpr int kMaxDatagram = 2048;

// IPv4 addresses are kept as four bytes in written order (first group first), the same
// order in which they travel inside replies and frames.
using Ip4 = std::array<uint8_t, 4>;
using Mac = std::array<uint8_t, 6>; // in written order: [0] is the first group

struct Controller {
    Ip4 ip{};
    Ip4 mask{255, 255, 255, 0};
    Ip4 gateway{};
    uint16_t port = kListenPort;
    Mac mac{};
    uint8_t hw = 0x01;
    uint8_t swMajor = 0x02;
    uint8_t swMinor = 0x0A;
};

struct Options {
    std::vector<Controller> controllers;
    bool badChecksum = false;
    int badLength = 0; // 0: replies have their proper 30 bytes
    bool answerTwice = false;
    int lateMs = 0;
    int junk = 0;
    int paceUs = 0;
    int exitAfterMs = 0;          // 0: run until a signal
    bool quiet = false;           // no "reply" lines, only the per-request summary
    bool ignoreFrames = false;    // frames are judged and reported but never applied
    int restartMs = 0;            // a controller that took a frame is silent this long
    bool answerFromOld = false;   // a controller that took a frame answers from its old address
    bool sharedMacs = false;      // controllers may have one MAC
    bool sharedAddresses = false; // controllers may have one address
    bool help = false;
};

// "192.168.1.10" -> bytes; nullopt unless four decimal groups 0-255.
std::optional<Ip4> ParseIp(std::string_view text);
// "00-1A-2B-3C-4D-5E" (or with ':') -> bytes; nullopt unless six two-digit hex groups.
std::optional<Mac> ParseMac(std::string_view text);

std::string IpText(const Ip4& ip);
std::string MacText(const Mac& mac);
std::string HexText(const uint8_t* data, size_t length);

// One controller from "ip=...,mac=...,mask=...,gw=...,port=...,hw=..,sw=..". Only ip is
// required; the mask defaults to 255.255.255.0, the gateway to a.b.c.1, the MAC to
// 02-00-a-b-c-d of the address, port 5001, hw 01, sw 02.0A. Fills error on failure.
std::optional<Controller> ParseController(std::string_view settings, std::string& error);

// count controllers from first on, perSubnet of them in each /24 (host parts 1 to
// perSubnet), then on to the next /24. MACs 02-00-<address bytes>, all distinct.
std::vector<Controller> GenerateControllers(const Ip4& first, int count, int perSubnet,
                                            std::string& error);

// The whole command line (without argv[0]). Fills error and gives nullopt on failure.
std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error);

// The --help text.
std::string UsageText();

// Bytes 0 to 28 of the controller's discovery reply; byte 28 holds marker.
std::array<uint8_t, 29> Record(const Controller& c, uint8_t marker = 0);

// The reply as it goes on the wire: the record, then the check byte that makes the sum
// 0 modulo 256. With length other than 30 the record is cut or padded with zeros to
// length - 1 bytes before the check byte. With badCheck the check byte is one too high.
std::vector<uint8_t> ReplyBytes(const Controller& c, uint8_t marker, int length, bool badCheck);

// Low 8 bits of the sum of the bytes.
uint8_t Sum8(const uint8_t* data, size_t length);

// What a configuration frame does to the controllers in scope (the indices of those that
// hear it). On acceptance the controller at index takes the frame's IP, mask and gateway.
struct FrameResult {
    bool accepted = false;
    std::string reason; // "length", "check byte" or "unknown mac" when rejected
    size_t index = 0;
    Ip4 previousIp{}; // the accepting controller's address before the frame
};
FrameResult ApplyFrame(std::vector<Controller>& controllers, const std::vector<size_t>& scope,
                       const uint8_t* data, size_t length);

// A datagram that is not the request counts as a configuration frame attempt (and is judged
// as one) when its length is between these bounds; anything else is logged as "other".
constexpr size_t kFrameLikeMin = 16;
constexpr size_t kFrameLikeMax = 64;

} // namespace sim
