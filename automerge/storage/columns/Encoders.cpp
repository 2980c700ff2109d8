#include "automerge/storage/columns/Encoders.h"

#include <bit>
#include <cstring>

namespace automerge::storage {

void ValueEncoder::append_raw(uint8_t type_code, std::span<const uint8_t> bytes)
{
    m_meta.append(static_cast<uint64_t>(bytes.size()) << 4 | type_code);
    m_raw.insert(m_raw.end(), bytes.begin(), bytes.end());
}

RawValue raw_value(ScalarValue const& value, uint8_t (&scratch)[10])
{
    auto code = [](ValueType type) { return static_cast<uint8_t>(type); };
    auto written = [&](ValueType type, uint8_t* end) { return RawValue { code(type), std::span<const uint8_t>(scratch, end) }; };
    switch (value.kind()) {
    case ScalarValue::Kind::Null:
        return { code(ValueType::Null), {} };
    case ScalarValue::Kind::Boolean:
        return { code(*value.as_bool() ? ValueType::True : ValueType::False), {} };
    case ScalarValue::Kind::Uint:
        return written(ValueType::Uleb, put_uleb(scratch, *value.as_uint()));
    case ScalarValue::Kind::Int:
        return written(ValueType::Sleb, put_sleb(scratch, *value.as_int()));
    case ScalarValue::Kind::F64: {
        uint64_t bits = std::bit_cast<uint64_t>(*value.as_f64());
        for (int i = 0; i < 8; ++i)
            scratch[i] = static_cast<uint8_t>(bits >> (8 * i));
        return written(ValueType::Float, scratch + 8);
    }
    case ScalarValue::Kind::Str: {
        auto const& text = *value.as_str();
        return { code(ValueType::String), std::span(reinterpret_cast<uint8_t const*>(text.data()), text.size()) };
    }
    case ScalarValue::Kind::Bytes:
        return { code(ValueType::Bytes), *value.as_bytes() };
    case ScalarValue::Kind::Counter:
        return written(ValueType::Counter, put_sleb(scratch, *value.as_counter()));
    case ScalarValue::Kind::Timestamp:
        return written(ValueType::Timestamp, put_sleb(scratch, *value.as_timestamp()));
    case ScalarValue::Kind::Unknown:
        return { *value.unknown_type_code(), *value.unknown_bytes() };
    }
    return { code(ValueType::Null), {} };
}

void ValueEncoder::append(ScalarValue const& value)
{
    uint8_t scratch[10];
    auto raw = raw_value(value, scratch);
    append_raw(raw.type, raw.bytes);
}

}
