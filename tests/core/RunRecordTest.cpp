// The run's record as CSV: the times in local time with their offset, the round trip through
// the reader, and the line and column of what the reader refuses.
#include "RunRecord.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <variant>

namespace {

using namespace std::chrono_literals;

// Local time as the zone rule names it (POSIX form, so that no zone database is needed).
void SetZone(const char* rule) {
#ifdef _WIN32
    _putenv_s("TZ", rule);
    _tzset();
#else
    setenv("TZ", rule, 1);
    tzset();
#endif
}

// 2026-12-09T13:10:05Z, and an entry of that time: 00-1A-2B-3C-4D-5E moved from
// 192.168.1.10 (mask 0.0.0.0) to 10.0.0.7/8 by a broadcast, on a card with a comma in its name.
constexpr auto kWinter = std::chrono::sys_days{2026y / 12 / 9} + 13h + 10min + 5s;

core::RunEntry Entry() {
    return {kWinter,
            "Сеть, \"2\"",
            {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E},
            {192, 168, 1, 10},
            {0, 0, 0, 0},
            {192, 168, 1, 1},
            {10, 0, 0, 7},
            {255, 0, 0, 0},
            {10, 0, 0, 1},
            core::kBroadcast,
            core::RunOutcome::kConfirmed};
}

TEST(RunRecord, CsvInLocalTimeAndBack) {
#ifndef _WIN32 // Windows' TZ variable takes no daylight-saving rule
    SetZone("CET-1CEST,M3.5.0,M10.5.0/3");
    core::RunEntry summer = Entry();
    summer.time = kWinter - 24h * 150 + 250ms; // 2026-07-12, daylight-saving time
    summer.outcome = core::RunOutcome::kNotChecked;
    summer.card = "";
    const std::vector<core::RunEntry> entries{Entry(), summer};
    EXPECT_EQ(core::RunRecordCsv(entries),
              "time,card,mac,ip_before,mask_before,gateway_before,ip,mask,gateway,destination,"
              "outcome\r\n"
              "2026-12-09T14:10:05+01:00,\"Сеть, \"\"2\"\"\",00-1A-2B-3C-4D-5E,192.168.1.10,"
              "0.0.0.0,192.168.1.1,10.0.0.7,255.0.0.0,10.0.0.1,255.255.255.255,confirmed\r\n"
              "2026-07-12T15:10:05+02:00,,00-1A-2B-3C-4D-5E,192.168.1.10,0.0.0.0,"
              "192.168.1.1,10.0.0.7,255.0.0.0,10.0.0.1,255.255.255.255,not-checked\r\n");
    SetZone("<-0330>3:30");
    EXPECT_EQ(core::RunCells(Entry())[0], "2026-12-09T09:40:05-03:30");
#endif
    for (const char* outcome : core::kRunOutcomeNames) {
        core::RunEntry entry = Entry();
        entry.outcome = core::RunOutcome::kChecking;
        std::string text = core::RunRecordCsv({entry});
        text.replace(text.rfind("checking"), 8, outcome);
        const auto read = core::ReadRunRecord(text);
        ASSERT_TRUE(std::holds_alternative<std::vector<core::RunEntry>>(read)) << text;
        const auto& back = std::get<std::vector<core::RunEntry>>(read);
        ASSERT_EQ(back.size(), 1u);
        EXPECT_EQ(back[0].time, kWinter);
        EXPECT_EQ(core::RunRecordCsv(back), text);
    }
}

TEST(RunRecord, ABrokenReportIsRefusedWithItsLineAndColumn) {
    using Why = core::RunReadError::Why;
    using Column = core::RunColumn;
    SetZone("UTC0");
    const std::string written = core::RunRecordCsv({Entry()});
    const std::string header = written.substr(0, written.find("\r\n") + 2);
    const std::string row = written.substr(header.size());
    const auto with = [](std::string text, const std::string& from, const std::string& to) {
        return text.replace(text.find(from), from.size(), to);
    };
    struct Case {
        std::string text;
        Why why;
        int line;
        std::optional<Column> column;
    } const cases[] = {
        {"mac,ip,mask,gateway\r\n", Why::kNoHeader, 1, Column::kTime},
        {"\r\n" + with(header, "outcome", "result"), Why::kNoHeader, 2, Column::kOutcome},
        {header + row + "2026-12-09T13:10:05+00:00,eth0\r\n", Why::kFieldCount, 3, {}},
        {header + with(row, "\"Сеть", "\"Сеть\r\n") + with(row, "confirmed", "done"),
         Why::kBadValue, 4, Column::kOutcome},
        {header + with(row, "2026-12-09T13:10:05+00", "9999-12-30T23:00:00-01"), Why::kBadValue, 2,
         Column::kTime},
        {header + with(row, "12-09T", "02-30T"), Why::kBadValue, 2, Column::kTime},
        {header + with(row, "+00:00", "+0000"), Why::kBadValue, 2, Column::kTime},
        {header + with(row, "4D-5E", "4D"), Why::kBadValue, 2, Column::kMac},
        {header + with(row, "192.168.1.1,", "192.168.1.256,"), Why::kBadValue, 2,
         Column::kGatewayBefore},
        {header + row + with(row, "\"Сеть", "\"Сеть\"x"), Why::kBadQuote, 3, {}},
    };
    for (const Case& c : cases) {
        const auto read = core::ReadRunRecord(c.text);
        const auto* error = std::get_if<core::RunReadError>(&read);
        ASSERT_NE(error, nullptr) << c.text;
        EXPECT_EQ(error->why, c.why) << c.text;
        EXPECT_EQ(error->line, c.line) << c.text;
        EXPECT_EQ(error->column, c.column) << c.text;
    }
}

} // namespace
