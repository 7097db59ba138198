#include "SimController.h"

#include <charconv>
#include <fstream>
#include <set>

namespace sim {
namespace {

bool ParseUnsigned(std::string_view text, int base, unsigned long& value) {
    if (text.empty())
        return false;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
    return ec == std::errc() && ptr == end;
}

// A decimal number within [low, high].
bool ParseInt(std::string_view text, long low, long high, int& value) {
    unsigned long v = 0;
    if (!ParseUnsigned(text, 10, v) || static_cast<long>(v) < low || static_cast<long>(v) > high)
        return false;
    value = static_cast<int>(v);
    return true;
}

// One byte as one or two hexadecimal digits.
bool ParseHexByte(std::string_view text, uint8_t& value) {
    unsigned long v = 0;
    if (text.size() > 2 || !ParseUnsigned(text, 16, v))
        return false;
    value = static_cast<uint8_t>(v);
    return true;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (;;) {
        const size_t at = text.find(separator, start);
        parts.push_back(text.substr(start, at == std::string_view::npos ? at : at - start));
        if (at == std::string_view::npos)
            return parts;
        start = at + 1;
    }
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                             text.back() == '\n'))
        text.remove_suffix(1);
    return text;
}

Mac MacFor(const Ip4& ip) {
    return {0x02, 0x00, ip[0], ip[1], ip[2], ip[3]};
}

bool ReadFile(const std::string& path, std::vector<Controller>& out, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        const std::string_view settings = Trim(line);
        if (settings.empty() || settings.front() == '#')
            continue;
        const auto c = ParseController(settings, error);
        if (!c) {
            error = path + ":" + std::to_string(number) + ": " + error;
            return false;
        }
        out.push_back(*c);
    }
    return true;
}

bool CheckDistinct(const std::vector<Controller>& controllers, const Options& o,
                   std::string& error) {
    std::set<Ip4> ips;
    std::set<Mac> macs;
    for (const auto& c : controllers) {
        if (!ips.insert(c.ip).second && !o.sharedAddresses) {
            error = "two controllers with the address " + IpText(c.ip);
            return false;
        }
        if (!macs.insert(c.mac).second && !o.sharedMacs) {
            error = "two controllers with the MAC " + MacText(c.mac);
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<Ip4> ParseIp(std::string_view text) {
    const auto groups = Split(text, '.');
    if (groups.size() != 4)
        return std::nullopt;
    Ip4 ip{};
    for (size_t i = 0; i < 4; ++i) {
        int v = 0;
        if (groups[i].size() > 3 || !ParseInt(groups[i], 0, 255, v))
            return std::nullopt;
        ip[i] = static_cast<uint8_t>(v);
    }
    return ip;
}

std::optional<Mac> ParseMac(std::string_view text) {
    if (text.size() != 17)
        return std::nullopt;
    Mac mac{};
    for (size_t i = 0; i < 6; ++i) {
        if (i > 0 && text[3 * i - 1] != '-' && text[3 * i - 1] != ':')
            return std::nullopt;
        if (!ParseHexByte(text.substr(3 * i, 2), mac[i]))
            return std::nullopt;
    }
    return mac;
}

std::string IpText(const Ip4& ip) {
    return std::to_string(ip[0]) + "." + std::to_string(ip[1]) + "." + std::to_string(ip[2]) + "." +
           std::to_string(ip[3]);
}

std::string HexText(const uint8_t* data, size_t length) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(2 * length);
    for (size_t i = 0; i < length; ++i) {
        text += kDigits[data[i] >> 4];
        text += kDigits[data[i] & 0x0F];
    }
    return text;
}

std::string MacText(const Mac& mac) {
    std::string text;
    for (size_t i = 0; i < mac.size(); ++i) {
        if (i > 0)
            text += '-';
        text += HexText(&mac[i], 1);
    }
    return text;
}

std::optional<Controller> ParseController(std::string_view settings, std::string& error) {
    Controller c;
    bool haveIp = false, haveMac = false, haveGw = false;
    for (const std::string_view item : Split(settings, ',')) {
        const std::string_view pair = Trim(item);
        const size_t eq = pair.find('=');
        if (eq == std::string_view::npos) {
            error = "expected key=value, got \"" + std::string(pair) + "\"";
            return std::nullopt;
        }
        const std::string_view key = Trim(pair.substr(0, eq));
        const std::string_view value = Trim(pair.substr(eq + 1));
        bool ok = true;
        if (key == "ip") {
            const auto ip = ParseIp(value);
            ok = ip.has_value();
            if (ok)
                c.ip = *ip;
            haveIp = ok;
        } else if (key == "mask") {
            const auto ip = ParseIp(value);
            ok = ip.has_value();
            if (ok)
                c.mask = *ip;
        } else if (key == "gw" || key == "gateway") {
            const auto ip = ParseIp(value);
            ok = ip.has_value();
            if (ok)
                c.gateway = *ip;
            haveGw = ok;
        } else if (key == "mac") {
            const auto mac = ParseMac(value);
            ok = mac.has_value();
            if (ok)
                c.mac = *mac;
            haveMac = ok;
        } else if (key == "port") {
            int port = 0;
            ok = ParseInt(value, 0, 65535, port);
            c.port = static_cast<uint16_t>(port);
        } else if (key == "hw") {
            ok = ParseHexByte(value, c.hw);
        } else if (key == "sw") {
            const auto parts = Split(value, '.');
            ok = parts.size() == 2 && ParseHexByte(parts[0], c.swMajor) &&
                 ParseHexByte(parts[1], c.swMinor);
        } else {
            error = "unknown key \"" + std::string(key) + "\"";
            return std::nullopt;
        }
        if (!ok) {
            error = "bad value for " + std::string(key) + ": \"" + std::string(value) + "\"";
            return std::nullopt;
        }
    }
    if (!haveIp) {
        error = "a controller needs ip=";
        return std::nullopt;
    }
    if (!haveGw)
        c.gateway = {c.ip[0], c.ip[1], c.ip[2], 1};
    if (!haveMac)
        c.mac = MacFor(c.ip);
    return c;
}

std::vector<Controller> GenerateControllers(const Ip4& first, int count, int perSubnet,
                                            std::string& error) {
    std::vector<Controller> out;
    if (perSubnet < 1 || perSubnet > 254) {
        error = "--per-subnet must be 1 to 254";
        return out;
    }
    if (first[3] < 1 || first[3] > perSubnet) {
        error = "the first address must have a host part from 1 to the per-subnet count";
        return out;
    }
    uint32_t subnet = (uint32_t{first[0]} << 16) | (uint32_t{first[1]} << 8) | first[2];
    int host = first[3];
    out.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        if (host > perSubnet) {
            host = 1;
            ++subnet;
        }
        if (subnet > 0xFFFFFF) {
            out.clear();
            error = "the generated addresses run past 255.255.255.x";
            return out;
        }
        Controller c;
        c.ip = {static_cast<uint8_t>(subnet >> 16), static_cast<uint8_t>(subnet >> 8),
                static_cast<uint8_t>(subnet), static_cast<uint8_t>(host)};
        c.gateway = {c.ip[0], c.ip[1], c.ip[2], 1};
        c.mac = MacFor(c.ip);
        out.push_back(c);
        ++host;
    }
    return out;
}

std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error) {
    Options o;
    int generate = 0;
    int perSubnet = 254;
    Ip4 first{127, 1, 0, 1};
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        auto value = [&]() -> const std::string& { return args[++i]; };
        auto number = [&](long low, long high, int& out) {
            if (!hasValue) {
                error = a + " needs a value";
                return false;
            }
            const std::string& v = value();
            if (!ParseInt(v, low, high, out)) {
                error = a + " takes a number from " + std::to_string(low) + " to " +
                        std::to_string(high) + ", got \"" + v + "\"";
                return false;
            }
            return true;
        };
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--controller" || a == "--file" || a == "--first") {
            if (!hasValue) {
                error = a + " needs a value";
                return std::nullopt;
            }
            const std::string& v = value();
            if (a == "--controller") {
                const auto c = ParseController(v, error);
                if (!c)
                    return std::nullopt;
                o.controllers.push_back(*c);
            } else if (a == "--file") {
                if (!ReadFile(v, o.controllers, error))
                    return std::nullopt;
            } else {
                const auto ip = ParseIp(v);
                if (!ip) {
                    error = "--first needs an IPv4 address, got \"" + v + "\"";
                    return std::nullopt;
                }
                first = *ip;
            }
        } else if (a == "--generate") {
            if (!number(1, 1000000, generate))
                return std::nullopt;
        } else if (a == "--per-subnet") {
            if (!number(1, 254, perSubnet))
                return std::nullopt;
        } else if (a == "--bad-checksum") {
            o.badChecksum = true;
        } else if (a == "--bad-length") {
            if (!number(1, kMaxDatagram, o.badLength))
                return std::nullopt;
        } else if (a == "--answer-twice") {
            o.answerTwice = true;
        } else if (a == "--late") {
            if (!number(0, 600000, o.lateMs))
                return std::nullopt;
        } else if (a == "--junk") {
            if (!number(0, 1000000, o.junk))
                return std::nullopt;
        } else if (a == "--pace-us") {
            if (!number(0, 1000000, o.paceUs))
                return std::nullopt;
        } else if (a == "--exit-after") {
            if (!number(1, 86400000, o.exitAfterMs))
                return std::nullopt;
        } else if (a == "--quiet") {
            o.quiet = true;
        } else if (a == "--ignore-frames") {
            o.ignoreFrames = true;
        } else if (a == "--restart") {
            if (!number(0, 600000, o.restartMs))
                return std::nullopt;
        } else if (a == "--answer-from-old") {
            o.answerFromOld = true;
        } else if (a == "--shared-macs") {
            o.sharedMacs = true;
        } else if (a == "--shared-addresses") {
            o.sharedAddresses = true;
        } else {
            error = "unknown option \"" + a + "\" (see --help)";
            return std::nullopt;
        }
    }
    if (o.help)
        return o;
    if (generate > 0) {
        auto more = GenerateControllers(first, generate, perSubnet, error);
        if (more.empty())
            return std::nullopt;
        o.controllers.insert(o.controllers.end(), more.begin(), more.end());
    }
    if (o.controllers.empty()) {
        error = "no controllers: give --controller, --file or --generate";
        return std::nullopt;
    }
    if (!CheckDistinct(o.controllers, o, error))
        return std::nullopt;
    return o;
}

std::string UsageText() {
    return R"(controller-sim: simulated network controllers on UDP port 5001.

Run it only inside a private network namespace (for example under "unshare -n"), never on
a real network: it answers from whatever addresses its controllers have.

Controllers (any mix, at least one):
  --controller C      one controller; C is key=value pairs separated by commas:
                        ip=A.B.C.D        its address (required); replies come from it
                        mask=A.B.C.D      subnet mask (default 255.255.255.0)
                        gw=A.B.C.D        gateway (default A.B.C.1)
                        mac=XX-XX-XX-XX-XX-XX  MAC (default 02-00 and the four address bytes)
                        port=N            port reported in the reply (default 5001)
                        hw=HH             hardware version byte, hex (default 01)
                        sw=HH.HH          software version bytes, hex (default 02.0A)
  --file F            one controller (as C) per line; blank lines and lines starting
                      with # are skipped
  --generate N        N controllers on consecutive addresses from --first (default
                      127.1.0.1), --per-subnet K of them in each /24 (host parts 1..K,
                      default 254), then on to the next /24; MACs 02-00-<address>
Addresses and MACs must be distinct (unless --shared-addresses, --shared-macs).

Behaviour:
  A datagram of exactly "TR" is a discovery request. Sent to one controller's address,
  only that controller answers; sent anywhere else (broadcast included), all answer.
  Each answer is the 30-byte discovery reply, sent from the controller's own address to
  the request's source address and port. Bytes 12-15, 24 and 28 of the record are 0.
  A datagram of 16 to 64 bytes is judged as a configuration frame: it must be 26 bytes,
  sum to 0 modulo 256 and carry (in bytes 18-23, reversed) the MAC of a controller that
  heard it (all controllers for broadcast or foreign addresses, else the addressed one).
  An accepted frame sets that controller's IP, mask and gateway; later replies carry the
  new record and come from the new address. Nothing is sent back for a frame.

Faults:
  --bad-checksum      reply check bytes one too high (the sum is 1 instead of 0)
  --bad-length N      replies of N bytes (1-2048): the record cut or zero-padded to N-1
                      bytes, then a check byte making the sum 0
  --answer-twice      every reply goes out twice; the second copy has byte 28 = 01
  --late MS           answer MS milliseconds after the request
  --junk N            first send N junk datagrams (random bytes, lengths 0 to 1100; no
                      30-byte one sums to 0) to the requester, from the first answering
                      controller's address
  --pace-us U         U microseconds between consecutive replies
  --quiet             no "reply" lines (the "answered" summary is still printed)
  --exit-after MS     exit MS milliseconds after start-up; SIGTERM and SIGINT also end it
  --ignore-frames     judge configuration frames as usual but never apply them (a write
                      that is lost); an acceptable frame is reported as "ignored"
  --restart MS        a controller that took a frame answers nothing for MS milliseconds
                      (its network stack restarting with the new values)
  --answer-from-old   a controller that took a frame reports the new values but answers
                      from the address it had before (a stack that kept its old address)
  --shared-macs       controllers may have one MAC (a board cloned with its settings); a
                      frame for that MAC is applied to the first of them that heard it
  --shared-addresses  controllers may have one address (new ones at their factory address)

Output: one JSON object per line on stdout, flushed at once. Events:
  {"event":"ready","port":5001,"controllers":N,"transparent":true}
  {"event":"request","from":"IP:PORT","to":"IP","answering":N}
  {"event":"reply","controller":"IP","to":"IP:PORT","length":30,"bytes":"HEX"}
  {"event":"answered","to":"IP:PORT","replies":N,"failed":N}   after a request's replies
  {"event":"junk","to":"IP:PORT","sent":N}
  {"event":"frame","from":"IP:PORT","to":"IP","length":26,"bytes":"HEX","result":"accepted",
   "controller":"OLD IP","mac":"MAC","ip":"NEW IP","mask":"...","gw":"..."}
  {"event":"frame",...,"result":"rejected","reason":"length"|"check byte"|"unknown mac"}
  {"event":"frame",...,"result":"ignored","controller":"IP","mac":"MAC"}  (--ignore-frames)
  {"event":"other","from":"IP:PORT","to":"IP","length":N}
  {"event":"error","what":"...","errno":N,"message":"..."}
  {"event":"exit","reason":"signal"|"time"}
Exit status 0 after a signal or --exit-after, 1 when the socket cannot be set up, 2 for a
bad command line.
)";
}

uint8_t Sum8(const uint8_t* data, size_t length) {
    unsigned sum = 0;
    for (size_t i = 0; i < length; ++i)
        sum += data[i];
    return static_cast<uint8_t>(sum);
}

std::array<uint8_t, 29> Record(const Controller& c, uint8_t marker) {
    std::array<uint8_t, 29> r{};
    for (size_t i = 0; i < 4; ++i) {
        r[i] = c.ip[i];
        r[4 + i] = c.mask[i];
        r[8 + i] = c.gateway[i];
    }
    r[16] = static_cast<uint8_t>(c.port & 0xFF);
    r[17] = static_cast<uint8_t>(c.port >> 8);
    for (size_t i = 0; i < 6; ++i)
        r[23 - i] = c.mac[i]; // byte 23 carries the first group
    r[25] = c.hw;
    r[26] = c.swMajor;
    r[27] = c.swMinor;
    r[28] = marker;
    return r;
}

std::vector<uint8_t> ReplyBytes(const Controller& c, uint8_t marker, int length, bool badCheck) {
    const auto record = Record(c, marker);
    const size_t body = static_cast<size_t>(length > 0 ? length - 1 : 0);
    std::vector<uint8_t> out(body + 1, 0);
    for (size_t i = 0; i < body && i < record.size(); ++i)
        out[i] = record[i];
    out[body] = static_cast<uint8_t>(0u - Sum8(out.data(), body) + (badCheck ? 1u : 0u));
    return out;
}

FrameResult ApplyFrame(std::vector<Controller>& controllers, const std::vector<size_t>& scope,
                       const uint8_t* data, size_t length) {
    FrameResult result;
    if (length != static_cast<size_t>(kFrameBytes)) {
        result.reason = "length";
        return result;
    }
    if (Sum8(data, length) != 0) {
        result.reason = "check byte";
        return result;
    }
    Mac mac{};
    for (size_t i = 0; i < 6; ++i)
        mac[i] = data[23 - i];
    for (const size_t index : scope) {
        Controller& c = controllers[index];
        if (c.mac != mac)
            continue;
        result.previousIp = c.ip;
        for (size_t i = 0; i < 4; ++i) {
            c.ip[i] = data[i];
            c.mask[i] = data[4 + i];
            c.gateway[i] = data[8 + i];
        }
        result.accepted = true;
        result.index = index;
        return result;
    }
    result.reason = "unknown mac";
    return result;
}

} // namespace sim
