#include "Output.h"

#include "ControllerList.h"

#include <nlohmann/json.hpp>

#include <algorithm>

namespace cli {

namespace {

using Row = std::vector<std::string>;

constexpr size_t kPortColumn = 4; // JSON gives the port as a number, everything else as text

Row Cells(const core::Controller& c) {
    const core::ListCells cells = core::ListedCells(c);
    return {cells.begin(), cells.end()};
}

Row ColumnNames() {
    return {core::kListColumnNames.begin(), core::kListColumnNames.end()};
}

std::string Table(const Row& names, const std::vector<Row>& body) {
    std::vector<Row> rows;
    Row header = names;
    for (std::string& name : header)
        for (char& ch : name)
            ch = static_cast<char>(ch - 'a' + 'A');
    rows.push_back(header);
    rows.insert(rows.end(), body.begin(), body.end());
    std::vector<size_t> width(names.size());
    for (const auto& row : rows)
        for (size_t i = 0; i < row.size(); ++i)
            width[i] = std::max(width[i], row[i].size());
    std::string text;
    for (const auto& row : rows) {
        std::string line;
        for (size_t i = 0; i < row.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size())
                line += std::string(width[i] - row[i].size() + 2, ' ');
        }
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        text += line + "\n";
    }
    return text;
}

// {"sender": "...", ..., "port": 5001, ...}: the column at port is a number.
std::string JsonObject(const Row& names, const Row& row, size_t port = kPortColumn) {
    std::string text = "{";
    for (size_t i = 0; i < row.size(); ++i) {
        text += i == 0 ? "" : ", ";
        text += JsonString(names[i]) + ": ";
        text += i == port ? row[i] : JsonString(row[i]);
    }
    return text + "}";
}

std::string Json(const Row& names, const std::vector<Row>& body) {
    if (body.empty())
        return "[]\n";
    std::string text = "[\n";
    for (size_t n = 0; n < body.size(); ++n)
        text += "  " + JsonObject(names, body[n]) + (n + 1 < body.size() ? ",\n" : "\n");
    return text + "]\n";
}

std::string Csv(const Row& names, const std::vector<Row>& body) {
    std::string text = core::CsvLine(names);
    for (const Row& row : body)
        text += core::CsvLine(row);
    return text;
}

std::string Formatted(const Row& names, const std::vector<Row>& body, cli::Format format) {
    switch (format) {
    case Format::kJson:
        return Json(names, body);
    case Format::kCsv:
        return Csv(names, body);
    case Format::kTable:
        break;
    }
    return Table(names, body);
}

std::string ChangeText(const core::ControllerChange& c) {
    switch (c.change) {
    case core::SiteChange::kNew:
        return "new";
    case core::SiteChange::kMoved:
        return "moved from " + core::DottedQuad(c.movedFrom);
    case core::SiteChange::kRecordChanged:
        return "record changed";
    case core::SiteChange::kUnchanged:
        break;
    }
    return "unchanged";
}

// "gateway 192.168.1.1 -> 192.168.1.254, software 02.0A -> 02.0B": the listed fields of the
// record that differ (the sender, MAC and card are not the record's).
std::string Differences(const core::Controller& before, const core::Controller& now) {
    const Row names = ColumnNames();
    const Row was = Cells(before);
    const Row is = Cells(now);
    std::string text;
    for (size_t i : {1, 2, 3, 4, 6, 7})
        if (was[i] != is[i])
            text += (text.empty() ? "" : ", ") + names[i] + " " + was[i] + " -> " + is[i];
    return text;
}

} // namespace

std::string FormatControllers(const core::Controllers& controllers, cli::Format format) {
    std::vector<Row> body;
    for (const core::Controller& c : controllers)
        body.push_back(Cells(c));
    return Formatted(ColumnNames(), body, format);
}

std::string FormatComparison(const core::Controllers& now, const core::SiteChanges& changes,
                             cli::Format format) {
    Row names = ColumnNames();
    names.push_back("change");
    std::vector<Row> body;
    for (const core::ControllerChange& c : changes.now) {
        body.push_back(Cells(*now.Find(c.id)));
        body.back().push_back(ChangeText(c));
    }
    for (const core::Controller& c : changes.gone) {
        body.push_back(Cells(c));
        body.back().push_back("gone");
    }
    return Formatted(names, body, format);
}

std::string ChangeLines(const core::Controllers& before, const core::Controllers& now,
                        const core::SiteChanges& changes, const std::string& time,
                        cli::Format format) {
    std::string text;
    const auto line = [&](const core::Controller& c, const std::string& change,
                          const std::string& detail) {
        if (format == Format::kJson) {
            Row names = ColumnNames();
            Row row = Cells(c);
            names.insert(names.begin(), {"time", "change"});
            row.insert(row.begin(), {time, change});
            if (!detail.empty()) {
                names.push_back(change == "moved" ? "from" : "fields");
                row.push_back(detail);
            }
            text += JsonObject(names, row, kPortColumn + 2) + "\n";
            return;
        }
        text += time + " " + change + " " + core::DottedQuad(c.address) + " " +
                core::MacText(c.record.mac) + (detail.empty() ? "" : " ") +
                (change == "moved" ? "from " : "") + detail + "\n";
    };
    for (const core::ControllerChange& c : changes.now) {
        const core::Controller& controller = *now.Find(c.id);
        switch (c.change) {
        case core::SiteChange::kNew:
            line(controller, "new", "");
            break;
        case core::SiteChange::kMoved:
            line(controller, "moved", core::DottedQuad(c.movedFrom));
            break;
        case core::SiteChange::kRecordChanged:
            line(controller, "record changed", Differences(*before.Find(c.earlierId), controller));
            break;
        case core::SiteChange::kUnchanged:
            break;
        }
    }
    for (const core::Controller& c : changes.gone)
        line(c, "gone", "");
    return text;
}

std::string JsonString(std::string_view text) {
    // A card's name is whatever bytes the system gives; what is not UTF-8 is replaced, so
    // that the listing stays JSON that --compare reads back.
    return nlohmann::json(std::string(text))
        .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

} // namespace cli
