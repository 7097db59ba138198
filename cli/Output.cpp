#include "Output.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace cli {

namespace {

constexpr size_t kColumns = 9;
const std::array<const char*, kColumns> kNames = {
    "sender", "ip", "mask", "gateway", "port", "mac", "hardware", "software", "card"};

std::array<std::string, kColumns> Cells(const Listed& c) {
    return {core::DottedQuad(c.sender), c.record.IpText(),       c.record.MaskText(),
            c.record.GatewayText(),     c.record.PortText(),     c.record.MacText(),
            c.record.HardwareText(),    c.record.SoftwareText(), c.card};
}

std::string Table(const std::vector<Listed>& controllers) {
    std::vector<std::array<std::string, kColumns>> rows;
    std::array<std::string, kColumns> header;
    for (size_t i = 0; i < kColumns; ++i) {
        header[i] = kNames[i];
        for (char& ch : header[i])
            ch = static_cast<char>(ch - 'a' + 'A');
    }
    rows.push_back(header);
    for (const Listed& c : controllers)
        rows.push_back(Cells(c));
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

std::string Json(const std::vector<Listed>& controllers) {
    if (controllers.empty())
        return "[]\n";
    std::string text = "[\n";
    for (size_t n = 0; n < controllers.size(); ++n) {
        const auto cells = Cells(controllers[n]);
        text += "  {";
        for (size_t i = 0; i < kColumns; ++i) {
            text += i == 0 ? "" : ", ";
            text += JsonString(kNames[i]) + ": ";
            // The port is a number, everything else text.
            text += i == 4 ? cells[i] : JsonString(cells[i]);
        }
        text += n + 1 < controllers.size() ? "},\n" : "}\n";
    }
    return text + "]\n";
}

std::string Csv(const std::vector<Listed>& controllers) {
    std::string text;
    for (size_t i = 0; i < kColumns; ++i)
        text += (i == 0 ? "" : ",") + std::string(kNames[i]);
    text += "\r\n";
    for (const Listed& c : controllers) {
        const auto cells = Cells(c);
        for (size_t i = 0; i < kColumns; ++i)
            text += (i == 0 ? "" : ",") + CsvField(cells[i]);
        text += "\r\n";
    }
    return text;
}

} // namespace

std::string FormatControllers(const std::vector<Listed>& controllers, Format format) {
    switch (format) {
    case Format::kJson:
        return Json(controllers);
    case Format::kCsv:
        return Csv(controllers);
    case Format::kTable:
        break;
    }
    return Table(controllers);
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
