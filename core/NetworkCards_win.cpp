// The card listing on Windows, from GetAdaptersAddresses.
#include "NetworkCardsSystem.h"

#include <iphlpapi.h>

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

} // namespace

// Cards with an IPv4 address, from GetAdaptersAddresses.
std::vector<CardState> CardsWithAddress() {
    std::vector<CardState> cards;
    ULONG size = 16 * 1024;
    std::vector<unsigned char> buffer;
    ULONG result = ERROR_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < 3 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
        buffer.resize(size);
        result = ::GetAdaptersAddresses(
            AF_INET, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER,
            nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
    }
    if (result != NO_ERROR)
        return cards;
    for (auto* a = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); a != nullptr;
         a = a->Next) {
        CardState s;
        for (const IP_ADAPTER_UNICAST_ADDRESS* u = a->FirstUnicastAddress; u != nullptr;
             u = u->Next)
            if (u->Address.lpSockaddr->sa_family == AF_INET) {
                if (s.addresses.empty())
                    s.card.prefix = u->OnLinkPrefixLength;
                s.addresses.push_back(AddressText(
                    reinterpret_cast<const sockaddr_in*>(u->Address.lpSockaddr)->sin_addr));
            }
        if (s.addresses.empty())
            continue;
        s.card.index = a->IfIndex;
        s.card.name = Utf8(a->FriendlyName);
        s.card.address = s.addresses.front();
        s.running = a->OperStatus == IfOperStatusUp;
        s.loopback = a->IfType == IF_TYPE_SOFTWARE_LOOPBACK;
        // Dial-up links and tunnels carry no broadcasts.
        s.broadcast = a->IfType != IF_TYPE_PPP && a->IfType != IF_TYPE_TUNNEL && !s.loopback;
        cards.push_back(std::move(s));
    }
    return cards;
}
} // namespace core::cards

namespace core {

// Adapter names come from the listing, in UTF-8.
std::string CardName(unsigned index) {
    if (index == 0)
        return {};
    const std::optional<NetworkCard> card = CardByIndex(index);
    return card ? card->name : "";
}

} // namespace core
