// The address text utilities against the system's own parsers: HexToInt against
// std::from_chars, BadDottedQuad against inet_aton.
#include "FuzzSupport.h"
#include "UserFunc.h"

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    // Hexadecimal: every character a digit, at most eight significant ones.
    const int32_t hex = HexToInt(text);
    uint64_t reference = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), reference, 16);
    const bool allHex = !text.empty() && end == text.data() + text.size() && error == std::errc();
    if (allHex && reference <= 0xFFFFFFFFu)
        FUZZ_CHECK(static_cast<uint32_t>(hex) == reference);
    else
        FUZZ_CHECK(hex == -1);

    // A text either check accepts is a dotted quad the system's parser reads (zero groups
    // written 00 or 000 read as 0); the strict check accepts less.
    const bool badStrict = BadDottedQuad(text, true);
    const bool bad = BadDottedQuad(text, false);
    FUZZ_CHECK(badStrict || !bad);
    in_addr parsed{};
    if (!bad)
        FUZZ_CHECK(inet_aton(text.c_str(), &parsed) != 0);
    return 0;
}
