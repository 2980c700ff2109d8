#include "automerge/storage/columns/Encoders.h"

#include <bit>
#include <cstring>

namespace automerge::storage {

void ValueEncoder::append_raw(uint8_t type_code, std::span<const uint8_t> bytes)
{
    m_meta.append(static_cast<uint64_t>(bytes.size()) << 4 | type_code);
    m_raw.insert(m_raw.end(), bytes.begin(), bytes.end());
}

void ValueEncoder::append(ScalarValue const& value)
{
    auto with_length = [&](ValueType type, size_t start) {
        m_meta.append(static_cast<uint64_t>(m_raw.size() - start) << 4 | static_cast<uint8_t>(type));
    };
    size_t start = m_raw.size();
    switch (value.kind()) {
    case ScalarValue::Kind::Null:
        m_meta.append(static_cast<uint64_t>(ValueType::Null));
        return;
    case ScalarValue::Kind::Boolean:
        m_meta.append(static_cast<uint64_t>(*value.as_bool() ? ValueType::True : ValueType::False));
        return;
    case ScalarValue::Kind::Uint:
        write_uleb(m_raw, *value.as_uint());
        with_length(ValueType::Uleb, start);
        return;
    case ScalarValue::Kind::Int:
        write_sleb(m_raw, *value.as_int());
        with_length(ValueType::Sleb, start);
        return;
    case ScalarValue::Kind::F64: {
        uint64_t bits = std::bit_cast<uint64_t>(*value.as_f64());
        for (int i = 0; i < 8; ++i)
            m_raw.push_back(static_cast<uint8_t>(bits >> (8 * i)));
        with_length(ValueType::Float, start);
        return;
    }
    case ScalarValue::Kind::Str: {
        auto const& text = *value.as_str();
        append_raw(static_cast<uint8_t>(ValueType::String), std::span(reinterpret_cast<uint8_t const*>(text.data()), text.size()));
        return;
    }
    case ScalarValue::Kind::Bytes:
        append_raw(static_cast<uint8_t>(ValueType::Bytes), *value.as_bytes());
        return;
    case ScalarValue::Kind::Counter:
        write_sleb(m_raw, *value.as_counter());
        with_length(ValueType::Counter, start);
        return;
    case ScalarValue::Kind::Timestamp:
        write_sleb(m_raw, *value.as_timestamp());
        with_length(ValueType::Timestamp, start);
        return;
    case ScalarValue::Kind::Unknown:
        append_raw(*value.unknown_type_code(), *value.unknown_bytes());
        return;
    }
}

}
