// Checks and conversions of texts: the dotted quad of an IPv4 address and the hexadecimal
// digits of a device record.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

// Reads the whole text as an unsigned hexadecimal number of at most eight significant
// digits and returns its 32 bits as a signed value. Any other text gives -1 (which is
// also the value of "FFFFFFFF").
int32_t HexToInt(std::string_view text);

// Which dotted quads a reader takes.
enum class QuadRules {
    kStrict, // as a parameter field takes them: the first group 1 to 254 without leading
             // zeros; the others 0 to 254, a group that is not 0 without leading zeros (a 0
             // may be 00 or 000, the last group any run of zeros)
    kField,  // the same up to 255
    kAny,    // any address as a record may hold it: four groups of 1 to 3 digits, each up to
             // 255, leading zeros allowed (0.0.0.0, 010.001.1.1)
};

// The four groups of a dotted quad, the first group first, when text is one under rules:
// four decimal groups joined by "." and nothing else (no blanks).
std::optional<std::array<uint8_t, 4>> ReadDottedQuad(std::string_view text, QuadRules rules);

// True when the text is NOT an acceptable dotted quad. With strict set every group must
// stay at or below 254, otherwise at or below 255.
bool BadDottedQuad(std::string_view text, bool strict);
