#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "src/backend/InnertubeJson.h"

namespace vexa::testing {

// Where a parsed answer differs from nlohmann-json's reading of the same text, the reader the
// page readers were first written against: a path and what differs, or "" when they agree.
// Objects follow nlohmann's rule for a repeated key (the last one counts). Numbers agree in
// kind as well as value (an unsigned integer, a negative one, a float), with one allowance:
// "-0" is a signed zero to nlohmann and a plain 0 to simdjson.
inline std::string answer_difference(nlohmann::json const& expected, innertube::JsonValue actual, std::string const& path = "$")
{
    using Type = nlohmann::json::value_t;
    auto differs = [&](char const* what) { return path + ": " + what; };
    switch (expected.type()) {
    case Type::null:
        return actual.is_null() ? "" : differs("not null");
    case Type::boolean:
        return actual.is_boolean() && actual.is_true() == expected.get<bool>() ? "" : differs("another boolean");
    case Type::string:
        return actual == expected.get_ref<std::string const&>() ? "" : differs("another string");
    case Type::number_unsigned:
        return actual.unsigned_integer() == expected.get<uint64_t>() ? "" : differs("another unsigned integer");
    case Type::number_integer:
        return actual.signed_integer() == expected.get<int64_t>() ? "" : differs("another signed integer");
    case Type::number_float:
        if (actual.signed_integer() || actual.unsigned_integer() || actual.number() != expected.get<double>())
            return differs("another float");
        return "";
    case Type::array: {
        if (!actual.is_array() || actual.element_count() != expected.size())
            return differs("another array");
        size_t index = 0;
        for (auto element : actual.elements()) {
            if (auto difference = answer_difference(expected[index], element, path + "[" + std::to_string(index) + "]"); !difference.empty())
                return difference;
            ++index;
        }
        return "";
    }
    case Type::object: {
        if (!actual.is_object())
            return differs("not an object");
        std::map<std::string_view, innertube::JsonValue> members;
        for (auto [key, value] : actual.members())
            members[key] = value;
        if (members.size() != expected.size())
            return differs("other members");
        for (auto const& [key, value] : expected.items()) {
            auto found = members.find(key);
            if (found == members.end())
                return differs("a member is missing");
            if (auto difference = answer_difference(value, found->second, path + "." + key); !difference.empty())
                return difference;
        }
        return "";
    }
    default:
        return differs("a kind of value JSON text cannot hold");
    }
}

}
