#include "Csv.h"

#include <algorithm>

namespace core {

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

std::variant<std::vector<CsvRecord>, CsvFault> CsvRecords(std::string_view text) {
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
                        return CsvFault{opened};
                    if (text[at] == '"' && (++at == text.size() || text[at] != '"'))
                        break; // the closing quote; a doubled one stands for one
                    line += text[at] == '\n' ? 1 : 0;
                    field += text[at];
                }
                const bool crLf = text.substr(at).starts_with("\r\n");
                if (at < text.size() && text[at] != ',' && text[at] != '\n' && !crLf)
                    return CsvFault{line};
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


} // namespace core
