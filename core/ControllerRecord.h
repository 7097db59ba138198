// What a controller reports about itself: the 29-byte device record at the front of its
// 30-byte discovery reply, with named fields, the byte offsets they sit at and the texts
// the parameter fields show. The configuration frame reuses the record's layout for its
// first 25 bytes, so it is built here as well.
#pragma once

#include "Ports.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace core {

using Mac = std::array<uint8_t, 6>; // written order: [0] is the first group

constexpr size_t kRecordBytes = 29;
constexpr size_t kReplyBytes = 30;
constexpr size_t kFrameBytes = 26;

using FrameBytes = std::array<uint8_t, kFrameBytes>;

// Byte offsets inside a reply (and a frame, up to its check byte).
namespace offset {
constexpr size_t kIp = 0;         // 4 bytes, first group first
constexpr size_t kMask = 4;       // 4 bytes
constexpr size_t kGateway = 8;    // 4 bytes
constexpr size_t kReserved = 12;  // 4 bytes, not interpreted (0xFF in a frame)
constexpr size_t kPort = 16;      // 2 bytes, low byte first
constexpr size_t kMac = 18;       // 6 bytes, reversed: kMac + 5 holds the first group
constexpr size_t kReserved2 = 24; // not interpreted (0xFF in a frame)
constexpr size_t kHardware = 25;  // reply only
constexpr size_t kSoftwareMajor = 26;
constexpr size_t kSoftwareMinor = 27;
constexpr size_t kReserved3 = 28;  // not interpreted
constexpr size_t kReplyCheck = 29; // makes the 30 bytes sum to 0 modulo 256
constexpr size_t kFrameCheck = 25; // makes the 26 bytes sum to 0 modulo 256
} // namespace offset

struct ControllerRecord {
    Ip4 ip{};
    Ip4 mask{};
    Ip4 gateway{};
    std::array<uint8_t, 4> reserved{};
    uint16_t port = 0;
    Mac mac{};
    uint8_t reserved2 = 0;
    uint8_t hardware = 0;
    uint8_t softwareMajor = 0;
    uint8_t softwareMinor = 0;
    uint8_t reserved3 = 0;

    // The record of a valid discovery reply (exactly 30 bytes summing to 0 modulo 256).
    static std::optional<ControllerRecord> FromReply(const uint8_t* data, size_t length);

    std::array<uint8_t, kRecordBytes> Bytes() const;

    // The one text form of each field, as the window's parameter fields and the command
    // line's listing show it: "192.168.1.10", "5001", "00-1A-2B-3C-4D-5E", "01" (hardware),
    // "02.0A" (software).
    std::string IpText() const;
    std::string MaskText() const;
    std::string GatewayText() const;
    std::string PortText() const;
    std::string MacText() const;
    std::string HardwareText() const;
    std::string SoftwareText() const;

    bool operator==(const ControllerRecord&) const = default;
};

// The configuration frame that gives the controller named by values.mac the address,
// mask and gateway of values; its other fields are not read.
FrameBytes ConfigFrame(const ControllerRecord& values);

// Low 8 bits of the sum of the bytes (the check of replies and frames).
uint8_t Sum8(const uint8_t* data, size_t length);

// A discovery reply: exactly 30 bytes summing to 0 modulo 256.
bool IsReply(const uint8_t* data, size_t length);

// The check byte of a frame: makes its 26 bytes sum to 0 modulo 256 (frame holds at least
// the 25 bytes before it).
uint8_t FrameCheck(const uint8_t* frame);

// Two upper-case hexadecimal digits per byte, in order ("0A" for 0x0A).
std::string HexText(const uint8_t* data, size_t length);
// A byte from two hexadecimal digits, either case ("0A", "0a"); nullopt for any other text.
std::optional<uint8_t> ParseHexByte(std::string_view text);

// "192.168.1.10" from four bytes in written order.
std::string DottedQuad(const Ip4& address);
// Four bytes of a dotted quad that BadDottedQuad (non-strict) accepts; nullopt otherwise.
std::optional<Ip4> ParseDottedQuad(std::string_view text);

// "00-1A-2B-3C-4D-5E" (upper case, "-" between groups).
std::string MacText(const Mac& mac);
// Six two-digit hexadecimal groups separated by "-" or ":" (17 characters, either case).
std::optional<Mac> ParseMac(std::string_view text);

} // namespace core
