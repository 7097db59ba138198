#include "Listing.h"

#include <charconv>
#include <map>
#include <optional>
#include <vector>

namespace cli {

namespace {

// A JSON value as far as a listing needs it: a string, a number's text, an object of
// those, or an array.
struct Value {
    enum class Kind { kLiteral, kString, kNumber, kArray, kObject } kind = Kind::kLiteral;
    std::string text;
    std::vector<Value> items;
    std::map<std::string, Value> members;
};

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    std::optional<Value> Document() {
        auto value = Parse(0);
        Blanks();
        if (value && at_ != text_.size())
            return Fail("text after the listing");
        return value;
    }

    const std::string& Error() const { return error_; }

private:
    static constexpr int kDeepest = 16;

    std::nullopt_t Fail(const std::string& what) {
        if (error_.empty())
            error_ = what + " at byte " + std::to_string(at_ + 1);
        return std::nullopt;
    }

    void Blanks() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' ||
                                      text_[at_] == '\r' || text_[at_] == '\n'))
            ++at_;
    }

    bool Take(char c) {
        Blanks();
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }

    std::optional<Value> Parse(int depth) {
        if (depth > kDeepest)
            return Fail("too deeply nested");
        Blanks();
        if (at_ >= text_.size())
            return Fail("unexpected end");
        const char c = text_[at_];
        if (c == '[')
            return Array(depth);
        if (c == '{')
            return Object(depth);
        if (c == '"') {
            auto s = String();
            if (!s)
                return std::nullopt;
            return Value{Value::Kind::kString, std::move(*s), {}, {}};
        }
        for (const char* word : {"true", "false", "null"})
            if (text_.substr(at_).starts_with(word)) {
                at_ += std::string_view(word).size();
                return Value{Value::Kind::kLiteral, word, {}, {}};
            }
        const size_t start = at_;
        while (at_ < text_.size() &&
               std::string_view("+-.eE0123456789").find(text_[at_]) != std::string_view::npos)
            ++at_;
        if (at_ == start)
            return Fail("unexpected character");
        return Value{Value::Kind::kNumber, std::string(text_.substr(start, at_ - start)), {}, {}};
    }

    std::optional<Value> Array(int depth) {
        Value array{Value::Kind::kArray, {}, {}, {}};
        ++at_;
        if (Take(']'))
            return array;
        do {
            auto item = Parse(depth + 1);
            if (!item)
                return std::nullopt;
            array.items.push_back(std::move(*item));
        } while (Take(','));
        if (!Take(']'))
            return Fail("expected , or ]");
        return array;
    }

    std::optional<Value> Object(int depth) {
        Value object{Value::Kind::kObject, {}, {}, {}};
        ++at_;
        if (Take('}'))
            return object;
        do {
            Blanks();
            auto key = String();
            if (!key)
                return std::nullopt;
            if (!Take(':'))
                return Fail("expected :");
            auto value = Parse(depth + 1);
            if (!value)
                return std::nullopt;
            object.members[*key] = std::move(*value);
        } while (Take(','));
        if (!Take('}'))
            return Fail("expected , or }");
        return object;
    }

    // Four hexadecimal digits after \u.
    std::optional<unsigned> Hex4() {
        unsigned code = 0;
        if (at_ + 4 > text_.size() ||
            std::from_chars(text_.data() + at_, text_.data() + at_ + 4, code, 16).ptr !=
                text_.data() + at_ + 4)
            return Fail("bad \\u escape");
        at_ += 4;
        return code;
    }

    static void AppendUtf8(std::string& s, unsigned code) {
        if (code < 0x80) {
            s += static_cast<char>(code);
        } else if (code < 0x800) {
            s += static_cast<char>(0xC0 | code >> 6);
            s += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            s += static_cast<char>(0xE0 | code >> 12);
            s += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            s += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            s += static_cast<char>(0xF0 | code >> 18);
            s += static_cast<char>(0x80 | (code >> 12 & 0x3F));
            s += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            s += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    std::optional<std::string> String() {
        if (at_ >= text_.size() || text_[at_] != '"')
            return Fail("expected a string");
        ++at_;
        std::string s;
        while (at_ < text_.size() && text_[at_] != '"') {
            const char c = text_[at_++];
            if (c != '\\') {
                s += c;
                continue;
            }
            if (at_ >= text_.size())
                break;
            const char e = text_[at_++];
            const std::string_view from = "\"\\/bfnrt";
            const std::string_view to = "\"\\/\b\f\n\r\t";
            if (const size_t i = from.find(e); i != std::string_view::npos) {
                s += to[i];
                continue;
            }
            if (e != 'u')
                return Fail("bad escape");
            auto code = Hex4();
            if (!code)
                return std::nullopt;
            if (*code >= 0xD800 && *code < 0xDC00 && text_.substr(at_).starts_with("\\u")) {
                at_ += 2;
                const auto low = Hex4();
                if (!low || *low < 0xDC00 || *low >= 0xE000)
                    return Fail("bad surrogate pair");
                *code = 0x10000 + ((*code - 0xD800) << 10) + (*low - 0xDC00);
            }
            AppendUtf8(s, *code);
        }
        if (at_ >= text_.size())
            return Fail("unterminated string");
        ++at_;
        return s;
    }

    std::string_view text_;
    size_t at_ = 0;
    std::string error_;
};

// Two hexadecimal digits, as HexText writes a byte.
std::optional<uint8_t> HexByte(std::string_view text) {
    unsigned value = 0;
    if (text.size() != 2 ||
        std::from_chars(text.data(), text.data() + 2, value, 16).ptr != text.data() + 2)
        return std::nullopt;
    return static_cast<uint8_t>(value);
}

// One listed controller as a reply to file, or why it is not one.
std::variant<core::Heard, std::string> Listed(const Value& v) {
    if (v.kind != Value::Kind::kObject)
        return std::string("not an object");
    const auto text = [&v](const char* key) -> std::optional<std::string> {
        const auto it = v.members.find(key);
        if (it == v.members.end() ||
            (it->second.kind != Value::Kind::kString && it->second.kind != Value::Kind::kNumber))
            return std::nullopt;
        return it->second.text;
    };
    core::Heard h;
    const auto address = [&text](const char* key, core::Ip4& to) {
        const auto value = text(key);
        const auto parsed = value ? core::ParseDottedQuad(*value) : std::nullopt;
        if (parsed)
            to = *parsed;
        return parsed.has_value();
    };
    for (const auto& [key, to] : {std::pair<const char*, core::Ip4*>{"sender", &h.sender},
                                  {"ip", &h.record.ip},
                                  {"mask", &h.record.mask},
                                  {"gateway", &h.record.gateway}})
        if (!address(key, *to))
            return std::string("no IPv4 address as \"") + key + "\"";
    const auto mac = text("mac");
    const auto parsedMac = mac ? core::ParseMac(*mac) : std::nullopt;
    if (!parsedMac)
        return std::string("no MAC as \"mac\"");
    h.record.mac = *parsedMac;
    const auto port = text("port");
    unsigned portValue = 0;
    if (!port ||
        std::from_chars(port->data(), port->data() + port->size(), portValue).ptr !=
            port->data() + port->size() ||
        portValue > 65535)
        return std::string("no port number as \"port\"");
    h.record.port = static_cast<uint16_t>(portValue);
    const auto hardware = text("hardware");
    const auto hardwareValue = hardware ? HexByte(*hardware) : std::nullopt;
    const auto software = text("software");
    const auto major = software && software->size() == 5 && (*software)[2] == '.'
                           ? HexByte(software->substr(0, 2))
                           : std::nullopt;
    const auto minor = major ? HexByte(software->substr(3)) : std::nullopt;
    if (!hardwareValue || !minor)
        return std::string("no versions as \"hardware\" (01) and \"software\" (02.0A)");
    h.record.hardware = *hardwareValue;
    h.record.softwareMajor = *major;
    h.record.softwareMinor = *minor;
    h.cardName = text("card").value_or("");
    return h;
}

} // namespace

std::variant<core::Controllers, std::string> ReadListing(std::string_view json) {
    Parser parser(json);
    const auto document = parser.Document();
    if (!document)
        return "not JSON: " + parser.Error();
    if (document->kind != Value::Kind::kArray)
        return std::string("not a listing: a JSON array of controllers is expected");
    core::Controllers listed;
    for (size_t i = 0; i < document->items.size(); ++i) {
        const Value& item = document->items[i];
        if (const auto change = item.members.find("change");
            change != item.members.end() && change->second.text == "gone")
            continue;
        auto heard = Listed(item);
        if (const auto* why = std::get_if<std::string>(&heard))
            return "controller " + std::to_string(i + 1) + ": " + *why;
        listed.File(std::get<core::Heard>(heard));
    }
    return listed;
}

} // namespace cli
