// Checks and conversions of texts: the dotted quad of an IPv4 address and the hexadecimal
// digits of a device record.
#pragma once

#include <cstdint>
#include <string_view>

// Reads the whole text as an unsigned hexadecimal number of at most eight significant
// digits and returns its 32 bits as a signed value. Any other text gives -1 (which is
// also the value of "FFFFFFFF").
int32_t HexToInt(std::string_view text);

// True when the text is NOT an acceptable dotted quad. With strict set every group must
// stay at or below 254, otherwise at or below 255.
bool BadDottedQuad(std::string_view text, bool strict);
