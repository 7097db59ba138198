// Any datagram through the reply check and, when it passes, the controller record, its bytes
// and their text.
#include "ControllerRecord.h"
#include "FuzzSupport.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A buffer of exactly the datagram's length, so any read past it is reported.
    const auto datagram = std::make_unique<uint8_t[]>(size);
    if (size > 0)
        std::memcpy(datagram.get(), data, size);

    const bool valid = core::IsReply(datagram.get(), size);
    FUZZ_CHECK(valid == (size == core::kReplyBytes && core::Sum8(datagram.get(), size) == 0));
    const auto record = core::ControllerRecord::FromReply(datagram.get(), size);
    FUZZ_CHECK(record.has_value() == valid);
    if (record) {
        // The record gives back the bytes it was read from; their text is upper-case digits.
        const auto bytes = record->Bytes();
        FUZZ_CHECK(std::memcmp(bytes.data(), datagram.get(), bytes.size()) == 0);
        const std::string text = core::HexText(bytes.data(), bytes.size());
        FUZZ_CHECK(text.size() == 2 * core::kRecordBytes &&
                   text.find_first_not_of("0123456789ABCDEF") == std::string::npos);
    }
    return 0;
}
