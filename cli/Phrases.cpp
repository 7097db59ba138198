#include "Phrases.h"

namespace cli {

namespace {

std::string Reason(core::FieldFault::Why why) {
    switch (why) {
    case core::FieldFault::Why::kEmpty:
        return "empty";
    case core::FieldFault::Why::kNotAnAddress:
        return "not four decimal groups of 0 to 255 without leading zeros, the first not 0";
    case core::FieldFault::Why::kGroupAbove254:
        return "a group is above 254";
    case core::FieldFault::Why::kNotWholeNumber:
        return "not a whole number";
    }
    return "not accepted";
}

std::string FieldName(core::WriteField field) {
    switch (field) {
    case core::WriteField::kIp:
        return "IP address";
    case core::WriteField::kMask:
        return "mask";
    case core::WriteField::kGateway:
        return "gateway";
    case core::WriteField::kPort:
        return "port";
    }
    return "field";
}

} // namespace

std::string Describe(const core::FieldFault& fault) {
    return "wrong " + FieldName(fault.field) + " format \"" + fault.text +
           "\": " + Reason(fault.why);
}

std::string Describe(const core::PlanFault& fault) {
    using Why = core::PlanFault::Why;
    switch (fault.why) {
    case Why::kBadQuote:
        return "a quoted field is not closed properly";
    case Why::kNotHeader:
        return "the first line must be the header mac,ip,mask,gateway";
    case Why::kFieldCount:
        return "4 fields expected (mac,ip,mask,gateway), found " + std::to_string(fault.fieldCount);
    case Why::kBadMac:
        return "wrong MAC \"" + fault.text +
               "\": six two-digit hexadecimal groups separated by - or : expected";
    case Why::kBadValue:
        return Describe(fault.value);
    case Why::kMacTwice:
        return "MAC " + fault.text + " is already on line " + std::to_string(fault.earlierLine);
    case Why::kIpTwice:
        return "IP address " + fault.text + " is already given on line " +
               std::to_string(fault.earlierLine);
    case Why::kNoHeader:
        return "no header line mac,ip,mask,gateway";
    case Why::kNoRows:
        return "no rows after the header";
    }
    return {};
}

std::string AddressList(const std::vector<core::Ip4>& addresses) {
    std::string text;
    for (const core::Ip4& address : addresses)
        text += (text.empty() ? "" : ", ") + core::DottedQuad(address);
    return text;
}

std::string DescribeSharedMac(const core::Mac& mac, const std::vector<core::Ip4>& addresses) {
    return "MAC " + core::MacText(mac) + " answered from " + AddressList(addresses) +
           ": a broadcast write would change all of these controllers";
}

std::vector<std::string> DescribeConflicts(const core::WriteConflicts& conflicts,
                                           const core::ControllerRecord& wanted) {
    std::vector<std::string> lines;
    const std::string ip = wanted.IpText();
    if (!conflicts.addressTakenBy.empty()) {
        std::string macs;
        for (const core::Mac& mac : conflicts.addressTakenBy)
            macs += (macs.empty() ? "" : ", ") + core::MacText(mac);
        lines.push_back(ip + " is the address of another controller found (" + macs +
                        "): two controllers would answer from one address");
    }
    if (const auto& mac = conflicts.addressHeldByDevice)
        lines.push_back(ip + " is taken by another device (" + core::MacText(*mac) +
                        ") that does not answer as a controller: it and the controller would "
                        "answer from one address");
    if (const auto& card = conflicts.leavesSubnetOf)
        lines.push_back(ip + " is outside the subnet of " + card->name + " (" +
                        core::DottedQuad(card->address) + "/" + std::to_string(card->prefix) +
                        "), the card the controller answered on: afterwards only a broadcast "
                        "search finds it");
    if (conflicts.ownAddress)
        lines.push_back(ip + " is an address of this computer");
    if (conflicts.gatewayOutside)
        lines.push_back("the gateway " + wanted.GatewayText() + " is outside the subnet of " + ip +
                        " with mask " + wanted.MaskText());
    return lines;
}

} // namespace cli
