#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace automerge {

// A value the format stores inline in an op. Unknown type codes (10 to 15 in the value
// metadata) are carried through unchanged with their raw bytes.
class ScalarValue {
public:
    enum class Kind : uint8_t { Null, Boolean, Int, Uint, F64, Str, Bytes, Counter, Timestamp, Unknown };

    struct Null {
        bool operator==(Null const&) const = default;
    };
    struct Counter {
        int64_t value { 0 };
        bool operator==(Counter const&) const = default;
    };
    struct Timestamp {
        int64_t value { 0 }; // milliseconds since the epoch
        bool operator==(Timestamp const&) const = default;
    };
    struct Unknown {
        uint8_t type_code { 0 }; // 10..15
        std::vector<uint8_t> bytes;
        bool operator==(Unknown const&) const = default;
    };
    using Bytes = std::vector<uint8_t>;
    using Data = std::variant<Null, bool, int64_t, uint64_t, double, std::string, Bytes, Counter, Timestamp, Unknown>;

    ScalarValue() = default;

    static ScalarValue null() { return ScalarValue(Data { Null {} }); }
    static ScalarValue boolean(bool value) { return ScalarValue(Data { value }); }
    static ScalarValue integer(int64_t value) { return ScalarValue(Data { value }); }
    static ScalarValue uinteger(uint64_t value) { return ScalarValue(Data { value }); }
    static ScalarValue f64(double value) { return ScalarValue(Data { value }); }
    static ScalarValue str(std::string value) { return ScalarValue(Data { std::move(value) }); }
    static ScalarValue bytes(Bytes value) { return ScalarValue(Data { std::move(value) }); }
    static ScalarValue counter(int64_t value) { return ScalarValue(Data { Counter { value } }); }
    static ScalarValue timestamp(int64_t value) { return ScalarValue(Data { Timestamp { value } }); }
    static ScalarValue unknown(uint8_t type_code, Bytes value) { return ScalarValue(Data { Unknown { type_code, std::move(value) } }); }

    Kind kind() const { return static_cast<Kind>(m_data.index()); }
    Data const& data() const { return m_data; }

    bool is_null() const { return kind() == Kind::Null; }
    bool const* as_bool() const { return std::get_if<bool>(&m_data); }
    int64_t const* as_int() const { return std::get_if<int64_t>(&m_data); }
    uint64_t const* as_uint() const { return std::get_if<uint64_t>(&m_data); }
    double const* as_f64() const { return std::get_if<double>(&m_data); }
    std::string const* as_str() const { return std::get_if<std::string>(&m_data); }
    Bytes const* as_bytes() const { return std::get_if<Bytes>(&m_data); }
    Counter const* as_counter() const { return std::get_if<Counter>(&m_data); }
    Timestamp const* as_timestamp() const { return std::get_if<Timestamp>(&m_data); }
    Unknown const* as_unknown() const { return std::get_if<Unknown>(&m_data); }

    // Equality as the reference sees it: same kind and same value (so 0.0 equals -0.0 and NaN
    // equals nothing).
    bool operator==(ScalarValue const&) const = default;

    // A short readable form for tests and logs: `"text"`, `42`, `42u`, `counter(3)`.
    std::string debug_text() const;

private:
    explicit ScalarValue(Data data)
        : m_data(std::move(data))
    {
    }

    Data m_data { Null {} };
};

}
