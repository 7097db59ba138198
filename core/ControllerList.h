// The list of controllers as it is kept: one line per controller with the columns sender,
// ip, mask, gateway, port, mac, hardware, software and card, written as CSV (RFC 4180, a
// header line, CR LF line ends, UTF-8) or, for one controller, as a tab-separated line. The
// command line's CSV listing, the window's copy and its saved list are all written here.
#pragma once

#include "Controllers.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace core {

constexpr size_t kListColumns = 9;
using ListCells = std::array<std::string, kListColumns>;

// The columns' names, as the CSV header line has them: "sender", "ip", "mask", "gateway",
// "port", "mac", "hardware", "software", "card".
extern const std::array<const char*, kListColumns> kListColumnNames;

// A controller's cells: the address it answered from, the fields of its record in their text
// forms, and the card it answered on by name, else by index ("" when neither is known).
ListCells ListedCells(const Controller& c);

// A CSV field, quoted when it holds a comma, a quote, CR or LF (quotes doubled inside).
std::string CsvField(std::string_view text);

// One CSV line: the fields quoted as needed, joined by commas, ended by CR LF.
std::string CsvLine(const std::vector<std::string>& fields);

// The whole list as CSV: the header line, then one line per controller in order.
std::string ControllersCsv(const Controllers& list);

// A controller's line for the clipboard: its cells joined by tabs, without a line end (a
// tab, CR or LF inside a cell becomes a space).
std::string TabLine(const Controller& c);

} // namespace core
