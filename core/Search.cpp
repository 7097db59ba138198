#include "Search.h"

#include "ControllerRecord.h"
#include "NetworkCards.h"

#include <cstring>

#ifndef _WIN32
#include <net/if.h>
#endif

namespace core {
namespace {

const uint8_t kRequest[] = {'T', 'R'};

// The name of the card with that index (empty when unknown).
std::string CardName(unsigned index) {
    if (index == 0)
        return {};
#ifdef _WIN32
    if (const auto card = CardByIndex(index))
        return card->name;
    return {};
#else
    char text[IF_NAMESIZE] = {};
    return ::if_indextoname(index, text) != nullptr ? text : "";
#endif
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

Search::Search(uint16_t base) : socket_(OpenLocalPort(base, &localPort_)) {}

Search::~Search() {
    reader_.reset(); // stops draining before the socket goes
}

void Search::Start(const std::string& destination) {
    if (!Opened() || reader_)
        return;
    // A thread of its own keeps the socket drained however long the caller takes between
    // two reads, where the system capped the receive buffer (an ordinary user under Linux:
    // a few hundred replies). Where the buffer holds tens of thousands of replies, the
    // caller's own reads keep up (see bench/search-bench).
    const bool capped = socket_.ReceiveBufferBytes() < UdpSocket::kReceiveBufferBytes;
    reader_ = std::make_unique<ReplyReader>(socket_, capped);
    start_ = Clock::now();
    socket_.Send(destination, kControllerPort, kRequest, sizeof kRequest);
    if (destination == kBroadcastAddress) {
        for (const NetworkCard& card : CardsBesideRoute())
            socket_.Send(destination, kControllerPort, kRequest, sizeof kRequest, card.index);
        // Routed or not, the broadcast went out on every broadcast card.
        std::vector<unsigned> cards;
        for (const NetworkCard& card : BroadcastCards())
            cards.push_back(card.index);
        asker_ = std::make_unique<SilentCardAsker>(std::move(cards));
    }
}

bool Search::Pass(Datagram& d) {
    if (!reader_)
        return false;
    if (asker_ && !reader_->WindowEnded()) {
        // From the same socket and port, so that the replies are read where the broadcast's
        // would have been.
        const auto since = std::chrono::duration_cast<std::chrono::milliseconds>(Elapsed());
        for (const SilentCardAsker::Target& t : asker_->Due(since))
            socket_.Send(t.address, kControllerPort, kRequest, sizeof kRequest, t.card);
    }
    return reader_->Next(d);
}

bool Search::Next(HeardReply& reply) {
    Datagram d;
    while (Pass(d)) {
        if (!IsReply(d.bytes.data(), d.bytes.size()))
            continue;
        if (asker_)
            asker_->Heard(d.card);
        reply.sender = d.SenderText();
        reply.senderPort = d.senderPort;
        reply.card = d.card;
        auto name = cardNames_.find(d.card);
        if (name == cardNames_.end())
            name = cardNames_.emplace(d.card, CardName(d.card)).first;
        reply.cardName = name->second;
        std::memcpy(reply.bytes.data(), d.bytes.data(), kReplyBytes);
        return true;
    }
    return false;
}

void Search::EndWindow() {
    if (reader_)
        reader_->EndWindow();
}

} // namespace core
