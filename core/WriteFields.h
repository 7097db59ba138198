// Which values a configuration write may send, whoever asks for it (the window or the
// command line). The front ends say why a value is refused in their own words.
#pragma once

#include <string>
#include <vector>

namespace core {

enum class WriteField { kIp, kMask, kGateway, kPort };

// The values a write is about to send, as texts.
struct WriteValues {
    std::string ip;
    std::string mask;
    std::string gateway;
    std::string port; // empty: not checked
    // The window checks the address fields only while they are enabled.
    bool checkAddresses = true;
};

struct FieldFault {
    enum class Why {
        kEmpty,
        kNotAnAddress,   // not four decimal groups of 0 to 255 without leading zeros, the
                         // first not 0
        kGroupAbove254,  // an IP address or gateway with a group of 255
        kNotWholeNumber, // a port that is no signed 32-bit decimal number
    };
    WriteField field;
    std::string text; // the rejected text
    Why why;
};

// Every check that fails, in the order IP, mask, gateway, port: the IP and the gateway are
// dotted quads with groups up to 254, the mask one with groups up to 255 (neither may begin
// with 0), the port a signed 32-bit decimal number. Empty when the values may be written.
std::vector<FieldFault> CheckWriteValues(const WriteValues& values);

} // namespace core
