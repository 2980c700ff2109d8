#include "automerge/ScalarValue.h"

#include "automerge/Hex.h"

#include <bit>
#include <cstdio>

namespace automerge {

ScalarValue ScalarValue::f64(double value)
{
    return numeric(Kind::F64, std::bit_cast<uint64_t>(value));
}

std::optional<double> ScalarValue::as_f64() const
{
    if (!is(Kind::F64))
        return std::nullopt;
    return std::bit_cast<double>(m_bits);
}

bool ScalarValue::operator==(ScalarValue const& other) const
{
    if (m_kind != other.m_kind)
        return false;
    switch (m_kind) {
    case Kind::Null:
        return true;
    case Kind::F64:
        return *as_f64() == *other.as_f64();
    case Kind::Str:
        return m_text == other.m_text;
    case Kind::Bytes:
        return m_bytes == other.m_bytes;
    case Kind::Unknown:
        return m_type_code == other.m_type_code && m_bytes == other.m_bytes;
    default:
        return m_bits == other.m_bits;
    }
}

std::string ScalarValue::debug_text() const
{
    switch (m_kind) {
    case Kind::Null:
        return "null";
    case Kind::Boolean:
        return m_bits ? "true" : "false";
    case Kind::Int:
        return std::to_string(*as_int());
    case Kind::Uint:
        return std::to_string(m_bits) + "u";
    case Kind::F64: {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.17g", *as_f64());
        return buffer;
    }
    case Kind::Str:
        return "\"" + m_text + "\"";
    case Kind::Bytes:
        return "bytes(" + hex_encode(m_bytes) + ")";
    case Kind::Counter:
        return "counter(" + std::to_string(*as_counter()) + ")";
    case Kind::Timestamp:
        return "timestamp(" + std::to_string(*as_timestamp()) + ")";
    case Kind::Unknown:
        return "unknown(" + std::to_string(m_type_code) + ", " + hex_encode(m_bytes) + ")";
    }
    return "?";
}

}
