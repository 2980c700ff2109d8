#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace automerge {

// A value the format stores inline in an op. Unknown type codes (10 to 15 in the value
// metadata) are carried through unchanged with their raw bytes.
//
// A plain tagged record rather than a std::variant: GCC 12 reports false "may be used
// uninitialized" warnings for variants of strings under the sanitizers, and warnings are errors.
class ScalarValue {
public:
    enum class Kind : uint8_t { Null, Boolean, Int, Uint, F64, Str, Bytes, Counter, Timestamp, Unknown };
    using Bytes = std::vector<uint8_t>;

    ScalarValue() = default;

    static ScalarValue null() { return ScalarValue(); }
    static ScalarValue boolean(bool value) { return numeric(Kind::Boolean, value ? 1 : 0); }
    static ScalarValue integer(int64_t value) { return numeric(Kind::Int, static_cast<uint64_t>(value)); }
    static ScalarValue uinteger(uint64_t value) { return numeric(Kind::Uint, value); }
    static ScalarValue f64(double value);
    static ScalarValue str(std::string value)
    {
        ScalarValue scalar;
        scalar.m_kind = Kind::Str;
        scalar.m_text = std::move(value);
        return scalar;
    }
    static ScalarValue bytes(Bytes value)
    {
        ScalarValue scalar;
        scalar.m_kind = Kind::Bytes;
        scalar.m_bytes = std::move(value);
        return scalar;
    }
    static ScalarValue counter(int64_t value) { return numeric(Kind::Counter, static_cast<uint64_t>(value)); }
    // Milliseconds since the epoch.
    static ScalarValue timestamp(int64_t value) { return numeric(Kind::Timestamp, static_cast<uint64_t>(value)); }
    static ScalarValue unknown(uint8_t type_code, Bytes value)
    {
        ScalarValue scalar;
        scalar.m_kind = Kind::Unknown;
        scalar.m_type_code = type_code;
        scalar.m_bytes = std::move(value);
        return scalar;
    }

    Kind kind() const { return m_kind; }
    bool is_null() const { return m_kind == Kind::Null; }

    // Each accessor gives the value when the scalar is of that kind, else nothing.
    std::optional<bool> as_bool() const { return is(Kind::Boolean) ? std::optional<bool>(m_bits != 0) : std::nullopt; }
    std::optional<int64_t> as_int() const { return signed_of(Kind::Int); }
    std::optional<uint64_t> as_uint() const { return is(Kind::Uint) ? std::optional<uint64_t>(m_bits) : std::nullopt; }
    std::optional<double> as_f64() const;
    std::string const* as_str() const { return is(Kind::Str) ? &m_text : nullptr; }
    Bytes const* as_bytes() const { return is(Kind::Bytes) ? &m_bytes : nullptr; }
    std::optional<int64_t> as_counter() const { return signed_of(Kind::Counter); }
    std::optional<int64_t> as_timestamp() const { return signed_of(Kind::Timestamp); }
    // For unknown kinds: the type code and the raw bytes.
    std::optional<uint8_t> unknown_type_code() const { return is(Kind::Unknown) ? std::optional<uint8_t>(m_type_code) : std::nullopt; }
    Bytes const* unknown_bytes() const { return is(Kind::Unknown) ? &m_bytes : nullptr; }

    // Equality as the reference sees it: same kind and same value (so 0.0 equals -0.0 and NaN
    // equals nothing).
    bool operator==(ScalarValue const& other) const;

    // A short readable form for tests and logs: `"text"`, `42`, `42u`, `counter(3)`.
    std::string debug_text() const;

private:
    static ScalarValue numeric(Kind kind, uint64_t bits)
    {
        ScalarValue scalar;
        scalar.m_kind = kind;
        scalar.m_bits = bits;
        return scalar;
    }
    bool is(Kind kind) const { return m_kind == kind; }
    std::optional<int64_t> signed_of(Kind kind) const { return is(kind) ? std::optional<int64_t>(static_cast<int64_t>(m_bits)) : std::nullopt; }

    Kind m_kind { Kind::Null };
    uint8_t m_type_code { 0 };
    uint64_t m_bits { 0 }; // booleans, integers, counters, timestamps, and the bits of a double
    std::string m_text;
    Bytes m_bytes;
};

}
