#include "Plan.h"

#include "Csv.h"

#include <algorithm>
#include <map>
#include <utility>
#include <variant>

namespace core {

namespace {

bool IsHeader(const std::vector<std::string>& fields) {
    static const std::vector<std::string> kHeader = {"mac", "ip", "mask", "gateway"};
    return std::ranges::equal(
        fields, kHeader, [](const std::string& field, const std::string& name) {
            return std::ranges::equal(field, name, [](char a, char b) {
                return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
            });
        });
}

PlanFault Fault(int line, PlanFault::Why why, std::string text = {}, int earlierLine = 0) {
    PlanFault fault;
    fault.line = line;
    fault.why = why;
    fault.text = std::move(text);
    fault.earlierLine = earlierLine;
    return fault;
}

} // namespace

Plan ParsePlan(std::string_view text) {
    Plan plan;
    bool haveHeader = false;
    std::map<Mac, int> macLines;
    std::map<std::string, int> ipLines;
    for (const auto& entry : CsvHandWrittenRecords(text)) {
        if (const auto* fault = std::get_if<CsvFault>(&entry)) {
            plan.errors.push_back(Fault(fault->line, PlanFault::Why::kBadQuote));
            continue;
        }
        const auto& [line, fields] = std::get<CsvRecord>(entry);
        const auto error = [&plan](PlanFault fault) { plan.errors.push_back(std::move(fault)); };
        if (!haveHeader) {
            haveHeader = true;
            if (!IsHeader(fields))
                error(Fault(line, PlanFault::Why::kNotHeader));
            continue;
        }
        if (fields.size() != 4) {
            PlanFault fault = Fault(line, PlanFault::Why::kFieldCount);
            fault.fieldCount = static_cast<int>(fields.size());
            error(std::move(fault));
            continue;
        }
        const auto mac = ParseMac(fields[0]);
        if (!mac) {
            error(Fault(line, PlanFault::Why::kBadMac, fields[0]));
            continue;
        }
        PlanRow row{line, *mac, fields[1], fields[2], fields[3]};
        const auto faults = CheckWriteValues({row.ip, row.mask, row.gateway, ""});
        if (!faults.empty()) {
            PlanFault fault = Fault(line, PlanFault::Why::kBadValue);
            fault.value = faults.front();
            error(std::move(fault));
            continue;
        }
        const auto [macAt, newMac] = macLines.emplace(row.mac, line);
        if (!newMac) {
            error(Fault(line, PlanFault::Why::kMacTwice, MacText(row.mac), macAt->second));
            continue;
        }
        // The same address may be written with extra zeros in its last group.
        const auto [ipAt, newIp] = ipLines.emplace(DottedQuad(*ParseDottedQuad(row.ip)), line);
        if (!newIp) {
            error(Fault(line, PlanFault::Why::kIpTwice, row.ip, ipAt->second));
            continue;
        }
        plan.rows.push_back(std::move(row));
    }
    // The faults of the whole text are given on its last line.
    const int lines = static_cast<int>(std::ranges::count(text, '\n')) +
                      (text.empty() || text.back() == '\n' ? 0 : 1);
    if (!haveHeader)
        plan.errors.push_back(Fault(lines, PlanFault::Why::kNoHeader));
    else if (plan.rows.empty() && plan.errors.empty())
        plan.errors.push_back(Fault(lines, PlanFault::Why::kNoRows));
    return plan;
}

bool IsPlanText(std::string_view text) {
    const auto entries = CsvHandWrittenRecords(text);
    return !entries.empty() && std::holds_alternative<CsvRecord>(entries.front()) &&
           IsHeader(std::get<CsvRecord>(entries.front()).fields);
}

} // namespace core
