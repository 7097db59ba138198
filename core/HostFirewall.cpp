#include "HostFirewall.h"

#include "Ports.h"

#include <cctype>
#include <fstream>
#include <string_view>

namespace core {
namespace {

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

// The value of ENABLED in ufw's configuration file (shell syntax: KEY=value, optionally
// quoted); nullopt when the file cannot be read or holds no such line.
std::optional<std::string> UfwEnabledValue(const std::string& path) {
    std::ifstream file(path);
    if (!file)
        return std::nullopt;
    std::optional<std::string> value;
    std::string line;
    while (std::getline(file, line)) {
        std::string_view text = Trimmed(line);
        if (!text.starts_with("ENABLED="))
            continue;
        text.remove_prefix(8);
        if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
            text.back() == text.front())
            text = text.substr(1, text.size() - 2);
        value = std::string(Trimmed(text)); // the last assignment wins, as in the shell
    }
    return value;
}

std::optional<HostFirewall> FromFirewalld(FirewalldBus& bus) {
    const std::optional<std::string> state = bus.State();
    if (!state || *state != "RUNNING")
        return std::nullopt;
    HostFirewall found;
    found.kind = HostFirewall::Kind::kFirewalld;
    found.state = HostFirewall::State::kActive;
    const std::string zone = bus.DefaultZone().value_or("");
    found.zone = zone;
    if (!zone.empty())
        found.portsOpen = bus.QueryService(zone, kFirewallRuleName).value_or(false) ||
                          bus.QueryPort(zone, kLocalPortRange, "udp").value_or(false);
    const std::string zoneOption = zone.empty() ? "" : " --zone=" + zone;
    found.openCommand = "sudo firewall-cmd --permanent" + zoneOption +
                        " --add-service=" + kFirewallRuleName + " && sudo firewall-cmd --reload";
    return found;
}

} // namespace

HostFirewall DetectFirewall(FirewalldBus& firewalld, const std::string& ufwConfig) {
    if (std::optional<HostFirewall> found = FromFirewalld(firewalld))
        return *found;
    HostFirewall result;
    if (UfwEnabledValue(ufwConfig) == "yes") {
        result.kind = HostFirewall::Kind::kUfw;
        result.state = HostFirewall::State::kActive;
        result.configFile = ufwConfig;
        result.openCommand = std::string("sudo ufw allow ") + kFirewallRuleName;
    }
    return result;
}

HostFirewall FromWindowsPolicy(const WindowsFirewallPolicy& policy) {
    HostFirewall result;
    result.kind = HostFirewall::Kind::kWindows;
    if (!policy.read)
        return result;
    if (!policy.enabled) {
        result.state = HostFirewall::State::kInactive;
        return result;
    }
    result.state = HostFirewall::State::kActive;
    // With unicast replies to broadcasts allowed, it lets the controllers' replies reach
    // the port the request left from for a few seconds.
    result.portsOpen = !policy.unicastRepliesBlocked;
    result.openCommand = "netsh advfirewall firewall add rule name=\"" +
                         std::string(identity::kName) +
                         "\" dir=in action=allow protocol=UDP localport=" + kLocalPortRange;
    result.openAsAdministrator = true;
    return result;
}

} // namespace core
