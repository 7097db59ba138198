// Any text as a record text.
#include "ControllerRecord.h"
#include "FuzzSupport.h"

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const auto record = core::ControllerRecord::FromText(text);
    const bool wellFormed = text.size() == core::kRecordTextLength &&
                            text.find_first_not_of("0123456789ABCDEFabcdef") == text.npos;
    FUZZ_CHECK(record.has_value() == wellFormed);
    if (record) {
        std::string upper(text);
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        FUZZ_CHECK(record->Text() == upper);
    }
    return 0;
}
