#include "src/backend/JsonInput.h"

#include <limits>

namespace vexa::json_input {

namespace {

// Counts nesting outside strings; the parser itself would recurse that deep.
bool nesting_within(std::string_view text, size_t max_depth)
{
    size_t depth = 0;
    for (size_t position = 0; position < text.size(); ++position) {
        char c = text[position];
        if (c == '"') {
            position = string_end(text, position + 1);
        } else if (c == '[' || c == '{') {
            if (++depth > max_depth)
                return false;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return true;
}

}

size_t string_end(std::string_view text, size_t position)
{
    for (; position < text.size(); ++position) {
        if (text[position] == '\\')
            ++position;
        else if (text[position] == '"')
            return position;
    }
    return text.size();
}

kaso::ErrorOr<nlohmann::json> parse(std::string_view text, size_t max_bytes, size_t max_depth)
{
    if (text.size() > max_bytes)
        return kaso::make_error(fmt::format("document of {} bytes exceeds {} bytes", text.size(), max_bytes));
    if (!nesting_within(text, max_depth))
        return kaso::make_error(fmt::format("document nests deeper than {} levels", max_depth));
    try {
        return nlohmann::json::parse(text.begin(), text.end());
    } catch (nlohmann::json::exception const& error) {
        return kaso::make_error(error.what());
    }
}

nlohmann::json const* member(nlohmann::json const& object, std::string_view key)
{
    if (!object.is_object())
        return nullptr;
    auto found = object.find(key);
    if (found == object.end())
        return nullptr;
    return &*found;
}

std::string text(nlohmann::json const& object, std::string_view key)
{
    auto const* value = member(object, key);
    if (!value || !value->is_string())
        return {};
    return value->get_ref<std::string const&>();
}

std::string first_text(nlohmann::json const& object, std::initializer_list<std::string_view> keys)
{
    for (auto key : keys) {
        auto value = text(object, key);
        if (!value.empty())
            return value;
    }
    return {};
}

std::optional<uint64_t> unsigned_integer(nlohmann::json const& value)
{
    if (value.is_number_unsigned())
        return value.get<uint64_t>();
    if (value.is_number_integer()) {
        auto signed_value = value.get<int64_t>();
        if (signed_value >= 0)
            return static_cast<uint64_t>(signed_value);
    }
    return std::nullopt;
}

uint64_t unsigned_member(nlohmann::json const& object, std::string_view key)
{
    auto const* value = member(object, key);
    if (!value)
        return 0;
    return unsigned_integer(*value).value_or(0);
}

std::optional<int64_t> signed_integer(nlohmann::json const& value)
{
    if (value.is_number_unsigned()) {
        auto unsigned_value = value.get<uint64_t>();
        if (unsigned_value > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
            return std::nullopt;
        return static_cast<int64_t>(unsigned_value);
    }
    if (value.is_number_integer())
        return value.get<int64_t>();
    return std::nullopt;
}

int64_t signed_member(nlohmann::json const& object, std::string_view key)
{
    auto const* value = member(object, key);
    if (!value)
        return 0;
    return signed_integer(*value).value_or(0);
}

std::optional<double> number(nlohmann::json const& value)
{
    if (!value.is_number())
        return std::nullopt;
    return value.get<double>();
}

std::optional<bool> boolean_member(nlohmann::json const& object, std::string_view key)
{
    auto const* value = member(object, key);
    if (!value || !value->is_boolean())
        return std::nullopt;
    return value->get<bool>();
}

}
