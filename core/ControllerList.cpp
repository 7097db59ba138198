#include "ControllerList.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <optional>
#include <sstream>
#include <system_error>

namespace core {

namespace {

using nlohmann::json;
using Why = ListError::Why;

std::string Dump(const nlohmann::ordered_json& value) {
    return value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

// Two hexadecimal digits, as HexText writes a byte.
std::optional<uint8_t> HexByte(std::string_view text) {
    unsigned value = 0;
    if (text.size() != 2 ||
        std::from_chars(text.data(), text.data() + 2, value, 16).ptr != text.data() + 2)
        return std::nullopt;
    return static_cast<uint8_t>(value);
}

// Puts a cell's text into its field of h; false when it is no such cell.
bool ReadCell(ListColumn column, std::string_view text, Heard& h) {
    const auto set = [](auto& field, const auto& parsed) {
        if (parsed)
            field = *parsed;
        return parsed.has_value();
    };
    ControllerRecord& r = h.record;
    switch (column) {
    case ListColumn::kSender:
        return set(h.sender, ParseDottedQuad(text));
    case ListColumn::kIp:
        return set(r.ip, ParseDottedQuad(text));
    case ListColumn::kMask:
        return set(r.mask, ParseDottedQuad(text));
    case ListColumn::kGateway:
        return set(r.gateway, ParseDottedQuad(text));
    case ListColumn::kPort: {
        unsigned value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        r.port = static_cast<uint16_t>(value);
        return error == std::errc() && end == text.data() + text.size() && value <= 65535;
    }
    case ListColumn::kMac:
        return set(r.mac, ParseMac(text));
    case ListColumn::kHardware:
        return set(r.hardware, HexByte(text));
    case ListColumn::kSoftware: // "02.0A"
        return text.size() == 5 && text[2] == '.' &&
               set(r.softwareMajor, HexByte(text.substr(0, 2))) &&
               set(r.softwareMinor, HexByte(text.substr(3)));
    case ListColumn::kCard:
        h.cardName = text;
        return true;
    }
    return false;
}

// A listed controller's cells as read: each column's text, nothing when it is missing.
using ReadCells = std::array<std::optional<std::string>, kListColumns>;

// Files the controller the cells of line list, or says what is wrong with them.
std::optional<ListError> FileCells(const ReadCells& cells, int line, Controllers& list) {
    Heard h;
    for (size_t i = 0; i < kListColumns; ++i) {
        const auto column = static_cast<ListColumn>(i);
        if (!cells[i] && column != ListColumn::kCard)
            return ListError{Why::kMissing, line, kListColumnNames[i], ""};
        if (cells[i] && !ReadCell(column, *cells[i], h))
            return ListError{Why::kBadValue, line, kListColumnNames[i], *cells[i]};
    }
    list.File(h);
    return std::nullopt;
}

// The line of each offset into text, for offsets that never decrease.
class LineCounter {
public:
    explicit LineCounter(std::string_view text) : text_(text) {}
    int LineAt(size_t offset) {
        for (offset = std::min(offset, text_.size()); at_ < offset; ++at_)
            line_ += text_[at_] == '\n' ? 1 : 0;
        return line_;
    }

private:
    std::string_view text_;
    size_t at_ = 0;
    int line_ = 1;
};

std::variant<Controllers, ListError> ReadJson(std::string_view text) {
    std::istringstream in{std::string(text)};
    // The line of the last character the parser read: it reads the stream one at a time.
    LineCounter lines(text);
    const auto lineRead = [&in, &lines] {
        const auto read = in.rdbuf()->pubseekoff(0, std::ios::cur, std::ios::in);
        return lines.LineAt(read > 0 ? static_cast<size_t>(read) - 1 : 0);
    };
    // The line each entry of the array begins on (the parser reports it just past its start).
    std::vector<int> entryLines;
    const json::parser_callback_t note = [&](int depth, json::parse_event_t event, json&) {
        using Event = json::parse_event_t;
        if (depth == 1 &&
            (event == Event::object_start || event == Event::array_start || event == Event::value))
            entryLines.push_back(lineRead());
        return true;
    };
    json document;
    try {
        document = json::parse(in, note);
    } catch (const json::exception& e) {
        // "[json.exception.parse_error.101] parse error at line 2, column 5: syntax error ...",
        // "[json.exception.out_of_range.406] number overflow parsing '1e999'"
        std::string_view what = e.what();
        if (const size_t id = what.find("] "); id != what.npos)
            what.remove_prefix(id + 2);
        if (const size_t at = what.find(": "); what.starts_with("parse error") && at != what.npos)
            what.remove_prefix(at + 2);
        return ListError{Why::kNotJson, lineRead(), "", std::string(what)};
    }
    Controllers list;
    for (size_t i = 0; i < document.size(); ++i) {
        const json& entry = document[i];
        const int line = i < entryLines.size() ? entryLines[i] : 0;
        if (!entry.is_object())
            return ListError{Why::kNotAnObject, line, "", ""};
        if (const auto change = entry.find("change"); change != entry.end() && *change == "gone")
            continue;
        ReadCells cells;
        for (size_t c = 0; c < kListColumns; ++c)
            if (const auto it = entry.find(kListColumnNames[c]); it != entry.end())
                if (it->is_string() || it->is_number())
                    cells[c] = it->is_string() ? it->get<std::string>() : it->dump();
        if (auto error = FileCells(cells, line, list))
            return *error;
    }
    return list;
}

// A CSV record: its fields, and the line it begins on.
struct CsvRecord {
    int line = 0;
    std::vector<std::string> fields;
};

// The records of CSV text as RFC 4180 has them (a quoted field may hold commas, doubled
// quotes and line ends; a line ends with CR LF or LF), without blank lines; or where a quoted
// field goes wrong.
std::variant<std::vector<CsvRecord>, ListError> CsvRecords(std::string_view text) {
    std::vector<CsvRecord> records;
    int line = 1;
    size_t at = 0;
    while (at < text.size()) {
        CsvRecord record{line, {}};
        for (;;) {
            std::string field;
            if (at < text.size() && text[at] == '"') {
                const int opened = line;
                for (++at;; ++at) {
                    if (at == text.size())
                        return ListError{Why::kBadQuote, opened, "", ""};
                    if (text[at] == '"' && (++at == text.size() || text[at] != '"'))
                        break; // the closing quote; a doubled one stands for one
                    line += text[at] == '\n' ? 1 : 0;
                    field += text[at];
                }
                const bool crLf = text.substr(at).starts_with("\r\n");
                if (at < text.size() && text[at] != ',' && text[at] != '\n' && !crLf)
                    return ListError{Why::kBadQuote, line, "", ""};
            } else {
                const size_t end = std::min(text.find_first_of(",\n", at), text.size());
                field = text.substr(at, end - at);
                if (field.ends_with('\r') && (end == text.size() || text[end] == '\n'))
                    field.pop_back();
                at = end;
            }
            record.fields.push_back(std::move(field));
            if (at == text.size() || text[at] != ',')
                break;
            ++at;
        }
        if (at < text.size()) { // the line end
            at += text[at] == '\r' ? 2 : 1;
            ++line;
        }
        if (record.fields.size() > 1 || !record.fields.front().empty())
            records.push_back(std::move(record));
    }
    return records;
}

std::variant<Controllers, ListError> ReadCsv(std::string_view text) {
    auto split = CsvRecords(text);
    if (const auto* error = std::get_if<ListError>(&split))
        return *error;
    const auto& records = std::get<std::vector<CsvRecord>>(split);
    const std::vector<std::string> header =
        records.empty() ? std::vector<std::string>{} : records[0].fields;
    // Each column's place in a line; header.size() when it has none.
    const auto place = [&header](std::string_view name) {
        return static_cast<size_t>(std::find(header.begin(), header.end(), name) - header.begin());
    };
    std::array<size_t, kListColumns> places{};
    for (size_t c = 0; c < kListColumns; ++c) {
        places[c] = place(kListColumnNames[c]);
        if (places[c] == header.size() && static_cast<ListColumn>(c) != ListColumn::kCard)
            return ListError{Why::kNoHeader, records.empty() ? 1 : records[0].line,
                             kListColumnNames[c], ""};
    }
    const size_t change = place("change");
    Controllers list;
    for (size_t r = 1; r < records.size(); ++r) {
        const CsvRecord& record = records[r];
        if (record.fields.size() != header.size())
            return ListError{Why::kFieldCount, record.line, "", ""};
        if (change < header.size() && record.fields[change] == "gone")
            continue;
        ReadCells cells;
        for (size_t c = 0; c < kListColumns; ++c)
            if (places[c] < header.size())
                cells[c] = record.fields[places[c]];
        if (auto error = FileCells(cells, record.line, list))
            return *error;
    }
    return list;
}

} // namespace

const std::array<const char*, kListColumns> kListColumnNames = {
    "sender", "ip", "mask", "gateway", "port", "mac", "hardware", "software", "card"};

std::string ListedCell(const Controller& c, ListColumn column) {
    const ControllerRecord& r = c.record;
    switch (column) {
    case ListColumn::kSender:
        return DottedQuad(c.address);
    case ListColumn::kIp:
        return r.IpText();
    case ListColumn::kMask:
        return r.MaskText();
    case ListColumn::kGateway:
        return r.GatewayText();
    case ListColumn::kPort:
        return r.PortText();
    case ListColumn::kMac:
        return r.MacText();
    case ListColumn::kHardware:
        return r.HardwareText();
    case ListColumn::kSoftware:
        return r.SoftwareText();
    case ListColumn::kCard:
        break;
    }
    return c.cardName.empty() && c.card != 0 ? std::to_string(c.card) : c.cardName;
}

ListCells ListedCells(const Controller& c) {
    ListCells cells;
    for (size_t i = 0; i < kListColumns; ++i)
        cells[i] = ListedCell(c, static_cast<ListColumn>(i));
    return cells;
}

std::vector<ListColumn> DifferingColumns(const Controller& a, const Controller& b) {
    std::vector<ListColumn> columns;
    for (const ListColumn column : kRecordColumns)
        if (ListedCell(a, column) != ListedCell(b, column))
            columns.push_back(column);
    return columns;
}

std::string CsvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(text);
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string CsvLine(const std::vector<std::string>& fields) {
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i)
        line += (i == 0 ? "" : ",") + CsvField(fields[i]);
    return line + "\r\n";
}

std::string ControllersCsv(const Controllers& list) {
    std::string text = CsvLine({kListColumnNames.begin(), kListColumnNames.end()});
    for (const Controller& c : list) {
        const ListCells cells = ListedCells(c);
        text += CsvLine({cells.begin(), cells.end()});
    }
    return text;
}

nlohmann::ordered_json ListedObject(const Controller& c) {
    nlohmann::ordered_json object = nlohmann::ordered_json::object();
    for (size_t i = 0; i < kListColumns; ++i) {
        const auto column = static_cast<ListColumn>(i);
        if (column == ListColumn::kPort)
            object[kListColumnNames[i]] = c.record.port;
        else
            object[kListColumnNames[i]] = ListedCell(c, column);
    }
    return object;
}

std::string JsonLine(const nlohmann::ordered_json& object) {
    std::string line = "{";
    for (auto it = object.begin(); it != object.end(); ++it)
        line += (it == object.begin() ? "" : ", ") + Dump(it.key()) + ": " + Dump(*it);
    return line + "}";
}

std::string JsonArray(const std::vector<nlohmann::ordered_json>& objects) {
    if (objects.empty())
        return "[]\n";
    std::string text = "[\n";
    for (size_t i = 0; i < objects.size(); ++i)
        text += "  " + JsonLine(objects[i]) + (i + 1 < objects.size() ? ",\n" : "\n");
    return text + "]\n";
}

std::string ControllersJson(const Controllers& list) {
    std::vector<nlohmann::ordered_json> objects;
    for (const Controller& c : list)
        objects.push_back(ListedObject(c));
    return JsonArray(objects);
}

std::string TabLine(const Controller& c) {
    const ListCells cells = ListedCells(c);
    std::string line;
    for (size_t i = 0; i < kListColumns; ++i) {
        if (i != 0)
            line += '\t';
        for (char ch : cells[i])
            line += ch == '\t' || ch == '\r' || ch == '\n' ? ' ' : ch;
    }
    return line;
}

std::variant<Controllers, ListError> ReadList(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first != std::string_view::npos && text[first] == '[')
        return ReadJson(text);
    return ReadCsv(text);
}

} // namespace core
