#pragma once

// The JSON form shared by VexaAction and VexaOperation: an enumeration is written "externally
// tagged". A variant without fields is the string of its name; any other variant is an object
// with one member named after it, holding an object of its fields in declaration order.
//
// Reading accepts more than writing produces: a variant without fields also as {"Name":null};
// the fields as an object in any order (other members skipped, each field exactly once) or as an
// array of exactly the field values in order. Reading fails whole on the first error, and no
// error ever quotes the input (an action may carry a pairing invite).
//
// Each variant is a struct with `name`, `field_names` and `fields()` (a tuple of references):
//
//   struct SetVideoLiked {
//       static constexpr std::string_view name = "SetVideoLiked";
//       static constexpr std::array<std::string_view, 2> field_names { "video_id", "liked" };
//       std::string video_id;
//       bool liked { false };
//       VEXA_TAGGED_FIELDS(video_id, liked)
//   };

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <variant>

#include "src/actions/JsonValue.h"
#include "src/model/Route.h"
#include "src/model/Segment.h"
#include "src/model/Settings.h"

#define VEXA_TAGGED_FIELDS(...)                           \
    auto fields() { return std::tie(__VA_ARGS__); }       \
    auto fields() const { return std::tie(__VA_ARGS__); }

namespace vexa::tagged_json {

// The variant a value names, and its payload: none for the bare name string, else the value of
// the one member (possibly null).
struct Tag {
    size_t index { 0 };
    JsonValue const* payload { nullptr };
};

kaso::ErrorOr<Tag> resolve_tag(JsonValue const& value, std::string_view enum_name, std::span<std::string_view const> names);

// An enumeration whose variants carry nothing, read as a name string or {"Name":null}.
kaso::ErrorOr<size_t> read_unit_enum(JsonValue const& value, std::string_view enum_name, std::span<std::string_view const> names);

// Field values.
kaso::ErrorOr<void> read_field(JsonValue const& value, std::string& field);
kaso::ErrorOr<void> read_field(JsonValue const& value, bool& field);
kaso::ErrorOr<void> read_field(JsonValue const& value, uint64_t& field);
kaso::ErrorOr<void> read_field(JsonValue const& value, SettingFlag& field);
kaso::ErrorOr<void> read_field(JsonValue const& value, SegmentCategory& field);
kaso::ErrorOr<void> read_field(JsonValue const& value, SegmentMode& field);
kaso::ErrorOr<void> read_field(JsonValue const& value, Route& field);

JsonValue write_field(std::string const& field);
JsonValue write_field(bool field);
JsonValue write_field(uint64_t field);
JsonValue write_field(SettingFlag field);
JsonValue write_field(SegmentCategory field);
JsonValue write_field(SegmentMode field);
JsonValue write_field(Route const& field);

// The debug form of a field: texts quoted and escaped, enumerations by variant name, a route
// as `Home` or `Watch("id")`.
void append_debug(std::string& out, std::string const& field);
void append_debug(std::string& out, bool field);
void append_debug(std::string& out, uint64_t field);
void append_debug(std::string& out, SettingFlag field);
void append_debug(std::string& out, SegmentCategory field);
void append_debug(std::string& out, SegmentMode field);
void append_debug(std::string& out, Route const& field);

std::string_view segment_mode_variant_name(SegmentMode mode);

namespace detail {

template<typename Tuple, size_t... I>
kaso::ErrorOr<void> read_field_at(Tuple fields, size_t index, JsonValue const& value, std::index_sequence<I...>)
{
    kaso::ErrorOr<void> result;
    (void)((index == I ? (result = read_field(value, std::get<I>(fields)), true) : false) || ...);
    return result;
}

template<typename T>
kaso::ErrorOr<T> read_alternative(JsonValue const* payload, std::string_view enum_name)
{
    constexpr size_t count = T::field_names.size();
    T value {};
    if constexpr (count == 0) {
        if (payload && !payload->is_null())
            return kaso::make_error(fmt::format("invalid type: {}, expected unit variant {}::{}", payload->kind_name(), enum_name, T::name));
        return value;
    } else {
        auto read_at = [&](size_t index, JsonValue const& member) {
            return read_field_at(value.fields(), index, member, std::make_index_sequence<count> {});
        };
        if (!payload)
            return kaso::make_error(fmt::format("invalid type: unit variant, expected struct variant {}::{}", enum_name, T::name));
        if (payload->is_array()) {
            if (payload->items.size() != count)
                return kaso::make_error(fmt::format("invalid length {}, expected struct variant {}::{} with {} elements", payload->items.size(),
                    enum_name, T::name, count));
            for (size_t index = 0; index < count; ++index)
                TRY(read_at(index, payload->items[index]));
            return value;
        }
        if (!payload->is_object())
            return kaso::make_error(fmt::format("invalid type: {}, expected struct variant {}::{}", payload->kind_name(), enum_name, T::name));
        std::array<bool, count> seen {};
        for (auto const& [key, member] : payload->members) {
            size_t index = 0;
            while (index < count && T::field_names[index] != key)
                ++index;
            if (index == count)
                continue;
            if (seen[index])
                return kaso::make_error(fmt::format("duplicate field `{}`", T::field_names[index]));
            seen[index] = true;
            TRY(read_at(index, member));
        }
        for (size_t index = 0; index < count; ++index) {
            if (!seen[index])
                return kaso::make_error(fmt::format("missing field `{}`", T::field_names[index]));
        }
        return value;
    }
}

template<typename T>
JsonValue write_alternative(T const& value)
{
    constexpr size_t count = T::field_names.size();
    if constexpr (count == 0) {
        return JsonValue::of(std::string(T::name));
    } else {
        std::vector<std::pair<std::string, JsonValue>> members;
        members.reserve(count);
        auto add = [&]<size_t... I>(std::index_sequence<I...>) {
            (members.emplace_back(std::string(T::field_names[I]), write_field(std::get<I>(value.fields()))), ...);
        };
        add(std::make_index_sequence<count> {});
        return JsonValue::tagged(std::string(T::name), JsonValue::object(std::move(members)));
    }
}

template<typename T>
std::string debug_alternative(T const& value)
{
    constexpr size_t count = T::field_names.size();
    std::string out(T::name);
    if constexpr (count > 0) {
        out += " { ";
        auto add = [&]<size_t... I>(std::index_sequence<I...>) {
            ((out += (I == 0 ? "" : ", "), out += T::field_names[I], out += ": ", append_debug(out, std::get<I>(value.fields()))), ...);
        };
        add(std::make_index_sequence<count> {});
        out += " }";
    }
    return out;
}

}

// Reading, writing and naming a std::variant of such structs.
template<typename Variant>
struct TaggedEnum {
    static constexpr size_t count = std::variant_size_v<Variant>;

    static constexpr std::array<std::string_view, count> names = []<size_t... I>(std::index_sequence<I...>) {
        return std::array<std::string_view, count> { std::variant_alternative_t<I, Variant>::name... };
    }(std::make_index_sequence<count> {});

    static kaso::ErrorOr<Variant> read(JsonValue const& value, std::string_view enum_name)
    {
        auto tag = TRY(resolve_tag(value, enum_name, names));
        using Reader = kaso::ErrorOr<Variant> (*)(JsonValue const*, std::string_view);
        static constexpr auto readers = []<size_t... I>(std::index_sequence<I...>) {
            return std::array<Reader, count> { [](JsonValue const* payload, std::string_view name) -> kaso::ErrorOr<Variant> {
                using Alternative = std::variant_alternative_t<I, Variant>;
                auto alternative = detail::read_alternative<Alternative>(payload, name);
                if (!alternative)
                    return std::unexpected(std::move(alternative.error()));
                return Variant(std::in_place_index<I>, std::move(*alternative));
            }... };
        }(std::make_index_sequence<count> {});
        return readers[tag.index](tag.payload, enum_name);
    }

    static JsonValue write(Variant const& value)
    {
        return std::visit([](auto const& alternative) { return detail::write_alternative(alternative); }, value);
    }

    static std::string debug(Variant const& value)
    {
        return std::visit([](auto const& alternative) { return detail::debug_alternative(alternative); }, value);
    }

    static std::string_view name_of(Variant const& value) { return names[value.index()]; }
};

}
