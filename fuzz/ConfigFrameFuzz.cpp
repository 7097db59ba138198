// The configuration frame from four texts (IP, mask, gateway, MAC), one per line of the
// input, as a write parses the window's fields.
#include "ControllerRecord.h"
#include "FuzzSupport.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::array<std::string, 4> fields; // ip, mask, gateway, mac
    size_t field = 0;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == '\n' && field < 3)
            ++field;
        else
            fields[field].push_back(static_cast<char>(data[i]));
    }
    core::ControllerRecord values;
    std::array<core::Ip4*, 3> addresses = {&values.ip, &values.mask, &values.gateway};
    for (size_t i = 0; i < 3; ++i) {
        const auto parsed = core::ParseDottedQuad(fields[i]);
        // A text that parses is a dotted quad the system's parser reads alike.
        if (parsed) {
            const uint32_t expected = inet_addr(fields[i].c_str());
            FUZZ_CHECK(std::memcmp(parsed->data(), &expected, 4) == 0);
        }
        if (!parsed)
            return 0;
        *addresses[i] = *parsed;
    }
    const auto mac = core::ParseMac(fields[3]);
    if (!mac)
        return 0;
    values.mac = *mac;
    const core::FrameBytes frame = core::ConfigFrame(values);
    FUZZ_CHECK(core::Sum8(frame.data(), frame.size()) == 0);
    for (size_t i = 0; i < 3; ++i)
        FUZZ_CHECK(std::memcmp(frame.data() + 4 * i, addresses[i]->data(), 4) == 0);
    for (int i = 12; i < 16; ++i)
        FUZZ_CHECK(frame[i] == 0xFF);
    FUZZ_CHECK(frame[16] == 0x89 && frame[17] == 0x13 && frame[24] == 0xFF);
    for (size_t group = 0; group < 6; ++group)
        FUZZ_CHECK(frame[23 - group] == (*mac)[group]);
    return 0;
}
