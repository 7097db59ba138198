#include "WriteFields.h"

#include "UserFunc.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace core {

namespace {

// Why a text is not an address of the given kind; nothing when it is one.
std::optional<FieldFault::Why> QuadFault(const std::string& text, bool strict) {
    if (text.empty())
        return FieldFault::Why::kEmpty;
    if (BadDottedQuad(text, false))
        return FieldFault::Why::kNotAnAddress;
    if (strict && BadDottedQuad(text, true))
        return FieldFault::Why::kGroupAbove254;
    return std::nullopt;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// A signed 32-bit decimal number, blanks around it allowed.
bool IsInt32(std::string_view text) {
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back()))
        text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return false;
    const int64_t limit = negative ? int64_t{INT32_MAX} + 1 : int64_t{INT32_MAX};
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
        if (value > limit)
            return false;
    }
    return true;
}

} // namespace

std::vector<FieldFault> CheckWriteValues(const WriteValues& values) {
    std::vector<FieldFault> faults;
    const auto check = [&faults](WriteField field, const std::string& text, bool strict) {
        if (const auto why = QuadFault(text, strict))
            faults.push_back({field, text, *why});
    };
    if (values.checkAddresses) {
        check(WriteField::kIp, values.ip, true);
        check(WriteField::kMask, values.mask, false);
        check(WriteField::kGateway, values.gateway, true);
    }
    if (!values.port.empty() && !IsInt32(values.port))
        faults.push_back({WriteField::kPort, values.port, FieldFault::Why::kNotWholeNumber});
    return faults;
}

} // namespace core
