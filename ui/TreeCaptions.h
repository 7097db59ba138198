// The captions of the window's tree: the root, a subnet node per /24 ("192.168.1.xxx") and a
// controller node per controller (its address, "192.168.1.10").
#pragma once

#include "Ports.h"

#include <string>
#include <string_view>

// "192.168.1.xxx": the caption of the subnet node of an address.
std::string SubnetLabel(const core::Ip4& address);

// A controller node's caption is a dotted quad; the root and subnet captions are not.
bool IsControllerName(std::string_view caption);
