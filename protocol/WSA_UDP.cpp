#include "WSA_UDP.h"

#include "ReplyReader.h"
#include "UdpSocket.h"

#include <chrono>
#include <cstring>
#include <ctime>
#include <deque>
#include <map>
#include <memory>
#include <mutex>

namespace {

// Days from 30 December 1899 to 1 January 1970.
constexpr double kUnixEpochDays = 25569.0;

// Offset of local time from UTC in seconds for the given moment.
long LocalOffsetSeconds(std::time_t t) {
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &t);
    return static_cast<long>(_mkgmtime(&local) - t);
#else
    localtime_r(&t, &local);
    return local.tm_gmtoff;
#endif
}

} // namespace

double LocalClockDays() {
    using namespace std::chrono;
    const int64_t utcMs =
        duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    // The offset only changes between seconds; look it up once per second.
    static thread_local int64_t cachedSecond = -1;
    static thread_local long cachedOffset = 0;
    const int64_t second = utcMs / 1000;
    if (second != cachedSecond) {
        cachedSecond = second;
        cachedOffset = LocalOffsetSeconds(static_cast<std::time_t>(second));
    }
    const int64_t localMs = utcMs + static_cast<int64_t>(cachedOffset) * 1000;
    return kUnixEpochDays + static_cast<double>(localMs) / kMillisecondsPerDay;
}

namespace {

static_assert(kReceiveCapacity == static_cast<int>(core::UdpSocket::kCapacity));

// An open endpoint: its socket and, while it listens, the thread that drains it.
struct Endpoint {
    core::UdpSocket socket;
    std::unique_ptr<core::ReplyReader> reader;
    std::deque<core::Datagram> waiting; // read without a reader, not yet handed out
};

std::mutex g_endpointsMutex;
std::map<int32_t, std::unique_ptr<Endpoint>> g_endpoints;

// The endpoint with that number, or nullptr. The pointer stays valid until UdpClose.
Endpoint* Find(int32_t endpoint) {
    std::lock_guard<std::mutex> lock(g_endpointsMutex);
    const auto it = g_endpoints.find(endpoint);
    return it == g_endpoints.end() ? nullptr : it->second.get();
}

// The oldest datagram the endpoint has for its owner, if there is one.
bool NextDatagram(Endpoint& e, core::Datagram& d) {
    if (e.reader)
        return e.reader->Next(d);
    if (e.waiting.empty())
        e.socket.ReceiveWaiting(e.waiting, 1);
    if (e.waiting.empty())
        return false;
    d = std::move(e.waiting.front());
    e.waiting.pop_front();
    return true;
}

} // namespace

int32_t UdpOpen(int localPort) {
    core::UdpSocket socket = core::UdpSocket::Open(static_cast<uint16_t>(localPort));
    if (!socket.Valid())
        return -1; // the socket has closed itself and ended the library start-up
    const int32_t endpoint = sockapi::ToEndpoint(socket.Handle());
    auto entry = std::make_unique<Endpoint>();
    entry->socket = std::move(socket);
    std::lock_guard<std::mutex> lock(g_endpointsMutex);
    g_endpoints[endpoint] = std::move(entry);
    return endpoint;
}

int UdpSend(int32_t endpoint, const std::string& address, uint16_t port, const void* data,
            int length) {
    return UdpSendVia(endpoint, address, port, data, length, 0);
}

int UdpSendVia(int32_t endpoint, const std::string& address, uint16_t port, const void* data,
               int length, unsigned card) {
    Endpoint* e = Find(endpoint);
    if (e == nullptr || length < 0)
        return 0;
    const bool sent = e->socket.Send(address, port, static_cast<const uint8_t*>(data),
                                     static_cast<size_t>(length), card);
    return sent ? length : 0;
}

int UdpReceive(int32_t endpoint, std::string& senderAddress, int& senderPort, int waitMs,
               uint8_t* buffer, const MessagePump& pump, ClockFn clock) {
    unsigned card = 0;
    return UdpReceiveVia(endpoint, senderAddress, senderPort, card, waitMs, buffer, pump, clock);
}

int UdpReceiveVia(int32_t endpoint, std::string& senderAddress, int& senderPort, unsigned& card,
                  int waitMs, uint8_t* buffer, const MessagePump& pump, ClockFn clock) {
    const double deadline = clock() + waitMs / kMillisecondsPerDay;
    for (;;) {
        // Looked up on every pass: a command run by the pump may close the endpoint.
        Endpoint* e = Find(endpoint);
        core::Datagram d;
        const bool got = e != nullptr && NextDatagram(*e, d);
        const bool windowEnded = e != nullptr && e->reader && e->reader->WindowEnded();
        e = nullptr; // the pump may close the endpoint
        if (pump)
            pump();
        if (got) {
            std::memcpy(buffer, d.bytes.data(), d.bytes.size());
            senderAddress = d.SenderText();
            senderPort = d.senderPort;
            card = d.card;
            return static_cast<int>(d.bytes.size());
        }
        if (windowEnded)
            return -1; // nothing of the window is left
        if (clock() > deadline)
            return -1;
    }
}

bool UdpBeginListening(int32_t endpoint) {
    Endpoint* e = Find(endpoint);
    if (e == nullptr)
        return false;
    if (!e->reader)
        e->reader = std::make_unique<core::ReplyReader>(e->socket);
    return true;
}

void UdpEndListening(int32_t endpoint) {
    if (Endpoint* e = Find(endpoint); e != nullptr && e->reader)
        e->reader->EndWindow();
}

bool UdpClose(int32_t endpoint) {
    std::unique_ptr<Endpoint> entry;
    {
        std::lock_guard<std::mutex> lock(g_endpointsMutex);
        const auto it = g_endpoints.find(endpoint);
        if (it != g_endpoints.end()) {
            entry = std::move(it->second);
            g_endpoints.erase(it);
        }
    }
    // A number that UdpOpen did not give (or gave and was closed already) is left alone:
    // the same number may belong to another part of the process by now.
    if (!entry)
        return false;
    entry->reader.reset(); // stops draining before the socket goes
    return entry->socket.Close();
}
