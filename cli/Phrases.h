// What quorrel-cli says, in English, of the facts the core gives: a refused value, a MAC
// that answered from several addresses, a write that would break the site, a search that
// asked silent cards' neighbours again.
#pragma once

#include "ControllerRecord.h"
#include "Plan.h"
#include "WriteConflicts.h"
#include "WriteFields.h"

#include <string>
#include <vector>

namespace cli {

// One line on the command line's error output when a search asked neighbours again by
// unicast (core::Search::AskedAgain).
inline constexpr char kAskedAgainNote[] =
    "no reply to the broadcast got through on some card: the neighbours that asked for this "
    "computer's address since were asked again by unicast (a host firewall may be dropping "
    "replies to broadcasts)";

// `wrong IP address format "192.168.1.255": a group is above 254`.
std::string Describe(const core::FieldFault& fault);

// `MAC 00-1A-2B-3C-4D-5E is already on line 4`: what is wrong with a line of a plan.
std::string Describe(const core::PlanFault& fault);

// "192.168.1.9, 192.168.1.19".
std::string AddressList(const std::vector<core::Ip4>& addresses);
// `MAC 00-1A-2B-3C-4D-09 answered from 192.168.1.9, 192.168.1.19: a broadcast write would
// change all of these controllers`.
std::string DescribeSharedMac(const core::Mac& mac, const std::vector<core::Ip4>& addresses);

// One line per conflict of a write of wanted, e.g. `192.168.1.9 is the address of another
// controller found (00-1A-2B-3C-4D-60): two controllers would answer from one address` or
// `192.168.1.50 is taken by another device (02-00-00-00-00-50) that does not answer as a
// controller: it and the controller would answer from one address`.
std::vector<std::string> DescribeConflicts(const core::WriteConflicts& conflicts,
                                           const core::ControllerRecord& wanted);

} // namespace cli
