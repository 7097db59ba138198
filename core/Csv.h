// CSV as the program's files have it (RFC 4180): fields quoted where they hold a comma, a
// quote or a line end, quotes doubled inside, CR LF line ends, UTF-8. Every CSV the program
// writes or reads goes through here.
#pragma once

#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace core {

// A CSV field, quoted when it holds a comma, a quote, CR or LF (quotes doubled inside).
std::string CsvField(std::string_view text);

// One CSV line: the fields quoted as needed, joined by commas, ended by CR LF.
std::string CsvLine(const std::vector<std::string>& fields);

// A CSV record: its fields, and the line it begins on (from 1).
struct CsvRecord {
    int line = 0;
    std::vector<std::string> fields;
};

// A quoted field that is not closed, or is followed by more than a comma or the line end.
struct CsvFault {
    int line = 0;
};

// The records of CSV text (a quoted field may hold commas, doubled quotes and line ends; a
// line ends with CR LF or LF), without blank lines; or where a quoted field goes wrong.
std::variant<std::vector<CsvRecord>, CsvFault> CsvRecords(std::string_view text);

// Hand-written CSV, as a plan is: lines whose first character after blanks is # are
// comments, spaces and tabs around a field are not part of it (nor a CR at its end), and a
// quoted field stays on its line. A line that goes wrong is a fault of its own; the lines
// after it are read all the same. Each entry is a record or the fault of its line.
std::vector<std::variant<CsvRecord, CsvFault>> CsvHandWrittenRecords(std::string_view text);

} // namespace core
