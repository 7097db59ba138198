#include "UserFunc.h"

#include <array>
#include <cstdint>

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

// Decimal value of a run of digits; false when it does not fit a signed 32-bit integer.
bool DecimalValue(std::string_view digits, int64_t& value) {
    value = 0;
    for (char c : digits) {
        value = value * 10 + (c - '0');
        if (value > INT32_MAX)
            return false;
    }
    return !digits.empty();
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

bool BadDottedQuad(std::string_view text, bool strict) {
    const size_t n = text.size();
    // The check counts positions in eight bits; longer texts are never addresses.
    if (n > 255)
        return true;

    std::array<size_t, 3> dots{}; // 1-based positions of the first three dots
    int dotCount = 0;
    for (size_t i = 0; i < n; ++i) {
        const char c = text[i];
        if (c == '.') {
            if (dotCount == 3)
                return true;
            dots[dotCount++] = i + 1;
        } else if (c < '0' || c > '9') {
            return true;
        }
    }
    if (dotCount != 3)
        return true;

    const auto [p1, p2, p3] = dots;
    if (p1 < 2 || p1 > 4 || p2 < p1 + 2 || p2 > p1 + 4 || p3 < p2 + 2 || p3 > p2 + 4 || n == p3)
        return true;

    const int64_t largest = strict ? 254 : 255;
    int64_t value = 0;
    if (!DecimalValue(text.substr(0, p1 - 1), value) || value > largest || text[0] == '0')
        return true;

    const std::array<std::string_view, 3> rest = {text.substr(p1, p2 - p1 - 1),
                                                  text.substr(p2, p3 - p2 - 1), text.substr(p3)};
    for (std::string_view group : rest) {
        if (!DecimalValue(group, value) || value > largest)
            return true;
        if (value != 0 && group.front() == '0')
            return true;
    }
    return false;
}
