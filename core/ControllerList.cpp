#include "ControllerList.h"

namespace core {

const std::array<const char*, kListColumns> kListColumnNames = {
    "sender", "ip", "mask", "gateway", "port", "mac", "hardware", "software", "card"};

ListCells ListedCells(const Controller& c) {
    std::string card = c.cardName;
    if (card.empty() && c.card != 0)
        card = std::to_string(c.card);
    const ControllerRecord& r = c.record;
    return {DottedQuad(c.address), r.IpText(),       r.MaskText(),
            r.GatewayText(),       r.PortText(),     r.MacText(),
            r.HardwareText(),      r.SoftwareText(), std::move(card)};
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

} // namespace core
