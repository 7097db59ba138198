#include "UDPDriverQuorrelConf.h"

#include "ControllerRecord.h"
#include "MarqueeTexts.h"
#include "NetworkCards.h"
#include "UserFunc.h"
#include "WriteRules.h"

#include <cstring>

uint8_t ByteSum(const uint8_t* data, int count) {
    return core::Sum8(data, static_cast<size_t>(count < 0 ? 0 : count));
}

bool IsDiscoveryReply(const uint8_t* data, int length) {
    return length == kReplyLength && ByteSum(data, kReplyLength) == 0;
}

std::array<uint8_t, 2> DiscoveryRequest() {
    return {0x54, 0x52};
}

std::string RecordText(const uint8_t* reply) {
    return core::HexText(reply, kRecordLength);
}

uint8_t FrameCheckByte(const ConfigFrame& frame) {
    return static_cast<uint8_t>(0u - ByteSum(frame.data(), kFrameLength - 1));
}

std::optional<ConfigFrame> BuildConfigFrame(const std::string& ip, const std::string& mask,
                                            const std::string& gateway, const std::string& mac) {
    constexpr size_t kMacTextLength = 17;
    if (mac.size() < kMacTextLength)
        return std::nullopt;

    const auto address = [](const std::string& text) {
        const uint32_t n = HostToAddr(text);
        core::Ip4 bytes{};
        for (size_t b = 0; b < 4; ++b)
            bytes[b] = static_cast<uint8_t>((n >> (8 * b)) & 0xFF);
        return bytes;
    };
    core::ControllerRecord values;
    values.ip = address(ip);
    values.mask = address(mask);
    values.gateway = address(gateway);
    // Groups at characters 0-1, 3-4, ... 15-16; the separators are not read.
    for (size_t group = 0; group < 6; ++group)
        values.mac[group] =
            static_cast<uint8_t>(HexToInt(std::string_view(mac).substr(3 * group, 2)) & 0xFF);
    return core::ConfigFrame(values);
}

namespace {

// The first of the three local ports from base on that opens, or -1.
int32_t OpenEndpoint(int base) {
    for (int i = 0; i < kLocalPortTries; ++i) {
        const int32_t endpoint = UdpOpen(base + i);
        if (endpoint > 0)
            return endpoint;
    }
    return -1;
}

void FileReply(DriverContext& context, const std::string& sender, const uint8_t* reply,
               unsigned card) {
    context.table->Store(sender, RecordText(reply), card);

    const std::string label = SubnetLabel(sender);
    IDeviceTree& tree = *context.tree;
    tree.BeginUpdate();
    IDeviceTree::Node root = tree.FirstNode();
    if (root != nullptr) {
        tree.MarkHasChildren(root);
        bool filed = false;
        const int subnets = tree.ChildCount(root);
        for (int i = 0; i < subnets; ++i) {
            IDeviceTree::Node subnet = tree.Child(root, i);
            if (tree.Caption(subnet) == label) {
                tree.AddChild(subnet, sender);
                filed = true;
            }
        }
        if (!filed)
            tree.AddChild(tree.AddChild(root, label), sender);
    }
    tree.EndUpdate();
    tree.FullExpand();
}

} // namespace

void SearchControllers(DriverContext& context, int base, const std::string& destination) {
    const int32_t endpoint = OpenEndpoint(base);
    if (endpoint <= 0)
        return;

    context.marquee->SetCaption(destination == kBroadcastAddress ? MarqueeText::BroadcastSearch
                                                                 : MarqueeText::SearchByAddress);
    context.progress->SetTotalParts(kSearchParts);
    context.progress->SetPartsComplete(0);

    // From here on the socket is kept drained, however long the window takes to paint.
    UdpBeginListening(endpoint);
    const auto request = DiscoveryRequest();
    UdpSend(endpoint, destination, kControllerPort, request.data(),
            static_cast<int>(request.size()));
    // A routed broadcast leaves by one card; every other LAN hears it by its own card.
    if (destination == kBroadcastAddress)
        for (const core::NetworkCard& card : core::CardsBesideRoute())
            UdpSendVia(endpoint, destination, kControllerPort, request.data(),
                       static_cast<int>(request.size()), card.index);

    uint8_t buffer[kReceiveCapacity];
    // One pass: count it, take one datagram, file it when it is a reply.
    auto pass = [&] {
        context.progress->SetPartsComplete(context.progress->PartsComplete() + 2);
        std::string sender;
        int senderPort = 0;
        unsigned card = 0;
        const int got = UdpReceiveVia(endpoint, sender, senderPort, card, 0, buffer, context.pump,
                                      context.clock);
        if (IsDiscoveryReply(buffer, got))
            FileReply(context, sender, buffer, card);
        return got;
    };
    const double deadline = context.clock() + 1000 / kMillisecondsPerDay;
    while (!(context.clock() > deadline))
        pass();
    // Replies that reached the machine within the second are filed even when the window
    // was too busy to take them in time; later ones never are.
    UdpEndListening(endpoint);
    while (pass() > 0) {
    }

    context.progress->SetPercent(0);
    context.marquee->SetCaption("");
    UdpClose(endpoint);
}

bool WriteConfig(DriverContext& context, int base, const std::string& destination, unsigned card) {
    const IParameterFields& fields = *context.fields;
    // Without a whole MAC text the frame would name no controller (or a wrong one).
    const auto frame = BuildConfigFrame(fields.IpText(), fields.MaskText(), fields.GatewayText(),
                                        fields.MacText());
    if (!frame)
        return false;
    const std::optional<unsigned> via = core::FrameCard(card);
    if (!via)
        return false;

    const int32_t endpoint = OpenEndpoint(base);
    if (endpoint <= 0)
        return false;

    context.marquee->SetCaption(MarqueeText::WritingConfig);
    context.progress->SetTotalParts(kWriteParts);
    const bool sent = UdpSendVia(endpoint, destination, kControllerPort, frame->data(),
                                 kFrameLength, *via) == kFrameLength;
    context.progress->SetPartsComplete(kWriteParts + 1);
    context.progress->SetPercent(0);
    context.marquee->SetCaption("");
    UdpClose(endpoint);
    // A frame that did not go out whole is a failed write, like one with no local port.
    return sent;
}
