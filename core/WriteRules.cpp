#include "WriteRules.h"

#include "Ports.h"
#include "Search.h"
#include "UserFunc.h"

#include <algorithm>
#include <cstdint>

namespace core {

namespace {

// Why a text is not an address of the given kind; empty when it is one.
std::string QuadProblem(const std::string& text, bool strict) {
    if (text.empty())
        return "empty";
    if (BadDottedQuad(text, false))
        return "not four decimal groups of 0 to 255 without leading zeros, the first not 0";
    if (strict && BadDottedQuad(text, true))
        return "a group is above 254";
    return {};
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
        std::string problem = QuadProblem(text, strict);
        if (!problem.empty())
            faults.push_back({field, text, std::move(problem)});
    };
    if (values.checkAddresses) {
        check(WriteField::kIp, values.ip, true);
        check(WriteField::kMask, values.mask, false);
        check(WriteField::kGateway, values.gateway, true);
    }
    if (!values.port.empty() && !IsInt32(values.port))
        faults.push_back({WriteField::kPort, values.port, "not a whole number"});
    return faults;
}

std::string FieldName(WriteField field) {
    switch (field) {
    case WriteField::kIp:
        return "IP address";
    case WriteField::kMask:
        return "mask";
    case WriteField::kGateway:
        return "gateway";
    case WriteField::kPort:
        return "port";
    }
    return "field";
}

std::string Describe(const FieldFault& fault) {
    return "wrong " + FieldName(fault.field) + " format \"" + fault.text + "\": " + fault.reason;
}

bool IsControllerName(std::string_view caption) {
    return !BadDottedQuad(caption, false);
}

bool MayWrite(std::string_view selectedNode, std::string_view filledFrom) {
    return IsControllerName(selectedNode) && selectedNode == filledFrom;
}

WriteDestination ChooseDestination(bool broadcastMode, const Ip4& nodeAddress, unsigned heardCard) {
    if (broadcastMode)
        return {kBroadcast, heardCard};
    return {nodeAddress, 0};
}

unsigned PinnedCard(unsigned heardCard, const std::vector<NetworkCard>& besideRoute) {
    for (const NetworkCard& card : besideRoute)
        if (heardCard != 0 && card.index == heardCard)
            return heardCard;
    return 0;
}

std::optional<unsigned> FrameCard(unsigned heardCard) {
    if (heardCard == 0)
        return 0u;
    if (!CardByIndex(heardCard))
        return std::nullopt;
    return PinnedCard(heardCard, CardsBesideRoute());
}

FrameSent SendFrame(const FrameBytes& frame, const WriteDestination& to, uint16_t base) {
    const std::optional<unsigned> card = FrameCard(to.card);
    if (!card)
        return FrameSent::kCardGone;
    UdpSocket socket = OpenLocalPort(base);
    if (!socket.Valid())
        return FrameSent::kNoLocalPort;
    if (!socket.Send(to.address, kControllerPort, frame.data(), frame.size(), *card))
        return FrameSent::kNotWhole;
    return FrameSent::kSent;
}

std::vector<std::string> SharedMacAddresses(const std::vector<HeardMac>& heard, const Mac& mac,
                                            bool toBroadcast) {
    std::vector<std::string> addresses;
    if (!toBroadcast)
        return addresses;
    for (const HeardMac& h : heard)
        if (h.mac == mac &&
            std::find(addresses.begin(), addresses.end(), h.address) == addresses.end())
            addresses.push_back(h.address);
    if (addresses.size() < 2)
        addresses.clear();
    return addresses;
}

std::string AddressList(const std::vector<std::string>& addresses) {
    std::string text;
    for (const std::string& address : addresses)
        text += (text.empty() ? "" : ", ") + address;
    return text;
}

std::string DescribeSharedMac(const Mac& mac, const std::vector<std::string>& addresses) {
    return "MAC " + MacText(mac) + " answered from " + AddressList(addresses) +
           ": a broadcast write would change all of these controllers";
}

} // namespace core
