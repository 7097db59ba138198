// controller-sim: answers discovery requests and takes configuration frames on UDP port 5001
// for any number of simulated controllers, each from its own IPv4 address. Every event is
// printed as one JSON line on stdout. See --help (SimController.cpp) for the options.
#include "SimController.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <map>
#include <queue>
#include <random>
#include <string>
#include <vector>

using namespace sim;
using Clock = std::chrono::steady_clock;

namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) {
    g_stop = 1;
}

// One JSON object per line, written and flushed at once so a reader sees each event as it
// happens. Values are flat: strings, numbers and booleans.
class Event {
public:
    explicit Event(const char* name) { Str("event", name); }
    Event& Str(const char* key, const std::string& value) {
        Key(key);
        text_ += '"';
        for (const char ch : value) {
            if (ch == '"' || ch == '\\') {
                text_ += '\\';
                text_ += ch;
            } else if (static_cast<unsigned char>(ch) < 0x20) {
                char esc[8];
                std::snprintf(esc, sizeof esc, "\\u%04x", ch);
                text_ += esc;
            } else {
                text_ += ch;
            }
        }
        text_ += '"';
        return *this;
    }
    Event& Num(const char* key, long long value) {
        Key(key);
        text_ += std::to_string(value);
        return *this;
    }
    Event& Bool(const char* key, bool value) {
        Key(key);
        text_ += value ? "true" : "false";
        return *this;
    }
    void Emit() {
        text_ += "}\n";
        if (std::fwrite(text_.data(), 1, text_.size(), stdout) != text_.size() ||
            std::fflush(stdout) != 0)
            g_stop = 1; // nobody reads us any more
    }

private:
    void Key(const char* key) {
        text_ += text_.empty() ? "{" : ",";
        text_ += '"';
        text_ += key;
        text_ += "\":";
    }
    std::string text_;
};

std::string Endpoint(const sockaddr_in& a) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &a.sin_addr, text, sizeof text);
    return std::string(text) + ":" + std::to_string(ntohs(a.sin_port));
}

std::string AddressText(in_addr a) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &a, text, sizeof text);
    return text;
}

in_addr ToInAddr(const Ip4& ip) {
    in_addr a{};
    std::memcpy(&a.s_addr, ip.data(), 4); // both in written order
    return a;
}

Ip4 FromInAddr(in_addr a) {
    Ip4 ip{};
    std::memcpy(ip.data(), &a.s_addr, 4);
    return ip;
}

void ReportError(const char* what, int err) {
    Event("error").Str("what", what).Num("errno", err).Str("message", std::strerror(err)).Emit();
}

// The answers to one request: how many datagrams are still queued and how they went.
struct Batch {
    std::string to;
    int pending = 0;
    int replies = 0;
    int failed = 0;
    int junk = 0;
};

struct Outgoing {
    Clock::time_point due;
    uint64_t sequence = 0; // keeps datagrams of equal due time in the order they were queued
    uint64_t batch = 0;
    bool isJunk = false;
    Ip4 from{};
    sockaddr_in to{};
    std::vector<uint8_t> bytes;
};

struct LaterFirst {
    bool operator()(const Outgoing& a, const Outgoing& b) const {
        return a.due != b.due ? a.due > b.due : a.sequence > b.sequence;
    }
};

class Simulator {
public:
    explicit Simulator(Options options) : o_(std::move(options)), random_(20240611u) {}

    // Opens the controller port. Gives false (after printing why) when it cannot.
    bool Open() {
        fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (fd_ < 0) {
            ReportError("socket", errno);
            return false;
        }
        const int on = 1;
        ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        ::setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
        ::setsockopt(fd_, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
        // Replies leave from each controller's own address. Addresses that are not
        // configured in this namespace need IP_TRANSPARENT (CAP_NET_ADMIN).
        transparent_ = ::setsockopt(fd_, IPPROTO_IP, IP_TRANSPARENT, &on, sizeof on) == 0;
        ::setsockopt(fd_, IPPROTO_IP, IP_FREEBIND, &on, sizeof on);
        const int buffer = 4 << 20;
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
        ::setsockopt(fd_, SOL_SOCKET, SO_SNDBUF, &buffer, sizeof buffer);

        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_port = htons(kListenPort);
        local.sin_addr.s_addr = htonl(INADDR_ANY);
        if (::bind(fd_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
            ReportError("bind", errno);
            return false;
        }
        return true;
    }

    int Run() {
        const auto start = Clock::now();
        const auto stopAt = start + std::chrono::milliseconds(o_.exitAfterMs);
        Event("ready")
            .Num("port", kListenPort)
            .Num("controllers", static_cast<long long>(o_.controllers.size()))
            .Bool("transparent", transparent_)
            .Emit();
        while (!g_stop) {
            const auto now = Clock::now();
            if (o_.exitAfterMs > 0 && now >= stopAt) {
                Event("exit").Str("reason", "time").Emit();
                return 0;
            }
            SendDue(now);

            // ppoll rather than poll: paced replies need waits well below a millisecond.
            auto wakeAt = Clock::time_point::max();
            if (!queue_.empty())
                wakeAt = queue_.top().due;
            if (o_.exitAfterMs > 0 && stopAt < wakeAt)
                wakeAt = stopAt;
            timespec wait{};
            if (wakeAt != Clock::time_point::max()) {
                const auto left = std::max<long long>(
                    0, std::chrono::duration_cast<std::chrono::nanoseconds>(wakeAt - Clock::now())
                           .count());
                wait.tv_sec = static_cast<time_t>(left / 1000000000);
                wait.tv_nsec = static_cast<long>(left % 1000000000);
            }
            pollfd p{fd_, POLLIN, 0};
            const int ready =
                ::ppoll(&p, 1, wakeAt == Clock::time_point::max() ? nullptr : &wait, nullptr);
            if (ready < 0 && errno != EINTR) {
                ReportError("poll", errno);
                return 1;
            }
            if (ready > 0)
                ReceiveAll();
        }
        Event("exit").Str("reason", "signal").Emit();
        return 0;
    }

private:
    void ReceiveAll() {
        // Bounded so that queued answers keep going out under a flood of datagrams.
        for (int i = 0; i < 256 && !g_stop; ++i) {
            sockaddr_in from{};
            iovec io{buffer_.data(), buffer_.size()};
            alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))];
            msghdr msg{};
            msg.msg_name = &from;
            msg.msg_namelen = sizeof from;
            msg.msg_iov = &io;
            msg.msg_iovlen = 1;
            msg.msg_control = control;
            msg.msg_controllen = sizeof control;
            const ssize_t got = ::recvmsg(fd_, &msg, MSG_DONTWAIT | MSG_TRUNC);
            if (got < 0) {
                if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
                    ReportError("recvmsg", errno);
                return;
            }
            in_addr to{};
            bool haveTo = false;
            for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c != nullptr; c = CMSG_NXTHDR(&msg, c)) {
                if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
                    in_pktinfo info{};
                    std::memcpy(&info, CMSG_DATA(c), sizeof info);
                    to = info.ipi_addr; // the destination written in the IP header
                    haveTo = true;
                }
            }
            Handle(from, haveTo ? AddressText(to) : std::string("?"), FromInAddr(to),
                   static_cast<size_t>(got));
        }
    }

    // The controllers that hear a datagram sent to dest: the one(s) with that address, or
    // all of them when no controller has it (broadcast and anything else).
    std::vector<size_t> Scope(const Ip4& dest) const {
        std::vector<size_t> scope;
        for (size_t i = 0; i < o_.controllers.size(); ++i)
            if (o_.controllers[i].ip == dest)
                scope.push_back(i);
        if (scope.empty()) {
            scope.resize(o_.controllers.size());
            for (size_t i = 0; i < scope.size(); ++i)
                scope[i] = i;
        }
        return scope;
    }

    void Handle(const sockaddr_in& from, const std::string& toText, const Ip4& to, size_t length) {
        const uint8_t* data = buffer_.data();
        const size_t kept = std::min(length, buffer_.size());
        if (length == static_cast<size_t>(kRequestLength) && data[0] == 'T' && data[1] == 'R') {
            auto scope = Scope(to);
            // Controllers restarting after a frame hear nothing.
            const auto now = Clock::now();
            std::erase_if(scope, [&](size_t i) {
                const auto silent = silentUntil_.find(i);
                return silent != silentUntil_.end() && now < silent->second;
            });
            Event("request")
                .Str("from", Endpoint(from))
                .Str("to", toText)
                .Num("answering", static_cast<long long>(scope.size()))
                .Emit();
            if (!scope.empty())
                Answer(from, scope);
        } else if (length >= kFrameLikeMin && length <= kFrameLikeMax) {
            const auto scope = Scope(to);
            // With --ignore-frames the frame is judged against a copy that is dropped.
            std::vector<Controller> scratch;
            if (o_.ignoreFrames)
                scratch = o_.controllers;
            const FrameResult r =
                ApplyFrame(o_.ignoreFrames ? scratch : o_.controllers, scope, data, length);
            Event e("frame");
            e.Str("from", Endpoint(from))
                .Str("to", toText)
                .Num("length", static_cast<long long>(length))
                .Str("bytes", HexText(data, kept));
            if (r.accepted && o_.ignoreFrames) {
                e.Str("result", "ignored")
                    .Str("controller", IpText(r.previousIp))
                    .Str("mac", MacText(o_.controllers[r.index].mac));
            } else if (r.accepted) {
                if (o_.restartMs > 0)
                    silentUntil_[r.index] = Clock::now() + std::chrono::milliseconds(o_.restartMs);
                if (o_.answerFromOld)
                    answerFrom_.emplace(r.index, r.previousIp); // the first address it had
                const Controller& c = o_.controllers[r.index];
                e.Str("result", "accepted")
                    .Str("controller", IpText(r.previousIp))
                    .Str("mac", MacText(c.mac))
                    .Str("ip", IpText(c.ip))
                    .Str("mask", IpText(c.mask))
                    .Str("gw", IpText(c.gateway));
            } else {
                e.Str("result", "rejected").Str("reason", r.reason);
            }
            e.Emit();
        } else {
            Event("other")
                .Str("from", Endpoint(from))
                .Str("to", toText)
                .Num("length", static_cast<long long>(length))
                .Emit();
        }
    }

    void Answer(const sockaddr_in& requester, const std::vector<size_t>& scope) {
        const uint64_t id = ++lastBatch_;
        Batch& batch = batches_[id];
        batch.to = Endpoint(requester);
        auto due = Clock::now() + std::chrono::milliseconds(o_.lateMs);
        const auto pace = std::chrono::microseconds(o_.paceUs);

        auto queue = [&](const Ip4& from, std::vector<uint8_t> bytes, bool junk) {
            Outgoing out;
            out.due = due;
            out.sequence = ++lastSequence_;
            out.batch = id;
            out.isJunk = junk;
            out.from = from;
            out.to = requester;
            out.bytes = std::move(bytes);
            queue_.push(std::move(out));
            ++batch.pending;
        };

        const Ip4 junkFrom = o_.controllers[scope.front()].ip;
        std::uniform_int_distribution<int> junkLength(0, 1100);
        std::uniform_int_distribution<int> junkByte(0, 255);
        for (int i = 0; i < o_.junk; ++i) {
            std::vector<uint8_t> bytes(static_cast<size_t>(junkLength(random_)));
            for (auto& b : bytes)
                b = static_cast<uint8_t>(junkByte(random_));
            // Junk must never pass for a reply.
            if (bytes.size() == static_cast<size_t>(kReplyBytes) &&
                Sum8(bytes.data(), bytes.size()) == 0)
                bytes[0] ^= 1;
            queue(junkFrom, std::move(bytes), true);
        }

        const int length = o_.badLength > 0 ? o_.badLength : kReplyBytes;
        for (const size_t index : scope) {
            const Controller& c = o_.controllers[index];
            const auto old = answerFrom_.find(index);
            const Ip4& from = old == answerFrom_.end() ? c.ip : old->second;
            for (int copy = 0; copy < (o_.answerTwice ? 2 : 1); ++copy) {
                queue(from, ReplyBytes(c, static_cast<uint8_t>(copy), length, o_.badChecksum),
                      false);
                due += pace;
            }
        }
    }

    void SendDue(Clock::time_point now) {
        while (!queue_.empty() && queue_.top().due <= now && !g_stop) {
            Outgoing out = queue_.top();
            queue_.pop();
            const bool sent = SendFrom(out.from, out.to, out.bytes);
            auto found = batches_.find(out.batch);
            if (found == batches_.end())
                continue;
            Batch& batch = found->second;
            if (out.isJunk) {
                batch.junk += sent ? 1 : 0;
            } else if (sent) {
                ++batch.replies;
                if (!o_.quiet)
                    Event("reply")
                        .Str("controller", IpText(out.from))
                        .Str("to", batch.to)
                        .Num("length", static_cast<long long>(out.bytes.size()))
                        .Str("bytes", HexText(out.bytes.data(), out.bytes.size()))
                        .Emit();
            } else {
                ++batch.failed;
            }
            if (--batch.pending == 0) {
                if (o_.junk > 0)
                    Event("junk").Str("to", batch.to).Num("sent", batch.junk).Emit();
                Event("answered")
                    .Str("to", batch.to)
                    .Num("replies", batch.replies)
                    .Num("failed", batch.failed)
                    .Emit();
                batches_.erase(found);
            }
            // Paced replies: do not send ahead of time after a slow step.
            if (o_.paceUs > 0)
                now = Clock::now();
        }
    }

    // Sends one datagram whose source address is from (IP_PKTINFO's ipi_spec_dst).
    bool SendFrom(const Ip4& from, const sockaddr_in& to, const std::vector<uint8_t>& bytes) {
        iovec io{const_cast<uint8_t*>(bytes.data()), bytes.size()};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
        msghdr msg{};
        msg.msg_name = const_cast<sockaddr_in*>(&to);
        msg.msg_namelen = sizeof to;
        msg.msg_iov = &io;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        cmsghdr* c = CMSG_FIRSTHDR(&msg);
        c->cmsg_level = IPPROTO_IP;
        c->cmsg_type = IP_PKTINFO;
        c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
        in_pktinfo info{};
        info.ipi_spec_dst = ToInAddr(from);
        std::memcpy(CMSG_DATA(c), &info, sizeof info);
        for (;;) {
            if (::sendmsg(fd_, &msg, 0) == static_cast<ssize_t>(bytes.size()))
                return true;
            if (errno == EINTR && !g_stop)
                continue;
            if (errno == ENOBUFS || errno == EAGAIN) {
                ::usleep(1000); // the send queue is full; let it drain
                if (!g_stop)
                    continue;
            }
            ReportError("sendmsg", errno);
            return false;
        }
    }

    Options o_;
    int fd_ = -1;
    bool transparent_ = false;
    std::vector<uint8_t> buffer_ = std::vector<uint8_t>(65536);
    std::priority_queue<Outgoing, std::vector<Outgoing>, LaterFirst> queue_;
    std::map<uint64_t, Batch> batches_;
    std::map<size_t, Clock::time_point> silentUntil_; // controllers restarting after a frame
    std::map<size_t, Ip4> answerFrom_; // --answer-from-old: where a moved controller answers from
    uint64_t lastBatch_ = 0;
    uint64_t lastSequence_ = 0;
    std::mt19937 random_;
};

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    const auto options = ParseOptions(args, error);
    if (!options) {
        std::fprintf(stderr, "controller-sim: %s\n", error.c_str());
        return 2;
    }
    if (options->help) {
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    }

    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    Simulator simulator(*options);
    if (!simulator.Open())
        return 1;
    return simulator.Run();
}
