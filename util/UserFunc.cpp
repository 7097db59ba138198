#include "UserFunc.h"

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

int32_t HexToInt(std::string_view text) {
    if (text.empty())
        return -1;
    uint32_t value = 0;
    int significant = 0;
    for (char c : text) {
        const int digit = HexDigit(c);
        if (digit < 0)
            return -1;
        if (significant > 0 || digit != 0)
            ++significant;
        if (significant > 8)
            return -1;
        value = (value << 4) | static_cast<uint32_t>(digit);
    }
    return static_cast<int32_t>(value);
}

std::optional<std::array<uint8_t, 4>> ReadDottedQuad(std::string_view text, QuadRules rules) {
    // The check counts positions in eight bits; longer texts are never addresses.
    if (text.size() > 255)
        return std::nullopt;
    const unsigned largest = rules == QuadRules::kStrict ? 254 : 255;
    std::array<uint8_t, 4> address{};
    for (size_t group = 0; group < address.size(); ++group) {
        const size_t end = group < 3 ? text.find('.') : text.size();
        const std::string_view digits = text.substr(0, end);
        if (end == text.npos || digits.empty() ||
            (digits.size() > 3 && (rules == QuadRules::kAny || group < 3)))
            return std::nullopt;
        unsigned value = 0;
        for (const char c : digits) {
            if (c < '0' || c > '9')
                return std::nullopt;
            value = value * 10 + static_cast<unsigned>(c - '0');
            if (value > largest)
                return std::nullopt;
        }
        // A field's first group never begins with "0", a later one only when it is 0.
        if (rules != QuadRules::kAny && digits.front() == '0' && (group == 0 || value != 0))
            return std::nullopt;
        address[group] = static_cast<uint8_t>(value);
        text.remove_prefix(group < 3 ? end + 1 : end);
    }
    return address;
}

bool BadDottedQuad(std::string_view text, bool strict) {
    return !ReadDottedQuad(text, strict ? QuadRules::kStrict : QuadRules::kField);
}
