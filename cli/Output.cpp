#include "Output.h"

#include "ControllerList.h"

#include <nlohmann/json.hpp>

#include <algorithm>

namespace cli {

namespace {

using Row = std::vector<std::string>;
using Change = core::SiteChange;
using core::ChangeWord;

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

// "gateway 192.168.1.1 -> 192.168.1.254, software 02.0A -> 02.0B": the listed fields of the
// record that differ.
std::string Differences(const core::Controller& before, const core::Controller& now) {
    const core::ListCells was = core::ListedCells(before);
    const core::ListCells is = core::ListedCells(now);
    std::string text;
    for (const core::ListColumn column : core::DifferingColumns(before, now)) {
        const auto i = static_cast<size_t>(column);
        text += (text.empty() ? "" : ", ") + std::string(core::ColumnName(column)) + " " + was[i] +
                " -> " + is[i];
    }
    return text;
}

} // namespace

std::string FormatControllers(const core::Controllers& controllers, cli::Format format) {
    if (format == Format::kJson)
        return core::ControllersJson(controllers);
    if (format == Format::kCsv)
        return core::ControllersCsv(controllers);
    std::vector<Row> body;
    for (const core::Controller& c : controllers)
        body.push_back(Cells(c));
    return Table(ColumnNames(), body);
}

std::string FormatComparison(const core::Controllers& now, const core::SiteChanges& changes,
                             cli::Format format) {
    std::vector<std::pair<const core::Controller*, std::string>> listed;
    for (const core::ControllerChange& c : changes.now)
        listed.emplace_back(now.Find(c.id), c.change == Change::kMoved
                                                ? std::string(ChangeWord(c.change)) + " from " +
                                                      core::DottedQuad(c.movedFrom)
                                                : ChangeWord(c.change));
    for (const core::Controller& c : changes.gone)
        listed.emplace_back(&c, ChangeWord(Change::kGone));
    if (format == Format::kJson) {
        std::vector<nlohmann::ordered_json> objects;
        for (const auto& [c, change] : listed) {
            objects.push_back(core::ListedObject(*c));
            objects.back()[core::kChangeColumn] = change;
        }
        return core::JsonArray(objects);
    }
    Row names = ColumnNames();
    names.push_back(core::kChangeColumn);
    std::vector<Row> body;
    for (const auto& [c, change] : listed) {
        body.push_back(Cells(*c));
        body.back().push_back(change);
    }
    if (format == Format::kTable)
        return Table(names, body);
    std::string text = core::CsvLine(names);
    for (const Row& row : body)
        text += core::CsvLine(row);
    return text;
}

std::string ChangeLines(const core::Controllers& before, const core::Controllers& now,
                        const core::SiteChanges& changes, const std::string& time,
                        cli::Format format) {
    std::string text;
    const auto line = [&](const core::Controller& c, Change change, const std::string& detail) {
        if (format == Format::kJson) {
            nlohmann::ordered_json object = {{"time", time},
                                             {core::kChangeColumn, ChangeWord(change)}};
            object.update(core::ListedObject(c));
            if (!detail.empty())
                object[change == Change::kMoved ? "from" : "fields"] = detail;
            text += core::JsonLine(object) + "\n";
            return;
        }
        text += time + " " + ChangeWord(change) + " " + core::DottedQuad(c.address) + " " +
                core::MacText(c.record.mac) + (detail.empty() ? "" : " ") +
                (change == Change::kMoved ? "from " : "") + detail + "\n";
    };
    for (const core::ControllerChange& c : changes.now) {
        const core::Controller& controller = *now.Find(c.id);
        if (c.change == Change::kMoved)
            line(controller, c.change, core::DottedQuad(c.movedFrom));
        else if (c.change == Change::kRecordChanged)
            line(controller, c.change, Differences(*before.Find(c.earlierId), controller));
        else if (c.change == Change::kNew)
            line(controller, c.change, "");
    }
    for (const core::Controller& c : changes.gone)
        line(c, Change::kGone, "");
    return text;
}

} // namespace cli
