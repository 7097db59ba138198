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

} // namespace cli
