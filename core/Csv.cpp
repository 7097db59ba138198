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

namespace {

// How a text is read: the strict RFC 4180 of the program's own files, or hand-written CSV.
struct Dialect {
    bool handWritten = false; // # comments, blanks around fields, quotes within a line
};

bool Blank(char c) {
    return c == ' ' || c == '\t';
}

// Only blanks (and CRs) from at to the line's end.
bool RestOfLineBlank(std::string_view text, size_t at) {
    for (; at < text.size() && text[at] != '\n'; ++at)
        if (!Blank(text[at]) && text[at] != '\r')
            return false;
    return true;
}

// The record that begins at at, on line line; at and line are moved past its line end. An
// empty record (no fields) is a blank or comment line.
std::variant<CsvRecord, CsvFault> ReadRecord(std::string_view text, size_t& at, int& line,
                                             const Dialect& dialect) {
    CsvRecord record{line, {}};
    if (dialect.handWritten) {
        size_t first = at;
        while (first < text.size() && Blank(text[first]))
            ++first;
        if (first < text.size() && text[first] == '#')
            at = std::min(text.find('\n', first), text.size());
    }
    bool blank = true; // nothing but one empty unquoted field so far
    while (at < text.size() && (record.fields.empty() || text[at] == ',')) {
        if (!record.fields.empty())
            ++at; // the comma
        if (dialect.handWritten)
            while (at < text.size() && Blank(text[at]))
                ++at;
        std::string field;
        if (at < text.size() && text[at] == '"') {
            blank = false;
            const int opened = line;
            for (++at;; ++at) {
                if (at == text.size() || (dialect.handWritten && text[at] == '\n'))
                    return CsvFault{opened};
                if (text[at] == '"' && (++at == text.size() || text[at] != '"'))
                    break; // the closing quote; a doubled one stands for one
                line += text[at] == '\n' ? 1 : 0;
                field += text[at];
            }
            if (dialect.handWritten) {
                while (at < text.size() && Blank(text[at]))
                    ++at;
                if (at < text.size() && text[at] != ',' && !RestOfLineBlank(text, at))
                    return CsvFault{line};
                if (at < text.size() && text[at] != ',')
                    at = std::min(text.find('\n', at), text.size());
            } else {
                const bool crLf = text.substr(at).starts_with("\r\n");
                if (at < text.size() && text[at] != ',' && text[at] != '\n' && !crLf)
                    return CsvFault{line};
            }
        } else {
            const size_t end = std::min(text.find_first_of(",\n", at), text.size());
            field = text.substr(at, end - at);
            if (dialect.handWritten) {
                while (!field.empty() && (Blank(field.back()) || field.back() == '\r'))
                    field.pop_back();
            } else if (field.ends_with('\r') && (end == text.size() || text[end] == '\n')) {
                field.pop_back();
            }
            blank = blank && record.fields.empty() && field.empty();
            at = end;
        }
        record.fields.push_back(std::move(field));
    }
    if (at < text.size()) { // the line end
        at += text[at] == '\r' ? 2 : 1;
        ++line;
    }
    const bool empty = record.fields.size() == 1 && record.fields.front().empty();
    if (dialect.handWritten ? blank : empty)
        record.fields.clear();
    return record;
}

// Moves at and line past the end of the line at is on.
void SkipLine(std::string_view text, size_t& at, int& line) {
    at = text.find('\n', at);
    at = at == std::string_view::npos ? text.size() : at + 1;
    ++line;
}

} // namespace

std::variant<std::vector<CsvRecord>, CsvFault> CsvRecords(std::string_view text) {
    std::vector<CsvRecord> records;
    int line = 1;
    size_t at = 0;
    while (at < text.size()) {
        auto read = ReadRecord(text, at, line, {});
        if (const auto* fault = std::get_if<CsvFault>(&read))
            return *fault;
        if (auto& record = std::get<CsvRecord>(read); !record.fields.empty())
            records.push_back(std::move(record));
    }
    return records;
}

std::vector<std::variant<CsvRecord, CsvFault>> CsvHandWrittenRecords(std::string_view text) {
    std::vector<std::variant<CsvRecord, CsvFault>> entries;
    int line = 1;
    size_t at = 0;
    while (at < text.size()) {
        const size_t start = at;
        const int begins = line;
        auto read = ReadRecord(text, at, line, {.handWritten = true});
        if (std::holds_alternative<CsvFault>(read)) {
            at = start; // a fault ends its line only
            line = begins;
            SkipLine(text, at, line);
        } else if (std::get<CsvRecord>(read).fields.empty()) {
            continue;
        }
        entries.push_back(std::move(read));
    }
    return entries;
}

} // namespace core
