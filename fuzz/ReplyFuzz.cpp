// Any datagram through the reply check and, when it passes, the controller record and its
// text.
#include "ControllerRecord.h"
#include "FuzzSupport.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

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
        // The record, its text and the bytes agree and read back the same.
        const std::string text = record->Text();
        FUZZ_CHECK(text == core::HexText(datagram.get(), core::kRecordBytes));
        FUZZ_CHECK(text.find_first_not_of("0123456789ABCDEF") == std::string::npos);
        FUZZ_CHECK(core::ControllerRecord::FromText(text) == record);
        const auto bytes = record->Bytes();
        FUZZ_CHECK(std::memcmp(bytes.data(), datagram.get(), bytes.size()) == 0);
    }
    return 0;
}
