// The list of controllers: its writers (CSV, JSON, the clipboard's tab line) and its reader,
// with the line and column of what it refuses.
#include "ControllerList.h"
#include "WorkedExample.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <string>
#include <variant>

namespace {

// The worked example's controller at 192.168.1.10 on a card named card, and at 192.168.1.11
// on card 7, known by its index only.
core::Controllers ExampleList(const std::string& card = "Сеть,\tдом") {
    core::Controllers list;
    core::Heard h;
    h.sender = {192, 168, 1, 10};
    h.record = *core::ControllerRecord::FromReply(example::kReply.data(), example::kReply.size());
    h.cardName = card;
    list.File(h);
    h.sender = {192, 168, 1, 11};
    h.cardName = "";
    h.card = 7;
    list.File(h);
    return list;
}

// CSV quoted as RFC 4180 with CR LF, the card by name or by index, and the clipboard's
// tab-separated line kept on one line.
TEST(ControllerList, CsvAndTabLine) {
    EXPECT_EQ(core::CsvField("eth0"), "eth0");
    EXPECT_EQ(core::CsvField("a,b"), "\"a,b\"");
    EXPECT_EQ(core::CsvField("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(core::CsvField("two\r\nlines"), "\"two\r\nlines\"");

    const core::Controllers list = ExampleList();
    EXPECT_EQ(core::ControllersCsv(list),
              "sender,ip,mask,gateway,port,mac,hardware,software,card\r\n"
              "192.168.1.10,192.168.1.10,255.255.255.0,192.168.1.1,5001,00-1A-2B-3C-4D-5E,01,"
              "02.0A,\"Сеть,\tдом\"\r\n"
              "192.168.1.11,192.168.1.10,255.255.255.0,192.168.1.1,5001,00-1A-2B-3C-4D-5E,01,"
              "02.0A,7\r\n");
    EXPECT_EQ(core::TabLine(list[0]), "192.168.1.10\t192.168.1.10\t255.255.255.0\t192.168.1.1\t"
                                      "5001\t00-1A-2B-3C-4D-5E\t01\t02.0A\tСеть, дом");
}

// One object to a line, keyed by the column names, the port a number; strings escaped as JSON
// has them, and text that is not UTF-8 with U+FFFD.
TEST(ControllerList, Json) {
    EXPECT_EQ(core::ControllersJson(ExampleList()),
              "[\n  {\"sender\": \"192.168.1.10\", \"ip\": \"192.168.1.10\", \"mask\": "
              "\"255.255.255.0\", \"gateway\": \"192.168.1.1\", \"port\": 5001, \"mac\": "
              "\"00-1A-2B-3C-4D-5E\", \"hardware\": \"01\", \"software\": \"02.0A\", \"card\": "
              "\"Сеть,\\tдом\"},\n  {\"sender\": \"192.168.1.11\", \"ip\": \"192.168.1.10\", "
              "\"mask\": \"255.255.255.0\", \"gateway\": \"192.168.1.1\", \"port\": 5001, \"mac\": "
              "\"00-1A-2B-3C-4D-5E\", \"hardware\": \"01\", \"software\": \"02.0A\", \"card\": "
              "\"7\"}\n]\n");
    EXPECT_EQ(core::JsonLine({{"a", "a\"b\\c\n\x01"}, {"b", "eth\xff"}}),
              "{\"a\": \"a\\\"b\\\\c\\n\\u0001\", \"b\": \"eth\xEF\xBF\xBD\"}");
}

// What the writers write reads back to the same controllers, and so does a list as an editor
// leaves it: a byte order mark, LF line ends, columns in another order, no card. The
// controllers a comparison listed as gone are not read.
TEST(ControllerList, ReadsBackCsvAndJson) {
    core::Controllers list = ExampleList("Сеть \"2\",\r\nдом");
    list.File({.sender = {10, 0, 0, 5}, .card = 0, .cardName = "", .record = {}}); // 0.0.0.0
    for (const std::string& text : {core::ControllersCsv(list), core::ControllersJson(list)}) {
        const auto read = core::ReadList(text);
        ASSERT_TRUE(std::holds_alternative<core::Controllers>(read)) << text;
        const auto& back = std::get<core::Controllers>(read);
        ASSERT_EQ(back.Count(), 3u) << text;
        for (size_t i = 0; i < back.Count(); ++i)
            EXPECT_EQ(core::ListedCells(back[i]), core::ListedCells(list[i])) << text;
    }
    const auto edited = core::ReadList(
        "\xEF\xBB\xBFmac,sender,ip,mask,gateway,port,hardware,software,change\n"
        "00-1a-2b-3c-4d-5e,192.168.1.10,192.168.1.10,255.255.255.0,192.168.1.1,5001,01,02.0a,\n"
        "02-00-00-00-00-30,192.168.1.30,192.168.1.30,255.255.255.0,192.168.1.1,5001,01,02.0A,gone\n"
        "\n");
    ASSERT_TRUE(std::holds_alternative<core::Controllers>(edited));
    ASSERT_EQ(std::get<core::Controllers>(edited).Count(), 1u);
    EXPECT_EQ(
        core::TabLine(std::get<core::Controllers>(edited)[0]),
        "192.168.1.10\t192.168.1.10\t255.255.255.0\t192.168.1.1\t5001\t00-1A-2B-3C-4D-5E\t01\t"
        "02.0A\t");
}

// A text that is no list is refused on the line (a quoted line end counts) and in the column
// at fault.
TEST(ControllerList, ABrokenListIsRefusedWithItsLineAndColumn) {
    using Why = core::ListError::Why;
    using Column = core::ListColumn;
    const std::string header = "sender,ip,mask,gateway,port,mac,hardware,software,card\r\n";
    const std::string row = "192.168.1.10,192.168.1.10,255.255.255.0,192.168.1.1,5001,"
                            "00-1A-2B-3C-4D-5E,01,02.0A,eth0\r\n";
    const std::string entry =
        R"({"sender": "192.168.1.10", "ip": "192.168.1.10", )"
        R"("mask": "255.255.255.0", "gateway": "192.168.1.1", "port": 5001, )"
        R"("mac": "00-1A-2B-3C-4D-5E", "hardware": "01", "software": "02.0A"})";
    const auto with = [](std::string text, const std::string& from, const std::string& to) {
        return text.replace(text.find(from), from.size(), to);
    };
    struct Case {
        std::string text;
        Why why;
        int line;
        std::optional<core::ListColumn> column;
    } const cases[] = {
        {"", Why::kNoHeader, 1, Column::kSender},
        {"{}", Why::kNoHeader, 1, Column::kSender},
        {"\r\n" + with(header, "port,", ""), Why::kNoHeader, 2, Column::kPort},
        {header + row + "192.168.1.11,192.168.1.11\r\n", Why::kFieldCount, 3, std::nullopt},
        {header + row + with(row, "5001", "65536"), Why::kBadValue, 3, Column::kPort},
        {header + with(row, "00-1A", "00-1G"), Why::kBadValue, 2, Column::kMac},
        {header + with(row, "eth0", "\"eth\r\n0\"") + with(row, ",01,", ",1,"), Why::kBadValue, 4,
         Column::kHardware},
        {header + row + with(row, "eth0", "\"eth0"), Why::kBadQuote, 3, std::nullopt},
        {header + with(row, "eth0", "\"eth\"0"), Why::kBadQuote, 2, std::nullopt},
        {"[\n  " + entry + ",\n  " + with(entry, "\"ip\"", "\"IP\"") + "\n]", Why::kMissing, 3,
         Column::kIp},
        {"[\n  " + with(entry, "\"02.0A\"", "\"2.10\"") + "\n]", Why::kBadValue, 2,
         Column::kSoftware},
        {"[\n  " + with(entry, "5001", "-1") + "\n]", Why::kBadValue, 2, Column::kPort},
        {"[" + entry + ",\n\n  7]", Why::kNotAnObject, 3, std::nullopt},
        {"[\n  " + entry + ",\n  {\"sender\": }\n]", Why::kNotJson, 3, std::nullopt},
        {"[\n  " + with(entry, "5001", "1e999") + "\n]", Why::kNotJson, 2, std::nullopt},
    };
    for (const Case& c : cases) {
        const auto read = core::ReadList(c.text);
        const auto* error = std::get_if<core::ListError>(&read);
        ASSERT_NE(error, nullptr) << c.text;
        EXPECT_EQ(error->why, c.why) << c.text;
        EXPECT_EQ(error->line, c.line) << c.text;
        EXPECT_EQ(error->column, c.column) << c.text;
    }
}

} // namespace
