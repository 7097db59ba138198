// Any text as a list of controllers (core::ReadList). A text that is refused is refused on
// one of its lines; what is read, written again as CSV and as JSON, reads back to the same
// controllers (JSON writes a card's name that is not UTF-8 with U+FFFD). fuzz_listing starts
// from JSON lists; fuzz_listing_csv (FUZZ_LIST_CSV) leaves texts that begin as JSON to it.
#include "ControllerList.h"
#include "FuzzSupport.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <variant>

namespace {

bool Utf8(const std::string& text) {
    try {
        (void)nlohmann::json(text).dump();
        return true;
    } catch (const nlohmann::json::type_error&) {
        return false;
    }
}

void CheckReadsBack(const core::Controllers& listed, const std::string& written, bool json) {
    const auto again = core::ReadList(written);
    const auto* back = std::get_if<core::Controllers>(&again);
    FUZZ_CHECK(back != nullptr && back->Count() == listed.Count());
    for (size_t i = 0; i < listed.Count(); ++i) {
        core::ListCells was = core::ListedCells(listed[i]);
        core::ListCells is = core::ListedCells((*back)[i]);
        if (json && !Utf8(was.back()))
            was.back() = is.back() = "";
        FUZZ_CHECK(was == is);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
#ifdef FUZZ_LIST_CSV
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first != std::string_view::npos && text[first] == '[')
        return 0;
#endif
    const auto read = core::ReadList(text);
    if (const auto* error = std::get_if<core::ListError>(&read)) {
        const auto lines = std::count(text.begin(), text.end(), '\n') + 1;
        FUZZ_CHECK(error->line >= 1 && error->line <= lines);
        using Why = core::ListError::Why;
        FUZZ_CHECK(error->column.has_value() ==
                   (error->why == Why::kNoHeader || error->why == Why::kMissing ||
                    error->why == Why::kBadValue));
        return 0;
    }
    const auto& listed = std::get<core::Controllers>(read);
    CheckReadsBack(listed, core::ControllersCsv(listed), false);
    CheckReadsBack(listed, core::ControllersJson(listed), true);
    return 0;
}
