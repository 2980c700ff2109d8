#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <simdjson.h>

#include "kaso/platform/Error.h"

// The read side of innertube's JSON: a parsed answer and the views the page readers walk. A
// view is 24 bytes, copied freely, and valid while its answer lives.
namespace vexa::innertube {

class JsonArray;
class JsonMembers;

// Whether two texts are equal, compared a word at a time in line: member keys are short, and
// comparing them is most of what finding a member costs.
inline bool same_text(std::string_view a, std::string_view b)
{
    size_t size = a.size();
    if (size != b.size())
        return false;
    auto word = [](char const* bytes) {
        uint64_t value;
        std::memcpy(&value, bytes, sizeof value);
        return value;
    };
    auto half_word = [](char const* bytes) {
        uint32_t value;
        std::memcpy(&value, bytes, sizeof value);
        return value;
    };
    char const* x = a.data();
    char const* y = b.data();
    if (size >= 8) {
        for (size_t offset = 0; offset + 8 < size; offset += 8) {
            if (word(x + offset) != word(y + offset))
                return false;
        }
        return word(x + size - 8) == word(y + size - 8); // overlaps the word before it
    }
    if (size >= 4)
        return half_word(x) == half_word(y) && half_word(x + size - 4) == half_word(y + size - 4);
    for (size_t index = 0; index < size; ++index) {
        if (x[index] != y[index])
            return false;
    }
    return true;
}

// One value of a parsed answer, or nothing: a member or element that is not there. Nothing
// answers every question with "no" and every lookup with nothing, so readers chain lookups
// without checking each step.
class JsonValue {
public:
    JsonValue() = default;
    explicit JsonValue(simdjson::dom::element element)
        : m_element(element)
        , m_present(true)
    {
    }

    bool is_missing() const { return !m_present; }
    bool is_null() const { return type_is(simdjson::dom::element_type::NULL_VALUE); }
    bool is_object() const { return type_is(simdjson::dom::element_type::OBJECT); }
    bool is_array() const { return type_is(simdjson::dom::element_type::ARRAY); }
    bool is_string() const { return type_is(simdjson::dom::element_type::STRING); }
    bool is_boolean() const { return type_is(simdjson::dom::element_type::BOOL); }
    bool is_number() const;
    // `true` itself, not merely truthy.
    bool is_true() const { return is_boolean() && m_element.get_bool().value_unsafe(); }

    // The text of a string; "" for anything else.
    std::string_view string() const { return is_string() ? m_element.get_string().value_unsafe() : std::string_view {}; }
    // An integer of 0 or more that fits 64 bits unsigned; floats and negatives are not.
    std::optional<uint64_t> unsigned_integer() const;
    // An integer within the signed 64-bit range.
    std::optional<int64_t> signed_integer() const;
    std::optional<double> number() const;

    // The member named `key` (the last one, should the object repeat it); nothing for a
    // non-object or an absent key.
    JsonValue operator[](std::string_view key) const;
    // The element at `index`; nothing for a non-array or an index past the end.
    JsonValue element_at(size_t index) const;

    // The elements of an array in order; none for anything else.
    JsonArray elements() const;
    size_t element_count() const;
    // The members of an object in document order, repeated keys included; none for anything else.
    JsonMembers members() const;

    // Whether this is a string equal to `text`; anything else differs from every text.
    bool operator==(std::string_view text) const { return is_string() && m_element.get_string().value_unsafe() == text; }

private:
    bool type_is(simdjson::dom::element_type type) const { return m_present && m_element.type() == type; }

    simdjson::dom::element m_element;
    bool m_present { false };
};

class JsonArray {
public:
    class Iterator {
    public:
        Iterator() = default;
        explicit Iterator(simdjson::dom::array::iterator position)
            : m_position(position)
        {
        }
        JsonValue operator*() const { return JsonValue(*m_position); }
        Iterator& operator++()
        {
            ++m_position;
            return *this;
        }
        bool operator==(Iterator const& other) const { return m_position == other.m_position; }

    private:
        simdjson::dom::array::iterator m_position;
    };

    JsonArray() = default;
    explicit JsonArray(simdjson::dom::array array)
        : m_begin(array.begin())
        , m_end(array.end())
    {
    }
    Iterator begin() const { return m_begin; }
    Iterator end() const { return m_end; }
    bool empty() const { return m_begin == m_end; }

private:
    // Both default (and so equal) for no elements: a default simdjson array may not be walked.
    Iterator m_begin;
    Iterator m_end;
};

struct JsonMember {
    std::string_view key;
    JsonValue value;
};

class JsonMembers {
public:
    class Iterator {
    public:
        Iterator() = default;
        explicit Iterator(simdjson::dom::object::iterator position)
            : m_position(position)
        {
        }
        JsonMember operator*() const { return { m_position.key(), JsonValue(m_position.value()) }; }
        Iterator& operator++()
        {
            ++m_position;
            return *this;
        }
        bool operator==(Iterator const& other) const { return m_position == other.m_position; }

    private:
        simdjson::dom::object::iterator m_position;
    };

    JsonMembers() = default;
    explicit JsonMembers(simdjson::dom::object object)
        : m_begin(object.begin())
        , m_end(object.end())
    {
    }
    Iterator begin() const { return m_begin; }
    Iterator end() const { return m_end; }

private:
    Iterator m_begin;
    Iterator m_end;
};

// Where read_members puts the member named `key`.
struct MemberSlot {
    std::string_view key;
    JsonValue* value;
};

// Reads several members of an object in one pass over it, each slot getting what `object[key]`
// would give (the last of a repeated key; nothing when absent or for a non-object). The keys
// of the slots differ. One pass instead of a lookup per key is what keeps the page readers
// fast: a lookup walks every member of its object.
template<size_t Count>
void read_members(JsonValue object, MemberSlot const (&slots)[Count])
{
    for (auto const& slot : slots)
        *slot.value = {};
    for (auto [key, value] : object.members()) {
        for (auto const& slot : slots) {
            if (same_text(slot.key, key)) {
                *slot.value = value;
                break;
            }
        }
    }
}

// The spare capacity behind a text that lets Answer::parse read it where it is.
inline constexpr size_t answer_padding = simdjson::SIMDJSON_PADDING;

inline JsonValue JsonValue::operator[](std::string_view key) const
{
    if (!is_object())
        return {};
    simdjson::dom::object object = m_element.get_object().value_unsafe();
    JsonValue found;
    for (auto position = object.begin(), end = object.end(); position != end; ++position) {
        if (same_text(position.key(), key))
            found = JsonValue(position.value());
    }
    return found;
}

inline JsonArray JsonValue::elements() const
{
    if (!is_array())
        return {};
    return JsonArray(m_element.get_array().value_unsafe());
}

inline JsonMembers JsonValue::members() const
{
    if (!is_object())
        return {};
    return JsonMembers(m_element.get_object().value_unsafe());
}

// One parsed answer: the document and its root. Views into it stay valid while it lives, also
// when it is moved, since the document itself never moves. Each answer has a parser of its own
// (a parser holds one document at a time).
class Answer {
public:
    // Parses a text from outside: refuses one longer than `max_bytes` or nested deeper than
    // `max_depth` with a message saying so, and any malformed text with the reason. The text
    // is read where it is when its string has `answer_padding` bytes of spare capacity, and
    // copied otherwise; the answer does not refer to it afterwards.
    static kaso::ErrorOr<Answer> parse(std::string const& text, size_t max_bytes, size_t max_depth);

    JsonValue root() const { return m_root; }

private:
    Answer() = default;

    std::unique_ptr<simdjson::dom::parser> m_parser;
    JsonValue m_root;
};

}
