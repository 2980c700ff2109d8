#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "kaso/platform/Error.h"

namespace vexa::json_input {

inline constexpr size_t default_max_depth = 64;

// Parses one JSON document from outside the program: refuses texts longer than `max_bytes` or
// nested deeper than `max_depth` before parsing, and never throws.
kaso::ErrorOr<nlohmann::json> parse(std::string_view text, size_t max_bytes, size_t max_depth = default_max_depth);

// The position of the quote that closes the JSON string whose contents begin at `position`
// (just after its opening quote), escapes skipped; the text's size when the string is unclosed.
size_t string_end(std::string_view text, size_t position);

// Readers that never fail: a missing or mistyped member reads as empty, 0, false or nothing.
std::string text(nlohmann::json const& object, std::string_view key);
std::string first_text(nlohmann::json const& object, std::initializer_list<std::string_view> keys);
// A JSON integer that is not negative (floats and negatives are not).
std::optional<uint64_t> unsigned_integer(nlohmann::json const& value);
uint64_t unsigned_member(nlohmann::json const& object, std::string_view key);
// A JSON integer within the signed 64-bit range.
std::optional<int64_t> signed_integer(nlohmann::json const& value);
int64_t signed_member(nlohmann::json const& object, std::string_view key);
std::optional<double> number(nlohmann::json const& value);
std::optional<bool> boolean_member(nlohmann::json const& object, std::string_view key);
nlohmann::json const* member(nlohmann::json const& object, std::string_view key);

}
