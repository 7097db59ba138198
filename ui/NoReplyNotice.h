// The window's Russian account of a broadcast search that heard no controller, from the
// core's facts.
#pragma once

#include "Notifier.h"
#include "SearchDiagnosis.h"

#include <optional>

namespace noreply {

// The advice for a host firewall that is known to be active and not known to admit the
// ports, as the tray balloon gives it: title "Контроллеры не найдены", the firewall's name,
// the ports and the command that opens them; a warning. None otherwise.
std::optional<TNotifier::Message> FirewallAdvice(const core::NoReplyFacts& facts);

// The whole account, one fact a line: the cards the request went out on with their address
// and prefix, or that it went out on none; each card that is up without an IPv4 address and
// how to give it one; the firewall advice. Information, not a warning. Its line for the window
// leads with the most telling fact: "Нет ответа: у карты eth1 нет адреса IPv4".
TNotifier::Message Account(const core::NoReplyFacts& facts);

} // namespace noreply
