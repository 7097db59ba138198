// UdpSocket's system calls on Winsock: the card of each datagram comes with WSARecvMsg
// where the provider offers it; the arrival time is the moment of reading.
#include "UdpSocket.h"

#include <cstring>
#include <mswsock.h>
#include <utility>

#ifndef SIO_UDP_CONNRESET // mstcpip.h of the Windows SDK, mswsock.h of MinGW
#define SIO_UDP_CONNRESET _WSAIOW(IOC_VENDOR, 12)
#endif

namespace core {
namespace {

// WSARecvMsg, which reports the arriving card (IP_PKTINFO), is an extension function that
// the socket's provider hands out; nullptr where it does not.
LPFN_WSARECVMSG RecvMsgFunction(SOCKET h) {
    GUID id = WSAID_WSARECVMSG;
    LPFN_WSARECVMSG function = nullptr;
    DWORD bytes = 0;
    if (::WSAIoctl(h, SIO_GET_EXTENSION_FUNCTION_POINTER, &id, sizeof id, &function,
                   sizeof function, &bytes, nullptr, nullptr) != 0)
        return nullptr;
    return function;
}

// One datagram into buffer: its length, or SOCKET_ERROR. card is the interface it arrived
// on when the system says so.
int ReceiveOne(SOCKET h, LPFN_WSARECVMSG recvMsg, uint8_t* buffer, sockaddr_in& from,
               unsigned& card, in_addr& to) {
    if (recvMsg == nullptr) {
        int fromLen = sizeof from;
        return ::recvfrom(h, reinterpret_cast<char*>(buffer), UdpSocket::kCapacity, 0,
                          reinterpret_cast<sockaddr*>(&from), &fromLen);
    }
    char control[WSA_CMSG_SPACE(sizeof(IN_PKTINFO))] = {};
    WSABUF data{static_cast<ULONG>(UdpSocket::kCapacity), reinterpret_cast<char*>(buffer)};
    WSAMSG msg{};
    msg.name = reinterpret_cast<sockaddr*>(&from);
    msg.namelen = sizeof from;
    msg.lpBuffers = &data;
    msg.dwBufferCount = 1;
    msg.Control = {sizeof control, control};
    DWORD got = 0;
    if (recvMsg(h, &msg, &got, nullptr, nullptr) != 0)
        return SOCKET_ERROR;
    if ((msg.dwFlags & MSG_TRUNC) != 0) {
        ::WSASetLastError(WSAEMSGSIZE); // cut to the buffer: as recvfrom reports it
        return SOCKET_ERROR;
    }
    for (WSACMSGHDR* c = WSA_CMSG_FIRSTHDR(&msg); c != nullptr; c = WSA_CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
            IN_PKTINFO info{};
            std::memcpy(&info, WSA_CMSG_DATA(c), sizeof info);
            card = info.ipi_ifindex;
            to = info.ipi_addr;
        }
    }
    return static_cast<int>(got);
}

} // namespace

void UdpSocket::SetPlatformOptions() {
    // Windows turns an ICMP "port unreachable" for any datagram this socket sent (a
    // unicast search of an address where nothing listens) into a WSAECONNRESET failure of
    // the next receive, even without connect. Replies do not depend on it: switch it off.
    // Where the switch is refused, ReceiveWaiting skips such failures instead.
    BOOL reportReset = FALSE;
    DWORD returned = 0;
    static_cast<void>(::WSAIoctl(handle_, SIO_UDP_CONNRESET, &reportReset, sizeof reportReset,
                                 nullptr, 0, &returned, nullptr, nullptr));
    // The card each datagram arrived on (read with WSARecvMsg); without it, unknown.
    const DWORD on = 1;
    static_cast<void>(::setsockopt(handle_, IPPROTO_IP, IP_PKTINFO,
                                   reinterpret_cast<const char*>(&on), sizeof on));
}

bool UdpSocket::SharePort() {
    return false; // Winsock's shared ports do not spread datagrams over the sockets
}

bool UdpSocket::Send(const Ip4& address, uint16_t port, const uint8_t* data, size_t length,
                     unsigned card) {
    if (!Valid())
        return false;
    sockaddr_in to = AddressRecord(address, port);
    if (card != 0) {
        // The outgoing interface for this one datagram (index in network byte order).
        DWORD index = htonl(card);
        if (::setsockopt(handle_, IPPROTO_IP, IP_UNICAST_IF, reinterpret_cast<const char*>(&index),
                         sizeof index) != 0)
            return false;
    }
    const int sent =
        ::sendto(handle_, reinterpret_cast<const char*>(data), static_cast<int>(length), 0,
                 reinterpret_cast<const sockaddr*>(&to), sizeof to);
    if (card != 0) {
        DWORD routed = 0;
        static_cast<void>(::setsockopt(handle_, IPPROTO_IP, IP_UNICAST_IF,
                                       reinterpret_cast<const char*>(&routed), sizeof routed));
    }
    return sent >= 0 && static_cast<size_t>(sent) == length;
}

int64_t StampClockNs() {
    return 0; // datagrams come without the system's stamp
}

size_t UdpSocket::ReceiveWaiting(std::deque<Datagram>& out, size_t max) {
    if (!Valid())
        return 0;
    size_t moved = 0;
    uint8_t buffer[kCapacity];
    const LPFN_WSARECVMSG recvMsg = RecvMsgFunction(handle_);
    while (moved < max) {
        sockaddr_in from{};
        unsigned card = 0;
        in_addr to{};
        const int got = ReceiveOne(handle_, recvMsg, buffer, from, card, to);
        if (got < 0) {
            const int error = ::WSAGetLastError();
            if (error == WSAEMSGSIZE)
                continue; // too long: read and dropped
            if (error == WSAECONNRESET)
                continue; // a port unreachable report, should the switch above not hold
            break;
        }
        if (got == 0)
            continue;
        Datagram& d = out.emplace_back();
        d.sender = AddressOf(from.sin_addr);
        d.senderPort = ntohs(from.sin_port);
        d.card = card;
        d.to = AddressOf(to);
        d.arrivalNs = SteadyClockNs();
        d.bytes.assign(buffer, buffer + got);
        ++moved;
    }
    return moved;
}

bool UdpSocket::WaitReadable(int timeoutMs) const {
    if (!Valid())
        return false;
    WSAPOLLFD p{};
    p.fd = handle_;
    p.events = POLLRDNORM;
    return ::WSAPoll(&p, 1, timeoutMs) > 0;
}

UdpSocketGroup UdpSocketGroup::Open(uint16_t localPort) {
    // Winsock grants the receive buffer UdpSocket asks for: one socket.
    UdpSocketGroup group;
    if (UdpSocket socket = UdpSocket::Open(localPort); socket.Valid())
        group.sockets_.push_back(std::move(socket));
    return group;
}

bool UdpSocketGroup::WaitAnyReadable(int timeoutMs) const {
    return Valid() && sockets_.front().WaitReadable(timeoutMs);
}

} // namespace core
