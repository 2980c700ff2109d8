#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "kaso/platform/Error.h"

// Reading records from outside JSON: keys in any order, unknown keys ignored, a key given twice
// refused, and an array of the values in field order accepted in place of an object. Nothing
// here throws; every failure is an error whose message reads like the JSON library's.
namespace vexa::sync::json {

using Value = nlohmann::json;

constexpr int max_depth = 64;

// Parses the whole text, refusing duplicate keys and nesting deeper than `max_depth`.
kaso::ErrorOr<Value> parse(std::string_view text);

// Compact or indented serialisation; fails only on text that is not UTF-8.
kaso::ErrorOr<std::string> dump(Value const& value, int indent = -1);

class Fields {
public:
    // `value` must be an object or an array of at most `names.size()` values.
    static kaso::ErrorOr<Fields> open(Value const& value, std::initializer_list<std::string_view> names);

    // The field, or null when absent (an explicit JSON null counts as absent too).
    Value const* find(std::string_view name) const;
    // The field, or a "missing field" error when it is absent.
    kaso::ErrorOr<Value const*> required(std::string_view name) const;

    kaso::ErrorOr<std::string> string(std::string_view name) const;
    kaso::ErrorOr<std::optional<std::string>> optional_string(std::string_view name) const;
    kaso::ErrorOr<int64_t> integer(std::string_view name, int64_t minimum, int64_t maximum) const;
    kaso::ErrorOr<std::optional<int64_t>> optional_integer(std::string_view name, int64_t minimum, int64_t maximum) const;
    kaso::ErrorOr<uint64_t> unsigned_integer(std::string_view name) const;
    kaso::ErrorOr<std::optional<uint64_t>> optional_unsigned(std::string_view name) const;
    kaso::ErrorOr<std::optional<bool>> optional_boolean(std::string_view name) const;
    kaso::ErrorOr<std::vector<std::string>> string_array(std::string_view name) const;

private:
    std::vector<std::string_view> m_names;
    std::vector<Value const*> m_values;
};

kaso::ErrorOr<int64_t> integer_of(Value const& value, std::string_view what, int64_t minimum, int64_t maximum);
kaso::ErrorOr<std::string> string_of(Value const& value, std::string_view what);

}
