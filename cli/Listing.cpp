#include "Listing.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <system_error>

namespace cli {

namespace {

using nlohmann::json;

// A field of a listed controller as text: a string as it is, a number as JSON writes it;
// nothing when the field is missing or anything else.
std::optional<std::string> Text(const json& entry, const char* key) {
    const auto it = entry.find(key);
    if (it == entry.end())
        return std::nullopt;
    if (it->is_string())
        return it->get<std::string>();
    if (it->is_number())
        return it->dump();
    return std::nullopt;
}

// The port: a whole number from 0 to 65535, as a number or as its digits in a string.
std::optional<uint16_t> Port(const json& entry) {
    const auto it = entry.find("port");
    if (it == entry.end())
        return std::nullopt;
    if (it->is_number_unsigned()) {
        const auto value = it->get<uint64_t>();
        return value <= 65535 ? std::optional(static_cast<uint16_t>(value)) : std::nullopt;
    }
    if (!it->is_string())
        return std::nullopt;
    const auto& digits = it->get_ref<const std::string&>();
    unsigned value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size() || value > 65535)
        return std::nullopt;
    return static_cast<uint16_t>(value);
}

// Two hexadecimal digits, as HexText writes a byte.
std::optional<uint8_t> HexByte(std::string_view text) {
    unsigned value = 0;
    if (text.size() != 2 ||
        std::from_chars(text.data(), text.data() + 2, value, 16).ptr != text.data() + 2)
        return std::nullopt;
    return static_cast<uint8_t>(value);
}

// One listed controller as a reply to file, or why it is not one.
std::variant<core::Heard, std::string> Listed(const json& entry) {
    if (!entry.is_object())
        return std::string("not an object");
    core::Heard h;
    const auto address = [&entry](const char* key, core::Ip4& to) {
        const auto value = Text(entry, key);
        const auto parsed = value ? core::ParseDottedQuad(*value) : std::nullopt;
        if (parsed)
            to = *parsed;
        return parsed.has_value();
    };
    for (const auto& [key, to] : {std::pair<const char*, core::Ip4*>{"sender", &h.sender},
                                  {"ip", &h.record.ip},
                                  {"mask", &h.record.mask},
                                  {"gateway", &h.record.gateway}})
        if (!address(key, *to))
            return std::string("no IPv4 address as \"") + key + "\"";
    const auto mac = Text(entry, "mac");
    const auto parsedMac = mac ? core::ParseMac(*mac) : std::nullopt;
    if (!parsedMac)
        return std::string("no MAC as \"mac\"");
    h.record.mac = *parsedMac;
    const auto port = Port(entry);
    if (!port)
        return std::string("no port number as \"port\"");
    h.record.port = *port;
    const auto hardware = Text(entry, "hardware");
    const auto hardwareValue = hardware ? HexByte(*hardware) : std::nullopt;
    const auto software = Text(entry, "software");
    const auto major = software && software->size() == 5 && (*software)[2] == '.'
                           ? HexByte(software->substr(0, 2))
                           : std::nullopt;
    const auto minor = major ? HexByte(std::string_view(*software).substr(3)) : std::nullopt;
    if (!hardwareValue || !minor)
        return std::string("no versions as \"hardware\" (01) and \"software\" (02.0A)");
    h.record.hardware = *hardwareValue;
    h.record.softwareMajor = *major;
    h.record.softwareMinor = *minor;
    h.cardName = Text(entry, "card").value_or("");
    return h;
}

} // namespace

std::variant<core::Controllers, std::string> ReadListing(std::string_view text) {
    json document;
    try {
        document = json::parse(text.begin(), text.end());
    } catch (const json::exception& e) {
        // "[json.exception.parse_error.101] parse error at line 2, column 5: ..."
        const std::string_view what = e.what();
        const size_t id = what.starts_with('[') ? what.find("] ") : std::string_view::npos;
        return "not JSON: " +
               std::string(id == std::string_view::npos ? what : what.substr(id + 2));
    }
    if (!document.is_array())
        return std::string("not a listing: a JSON array of controllers is expected");
    core::Controllers listed;
    for (size_t i = 0; i < document.size(); ++i) {
        const json& entry = document[i];
        if (const auto change = entry.find("change");
            change != entry.end() && change->is_string() && *change == "gone")
            continue;
        auto heard = Listed(entry);
        if (const auto* why = std::get_if<std::string>(&heard))
            return "controller " + std::to_string(i + 1) + ": " + *why;
        listed.File(std::get<core::Heard>(heard));
    }
    return listed;
}

} // namespace cli
