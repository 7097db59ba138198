#include "Output.h"

#include "ControllerList.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace cli {

namespace {

using core::kListColumnNames;
constexpr size_t kColumns = core::kListColumns;

std::string Table(const core::Controllers& controllers) {
    std::vector<std::array<std::string, kColumns>> rows;
    std::array<std::string, kColumns> header;
    for (size_t i = 0; i < kColumns; ++i) {
        header[i] = kListColumnNames[i];
        for (char& ch : header[i])
            ch = static_cast<char>(ch - 'a' + 'A');
    }
    rows.push_back(header);
    for (const core::Controller& c : controllers)
        rows.push_back(core::ListedCells(c));
    std::array<size_t, kColumns> width{};
    for (const auto& row : rows)
        for (size_t i = 0; i < kColumns; ++i)
            width[i] = std::max(width[i], row[i].size());
    std::string text;
    for (const auto& row : rows) {
        std::string line;
        for (size_t i = 0; i < kColumns; ++i) {
            line += row[i];
            if (i + 1 < kColumns)
                line += std::string(width[i] - row[i].size() + 2, ' ');
        }
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        text += line + "\n";
    }
    return text;
}

std::string Json(const core::Controllers& controllers) {
    if (controllers.Count() == 0)
        return "[]\n";
    std::string text = "[\n";
    for (size_t n = 0; n < controllers.Count(); ++n) {
        const core::ListCells cells = core::ListedCells(controllers[n]);
        text += "  {";
        for (size_t i = 0; i < kColumns; ++i) {
            text += i == 0 ? "" : ", ";
            text += JsonString(kListColumnNames[i]) + ": ";
            // The port is a number, everything else text.
            text += i == 4 ? cells[i] : JsonString(cells[i]);
        }
        text += n + 1 < controllers.Count() ? "},\n" : "}\n";
    }
    return text + "]\n";
}

} // namespace

std::string FormatControllers(const core::Controllers& controllers, Format format) {
    switch (format) {
    case Format::kJson:
        return Json(controllers);
    case Format::kCsv:
        return core::ControllersCsv(controllers);
    case Format::kTable:
        break;
    }
    return Table(controllers);
}

std::string JsonString(std::string_view text) {
    std::string s = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            s += '\\';
            s += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            s += escaped;
        } else {
            s += c;
        }
    }
    return s + "\"";
}

} // namespace cli
