// Networks for tests with several cards. A Lan is a network namespace of its own, held
// open by a child process; a Cable joins it to the test's own namespace with a veth pair,
// so the system's real routing decides which card a datagram leaves by. Everything is
// created by the test and removed again when the objects go. Works as root and, inside the
// user namespace that privatenet::Enter() creates, for an ordinary user.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace privatenet {

class Lan {
public:
    Lan() = default;
    // Ends the holding process; the namespace goes with the last process in it.
    ~Lan();
    Lan(const Lan&) = delete;
    Lan& operator=(const Lan&) = delete;

    // Creates the namespace (with its loopback up). Gives an empty string on success.
    std::string Create();
    // The holding process (the namespace's owner for `ip link ... netns PID`).
    pid_t Pid() const { return pid_; }
    // The namespace's path, e.g. for setns or SimProcess::EnterNamespace.
    std::string Path() const;
    // Runs `ip` inside the namespace; as privatenet::RunIp.
    std::string Ip(const std::vector<std::string>& args) const;

private:
    pid_t pid_ = -1;
    int release_ = -1; // closing it lets the holding process end
};

// A veth pair: card (in the test's namespace) and its peer "lan-" + card inside lan, both
// up. card gets cardCidr (none when empty), the peer every address of peerCidrs and peerMac
// ("02:00:C0:A8:01:09"; when empty, a random one). The addresses that tests added to lo go first.
class Cable {
public:
    Cable() = default;
    // Removes the pair (deleting one end removes both).
    ~Cable();
    Cable(const Cable&) = delete;
    Cable& operator=(const Cable&) = delete;

    // Gives an empty string once the card's link is up, else what went wrong.
    std::string Connect(const Lan& lan, const std::string& card, const std::string& cardCidr,
                        const std::vector<std::string>& peerCidrs, const std::string& peerMac = {});
    const std::string& Card() const { return card_; }

private:
    std::string card_;
};

} // namespace privatenet
