#include "Discovery.h"

#include "ControllerRecord.h"
#include "NetworkCards.h"
#include "ReplyReader.h"
#include "UdpSocket.h"

#include <chrono>
#include <cstring>
#include <map>
#include <thread>

#ifndef _WIN32
#include <net/if.h>
#endif

namespace core {
namespace {

const uint8_t kRequest[] = {'T', 'R'};

bool IsReply(const std::vector<uint8_t>& bytes) {
    return bytes.size() == kReplyBytes && Sum8(bytes.data(), bytes.size()) == 0;
}

// The name of the card with that index, looked up once per search.
std::string CardName(unsigned index, std::map<unsigned, std::string>& known) {
    if (index == 0)
        return {};
    const auto found = known.find(index);
    if (found != known.end())
        return found->second;
    std::string name;
#ifdef _WIN32
    if (const auto card = CardByIndex(index))
        name = card->name;
#else
    char text[IF_NAMESIZE] = {};
    if (::if_indextoname(index, text) != nullptr)
        name = text;
#endif
    known.emplace(index, name);
    return name;
}

} // namespace

UdpSocket OpenLocalPort(uint16_t base, uint16_t* opened) {
    for (int i = 0; i < kLocalPortTries; ++i) {
        const auto port = static_cast<uint16_t>(base + i);
        UdpSocket socket = UdpSocket::Open(port);
        if (socket.Valid()) {
            if (opened != nullptr)
                *opened = port;
            return socket;
        }
    }
    if (opened != nullptr)
        *opened = 0;
    return {};
}

DiscoveryResult Discover(const std::string& destination, int timeoutMs, uint16_t base) {
    DiscoveryResult result;
    UdpSocket socket = OpenLocalPort(base, &result.localPort);
    if (!socket.Valid())
        return result;
    result.opened = true;

    ReplyReader reader(socket);
    const auto start = std::chrono::steady_clock::now();
    socket.Send(destination, kControllerPort, kRequest, sizeof kRequest);
    if (destination == "255.255.255.255")
        for (const NetworkCard& card : CardsBesideRoute())
            socket.Send(destination, kControllerPort, kRequest, sizeof kRequest, card.index);
    std::this_thread::sleep_until(start + std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0));
    reader.EndWindow();

    std::map<unsigned, std::string> cardNames;
    Datagram d;
    while (reader.Next(d)) {
        if (!IsReply(d.bytes))
            continue;
        HeardReply& reply = result.replies.emplace_back();
        reply.sender = d.SenderText();
        reply.senderPort = d.senderPort;
        reply.card = d.card;
        reply.cardName = CardName(d.card, cardNames);
        std::memcpy(reply.bytes.data(), d.bytes.data(), kReplyBytes);
    }
    return result;
}

} // namespace core
