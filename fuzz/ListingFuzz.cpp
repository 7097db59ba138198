// Any text as an earlier "discover --format json" listing. What it reads, written again as
// JSON, must read back to the same controllers.
#include "ControllerList.h"
#include "FuzzSupport.h"
#include "Listing.h"
#include "Output.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <variant>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto read = cli::ReadListing(std::string_view(reinterpret_cast<const char*>(data), size));
    const auto* listed = std::get_if<core::Controllers>(&read);
    if (listed == nullptr) {
        FUZZ_CHECK(!std::get<std::string>(read).empty());
        return 0;
    }
    const auto again = cli::ReadListing(cli::FormatControllers(*listed, cli::Format::kJson));
    const auto* back = std::get_if<core::Controllers>(&again);
    FUZZ_CHECK(back != nullptr && back->Count() == listed->Count());
    for (size_t i = 0; i < listed->Count(); ++i)
        FUZZ_CHECK(core::ListedCells((*back)[i]) == core::ListedCells((*listed)[i]));
    return 0;
}
