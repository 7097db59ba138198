#include "Plan.h"

#include "Phrases.h"
#include "WriteFields.h"

#include <map>
#include <optional>

namespace cli {

namespace {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

// The fields of one CSV line; nullopt when a quoted field is not closed or is followed by
// anything but the next comma.
std::optional<std::vector<std::string>> SplitFields(std::string_view line) {
    std::vector<std::string> fields;
    size_t at = 0;
    for (;;) {
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t'))
            ++at;
        std::string field;
        if (at < line.size() && line[at] == '"') {
            ++at;
            for (;;) {
                if (at >= line.size())
                    return std::nullopt;
                if (line[at] == '"') {
                    if (at + 1 < line.size() && line[at + 1] == '"') {
                        field += '"';
                        at += 2;
                        continue;
                    }
                    ++at;
                    break;
                }
                field += line[at++];
            }
            while (at < line.size() && (line[at] == ' ' || line[at] == '\t'))
                ++at;
            if (at < line.size() && line[at] != ',')
                return std::nullopt;
        } else {
            const size_t comma = line.find(',', at);
            const size_t end = comma == std::string_view::npos ? line.size() : comma;
            field = std::string(Trim(line.substr(at, end - at)));
            at = end;
        }
        fields.push_back(std::move(field));
        if (at >= line.size())
            return fields;
        ++at; // the comma
    }
}

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

} // namespace

Plan ParsePlan(std::string_view text) {
    Plan plan;
    bool haveHeader = false;
    std::map<core::Mac, int> macLines;
    std::map<std::string, int> ipLines;
    int lineNumber = 0;
    size_t start = 0;
    while (start < text.size()) {
        const size_t newline = text.find('\n', start);
        const size_t end = newline == std::string_view::npos ? text.size() : newline;
        const std::string_view line = Trim(text.substr(start, end - start));
        start = end + 1;
        ++lineNumber;
        if (line.empty() || line.front() == '#')
            continue;

        const auto error = [&plan, lineNumber](std::string message) {
            plan.errors.push_back({lineNumber, std::move(message)});
        };
        const auto fields = SplitFields(line);
        if (!fields) {
            error("a quoted field is not closed properly");
            continue;
        }
        if (!haveHeader) {
            haveHeader = true;
            const std::vector<std::string> expected = {"mac", "ip", "mask", "gateway"};
            std::vector<std::string> names;
            for (const std::string& f : *fields)
                names.push_back(Lower(f));
            if (names != expected)
                error("the first line must be the header mac,ip,mask,gateway");
            continue;
        }
        if (fields->size() != 4) {
            error("4 fields expected (mac,ip,mask,gateway), found " +
                  std::to_string(fields->size()));
            continue;
        }
        const std::string& macText = (*fields)[0];
        const auto mac = core::ParseMac(macText);
        if (!mac) {
            error("wrong MAC \"" + macText +
                  "\": six two-digit hexadecimal groups separated by - or : expected");
            continue;
        }
        PlanRow row{lineNumber, *mac, (*fields)[1], (*fields)[2], (*fields)[3]};
        const auto faults = core::CheckWriteValues({row.ip, row.mask, row.gateway, ""});
        if (!faults.empty()) {
            error(Describe(faults.front()));
            continue;
        }
        const auto [macAt, newMac] = macLines.emplace(row.mac, lineNumber);
        if (!newMac) {
            error("MAC " + core::MacText(row.mac) + " is already on line " +
                  std::to_string(macAt->second));
            continue;
        }
        // The same address may be written with extra zeros in its last group.
        const auto [ipAt, newIp] =
            ipLines.emplace(core::DottedQuad(*core::ParseDottedQuad(row.ip)), lineNumber);
        if (!newIp) {
            error("IP address " + row.ip + " is already given on line " +
                  std::to_string(ipAt->second));
            continue;
        }
        plan.rows.push_back(std::move(row));
    }
    if (!haveHeader)
        plan.errors.push_back({lineNumber, "no header line mac,ip,mask,gateway"});
    else if (plan.rows.empty() && plan.errors.empty())
        plan.errors.push_back({lineNumber, "no rows after the header"});
    return plan;
}

} // namespace cli
