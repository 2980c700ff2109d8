#include "src/sync/JsonFields.h"

#include <set>

#include <fmt/format.h>

namespace vexa::sync::json {

namespace {

struct RefusedInput {
    std::string message;
};

}

kaso::ErrorOr<Value> parse(std::string_view text)
{
    std::vector<std::set<std::string>> keys;
    auto callback = [&keys](int depth, Value::parse_event_t event, Value& parsed) {
        if (depth > max_depth)
            throw RefusedInput { "recursion limit exceeded" };
        switch (event) {
        case Value::parse_event_t::object_start:
            keys.emplace_back();
            break;
        case Value::parse_event_t::object_end:
            if (!keys.empty())
                keys.pop_back();
            break;
        case Value::parse_event_t::key: {
            auto const& key = parsed.get_ref<std::string const&>();
            if (!keys.empty() && !keys.back().insert(key).second)
                throw RefusedInput { fmt::format("duplicate field `{}`", key) };
            break;
        }
        default:
            break;
        }
        return true;
    };
    try {
        return Value::parse(text.begin(), text.end(), callback);
    } catch (RefusedInput const& refused) {
        return kaso::make_error(refused.message);
    } catch (nlohmann::json::exception const& error) {
        return kaso::make_error(error.what());
    } catch (std::exception const& error) {
        return kaso::make_error(error.what());
    }
}

kaso::ErrorOr<std::string> dump(Value const& value, int indent)
{
    try {
        return value.dump(indent);
    } catch (std::exception const& error) {
        return kaso::make_error(error.what());
    }
}

kaso::ErrorOr<Fields> Fields::open(Value const& value, std::initializer_list<std::string_view> names)
{
    Fields fields;
    fields.m_names.assign(names.begin(), names.end());
    fields.m_values.assign(names.size(), nullptr);
    if (value.is_object()) {
        for (std::size_t i = 0; i < fields.m_names.size(); ++i) {
            auto it = value.find(std::string(fields.m_names[i]));
            if (it != value.end() && !it->is_null())
                fields.m_values[i] = &*it;
        }
        return fields;
    }
    if (value.is_array()) {
        if (value.size() > names.size())
            return kaso::make_error(fmt::format("invalid length {}, expected {} elements", value.size(), names.size()));
        for (std::size_t i = 0; i < value.size(); ++i) {
            if (!value[i].is_null())
                fields.m_values[i] = &value[i];
        }
        return fields;
    }
    return kaso::make_error(fmt::format("invalid type: {}, expected a record", value.type_name()));
}

Value const* Fields::find(std::string_view name) const
{
    for (std::size_t i = 0; i < m_names.size(); ++i) {
        if (m_names[i] == name)
            return m_values[i];
    }
    return nullptr;
}

kaso::ErrorOr<std::string> string_of(Value const& value, std::string_view what)
{
    if (!value.is_string())
        return kaso::make_error(fmt::format("invalid type: {}, expected a string for `{}`", value.type_name(), what));
    return value.get<std::string>();
}

kaso::ErrorOr<int64_t> integer_of(Value const& value, std::string_view what, int64_t minimum, int64_t maximum)
{
    if (value.is_number_unsigned()) {
        auto const number = value.get<uint64_t>();
        if (number > static_cast<uint64_t>(maximum))
            return kaso::make_error(fmt::format("invalid value: integer `{}` out of range for `{}`", number, what));
        return static_cast<int64_t>(number);
    }
    if (value.is_number_integer()) {
        auto const number = value.get<int64_t>();
        if (number < minimum || number > maximum)
            return kaso::make_error(fmt::format("invalid value: integer `{}` out of range for `{}`", number, what));
        return number;
    }
    return kaso::make_error(fmt::format("invalid type: {}, expected an integer for `{}`", value.type_name(), what));
}

kaso::ErrorOr<Value const*> Fields::required(std::string_view name) const
{
    auto const* value = find(name);
    if (!value)
        return kaso::make_error(fmt::format("missing field `{}`", name));
    return value;
}

kaso::ErrorOr<std::string> Fields::string(std::string_view name) const
{
    auto const* value = TRY(required(name));
    return string_of(*value, name);
}

kaso::ErrorOr<std::optional<std::string>> Fields::optional_string(std::string_view name) const
{
    auto const* value = find(name);
    if (!value)
        return std::optional<std::string> {};
    return TRY(string_of(*value, name));
}

kaso::ErrorOr<int64_t> Fields::integer(std::string_view name, int64_t minimum, int64_t maximum) const
{
    auto const* value = TRY(required(name));
    return integer_of(*value, name, minimum, maximum);
}

kaso::ErrorOr<std::optional<int64_t>> Fields::optional_integer(std::string_view name, int64_t minimum, int64_t maximum) const
{
    auto const* value = find(name);
    if (!value)
        return std::optional<int64_t> {};
    return TRY(integer_of(*value, name, minimum, maximum));
}

kaso::ErrorOr<uint64_t> Fields::unsigned_integer(std::string_view name) const
{
    auto const* value = TRY(required(name));
    if (!value->is_number_unsigned())
        return kaso::make_error(fmt::format("invalid type: {}, expected an unsigned integer for `{}`", value->type_name(), name));
    return value->get<uint64_t>();
}

kaso::ErrorOr<std::optional<uint64_t>> Fields::optional_unsigned(std::string_view name) const
{
    if (!find(name))
        return std::optional<uint64_t> {};
    return TRY(unsigned_integer(name));
}

kaso::ErrorOr<std::optional<bool>> Fields::optional_boolean(std::string_view name) const
{
    auto const* value = find(name);
    if (!value)
        return std::optional<bool> {};
    if (!value->is_boolean())
        return kaso::make_error(fmt::format("invalid type: {}, expected a boolean for `{}`", value->type_name(), name));
    return value->get<bool>();
}

kaso::ErrorOr<std::vector<std::string>> Fields::string_array(std::string_view name) const
{
    auto const* value = TRY(required(name));
    if (!value->is_array())
        return kaso::make_error(fmt::format("invalid type: {}, expected an array for `{}`", value->type_name(), name));
    std::vector<std::string> strings;
    strings.reserve(value->size());
    for (auto const& item : *value)
        strings.push_back(TRY(string_of(item, name)));
    return strings;
}

}
