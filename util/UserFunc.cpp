#include "UserFunc.h"

#include "SocketLibrary.h"

#include <array>
#include <cstring>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

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

uint32_t ResolveHostName(const std::string& text) {
    uint32_t result = 0xFFFFFFFFu;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* list = nullptr;
    if (getaddrinfo(text.c_str(), nullptr, &hints, &list) == 0 && list != nullptr) {
        for (addrinfo* it = list; it != nullptr; it = it->ai_next) {
            if (it->ai_family == AF_INET && it->ai_addr != nullptr) {
                sockaddr_in sin;
                std::memcpy(&sin, it->ai_addr, sizeof sin);
                std::memcpy(&result, &sin.sin_addr, 4);
                break;
            }
        }
        freeaddrinfo(list);
    }
    return result;
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

uint32_t HostToAddr(const std::string& text) {
    SocketLibraryRuns(); // for inet_addr and getaddrinfo
    // inet_addr keeps the number in network order, which is the wire order we want.
    uint32_t result = static_cast<uint32_t>(inet_addr(text.c_str()));
    if (result == 0xFFFFFFFFu && IsHostNameText(text))
        result = ResolveHostName(text);
    return result;
}

bool IsHostNameText(std::string_view text) {
    if (!text.empty() && text.back() == '.')
        text.remove_suffix(1);
    if (text.empty() || text.size() > 253)
        return false;
    size_t labelStart = 0;
    bool lastLabelAllDigits = true;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == '.') {
            const std::string_view label = text.substr(labelStart, i - labelStart);
            if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-')
                return false;
            labelStart = i + 1;
            continue;
        }
        const char c = text[i];
        const bool digit = c >= '0' && c <= '9';
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!digit && !letter && c != '-')
            return false;
        if (i == labelStart)
            lastLabelAllDigits = true;
        if (!digit)
            lastLabelAllDigits = false;
    }
    return !lastLabelAllDigits;
}

std::string SubnetLabel(const std::string& text) {
    const uint32_t n = HostToAddr(text);
    return std::to_string(n & 255) + "." + std::to_string((n >> 8) & 255) + "." +
           std::to_string((n >> 16) & 255) + ".xxx";
}

bool BadDottedQuad(std::string_view text, bool strict) {
    const size_t n = text.size();
    // The original check counts in eight bits; longer texts are never addresses.
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
