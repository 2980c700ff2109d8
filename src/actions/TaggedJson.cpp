#include "src/actions/TaggedJson.h"

#include <algorithm>

namespace vexa::tagged_json {

namespace {

std::unexpected<kaso::Error> unknown_variant(std::span<std::string_view const> names)
{
    std::string expected;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0)
            expected += ", ";
        expected += fmt::format("`{}`", names[i]);
    }
    // The name that was given is left out on purpose: it is input.
    return kaso::make_error(fmt::format("unknown variant, expected one of {}", expected));
}

std::optional<size_t> index_of(std::span<std::string_view const> names, std::string_view name)
{
    auto found = std::ranges::find(names, name);
    if (found == names.end())
        return std::nullopt;
    return static_cast<size_t>(found - names.begin());
}

constexpr std::array<std::string_view, 3> segment_mode_names { "Skip", "Show", "Disabled" };

template<typename Enum, size_t N>
std::array<std::string_view, N> names_of(std::array<Enum, N> const& all, std::string_view (*name)(Enum))
{
    std::array<std::string_view, N> names {};
    for (size_t i = 0; i < N; ++i)
        names[i] = name(all[i]);
    return names;
}

std::array<std::string_view, 7> const& setting_flag_names()
{
    static auto const names = names_of(all_setting_flags, setting_flag_variant_name);
    return names;
}

std::array<std::string_view, 8> const& segment_category_names()
{
    static auto const names = names_of(all_segment_categories, segment_category_variant_name);
    return names;
}

constexpr std::array<RouteKind, 10> all_route_kinds {
    RouteKind::Home,
    RouteKind::Trending,
    RouteKind::Subscriptions,
    RouteKind::Queue,
    RouteKind::Watch,
    RouteKind::Channel,
    RouteKind::Playlist,
    RouteKind::Search,
    RouteKind::History,
    RouteKind::Settings,
};

std::array<std::string_view, 10> const& route_names()
{
    static auto const names = names_of(all_route_kinds, route_kind_name);
    return names;
}

}

std::string_view segment_mode_variant_name(SegmentMode mode) { return segment_mode_names[static_cast<size_t>(mode)]; }

kaso::ErrorOr<Tag> resolve_tag(JsonValue const& value, std::string_view enum_name, std::span<std::string_view const> names)
{
    if (value.is_string()) {
        auto index = index_of(names, value.text);
        if (!index)
            return unknown_variant(names);
        return Tag { *index, nullptr };
    }
    if (value.is_object()) {
        if (value.members.size() != 1)
            return kaso::make_error(fmt::format("invalid length {}, expected map with a single key naming a variant of {}", value.members.size(), enum_name));
        auto const& [name, payload] = value.members.front();
        auto index = index_of(names, name);
        if (!index)
            return unknown_variant(names);
        return Tag { *index, &payload };
    }
    return kaso::make_error(fmt::format("invalid type: {}, expected enum {}", value.kind_name(), enum_name));
}

kaso::ErrorOr<size_t> read_unit_enum(JsonValue const& value, std::string_view enum_name, std::span<std::string_view const> names)
{
    auto tag = TRY(resolve_tag(value, enum_name, names));
    if (tag.payload && !tag.payload->is_null())
        return kaso::make_error(fmt::format("invalid type: {}, expected unit variant {}::{}", tag.payload->kind_name(), enum_name, names[tag.index]));
    return tag.index;
}

kaso::ErrorOr<void> read_field(JsonValue const& value, std::string& field)
{
    if (!value.is_string())
        return kaso::make_error(fmt::format("invalid type: {}, expected a string", value.kind_name()));
    field = value.text;
    return {};
}

kaso::ErrorOr<void> read_field(JsonValue const& value, bool& field)
{
    if (value.kind != JsonValue::Kind::Boolean)
        return kaso::make_error(fmt::format("invalid type: {}, expected a boolean", value.kind_name()));
    field = value.boolean;
    return {};
}

kaso::ErrorOr<void> read_field(JsonValue const& value, uint64_t& field)
{
    if (value.kind == JsonValue::Kind::Negative)
        return kaso::make_error("invalid value: negative integer, expected u64");
    if (value.kind != JsonValue::Kind::Unsigned)
        return kaso::make_error(fmt::format("invalid type: {}, expected u64", value.kind_name()));
    field = value.number;
    return {};
}

kaso::ErrorOr<void> read_field(JsonValue const& value, SettingFlag& field)
{
    field = all_setting_flags[TRY(read_unit_enum(value, "SettingFlag", setting_flag_names()))];
    return {};
}

kaso::ErrorOr<void> read_field(JsonValue const& value, SegmentCategory& field)
{
    field = all_segment_categories[TRY(read_unit_enum(value, "SegmentCategory", segment_category_names()))];
    return {};
}

kaso::ErrorOr<void> read_field(JsonValue const& value, SegmentMode& field)
{
    field = static_cast<SegmentMode>(TRY(read_unit_enum(value, "SegmentMode", segment_mode_names)));
    return {};
}

kaso::ErrorOr<void> read_field(JsonValue const& value, Route& field)
{
    auto tag = TRY(resolve_tag(value, "Route", route_names()));
    auto kind = all_route_kinds[tag.index];
    auto name = route_names()[tag.index];
    if (!route_kind_has_text(kind)) {
        if (tag.payload && !tag.payload->is_null())
            return kaso::make_error(fmt::format("invalid type: {}, expected unit variant Route::{}", tag.payload->kind_name(), name));
        field = Route { kind, {} };
        return {};
    }
    if (!tag.payload)
        return kaso::make_error(fmt::format("invalid type: unit variant, expected newtype variant Route::{}", name));
    Route route { kind, {} };
    TRY(read_field(*tag.payload, route.text));
    field = std::move(route);
    return {};
}

JsonValue write_field(std::string const& field) { return JsonValue::of(field); }
JsonValue write_field(bool field) { return JsonValue::of(field); }
JsonValue write_field(uint64_t field) { return JsonValue::of(field); }
JsonValue write_field(SettingFlag field) { return JsonValue::of(std::string(setting_flag_variant_name(field))); }
JsonValue write_field(SegmentCategory field) { return JsonValue::of(std::string(segment_category_variant_name(field))); }
JsonValue write_field(SegmentMode field) { return JsonValue::of(std::string(segment_mode_variant_name(field))); }

JsonValue write_field(Route const& field)
{
    std::string name(route_kind_name(field.kind));
    if (!field.has_text())
        return JsonValue::of(std::move(name));
    return JsonValue::tagged(std::move(name), JsonValue::of(field.text));
}

void append_debug(std::string& out, std::string const& field) { out += kaso::debug_text(field); }
void append_debug(std::string& out, bool field) { out += field ? "true" : "false"; }
void append_debug(std::string& out, uint64_t field) { out += fmt::to_string(field); }
void append_debug(std::string& out, SettingFlag field) { out += setting_flag_variant_name(field); }
void append_debug(std::string& out, SegmentCategory field) { out += segment_category_variant_name(field); }
void append_debug(std::string& out, SegmentMode field) { out += segment_mode_variant_name(field); }

void append_debug(std::string& out, Route const& field)
{
    out += route_kind_name(field.kind);
    if (field.has_text())
        out += fmt::format("({})", kaso::debug_text(field.text));
}

}
