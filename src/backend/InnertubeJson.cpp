#include "src/backend/InnertubeJson.h"

#include <algorithm>
#include <string>

#include <fmt/format.h>

#include "src/backend/JsonInput.h"

namespace vexa::innertube {

namespace {

using simdjson::dom::element_type;

bool is_digit(char c) { return c >= '0' && c <= '9'; }

bool is_number_character(char c) { return is_digit(c) || c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-'; }

// Whether a run of digits stands for more than `limit`, the same kind of run.
bool exceeds(std::string_view digits, std::string_view limit)
{
    if (digits.size() != limit.size())
        return digits.size() > limit.size();
    return digits > limit;
}

// The text with every integer beyond the 64-bit ranges written as a float ("1" becomes "1.0"),
// or nothing when it holds none. simdjson refuses such integers; reading them as floats, as
// the reader before it did, keeps one odd number from costing the whole answer.
std::optional<std::string> with_wide_integers_as_floats(std::string_view text)
{
    std::string widened;
    size_t copied = 0;
    bool changed = false;
    for (size_t position = 0; position < text.size(); ++position) {
        char c = text[position];
        if (c == '"') {
            position = json_input::string_end(text, position + 1);
            continue;
        }
        if (c != '-' && !is_digit(c))
            continue;
        // A number: outside strings, no other token holds a digit or a minus sign.
        bool negative = c == '-';
        size_t digits_start = position + (negative ? 1 : 0);
        size_t end = digits_start;
        while (end < text.size() && is_digit(text[end]))
            ++end;
        bool is_float = end < text.size() && (text[end] == '.' || text[end] == 'e' || text[end] == 'E');
        auto digits = text.substr(digits_start, end - digits_start);
        if (!is_float && !digits.empty() && exceeds(digits, negative ? "9223372036854775808" : "18446744073709551615")) {
            widened.append(text.substr(copied, end - copied));
            widened += ".0";
            copied = end;
            changed = true;
        }
        while (end < text.size() && is_number_character(text[end]))
            ++end;
        position = end - 1;
    }
    if (!changed)
        return std::nullopt;
    widened.append(text.substr(copied));
    return widened;
}

}

bool JsonValue::is_number() const
{
    if (!m_present)
        return false;
    auto type = m_element.type();
    return type == element_type::INT64 || type == element_type::UINT64 || type == element_type::DOUBLE;
}

std::optional<uint64_t> JsonValue::unsigned_integer() const
{
    if (!m_present)
        return std::nullopt;
    switch (m_element.type()) {
    case element_type::UINT64:
        return m_element.get_uint64().value_unsafe();
    case element_type::INT64:
        if (auto value = m_element.get_int64().value_unsafe(); value >= 0)
            return static_cast<uint64_t>(value);
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

std::optional<int64_t> JsonValue::signed_integer() const
{
    if (!m_present)
        return std::nullopt;
    switch (m_element.type()) {
    case element_type::INT64:
        return m_element.get_int64().value_unsafe();
    case element_type::UINT64:
        if (auto value = m_element.get_uint64().value_unsafe(); value <= static_cast<uint64_t>(INT64_MAX))
            return static_cast<int64_t>(value);
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

std::optional<double> JsonValue::number() const
{
    if (!is_number())
        return std::nullopt;
    return m_element.get_double().value_unsafe();
}

JsonValue JsonValue::element_at(size_t index) const
{
    if (!is_array())
        return {};
    simdjson::dom::array array = m_element.get_array().value_unsafe();
    for (auto element : array) {
        if (index == 0)
            return JsonValue(element);
        --index;
    }
    return {};
}

size_t JsonValue::element_count() const
{
    if (!is_array())
        return 0;
    return m_element.get_array().value_unsafe().size();
}

kaso::ErrorOr<Answer> Answer::parse(std::string const& text, size_t max_bytes, size_t max_depth)
{
    if (text.size() > max_bytes)
        return kaso::make_error(fmt::format("document of {} bytes exceeds {} bytes", text.size(), max_bytes));

    Answer answer;
    answer.m_parser = std::make_unique<simdjson::dom::parser>();
    // simdjson counts the document as a level of its own, and an empty array or object as none.
    auto error = answer.m_parser->allocate(std::max<size_t>(text.size(), simdjson::dom::MINIMAL_DOCUMENT_CAPACITY), max_depth + 1);
    if (error)
        return kaso::make_error(simdjson::error_message(error));
    simdjson::dom::element root;
    auto parse_part = [&](std::string const& buffer, std::string_view part) {
        size_t spare = static_cast<size_t>(buffer.data() + buffer.capacity() - (part.data() + part.size()));
        return answer.m_parser->parse(part.data(), part.size(), spare < answer_padding).get(root);
    };

    // As the reader before this one did, a byte order mark in front is skipped and the text
    // ends at its first NUL byte. simdjson refuses every NUL, so only a failed text is searched.
    std::string_view part = text;
    if (part.starts_with("\xEF\xBB\xBF"))
        part.remove_prefix(3);
    error = parse_part(text, part);
    if (error) {
        if (auto nul = part.find('\0'); nul != std::string_view::npos) {
            part = part.substr(0, nul);
            error = parse_part(text, part);
        }
    }
    if (error == simdjson::NUMBER_ERROR) {
        if (auto widened = with_wide_integers_as_floats(part))
            error = parse_part(*widened, *widened);
    }
    if (error == simdjson::DEPTH_ERROR)
        return kaso::make_error(fmt::format("document nests deeper than {} levels", max_depth));
    if (error)
        return kaso::make_error(simdjson::error_message(error));
    answer.m_root = JsonValue(root);
    return answer;
}

}
