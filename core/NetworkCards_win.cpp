// The card listing on Windows, from GetAdaptersAddresses.
#include "ControllerRecord.h"
#include "NetworkCardsSystem.h"
#include "Subnet.h"
#include "UdpSocket.h"

#include <iphlpapi.h>
#include <utility>

namespace core::cards {
namespace {

std::string Utf8(const wchar_t* text) {
    if (text == nullptr)
        return {};
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 1)
        return {};
    std::string out(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), bytes, nullptr, nullptr);
    out.resize(static_cast<size_t>(bytes - 1));
    return out;
}

// The system's adapters of that address family, as GetAdaptersAddresses fills its buffer;
// empty when it failed.
std::vector<unsigned char> Adapters(ULONG family) {
    ULONG size = 16 * 1024;
    std::vector<unsigned char> buffer;
    ULONG result = ERROR_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < 3 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
        buffer.resize(size);
        result = ::GetAdaptersAddresses(
            family, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER,
            nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
    }
    if (result != NO_ERROR || size == 0)
        buffer.clear();
    return buffer;
}

const IP_ADAPTER_ADDRESSES* FirstAdapter(const std::vector<unsigned char>& buffer) {
    return buffer.empty() ? nullptr : reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(buffer.data());
}

// Dial-up links and tunnels carry no broadcasts.
bool CarriesBroadcasts(const IP_ADAPTER_ADDRESSES& a) {
    return a.IfType != IF_TYPE_PPP && a.IfType != IF_TYPE_TUNNEL &&
           a.IfType != IF_TYPE_SOFTWARE_LOOPBACK;
}

} // namespace

// Cards with an IPv4 address, from GetAdaptersAddresses.
std::vector<CardState> CardsWithAddress() {
    std::vector<CardState> cards;
    const std::vector<unsigned char> buffer = Adapters(AF_INET);
    for (const IP_ADAPTER_ADDRESSES* a = FirstAdapter(buffer); a != nullptr; a = a->Next) {
        CardState s;
        for (const IP_ADAPTER_UNICAST_ADDRESS* u = a->FirstUnicastAddress; u != nullptr;
             u = u->Next)
            if (u->Address.lpSockaddr->sa_family == AF_INET) {
                if (s.addresses.empty())
                    s.card.prefix = u->OnLinkPrefixLength;
                s.addresses.push_back(UdpSocket::AddressOf(
                    reinterpret_cast<const sockaddr_in*>(u->Address.lpSockaddr)->sin_addr));
            }
        if (s.addresses.empty())
            continue;
        s.card.index = a->IfIndex;
        s.card.name = Utf8(a->FriendlyName);
        s.card.address = s.addresses.front();
        s.running = a->OperStatus == IfOperStatusUp;
        s.loopback = a->IfType == IF_TYPE_SOFTWARE_LOOPBACK;
        s.broadcast = CarriesBroadcasts(*a);
        s.arp = s.running && s.broadcast; // every card that carries broadcasts asks by ARP
        cards.push_back(std::move(s));
    }
    return cards;
}
} // namespace core::cards

namespace core {

// Every adapter of any family, for those that have a link but no IPv4 unicast address.
std::vector<std::string> CardsWithoutAddress() {
    std::vector<std::string> cards;
    const std::vector<unsigned char> buffer = cards::Adapters(AF_UNSPEC);
    for (const IP_ADAPTER_ADDRESSES* a = cards::FirstAdapter(buffer); a != nullptr; a = a->Next) {
        if (a->OperStatus != IfOperStatusUp || !cards::CarriesBroadcasts(*a))
            continue;
        bool hasIpv4 = false;
        for (const IP_ADAPTER_UNICAST_ADDRESS* u = a->FirstUnicastAddress; u != nullptr;
             u = u->Next)
            hasIpv4 = hasIpv4 || u->Address.lpSockaddr->sa_family == AF_INET;
        if (!hasIpv4)
            cards.push_back(cards::Utf8(a->FriendlyName));
    }
    return cards;
}

// netsh takes the mask, not the prefix; it needs an Administrator's command prompt.
std::string AddressCommand(const std::string& card, const std::string& address, unsigned prefix) {
    return "netsh interface ipv4 set address name=\"" + card + "\" static " + address + " " +
           DottedQuad(PrefixMask(prefix));
}

// Adapter names come from the listing, in UTF-8.
std::string CardName(unsigned index) {
    if (index == 0)
        return {};
    const std::optional<NetworkCard> card = CardByIndex(index);
    return card ? card->name : "";
}

} // namespace core
