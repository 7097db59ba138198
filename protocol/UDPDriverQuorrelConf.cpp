#include "UDPDriverQuorrelConf.h"

#include "ControllerRecord.h"
#include "MarqueeTexts.h"
#include "Search.h"
#include "UserFunc.h"
#include "WriteRules.h"

#include <cstring>
#include <thread>

uint8_t ByteSum(const uint8_t* data, int count) {
    return core::Sum8(data, static_cast<size_t>(count < 0 ? 0 : count));
}

bool IsDiscoveryReply(const uint8_t* data, int length) {
    return length > 0 && core::IsReply(data, static_cast<size_t>(length));
}

std::array<uint8_t, 2> DiscoveryRequest() {
    return {0x54, 0x52};
}

std::string RecordText(const uint8_t* reply) {
    return core::HexText(reply, kRecordLength);
}

uint8_t FrameCheckByte(const ConfigFrame& frame) {
    return core::FrameCheck(frame.data());
}

std::optional<ConfigFrame> BuildConfigFrame(const std::string& ip, const std::string& mask,
                                            const std::string& gateway, const std::string& mac) {
    const std::optional<core::Mac> parsed = core::ParseMac(mac);
    if (!parsed)
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
    values.mac = *parsed;
    return core::ConfigFrame(values);
}

namespace {

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
    core::Search search(static_cast<uint16_t>(base));
    if (!search.Opened())
        return;

    context.marquee->SetCaption(destination == kBroadcastAddress ? MarqueeText::BroadcastSearch
                                                                 : MarqueeText::SearchByAddress);
    context.progress->SetTotalParts(kSearchParts);
    context.progress->SetPartsComplete(0);
    search.Start(*core::ParseDottedQuad(destination));
    search.ListenInBackground(core::Search::kWindow, [] {});

    std::vector<core::HeardReply> taken;
    size_t next = 0;
    // One pass: count it, wait one step of the clock for a reply, file it. false when
    // none came.
    auto pass = [&] {
        context.progress->SetPartsComplete(context.progress->PartsComplete() + 2);
        const bool got = PollWait(0, context.pump, context.clock, [&](bool& over) {
            if (next == taken.size()) {
                over = search.Done();
                taken = search.Take();
                next = 0;
            }
            if (next < taken.size())
                return true;
            std::this_thread::yield();
            return false;
        });
        if (got) {
            const core::HeardReply& reply = taken[next++];
            FileReply(context, core::DottedQuad(reply.sender), reply.bytes.data(), reply.card);
        }
        return got;
    };
    const double deadline = context.clock() + 1000 / kMillisecondsPerDay;
    while (!(context.clock() > deadline))
        pass();
    while (pass()) {
    }

    context.progress->SetPercent(0);
    context.marquee->SetCaption("");
}

bool WriteConfig(DriverContext& context, int base, const std::string& destination, unsigned card) {
    const IParameterFields& fields = *context.fields;
    // Without a MAC text that names a controller the frame would name none (or a wrong one).
    const auto frame = BuildConfigFrame(fields.IpText(), fields.MaskText(), fields.GatewayText(),
                                        fields.MacText());
    if (!frame)
        return false;
    const auto address = core::ParseDottedQuad(destination);
    if (!address)
        return false;
    const core::FrameSent sent =
        core::SendFrame(*frame, {*address, card}, static_cast<uint16_t>(base));
    if (sent == core::FrameSent::kCardGone || sent == core::FrameSent::kNoLocalPort)
        return false;
    context.marquee->SetCaption(MarqueeText::WritingConfig);
    context.progress->SetTotalParts(kWriteParts);
    context.progress->SetPartsComplete(kWriteParts + 1);
    context.progress->SetPercent(0);
    context.marquee->SetCaption("");
    // A frame that did not go out whole is a failed write, like one with no local port.
    return sent == core::FrameSent::kSent;
}
