#include "WSA_UDP.h"

#include "ControllerRecord.h"
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

double SteadyClockDays() {
    using namespace std::chrono;
    // Whole milliseconds, as the local clock is read: a 0 ms wait lasts one step of it.
    const int64_t ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<double>(ms) / kMillisecondsPerDay;
}

namespace {

static_assert(kReceiveCapacity == static_cast<int>(core::UdpSocket::kCapacity));

// An open endpoint: its socket and what was read from it but not handed out yet.
struct Endpoint {
    core::UdpSocket socket;
    std::deque<core::Datagram> waiting;
};

// The table of open endpoints. Numbers are handed out in turn from 1 on and never again
// while the process has not used up 2^31 of them, so a closed number stays refused.
std::mutex g_endpointsMutex;
std::map<int32_t, std::unique_ptr<Endpoint>> g_endpoints;
int32_t g_lastEndpoint = 0;

// The endpoint with that number, or nullptr. The pointer stays valid until UdpClose.
Endpoint* Find(int32_t endpoint) {
    std::lock_guard<std::mutex> lock(g_endpointsMutex);
    const auto it = g_endpoints.find(endpoint);
    return it == g_endpoints.end() ? nullptr : it->second.get();
}

// The oldest datagram waiting at the endpoint, if there is one.
bool NextDatagram(Endpoint& e, core::Datagram& d) {
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
    auto entry = std::make_unique<Endpoint>();
    entry->socket = std::move(socket);
    std::lock_guard<std::mutex> lock(g_endpointsMutex);
    do
        g_lastEndpoint = g_lastEndpoint == INT32_MAX ? 1 : g_lastEndpoint + 1;
    while (g_endpoints.count(g_lastEndpoint) != 0);
    g_endpoints[g_lastEndpoint] = std::move(entry);
    return g_lastEndpoint;
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
    const auto parsed = core::ParseDottedQuad(address);
    const bool sent = parsed && e->socket.Send(*parsed, port, static_cast<const uint8_t*>(data),
                                               static_cast<size_t>(length), card);
    return sent ? length : 0;
}

bool UdpWaitReadable(int32_t endpoint, int waitMs) {
    Endpoint* e = Find(endpoint);
    return e != nullptr && (!e->waiting.empty() || e->socket.WaitReadable(waitMs));
}

bool PollWait(int waitMs, const MessagePump& pump, ClockFn clock,
              const std::function<bool(bool& over)>& take) {
    const double deadline = clock() + waitMs / kMillisecondsPerDay;
    for (;;) {
        bool over = false;
        const bool got = take(over);
        if (pump)
            pump();
        if (got)
            return true;
        if (over || clock() > deadline)
            return false;
    }
}

int UdpReceive(int32_t endpoint, std::string& senderAddress, int& senderPort, int waitMs,
               uint8_t* buffer, const MessagePump& pump, ClockFn clock) {
    core::Datagram d;
    // Looked up on every pass: a command run by the pump may close the endpoint.
    const bool got = PollWait(waitMs, pump, clock, [&](bool&) {
        Endpoint* e = Find(endpoint);
        return e != nullptr && NextDatagram(*e, d);
    });
    if (!got)
        return -1;
    std::memcpy(buffer, d.bytes.data(), d.bytes.size());
    senderAddress = d.SenderText();
    senderPort = d.senderPort;
    return static_cast<int>(d.bytes.size());
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
    if (!entry)
        return false;
    return entry->socket.Close();
}
