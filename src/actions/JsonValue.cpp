#include "src/actions/JsonValue.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace vexa {

JsonValue JsonValue::of(bool value)
{
    JsonValue json;
    json.kind = Kind::Boolean;
    json.boolean = value;
    return json;
}

JsonValue JsonValue::of(uint64_t value)
{
    JsonValue json;
    json.kind = Kind::Unsigned;
    json.number = value;
    return json;
}

JsonValue JsonValue::of(std::string value)
{
    JsonValue json;
    json.kind = Kind::String;
    json.text = std::move(value);
    return json;
}

JsonValue JsonValue::array(std::vector<JsonValue> items)
{
    JsonValue json;
    json.kind = Kind::Array;
    json.items = std::move(items);
    return json;
}

JsonValue JsonValue::object(std::vector<std::pair<std::string, JsonValue>> members)
{
    JsonValue json;
    json.kind = Kind::Object;
    json.members = std::move(members);
    return json;
}

JsonValue JsonValue::tagged(std::string name, JsonValue value)
{
    std::vector<std::pair<std::string, JsonValue>> members;
    members.emplace_back(std::move(name), std::move(value));
    return object(std::move(members));
}

std::string_view JsonValue::kind_name() const
{
    switch (kind) {
    case Kind::Null:
        return "null";
    case Kind::Boolean:
        return "boolean";
    case Kind::Unsigned:
    case Kind::Negative:
        return "integer";
    case Kind::Float:
        return "floating point";
    case Kind::String:
        return "string";
    case Kind::Array:
        return "sequence";
    case Kind::Object:
        return "map";
    }
    return "value";
}

namespace {

// The length of the UTF-8 sequence starting at `at`, or 0 when it is not a well-formed one
// (overlong forms, surrogates and code points past U+10FFFF are refused).
size_t utf8_sequence_length(std::string_view text, size_t at)
{
    auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(at);
    if (lead < 0x80)
        return 1;
    size_t length = 0;
    uint32_t low = 0;
    uint32_t code = 0;
    if ((lead & 0xe0) == 0xc0) {
        length = 2;
        low = 0x80;
        code = lead & 0x1f;
    } else if ((lead & 0xf0) == 0xe0) {
        length = 3;
        low = 0x800;
        code = lead & 0x0f;
    } else if ((lead & 0xf8) == 0xf0) {
        length = 4;
        low = 0x10000;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (at + length > text.size())
        return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xc0) != 0x80)
            return 0;
        code = (code << 6) | (byte(at + i) & 0x3f);
    }
    if (code < low || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff))
        return 0;
    return length;
}

void append_utf8(std::string& out, uint32_t code)
{
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xc0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3f)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xe0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3f)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3f)));
    } else {
        out.push_back(static_cast<char>(0xf0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3f)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3f)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3f)));
    }
}

class Parser {
public:
    Parser(std::string_view text, JsonLimits const& limits)
        : m_text(text)
        , m_limits(limits)
    {
    }

    kaso::ErrorOr<JsonValue> parse_document()
    {
        if (m_text.size() > m_limits.max_bytes)
            return kaso::make_error(fmt::format("JSON text of {} bytes is longer than the limit of {}", m_text.size(), m_limits.max_bytes));
        skip_whitespace();
        auto value = TRY(parse_value(0));
        skip_whitespace();
        if (m_at != m_text.size())
            return fail("trailing characters");
        return value;
    }

private:
    std::unexpected<kaso::Error> fail(std::string_view what) const { return kaso::make_error(fmt::format("{} at byte {}", what, m_at)); }

    bool at_end() const { return m_at >= m_text.size(); }
    char peek() const { return m_text[m_at]; }

    void skip_whitespace()
    {
        while (!at_end() && (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r'))
            ++m_at;
    }

    kaso::ErrorOr<void> expect_word(std::string_view word)
    {
        if (m_text.substr(m_at, word.size()) != word)
            return fail("expected value");
        m_at += word.size();
        return {};
    }

    kaso::ErrorOr<JsonValue> parse_value(size_t depth)
    {
        if (at_end())
            return fail("EOF while parsing a value");
        switch (peek()) {
        case 'n':
            TRY(expect_word("null"));
            return JsonValue::null();
        case 't':
            TRY(expect_word("true"));
            return JsonValue::of(true);
        case 'f':
            TRY(expect_word("false"));
            return JsonValue::of(false);
        case '"':
            return JsonValue::of(TRY(parse_string()));
        case '[':
            return parse_array(depth + 1);
        case '{':
            return parse_object(depth + 1);
        default:
            if (peek() == '-' || (peek() >= '0' && peek() <= '9'))
                return parse_number();
            return fail("expected value");
        }
    }

    kaso::ErrorOr<void> enter(size_t depth)
    {
        if (depth > m_limits.max_depth)
            return fail("recursion limit exceeded");
        ++m_at;
        skip_whitespace();
        return {};
    }

    kaso::ErrorOr<JsonValue> parse_array(size_t depth)
    {
        TRY(enter(depth));
        std::vector<JsonValue> items;
        if (!at_end() && peek() == ']') {
            ++m_at;
            return JsonValue::array(std::move(items));
        }
        while (true) {
            items.push_back(TRY(parse_value(depth)));
            skip_whitespace();
            if (at_end())
                return fail("EOF while parsing a list");
            if (peek() == ']') {
                ++m_at;
                return JsonValue::array(std::move(items));
            }
            if (peek() != ',')
                return fail("expected `,` or `]`");
            ++m_at;
            skip_whitespace();
        }
    }

    kaso::ErrorOr<JsonValue> parse_object(size_t depth)
    {
        TRY(enter(depth));
        std::vector<std::pair<std::string, JsonValue>> members;
        if (!at_end() && peek() == '}') {
            ++m_at;
            return JsonValue::object(std::move(members));
        }
        while (true) {
            if (at_end())
                return fail("EOF while parsing an object");
            if (peek() != '"')
                return fail("key must be a string");
            auto key = TRY(parse_string());
            skip_whitespace();
            if (at_end())
                return fail("EOF while parsing an object");
            if (peek() != ':')
                return fail("expected `:`");
            ++m_at;
            skip_whitespace();
            auto value = TRY(parse_value(depth));
            members.emplace_back(std::move(key), std::move(value));
            skip_whitespace();
            if (at_end())
                return fail("EOF while parsing an object");
            if (peek() == '}') {
                ++m_at;
                return JsonValue::object(std::move(members));
            }
            if (peek() != ',')
                return fail("expected `,` or `}`");
            ++m_at;
            skip_whitespace();
        }
    }

    kaso::ErrorOr<uint32_t> parse_hex4()
    {
        if (m_at + 4 > m_text.size())
            return fail("EOF while parsing a string");
        uint32_t code = 0;
        for (size_t i = 0; i < 4; ++i) {
            char c = m_text[m_at + i];
            uint32_t digit = 0;
            if (c >= '0' && c <= '9')
                digit = static_cast<uint32_t>(c - '0');
            else if (c >= 'a' && c <= 'f')
                digit = static_cast<uint32_t>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                digit = static_cast<uint32_t>(c - 'A' + 10);
            else
                return fail("invalid escape");
            code = code * 16 + digit;
        }
        m_at += 4;
        return code;
    }

    kaso::ErrorOr<uint32_t> parse_unicode_escape()
    {
        uint32_t code = TRY(parse_hex4());
        if (code >= 0xdc00 && code <= 0xdfff)
            return fail("lone trailing surrogate in hex escape");
        if (code < 0xd800 || code > 0xdbff)
            return code;
        if (m_text.substr(m_at, 2) != "\\u")
            return fail("lone leading surrogate in hex escape");
        m_at += 2;
        uint32_t low = TRY(parse_hex4());
        if (low < 0xdc00 || low > 0xdfff)
            return fail("lone leading surrogate in hex escape");
        return 0x10000 + ((code - 0xd800) << 10) + (low - 0xdc00);
    }

    kaso::ErrorOr<std::string> parse_string()
    {
        ++m_at; // the opening quote
        std::string out;
        while (true) {
            if (at_end())
                return fail("EOF while parsing a string");
            unsigned char c = static_cast<unsigned char>(peek());
            if (c == '"') {
                ++m_at;
                return out;
            }
            if (c < 0x20)
                return fail("control character in string");
            if (c == '\\') {
                ++m_at;
                if (at_end())
                    return fail("EOF while parsing a string");
                char escape = peek();
                ++m_at;
                switch (escape) {
                case '"': out.push_back('"'); break;
                case '\\': out.push_back('\\'); break;
                case '/': out.push_back('/'); break;
                case 'b': out.push_back('\b'); break;
                case 'f': out.push_back('\f'); break;
                case 'n': out.push_back('\n'); break;
                case 'r': out.push_back('\r'); break;
                case 't': out.push_back('\t'); break;
                case 'u': append_utf8(out, TRY(parse_unicode_escape())); break;
                default:
                    --m_at;
                    return fail("invalid escape");
                }
                continue;
            }
            size_t length = utf8_sequence_length(m_text, m_at);
            if (length == 0)
                return fail("invalid UTF-8 in string");
            out.append(m_text.substr(m_at, length));
            m_at += length;
        }
    }

    kaso::ErrorOr<JsonValue> parse_number()
    {
        size_t start = m_at;
        bool negative = peek() == '-';
        if (negative)
            ++m_at;
        auto digits = [&] {
            size_t from = m_at;
            while (!at_end() && peek() >= '0' && peek() <= '9')
                ++m_at;
            return m_at - from;
        };
        size_t integer_start = m_at;
        size_t integer_digits = digits();
        if (integer_digits == 0)
            return fail("invalid number");
        if (integer_digits > 1 && m_text[integer_start] == '0')
            return fail("invalid number");
        bool fractional = false;
        if (!at_end() && peek() == '.') {
            ++m_at;
            if (digits() == 0)
                return fail("invalid number");
            fractional = true;
        }
        if (!at_end() && (peek() == 'e' || peek() == 'E')) {
            ++m_at;
            if (!at_end() && (peek() == '+' || peek() == '-'))
                ++m_at;
            if (digits() == 0)
                return fail("invalid number");
            fractional = true;
        }
        auto literal = m_text.substr(start, m_at - start);
        JsonValue json;
        if (!fractional) {
            uint64_t magnitude = 0;
            auto digits_text = m_text.substr(integer_start, integer_digits);
            auto [end, error] = std::from_chars(digits_text.data(), digits_text.data() + digits_text.size(), magnitude);
            if (error == std::errc {} && end == digits_text.data() + digits_text.size()) {
                json.kind = negative && magnitude != 0 ? JsonValue::Kind::Negative : JsonValue::Kind::Unsigned;
                json.number = magnitude;
                return json;
            }
        }
        // A fraction, an exponent, or an integer past 64 bits: a double, as JSON readers do.
        double real = 0.0;
        auto [end, error] = std::from_chars(literal.data(), literal.data() + literal.size(), real);
        if (error == std::errc::result_out_of_range || !std::isfinite(real))
            return fail("number out of range");
        if (error != std::errc {} || end != literal.data() + literal.size())
            return fail("invalid number");
        json.kind = JsonValue::Kind::Float;
        json.real = real;
        return json;
    }

    std::string_view m_text;
    JsonLimits m_limits;
    size_t m_at { 0 };
};

void append_value(std::string& out, JsonValue const& value)
{
    switch (value.kind) {
    case JsonValue::Kind::Null:
        out += "null";
        return;
    case JsonValue::Kind::Boolean:
        out += value.boolean ? "true" : "false";
        return;
    case JsonValue::Kind::Unsigned:
        out += fmt::to_string(value.number);
        return;
    case JsonValue::Kind::Negative:
        out += fmt::format("-{}", value.number);
        return;
    case JsonValue::Kind::Float: {
        // The shortest text that reads back as the same double, kept a float when it looks
        // integral ("2.0", "-0.0"), so writing what was read is stable.
        auto text = fmt::format("{}", value.real);
        if (text.find_first_of(".e") == std::string::npos)
            text += ".0";
        out += text;
        return;
    }
    case JsonValue::Kind::String:
        append_json_string(out, value.text);
        return;
    case JsonValue::Kind::Array:
        out.push_back('[');
        for (size_t i = 0; i < value.items.size(); ++i) {
            if (i > 0)
                out.push_back(',');
            append_value(out, value.items[i]);
        }
        out.push_back(']');
        return;
    case JsonValue::Kind::Object:
        out.push_back('{');
        for (size_t i = 0; i < value.members.size(); ++i) {
            if (i > 0)
                out.push_back(',');
            append_json_string(out, value.members[i].first);
            out.push_back(':');
            append_value(out, value.members[i].second);
        }
        out.push_back('}');
        return;
    }
}

}

kaso::ErrorOr<JsonValue> parse_json(std::string_view text, JsonLimits const& limits) { return Parser(text, limits).parse_document(); }

void append_json_string(std::string& out, std::string_view text)
{
    static constexpr char hex[] = "0123456789abcdef";
    // Most text needs no escape: it is copied in runs between the bytes that need one.
    out.push_back('"');
    size_t run = 0; // where the bytes not yet copied start
    size_t at = 0;
    auto flush = [&] { out.append(text.data() + run, at - run); };
    while (at < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[at]);
        if (c >= 0x20 && c < 0x80 && c != '"' && c != '\\') {
            ++at;
            continue;
        }
        if (c >= 0x80) {
            if (size_t length = utf8_sequence_length(text, at); length != 0) {
                at += length;
                continue;
            }
            flush();
            out += "\xef\xbf\xbd"; // U+FFFD for a byte that starts no valid sequence
            run = ++at;
            continue;
        }
        flush();
        run = ++at;
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        default:
            out += "\\u00";
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 0xf]);
        }
    }
    flush();
    out.push_back('"');
}

std::string write_json(JsonValue const& value)
{
    std::string out;
    append_value(out, value);
    return out;
}

bool is_valid_utf8(std::string_view text)
{
    size_t at = 0;
    while (at < text.size()) {
        size_t length = utf8_sequence_length(text, at);
        if (length == 0)
            return false;
        at += length;
    }
    return true;
}

}
