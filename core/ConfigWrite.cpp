#include "ConfigWrite.h"

#include "UdpSocket.h"

namespace core {

WriteDestination ChooseDestination(bool broadcastMode, const Ip4& address, unsigned heardCard) {
    if (broadcastMode)
        return {kBroadcast, heardCard};
    return {address, 0};
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

std::vector<Ip4> SharedMacAddresses(const Controllers& heard, const Mac& mac, bool toBroadcast) {
    std::vector<Ip4> addresses;
    if (toBroadcast)
        addresses = heard.AddressesOf(mac);
    if (addresses.size() < 2)
        addresses.clear();
    return addresses;
}

} // namespace core
