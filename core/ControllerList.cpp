#include "ControllerList.h"

#include "Csv.h"
#include "UserFunc.h"

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

// Any address a record may hold, as DottedQuad writes it: 0.0.0.0 too, which the write
// fields refuse.
std::optional<Ip4> Address(std::string_view text) {
    return ReadDottedQuad(text, QuadRules::kAny);
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
        return set(h.sender, Address(text));
    case ListColumn::kIp:
        return set(r.ip, Address(text));
    case ListColumn::kMask:
        return set(r.mask, Address(text));
    case ListColumn::kGateway:
        return set(r.gateway, Address(text));
    case ListColumn::kPort: {
        unsigned value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        r.port = static_cast<uint16_t>(value);
        return error == std::errc() && end == text.data() + text.size() && value <= 65535;
    }
    case ListColumn::kMac:
        return set(r.mac, ParseMac(text));
    case ListColumn::kHardware:
        return set(r.hardware, ParseHexByte(text));
    case ListColumn::kSoftware: // "02.0A"
        return text.size() == 5 && text[2] == '.' &&
               set(r.softwareMajor, ParseHexByte(text.substr(0, 2))) &&
               set(r.softwareMinor, ParseHexByte(text.substr(3)));
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
            return ListError{Why::kMissing, line, column, ""};
        if (cells[i] && !ReadCell(column, *cells[i], h))
            return ListError{Why::kBadValue, line, column, *cells[i]};
    }
    list.File(h);
    return std::nullopt;
}

// Where the entries of a JSON array begin, and where a parser that fails stops: the lines,
// from a parse that reads the text one character at a time (slower; for a fault only).
struct JsonLines {
    std::vector<int> entries;
    int stop = 0;
};

JsonLines LocateJson(std::string_view text) {
    std::istringstream in{std::string(text)};
    size_t counted = 0; // the characters whose line ends are counted in lineEnds
    int lineEnds = 0;
    // The line of the last character the parser read.
    const auto lineRead = [&] {
        const auto read =
            static_cast<size_t>(in.rdbuf()->pubseekoff(0, std::ios::cur, std::ios::in));
        for (; counted + 1 < std::min(read, text.size()); ++counted)
            lineEnds += text[counted] == '\n' ? 1 : 0;
        return lineEnds + 1;
    };
    JsonLines lines;
    const json::parser_callback_t note = [&](int depth, json::parse_event_t event, json&) {
        using Event = json::parse_event_t; // reported just past an entry's first character
        if (depth == 1 &&
            (event == Event::object_start || event == Event::array_start || event == Event::value))
            lines.entries.push_back(lineRead());
        return depth == 0;
    };
    try {
        const json skeleton = json::parse(in, note); // the entries are noted, not kept
        static_cast<void>(skeleton);
    } catch (const json::exception&) {
        lines.stop = lineRead();
    }
    return lines;
}

std::variant<Controllers, ListError> ReadJson(std::string_view text) {
    json document;
    try {
        document = json::parse(text.begin(), text.end());
    } catch (const json::exception& e) {
        // "[json.exception.parse_error.101] parse error at line 2, column 5: syntax error ...",
        // "[json.exception.out_of_range.406] number overflow parsing '1e999'"
        std::string_view what = e.what();
        if (const size_t id = what.find("] "); id != what.npos)
            what.remove_prefix(id + 2);
        if (const size_t at = what.find(": "); what.starts_with("parse error") && at != what.npos)
            what.remove_prefix(at + 2);
        return ListError{Why::kNotJson, LocateJson(text).stop, std::nullopt, std::string(what)};
    }
    Controllers list;
    for (size_t i = 0; i < document.size(); ++i) {
        const json& entry = document[i];
        std::optional<ListError> error;
        if (!entry.is_object()) {
            error = ListError{Why::kNotAnObject, 0, std::nullopt, ""};
        } else if (const auto change = entry.find(kChangeColumn);
                   change == entry.end() || *change != ChangeWord(SiteChange::kGone)) {
            ReadCells cells;
            for (size_t c = 0; c < kListColumns; ++c)
                if (const auto it = entry.find(kListColumnNames[c]); it != entry.end())
                    if (it->is_string() || it->is_number())
                        cells[c] = it->is_string() ? it->get<std::string>() : it->dump();
            error = FileCells(cells, 0, list);
        }
        if (error) {
            const JsonLines lines = LocateJson(text);
            error->line = i < lines.entries.size() ? lines.entries[i] : 0;
            return *error;
        }
    }
    return list;
}

std::variant<Controllers, ListError> ReadCsv(std::string_view text) {
    auto split = CsvRecords(text);
    if (const auto* fault = std::get_if<CsvFault>(&split))
        return ListError{Why::kBadQuote, fault->line, std::nullopt, ""};
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
                             static_cast<ListColumn>(c), ""};
    }
    const size_t change = place(kChangeColumn);
    Controllers list;
    for (size_t r = 1; r < records.size(); ++r) {
        const CsvRecord& record = records[r];
        if (record.fields.size() != header.size())
            return ListError{Why::kFieldCount, record.line, std::nullopt, ""};
        if (change < header.size() && record.fields[change] == ChangeWord(SiteChange::kGone))
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

ListCells ListedCells(const Controller& c) {
    const ControllerRecord& r = c.record;
    return {DottedQuad(c.address),
            r.IpText(),
            r.MaskText(),
            r.GatewayText(),
            r.PortText(),
            r.MacText(),
            r.HardwareText(),
            r.SoftwareText(),
            c.cardName.empty() && c.card != 0 ? std::to_string(c.card) : c.cardName};
}

std::vector<ListColumn> DifferingColumns(const Controller& a, const Controller& b) {
    if (a.record == b.record)
        return {}; // the common case, without the texts
    const ListCells was = ListedCells(a);
    const ListCells is = ListedCells(b);
    std::vector<ListColumn> columns;
    for (const ListColumn column : kRecordColumns)
        if (was[static_cast<size_t>(column)] != is[static_cast<size_t>(column)])
            columns.push_back(column);
    return columns;
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
    ListCells cells = ListedCells(c);
    nlohmann::ordered_json object = nlohmann::ordered_json::object();
    for (size_t i = 0; i < kListColumns; ++i)
        object[kListColumnNames[i]] = std::move(cells[i]);
    object[ColumnName(ListColumn::kPort)] = c.record.port;
    return object;
}

std::string JsonLine(const nlohmann::ordered_json& object) {
    std::string line = "{";
    for (auto it = object.begin(); it != object.end(); ++it)
        line += (it == object.begin() ? "\"" : ", \"") + it.key() + "\": " + Dump(*it);
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
