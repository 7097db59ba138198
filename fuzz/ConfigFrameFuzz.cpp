// The configuration frame from four field texts (IP, mask, gateway, MAC), one per line
// of the input.
#include "FuzzSupport.h"
#include "UDPDriverQuorrelConf.h"

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
    const auto& [ip, mask, gateway, mac] = fields;
    if (!ReadsWithoutResolver(ip) || !ReadsWithoutResolver(mask) || !ReadsWithoutResolver(gateway))
        return 0;

    const auto frame = BuildConfigFrame(ip, mask, gateway, mac);
    const auto parsedMac = core::ParseMac(mac);
    FUZZ_CHECK(frame.has_value() == parsedMac.has_value());
    if (!frame)
        return 0;
    FUZZ_CHECK(ByteSum(frame->data(), kFrameLength) == 0);
    for (size_t i = 0; i < 3; ++i) {
        const uint32_t expected = inet_addr(fields[i].c_str());
        FUZZ_CHECK(std::memcmp(frame->data() + 4 * i, &expected, 4) == 0);
    }
    for (int i = 12; i < 16; ++i)
        FUZZ_CHECK((*frame)[i] == 0xFF);
    FUZZ_CHECK((*frame)[16] == 0x89 && (*frame)[17] == 0x13 && (*frame)[24] == 0xFF);
    for (size_t group = 0; group < 6; ++group)
        FUZZ_CHECK((*frame)[23 - group] == (*parsedMac)[group]);
    return 0;
}
