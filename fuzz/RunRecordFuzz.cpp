// Any text as a report of writes (core::ReadRunRecord). A text that is refused is refused on
// one of its lines; what is read, written again, reads back to the same cells.
#include "FuzzSupport.h"
#include "RunRecord.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <variant>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto read = core::ReadRunRecord(text);
    if (const auto* error = std::get_if<core::RunReadError>(&read)) {
        const auto lines = std::count(text.begin(), text.end(), '\n') + 1;
        FUZZ_CHECK(error->line >= 1 && error->line <= lines);
        FUZZ_CHECK(error->column.has_value() == (error->why == core::RunReadError::Why::kNoHeader ||
                                                 error->why == core::RunReadError::Why::kBadValue));
        return 0;
    }
    const auto& entries = std::get<std::vector<core::RunEntry>>(read);
    const auto again = core::ReadRunRecord(core::RunRecordCsv(entries));
    const auto* back = std::get_if<std::vector<core::RunEntry>>(&again);
    FUZZ_CHECK(back != nullptr && back->size() == entries.size());
    for (size_t i = 0; i < entries.size(); ++i)
        FUZZ_CHECK(core::RunCells((*back)[i]) == core::RunCells(entries[i]));
    return 0;
}
