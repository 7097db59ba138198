// The controller protocol: wire formats, discovery and the configuration write.
#pragma once

#include "ControllerRecord.h"
#include "DeviceTable.h"
#include "DriverHost.h"
#include "Ports.h"
#include "WSA_UDP.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

// The window's search and write use the same ports and lengths as the command line.
constexpr uint16_t kControllerPort = core::kControllerPort;
constexpr int kLocalPortBase = core::kLocalPortBase;
constexpr int kLocalPortTries = core::kLocalPortTries; // 6002, 6003, 6004
constexpr int kReplyLength = static_cast<int>(core::kReplyBytes);
constexpr int kRecordLength = static_cast<int>(core::kRecordBytes);
constexpr int kRecordTextLength = static_cast<int>(core::kRecordTextLength);
constexpr int kFrameLength = static_cast<int>(core::kFrameBytes);
constexpr int kSearchParts = 150;
constexpr int kWriteParts = 5;
inline constexpr char kBroadcastAddress[] = "255.255.255.255";

using ConfigFrame = std::array<uint8_t, kFrameLength>;

// Sum of the first count bytes (count 0 to 255); only the low 8 bits count.
uint8_t ByteSum(const uint8_t* data, int count);

// A discovery reply is exactly 30 bytes summing to 0 modulo 256.
bool IsDiscoveryReply(const uint8_t* data, int length);

// The 2-byte discovery request "TR".
std::array<uint8_t, 2> DiscoveryRequest();

// Bytes 0 to 28 of a reply as 58 upper-case hexadecimal digits.
std::string RecordText(const uint8_t* reply);

// Two's-complement negation of the low 8 bits of the sum of bytes 0 to 24.
uint8_t FrameCheckByte(const ConfigFrame& frame);

// The configuration frame for the given field texts. Addresses go through HostToAddr; the
// MAC text is six two-digit hexadecimal groups separated by "-" or ":" (core::ParseMac).
// Any other MAC text cannot name a controller: no frame.
std::optional<ConfigFrame> BuildConfigFrame(const std::string& ip, const std::string& mask,
                                            const std::string& gateway, const std::string& mac);

// Everything a search or a write reaches in the window.
struct DriverContext {
    IDeviceTree* tree = nullptr;
    IStatusMarquee* marquee = nullptr;
    IProgressIndicator* progress = nullptr;
    DeviceTable* table = nullptr;
    const IParameterFields* fields = nullptr;
    MessagePump pump;
    ClockFn clock = SteadyClockDays;
};

// Sends one discovery request to destination and files every valid reply heard within
// one second (of context.clock) in the device table and the tree. Does nothing when none of the
// three local ports from base on can be opened.
void SearchControllers(DriverContext& context, int base, const std::string& destination);

// Builds the configuration frame from the parameter fields and sends it once, by the card
// with that interface index (0: as the system routes it). False when no local port could be
// opened, the card is no longer there (or the MAC text cannot name a controller): nothing
// sent, no status shown; false as well when the frame did not go out whole.
bool WriteConfig(DriverContext& context, int base, const std::string& destination,
                 unsigned card = 0);
