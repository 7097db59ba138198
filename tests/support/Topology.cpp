#include "Topology.h"

#include "PrivateNet.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace privatenet {
namespace {

// true when the card in the caller's namespace is up and has its link.
bool Running(const std::string& card) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    ifreq request{};
    std::snprintf(request.ifr_name, IFNAMSIZ, "%s", card.c_str());
    const bool running =
        ::ioctl(fd, SIOCGIFFLAGS, &request) == 0 && (request.ifr_flags & IFF_RUNNING) != 0;
    ::close(fd);
    return running;
}

} // namespace

Lan::~Lan() {
    if (release_ >= 0)
        ::close(release_);
    if (pid_ > 0) {
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
}

std::string Lan::Create() {
    if (pid_ > 0)
        return "already created";
    int ready[2];
    int release[2];
    if (::pipe2(ready, O_CLOEXEC) != 0)
        return std::string("pipe2: ") + std::strerror(errno);
    if (::pipe2(release, O_CLOEXEC) != 0) {
        const int err = errno;
        ::close(ready[0]);
        ::close(ready[1]);
        return std::string("pipe2: ") + std::strerror(err);
    }
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        const int err = errno;
        for (const int fd : {ready[0], ready[1], release[0], release[1]})
            ::close(fd);
        return std::string("fork: ") + std::strerror(err);
    }
    if (pid == 0) {
        // The holder: enters a new namespace, reports, and waits until the test lets go, or
        // until the thread that forked it is gone.
        if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != parent)
            ::_exit(1);
        ::close(ready[0]);
        ::close(release[1]);
        const int err = ::unshare(CLONE_NEWNET) == 0 ? 0 : errno;
        const unsigned char code = static_cast<unsigned char>(err);
        if (::write(ready[1], &code, 1) != 1 || err != 0)
            ::_exit(1);
        char byte;
        while (::read(release[0], &byte, 1) < 0 && errno == EINTR) {
        }
        ::_exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    pid_ = pid;
    release_ = release[1];
    unsigned char code = 255;
    const ssize_t got = ::read(ready[0], &code, 1);
    ::close(ready[0]);
    if (got != 1 || code != 0)
        return std::string("unshare(CLONE_NEWNET) in the holding process: ") +
               (got == 1 ? std::strerror(code) : "it ended");
    return Ip({"link", "set", "lo", "up"});
}

std::string Lan::Path() const {
    return "/proc/" + std::to_string(pid_) + "/ns/net";
}

std::string Lan::Ip(const std::vector<std::string>& args) const {
    if (pid_ <= 0)
        return "the namespace was not created";
    return RunIp(args, Path());
}

Cable::~Cable() {
    if (!card_.empty())
        RunIp({"link", "del", card_});
}

std::string Cable::Connect(const Lan& lan, const std::string& card, const std::string& cardCidr,
                           const std::vector<std::string>& peerCidrs, const std::string& peerMac) {
    // Addresses that earlier tests of the binary added to lo would answer in the LAN's stead
    // (a local address wins over the route to the card); lo keeps only 127.0.0.1.
    if (std::string error = RunIp({"-4", "addr", "flush", "dev", "lo", "scope", "global"});
        !error.empty())
        return error;
    const std::string peer = "lan-" + card;
    if (std::string error = RunIp({"link", "add", card, "type", "veth", "peer", "name", peer,
                                   "netns", std::to_string(lan.Pid())});
        !error.empty())
        return error;
    card_ = card;
    if (!cardCidr.empty())
        if (std::string error = RunIp({"addr", "add", cardCidr, "dev", card}); !error.empty())
            return error;
    for (const auto& cidr : peerCidrs)
        if (std::string error = lan.Ip({"addr", "add", cidr, "dev", peer}); !error.empty())
            return error;
    if (!peerMac.empty())
        if (std::string error = lan.Ip({"link", "set", peer, "address", peerMac}); !error.empty())
            return error;
    if (std::string error = lan.Ip({"link", "set", peer, "up"}); !error.empty())
        return error;
    if (std::string error = RunIp({"link", "set", card, "up"}); !error.empty())
        return error;
    // The link comes up a moment after both ends are up.
    for (int i = 0; i < 500; ++i) {
        if (Running(card))
            return {};
        ::usleep(10000);
    }
    return card + ": the link did not come up";
}

} // namespace privatenet
