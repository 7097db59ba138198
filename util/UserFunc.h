// Conversions between the text forms of an IPv4 address: dotted quad, hexadecimal
// digits of a device record, the 32-bit wire-order number and the /24 subnet label.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Reads the whole text as an unsigned hexadecimal number of at most eight significant
// digits and returns its 32 bits as a signed value. Any other text gives -1 (which is
// also the value of "FFFFFFFF").
int32_t HexToInt(std::string_view text);

// Dotted quad or host name to an address number in wire order: the first group is the
// lowest byte. Texts that neither parse nor resolve give 0xFFFFFFFF. Only a text that
// IsHostNameText accepts is handed to the name resolver (which may block for seconds where
// no name server answers); anything else that does not parse gives 0xFFFFFFFF at once.
uint32_t HostToAddr(const std::string& text);

// True when the text is written as a host name: dot-separated labels of 1 to 63 letters,
// digits and hyphens (no hyphen at either end of a label), 253 characters at most, a final
// dot allowed, and a last label that is not all digits (so no address text is a name).
bool IsHostNameText(std::string_view text);

// "a.b.c.xxx" for the address the text names (255.255.255.xxx when it names none).
std::string SubnetLabel(const std::string& text);

// True when the text is NOT an acceptable dotted quad. With strict set every group must
// stay at or below 254, otherwise at or below 255.
bool BadDottedQuad(std::string_view text, bool strict);
