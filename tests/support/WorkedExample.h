// The worked example of the wire formats, the one place its bytes are written down: the
// controller 192.168.1.10/255.255.255.0 via 192.168.1.1, port 5001, MAC
// 00-1A-2B-3C-4D-5E, versions 01 02 0A, zeros elsewhere; its reply, its record text, and
// the configuration frame that gives it these same addresses again.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace example {

// The texts of the parameter fields.
struct FieldTexts {
    const char* ip;
    const char* mask;
    const char* gateway;
    const char* mac;
};
inline constexpr FieldTexts kFields{"192.168.1.10", "255.255.255.0", "192.168.1.1",
                                    "00-1A-2B-3C-4D-5E"};

// The reply; its check byte is 0x51.
inline constexpr std::array<uint8_t, 30> kReply = {
    0xC0, 0xA8, 0x01, 0x0A, 0xFF, 0xFF, 0xFF, 0x00, 0xC0, 0xA8, 0x01, 0x01, 0x00, 0x00, 0x00,
    0x00, 0x89, 0x13, 0x5E, 0x4D, 0x3C, 0x2B, 0x1A, 0x00, 0x00, 0x01, 0x02, 0x0A, 0x00, 0x51};
inline const std::string kRecordText = "C0A8010AFFFFFF00C0A801010000000089135E4D3C2B1A000001020A00";

// The frame: fillers 0xFF, port 5001 low byte first, the MAC reversed; the first 25 bytes
// sum to 0x9D, so the check byte is 0x63.
inline constexpr std::array<uint8_t, 26> kFrame = {
    0xC0, 0xA8, 0x01, 0x0A, 0xFF, 0xFF, 0xFF, 0x00, 0xC0, 0xA8, 0x01, 0x01, 0xFF,
    0xFF, 0xFF, 0xFF, 0x89, 0x13, 0x5E, 0x4D, 0x3C, 0x2B, 0x1A, 0x00, 0xFF, 0x63};
inline const std::string kFrameText = "C0A8010AFFFFFF00C0A80101FFFFFFFF89135E4D3C2B1A00FF63";

} // namespace example
