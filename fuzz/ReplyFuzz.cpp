// Any datagram through the reply check and, when it passes, the record text (and the
// controller record, where the tree has it).
#include "FuzzSupport.h"
#include "UDPDriverQuorrelConf.h"

#ifdef HAVE_CONTROLLER_RECORD
#include "ControllerRecord.h"
#endif

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A buffer of exactly the datagram's length, so any read past it is reported.
    const auto datagram = std::make_unique<uint8_t[]>(size);
    if (size > 0)
        std::memcpy(datagram.get(), data, size);
    const int length = static_cast<int>(size);

    const bool valid = IsDiscoveryReply(datagram.get(), length);
    FUZZ_CHECK(valid == (size == kReplyLength && ByteSum(datagram.get(), kReplyLength) == 0));
    if (valid) {
        const std::string text = RecordText(datagram.get());
        FUZZ_CHECK(text.size() == static_cast<size_t>(kRecordTextLength));
        FUZZ_CHECK(text.find_first_not_of("0123456789ABCDEF") == std::string::npos);
    }

#ifdef HAVE_CONTROLLER_RECORD
    const auto record = core::ControllerRecord::FromReply(datagram.get(), size);
    FUZZ_CHECK(record.has_value() == valid);
    if (record) {
        // The record, its text and the driver's text agree and read back the same.
        FUZZ_CHECK(record->Text() == RecordText(datagram.get()));
        FUZZ_CHECK(core::ControllerRecord::FromText(record->Text()) == record);
        const auto bytes = record->Bytes();
        FUZZ_CHECK(std::memcmp(bytes.data(), datagram.get(), bytes.size()) == 0);
    }
#endif
    return 0;
}
