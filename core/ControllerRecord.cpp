#include "ControllerRecord.h"

#include "UserFunc.h"

namespace core {

namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

std::string HexPair(uint8_t value) {
    return {kDigits[value >> 4], kDigits[value & 0x0F]};
}

Ip4 ReadIp(const uint8_t* bytes, size_t at) {
    return {bytes[at], bytes[at + 1], bytes[at + 2], bytes[at + 3]};
}

void WriteIp(uint8_t* bytes, size_t at, const Ip4& ip) {
    for (size_t i = 0; i < 4; ++i)
        bytes[at + i] = ip[i];
}

ControllerRecord FromBytes(const uint8_t* b) {
    ControllerRecord r;
    r.ip = ReadIp(b, offset::kIp);
    r.mask = ReadIp(b, offset::kMask);
    r.gateway = ReadIp(b, offset::kGateway);
    r.reserved = ReadIp(b, offset::kReserved);
    r.port = static_cast<uint16_t>(b[offset::kPort] | (b[offset::kPort + 1] << 8));
    for (size_t group = 0; group < 6; ++group)
        r.mac[group] = b[offset::kMac + 5 - group];
    r.reserved2 = b[offset::kReserved2];
    r.hardware = b[offset::kHardware];
    r.softwareMajor = b[offset::kSoftwareMajor];
    r.softwareMinor = b[offset::kSoftwareMinor];
    r.reserved3 = b[offset::kReserved3];
    return r;
}

} // namespace

uint8_t Sum8(const uint8_t* data, size_t length) {
    unsigned sum = 0;
    for (size_t i = 0; i < length; ++i)
        sum += data[i];
    return static_cast<uint8_t>(sum & 0xFF);
}

std::string HexText(const uint8_t* data, size_t length) {
    std::string text;
    text.reserve(2 * length);
    for (size_t i = 0; i < length; ++i)
        text += HexPair(data[i]);
    return text;
}

bool IsReply(const uint8_t* data, size_t length) {
    return data != nullptr && length == kReplyBytes && Sum8(data, length) == 0;
}

uint8_t FrameCheck(const uint8_t* frame) {
    return static_cast<uint8_t>(0u - Sum8(frame, offset::kFrameCheck));
}

std::optional<ControllerRecord> ControllerRecord::FromReply(const uint8_t* data, size_t length) {
    if (!IsReply(data, length))
        return std::nullopt;
    return FromBytes(data);
}

std::array<uint8_t, kRecordBytes> ControllerRecord::Bytes() const {
    std::array<uint8_t, kRecordBytes> b{};
    WriteIp(b.data(), offset::kIp, ip);
    WriteIp(b.data(), offset::kMask, mask);
    WriteIp(b.data(), offset::kGateway, gateway);
    WriteIp(b.data(), offset::kReserved, reserved);
    b[offset::kPort] = static_cast<uint8_t>(port & 0xFF);
    b[offset::kPort + 1] = static_cast<uint8_t>(port >> 8);
    for (size_t group = 0; group < 6; ++group)
        b[offset::kMac + 5 - group] = mac[group];
    b[offset::kReserved2] = reserved2;
    b[offset::kHardware] = hardware;
    b[offset::kSoftwareMajor] = softwareMajor;
    b[offset::kSoftwareMinor] = softwareMinor;
    b[offset::kReserved3] = reserved3;
    return b;
}

std::string ControllerRecord::IpText() const {
    return DottedQuad(ip);
}
std::string ControllerRecord::MaskText() const {
    return DottedQuad(mask);
}
std::string ControllerRecord::GatewayText() const {
    return DottedQuad(gateway);
}
std::string ControllerRecord::PortText() const {
    return std::to_string(port);
}
std::string ControllerRecord::MacText() const {
    return core::MacText(mac);
}
std::string ControllerRecord::HardwareText() const {
    return HexPair(hardware);
}
std::string ControllerRecord::SoftwareText() const {
    return HexPair(softwareMajor) + "." + HexPair(softwareMinor);
}

FrameBytes ConfigFrame(const ControllerRecord& values) {
    FrameBytes frame{};
    WriteIp(frame.data(), offset::kIp, values.ip);
    WriteIp(frame.data(), offset::kMask, values.mask);
    WriteIp(frame.data(), offset::kGateway, values.gateway);
    WriteIp(frame.data(), offset::kReserved, {0xFF, 0xFF, 0xFF, 0xFF});
    // Port 5001 whatever the controller reported.
    frame[offset::kPort] = static_cast<uint8_t>(kControllerPort & 0xFF);
    frame[offset::kPort + 1] = static_cast<uint8_t>(kControllerPort >> 8);
    for (size_t group = 0; group < 6; ++group)
        frame[offset::kMac + 5 - group] = values.mac[group];
    frame[offset::kReserved2] = 0xFF;
    frame[offset::kFrameCheck] = FrameCheck(frame.data());
    return frame;
}

std::string DottedQuad(const Ip4& a) {
    return std::to_string(a[0]) + "." + std::to_string(a[1]) + "." + std::to_string(a[2]) + "." +
           std::to_string(a[3]);
}

std::optional<Ip4> ParseDottedQuad(std::string_view text) {
    return ReadDottedQuad(text, QuadRules::kField);
}

std::optional<uint8_t> ParseHexByte(std::string_view text) {
    const int32_t value = text.size() == 2 ? HexToInt(text) : -1;
    return value < 0 ? std::nullopt : std::optional(static_cast<uint8_t>(value));
}

std::string MacText(const Mac& mac) {
    std::string text;
    for (size_t group = 0; group < mac.size(); ++group) {
        if (group > 0)
            text += '-';
        text += HexPair(mac[group]);
    }
    return text;
}

std::optional<Mac> ParseMac(std::string_view text) {
    constexpr size_t kMacTextLength = 17;
    if (text.size() != kMacTextLength)
        return std::nullopt;
    const char separator = text[2];
    if (separator != '-' && separator != ':')
        return std::nullopt;
    Mac mac{};
    for (size_t group = 0; group < 6; ++group) {
        if (group > 0 && text[3 * group - 1] != separator)
            return std::nullopt;
        const auto value = ParseHexByte(text.substr(3 * group, 2));
        if (!value)
            return std::nullopt;
        mac[group] = *value;
    }
    return mac;
}

} // namespace core
