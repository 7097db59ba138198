// How quorrel-cli prints the controllers a search heard: an aligned table, one JSON
// document, or CSV with a header line (RFC 4180).
#pragma once

#include "CommandLine.h"
#include "ControllerRecord.h"

#include <string>
#include <string_view>
#include <vector>

namespace cli {

// One reply as it is listed.
struct Listed {
    core::Ip4 sender{};
    core::ControllerRecord record;
    std::string card;       // the card's name, or its index when the name is unknown; "" if neither
    unsigned cardIndex = 0; // interface index the reply arrived on (0: unknown)
};

std::string FormatControllers(const std::vector<Listed>& controllers, Format format);

// A CSV field, quoted when it holds a comma, a quote, CR or LF (quotes doubled inside).
std::string CsvField(std::string_view text);
// A JSON string literal with its quotes.
std::string JsonString(std::string_view text);

} // namespace cli
