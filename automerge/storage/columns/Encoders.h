#pragma once

#include "automerge/ScalarValue.h"
#include "automerge/storage/Leb128.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace automerge::storage {

// The canonical column encoders, giving the bytes the reference gives:
// - RLE: a run of two or more equal values is (count, value); lone values gather into a
//   literal run (-count, values...); nulls are (0, count). A column of only nulls writes
//   nothing at all.
// - Delta: RLE of the differences between successive values (nulls pass through).
// - Boolean: alternating run lengths, starting with false.
// - Value: a metadata column (RLE of length << 4 | type) beside a raw column.

// uLEB128 and sLEB128 forms written at `out`, which has room for 10 bytes; each returns the
// byte after the number.
inline uint8_t* put_uleb(uint8_t* out, uint64_t value)
{
    while (value >= 0x80) {
        *out++ = static_cast<uint8_t>(value | 0x80);
        value >>= 7;
    }
    *out++ = static_cast<uint8_t>(value);
    return out;
}

inline uint8_t* put_sleb(uint8_t* out, int64_t value)
{
    for (;;) {
        uint8_t byte = value & 0x7f;
        value >>= 7; // arithmetic shift: GCC and Clang define it for negative values
        if ((value == 0 && !(byte & 0x40)) || (value == -1 && (byte & 0x40))) {
            *out++ = byte;
            return out;
        }
        *out++ = byte | 0x80;
    }
}

// A value as the value columns store it: its type code and its raw bytes. Numbers are written
// into `scratch`; strings and byte strings are borrowed from the value.
struct RawValue {
    uint8_t type;
    std::span<const uint8_t> bytes;
};
RawValue raw_value(ScalarValue const& value, uint8_t (&scratch)[10]);

template<typename T>
struct RleTraits;

// `room` is the most bytes `put` writes for a value.
template<>
struct RleTraits<uint64_t> {
    static size_t room(uint64_t) { return 10; }
    static uint8_t* put(uint8_t* out, uint64_t value) { return put_uleb(out, value); }
};

template<>
struct RleTraits<int64_t> {
    static size_t room(int64_t) { return 10; }
    static uint8_t* put(uint8_t* out, int64_t value) { return put_sleb(out, value); }
};

template<>
struct RleTraits<std::string_view> {
    static size_t room(std::string_view value) { return 10 + value.size(); }
    static uint8_t* put(uint8_t* out, std::string_view value)
    {
        out = put_uleb(out, value.size());
        if (!value.empty())
            std::memcpy(out, value.data(), value.size());
        return out + value.size();
    }
};

template<typename T>
class RleEncoder {
public:
    // A value that continues a run, and a null that continues nulls, are most of a document's
    // columns: they take the inline test alone.
    [[gnu::always_inline]] void append(T value)
    {
        if (m_state == State::Run && m_last == value) [[likely]] {
            ++m_count;
            return;
        }
        append_slow(std::move(value));
    }

    [[gnu::always_inline]] void append_null()
    {
        if (m_state == State::Nulls || m_state == State::InitialNulls) [[likely]] {
            ++m_count;
            return;
        }
        append_null_slow();
    }

    void append(std::optional<T> value)
    {
        if (value)
            append(std::move(*value));
        else
            append_null();
    }

private:
    [[gnu::noinline]] void append_slow(T value)
    {
        switch (m_state) {
        case State::Empty:
            m_state = State::LoneValue;
            m_last = std::move(value);
            break;
        case State::LoneValue:
            if (m_last == value) {
                m_state = State::Run;
                m_count = 2;
            } else {
                m_literal.clear();
                m_literal.push_back(std::move(m_last));
                m_last = std::move(value);
                m_state = State::Literal;
            }
            break;
        case State::Run:
            if (m_last == value) {
                ++m_count;
            } else {
                flush_run();
                m_last = std::move(value);
                m_state = State::LoneValue;
            }
            break;
        case State::Literal:
            if (m_last == value) {
                flush_literal();
                m_state = State::Run;
                m_count = 2;
            } else {
                m_literal.push_back(std::move(m_last));
                m_last = std::move(value);
            }
            break;
        case State::InitialNulls:
        case State::Nulls:
            flush_nulls();
            m_last = std::move(value);
            m_state = State::LoneValue;
            break;
        }
    }

    [[gnu::noinline]] void append_null_slow()
    {
        switch (m_state) {
        case State::Empty:
            m_state = State::InitialNulls;
            m_count = 1;
            break;
        case State::InitialNulls:
        case State::Nulls:
            ++m_count;
            break;
        case State::LoneValue:
            m_literal.clear();
            m_literal.push_back(std::move(m_last));
            flush_literal();
            m_state = State::Nulls;
            m_count = 1;
            break;
        case State::Run:
            flush_run();
            m_state = State::Nulls;
            m_count = 1;
            break;
        case State::Literal:
            m_literal.push_back(std::move(m_last));
            flush_literal();
            m_state = State::Nulls;
            m_count = 1;
            break;
        }
    }

public:
    // Flushes what is pending and returns the column's bytes, valid until the next clear().
    std::span<const uint8_t> finish()
    {
        switch (m_state) {
        case State::Empty:
        case State::InitialNulls:
            break;
        case State::Nulls:
            flush_nulls();
            break;
        case State::LoneValue:
            m_literal.clear();
            m_literal.push_back(std::move(m_last));
            flush_literal();
            break;
        case State::Run:
            flush_run();
            break;
        case State::Literal:
            m_literal.push_back(std::move(m_last));
            flush_literal();
            break;
        }
        m_state = State::Empty;
        return m_out;
    }

    void clear()
    {
        m_state = State::Empty;
        m_count = 0;
        m_literal.clear();
        m_out.clear();
    }

private:
    enum class State : uint8_t { Empty, InitialNulls, Nulls, LoneValue, Run, Literal };

    void flush_run()
    {
        size_t at = m_out.size();
        m_out.resize(at + 10 + RleTraits<T>::room(m_last));
        uint8_t* end = RleTraits<T>::put(put_sleb(m_out.data() + at, static_cast<int64_t>(m_count)), m_last);
        m_out.resize(static_cast<size_t>(end - m_out.data()));
    }
    // The run's values are written in one pass into room made once.
    void flush_literal()
    {
        size_t room = 10;
        for (auto const& value : m_literal)
            room += RleTraits<T>::room(value);
        size_t at = m_out.size();
        m_out.resize(at + room);
        uint8_t* end = put_sleb(m_out.data() + at, -static_cast<int64_t>(m_literal.size()));
        for (auto const& value : m_literal)
            end = RleTraits<T>::put(end, value);
        m_out.resize(static_cast<size_t>(end - m_out.data()));
        m_literal.clear();
    }
    void flush_nulls()
    {
        write_sleb(m_out, 0);
        write_uleb(m_out, m_count);
    }

    State m_state { State::Empty };
    T m_last {};
    uint64_t m_count { 0 };
    std::vector<T> m_literal;
    std::vector<uint8_t> m_out;
};

class DeltaEncoder {
public:
    void append(int64_t value)
    {
        m_rle.append(static_cast<int64_t>(static_cast<uint64_t>(value) - static_cast<uint64_t>(m_absolute)));
        m_absolute = value;
    }
    void append_null() { m_rle.append_null(); }
    void append(std::optional<int64_t> value)
    {
        if (value)
            append(*value);
        else
            append_null();
    }
    std::span<const uint8_t> finish() { return m_rle.finish(); }
    void clear()
    {
        m_rle.clear();
        m_absolute = 0;
    }

private:
    RleEncoder<int64_t> m_rle;
    int64_t m_absolute { 0 };
};

class BooleanEncoder {
public:
    void append(bool value)
    {
        if (value == m_last) {
            ++m_count;
        } else {
            write_uleb(m_out, m_count);
            m_last = value;
            m_count = 1;
        }
    }
    std::span<const uint8_t> finish()
    {
        if (m_count > 0)
            write_uleb(m_out, m_count);
        m_count = 0;
        m_last = false;
        return m_out;
    }
    void clear()
    {
        m_count = 0;
        m_last = false;
        m_out.clear();
    }

private:
    bool m_last { false };
    uint64_t m_count { 0 };
    std::vector<uint8_t> m_out;
};

// Type codes of the value metadata column.
enum class ValueType : uint8_t {
    Null = 0,
    False = 1,
    True = 2,
    Uleb = 3,
    Sleb = 4,
    Float = 5,
    String = 6,
    Bytes = 7,
    Counter = 8,
    Timestamp = 9,
};

class ValueEncoder {
public:
    void append(ScalarValue const& value);
    // The raw bytes of a value with an explicit type code (change "extra" bytes use Bytes).
    void append_raw(uint8_t type_code, std::span<const uint8_t> bytes);
    std::span<const uint8_t> finish_meta() { return m_meta.finish(); }
    std::span<const uint8_t> finish_raw() { return m_raw; }
    void clear()
    {
        m_meta.clear();
        m_raw.clear();
    }

private:
    RleEncoder<uint64_t> m_meta;
    std::vector<uint8_t> m_raw;
};

}
