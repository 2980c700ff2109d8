#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "kaso/platform/Error.h"

namespace vexa {

// A parsed JSON value as the action readers need it. Unlike a general-purpose DOM, an object
// keeps every member in the order written, duplicates included, so a reader can refuse a field
// given twice; and a number keeps its kind, so an unsigned field can tell 7 from -7 and 7.5.
struct JsonValue {
    enum class Kind : uint8_t { Null, Boolean, Unsigned, Negative, Float, String, Array, Object };

    Kind kind { Kind::Null };
    bool boolean { false };
    uint64_t number { 0 }; // Unsigned: the value; Negative: its magnitude
    double real { 0.0 };   // Float (also an integer too large for 64 bits)
    std::string text;      // String
    std::vector<JsonValue> items;
    std::vector<std::pair<std::string, JsonValue>> members;

    static JsonValue null() { return JsonValue {}; }
    static JsonValue of(bool value);
    static JsonValue of(uint64_t value);
    static JsonValue of(std::string value);
    static JsonValue array(std::vector<JsonValue> items);
    // An object of members in this order.
    static JsonValue object(std::vector<std::pair<std::string, JsonValue>> members);
    // The object {"name": value}.
    static JsonValue tagged(std::string name, JsonValue value);

    bool is_null() const { return kind == Kind::Null; }
    bool is_string() const { return kind == Kind::String; }
    bool is_object() const { return kind == Kind::Object; }
    bool is_array() const { return kind == Kind::Array; }

    // The kind as a reader's error names it: "null", "boolean", "integer", "floating point",
    // "string", "sequence", "map". Never the value itself, which may be private.
    std::string_view kind_name() const;

    bool operator==(JsonValue const&) const = default;
};

// Bounds on what `parse_json` accepts, checked before anything is built.
struct JsonLimits {
    size_t max_bytes { 1u << 20 };
    size_t max_depth { 64 };
};

// Parses one JSON text (whitespace around it allowed). Strings must be valid UTF-8 and their
// escapes well formed. Errors name what was wrong and where, never the text itself:
// "expected value at byte 7".
kaso::ErrorOr<JsonValue> parse_json(std::string_view text, JsonLimits const& limits = {});

// The compact JSON text of a value: no whitespace, members in their order, strings escaped only
// where JSON requires it (quote, backslash, control characters). A byte sequence that is not
// UTF-8 is written as U+FFFD, so the output always parses.
std::string write_json(JsonValue const& value);
void append_json_string(std::string& out, std::string_view text);

bool is_valid_utf8(std::string_view text);

}
