// Whether a host firewall is known to be active, as an ordinary user can tell: ufw from its
// configuration file, firewalld through the read-only calls of its D-Bus interface, the
// Windows firewall through its COM policy. Plain nftables or iptables rules cannot be read
// without administrator rights: then it cannot be told.
#pragma once

#include "Identity.h"

#include <optional>
#include <string>

namespace core {

// The name of the ufw application profile and the firewalld service that the package ships.
inline constexpr const char* kFirewallRuleName = identity::kPackage;

// What was found, as facts; the front ends word them.
struct HostFirewall {
    enum class Kind {
        kNone,      // neither ufw nor firewalld is active (Linux): other rules cannot be read
        kUfw,       // ufw's configuration file says ENABLED=yes
        kFirewalld, // firewalld runs
        kWindows,   // the Windows firewall's policy
    };
    enum class State { kCannotTell, kActive, kInactive };
    Kind kind = Kind::kNone;
    State state = State::kCannotTell; // kWindows: kCannotTell when the policy could not be read
    std::string zone;                 // kFirewalld: its default zone; empty when it did not say
    std::string configFile;           // kUfw: the file that says ENABLED=yes
    bool portsOpen = false;  // known to admit the local ports 6002-6004/udp already (an active
                             // kWindows: replies to broadcasts are not disabled by policy)
    std::string openCommand; // the command that admits those ports; empty when none is known
    bool openAsAdministrator = false; // the command must be run as an administrator (a sudo
                                      // in it says so itself)

    bool KnownActive() const { return state == State::kActive; }
};

// The read-only calls on firewalld's D-Bus interface (org.fedoraproject.FirewallD1) that
// the detection makes; each gives nullopt when the bus or the daemon did not answer.
class FirewalldBus {
public:
    virtual ~FirewalldBus() = default;
    // The daemon's "state" property: "RUNNING" once it has applied its rules.
    virtual std::optional<std::string> State() = 0;
    virtual std::optional<std::string> DefaultZone() = 0;
    // Whether zone admits port ("6002-6004") of protocol ("udp").
    virtual std::optional<bool> QueryPort(const std::string& zone, const std::string& port,
                                          const std::string& protocol) = 0;
    // Whether zone has service switched on.
    virtual std::optional<bool> QueryService(const std::string& zone,
                                             const std::string& service) = 0;
};

// Linux: firewalld first (it is asked, so it counts only when it runs), then ufw's
// configuration file; neither: it cannot be told.
HostFirewall DetectFirewall(FirewalldBus& firewalld,
                            const std::string& ufwConfig = "/etc/ufw/ufw.conf");

// What the Windows firewall's policy says for the profiles that are current.
struct WindowsFirewallPolicy {
    bool read = false;                  // the policy could be read at all
    bool enabled = false;               // on for some current profile
    bool unicastRepliesBlocked = false; // replies to broadcasts disabled for such a profile
};
HostFirewall FromWindowsPolicy(const WindowsFirewallPolicy& policy);

// The machine's own firewall: the above with the system bus on Linux; on Windows the
// firewall's policy (INetFwPolicy2) for the profiles that are current.
HostFirewall DetectHostFirewall();

} // namespace core
