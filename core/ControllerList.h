// The list of controllers as it is kept: one line per controller with the columns sender,
// ip, mask, gateway, port, mac, hardware, software and card. It is written as CSV (RFC 4180,
// a header line, CR LF line ends, UTF-8), as JSON (an array of one object per controller,
// keyed by the column names) or, for one controller, as a tab-separated line, and read back
// from CSV or JSON. The command line's listings, the window's copy and its saved list are
// all written here, and an earlier list is read here.
#pragma once

#include "Controllers.h"
#include "Csv.h"
#include "SiteChanges.h"

#include <nlohmann/json_fwd.hpp>

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace core {

enum class ListColumn { kSender, kIp, kMask, kGateway, kPort, kMac, kHardware, kSoftware, kCard };
constexpr size_t kListColumns = 9;
using ListCells = std::array<std::string, kListColumns>;

// The columns' names, as the CSV header line and the JSON keys have them.
inline constexpr std::array<const char*, kListColumns> kListColumnNames = {
    "sender", "ip", "mask", "gateway", "port", "mac", "hardware", "software", "card"};

constexpr const char* ColumnName(ListColumn column) {
    return kListColumnNames[static_cast<size_t>(column)];
}

// The column a comparison of two searches adds after the listed ones, and the words of its
// cells ("moved" is followed by " from " and the address it answered from before). A list
// read back skips the controllers listed as gone: they did not answer that search.
inline constexpr char kChangeColumn[] = "change";
// In the order of SiteChange.
inline constexpr std::array<const char*, 5> kChangeWords = {"new", "moved", "record changed",
                                                            "unchanged", "gone"};
static_assert(kChangeWords.size() == static_cast<size_t>(SiteChange::kGone) + 1);
constexpr const char* ChangeWord(SiteChange change) {
    return kChangeWords[static_cast<size_t>(change)];
}

// The fields of a record that are listed and compared between two searches (the MAC is the
// controller's key; the reserved bytes are not listed).
inline constexpr std::array kRecordColumns = {ListColumn::kIp,       ListColumn::kMask,
                                              ListColumn::kGateway,  ListColumn::kPort,
                                              ListColumn::kHardware, ListColumn::kSoftware};

// A controller's cells: the address it answered from, the fields of its record in their text
// forms, and the card it answered on by name, else by index ("" when neither is known).
ListCells ListedCells(const Controller& c);

// The columns of kRecordColumns in which the cells of a and b differ, in column order.
std::vector<ListColumn> DifferingColumns(const Controller& a, const Controller& b);

// The whole list as CSV: the header line, then one line per controller in order.
std::string ControllersCsv(const Controllers& list);

// A controller as a JSON object: its columns by name in column order, the port as a number
// and the other cells as strings.
nlohmann::ordered_json ListedObject(const Controller& c);

// An object on one line as the listings write it: {"sender": "192.168.1.10", "port": 5001}.
// Its keys are plain names, written as they are; text that is not UTF-8 (a card's name is
// whatever bytes the system gives) is written with U+FFFD, so that the line stays JSON.
std::string JsonLine(const nlohmann::ordered_json& object);

// Objects as a JSON array, one to a line: "[\n  {...},\n  {...}\n]\n", or "[]\n".
std::string JsonArray(const std::vector<nlohmann::ordered_json>& objects);

// The whole list as a JSON array, one controller to a line.
std::string ControllersJson(const Controllers& list);

// A controller's line for the clipboard: its cells joined by tabs, without a line end (a
// tab, CR or LF inside a cell becomes a space).
std::string TabLine(const Controller& c);

// Why a text is not a list: where, and what is wrong. Facts only; the front ends phrase them.
struct ListError {
    enum class Why {
        kNotJson,     // it begins as a JSON array but is no JSON (text: the parser's account)
        kNotAnObject, // an entry of the JSON array is not an object
        kNoHeader,    // not JSON, and the first line is no CSV header line naming column
        kBadQuote,    // a quoted CSV field is not closed, or is followed by more than a comma
        kFieldCount,  // a CSV line has another number of fields than the header line
        kMissing,     // a JSON entry has no column
        kBadValue,    // the cell of column is not such a cell (text: the cell)
    };
    Why why = Why::kNotJson;
    int line = 0; // from 1: the line of the text it was found on (a JSON entry's first)
    std::optional<ListColumn> column; // none when the fault is no column's
    std::string text;
};

// The controllers of a list as ControllersCsv or ControllersJson write it, in its order (each
// card by its name as listed), or why the text is not such a list. JSON when the text begins
// with "[" (after blanks and a byte order mark), CSV otherwise. The card may be missing.
// Columns besides the listed ones are skipped, and so are the controllers a comparison listed
// as gone (kChangeColumn).
std::variant<Controllers, ListError> ReadList(std::string_view text);

} // namespace core
