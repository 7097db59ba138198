// Reads back a listing that "quorrel-cli discover --format json" wrote: a JSON array with one
// object per controller, with the keys sender, ip, mask, gateway, port, mac, hardware,
// software and card. Other keys are skipped, and so are the controllers a comparison listed
// as gone (change "gone"): they did not answer that search.
#pragma once

#include "Controllers.h"

#include <string>
#include <string_view>
#include <variant>

namespace cli {

// The controllers of the listing, in its order (each card by its name, as listed), or why
// the text is not such a listing.
std::variant<core::Controllers, std::string> ReadListing(std::string_view text);

} // namespace cli
