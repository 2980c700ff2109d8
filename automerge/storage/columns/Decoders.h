#pragma once

#include "automerge/Error.h"
#include "automerge/ScalarValue.h"
#include "automerge/storage/Reader.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace automerge::storage {

// Column decoders, the inverse of Encoders.h. Each `next` returns false once the column is
// exhausted (an omitted column is exhausted at once), otherwise sets its output, with nothing for
// a null. Runs are never expanded into memory, so a tiny column declaring a run of 2^60 values
// costs nothing until the caller's row bound stops it.

template<typename T>
class RleDecoder {
public:
    using Value = T;

    RleDecoder(std::span<const uint8_t> bytes, std::string_view what)
        : m_reader(bytes)
        , m_what(what)
    {
    }

    ErrorOr<bool> next(std::optional<T>& out)
    {
        if (m_remaining == 0) {
            if (m_reader.at_end())
                return false;
            auto count = TRY(m_reader.sleb(m_what));
            if (count > 0) {
                m_kind = Kind::Run;
                m_remaining = static_cast<uint64_t>(count);
                m_value = TRY(read_value());
            } else if (count < 0) {
                m_kind = Kind::Literal;
                m_remaining = uint64_t(0) - static_cast<uint64_t>(count);
            } else {
                m_kind = Kind::Nulls;
                m_remaining = TRY(m_reader.uleb(m_what));
                if (m_remaining == 0)
                    return make_error(ErrorCode::Corrupt, std::string(m_what) + ": empty null run");
            }
        }
        --m_remaining;
        switch (m_kind) {
        case Kind::Run:
            out = m_value;
            break;
        case Kind::Literal:
            out = TRY(read_value());
            break;
        case Kind::Nulls:
            out.reset();
            break;
        }
        return true;
    }

private:
    enum class Kind : uint8_t { Run, Literal, Nulls };

    ErrorOr<T> read_value()
    {
        if constexpr (std::is_same_v<T, uint64_t>)
            return m_reader.uleb(m_what);
        else if constexpr (std::is_same_v<T, int64_t>)
            return m_reader.sleb(m_what);
        else if constexpr (std::is_same_v<T, std::string_view>)
            return m_reader.utf8_view(m_what);
        else
            return m_reader.utf8(m_what);
    }

    Reader m_reader;
    std::string_view m_what;
    Kind m_kind { Kind::Run };
    uint64_t m_remaining { 0 };
    T m_value {};
};

class DeltaDecoder {
public:
    DeltaDecoder(std::span<const uint8_t> bytes, std::string_view what)
        : m_rle(bytes, what)
    {
    }

    ErrorOr<bool> next(std::optional<int64_t>& out)
    {
        std::optional<int64_t> delta;
        if (!TRY(m_rle.next(delta)))
            return false;
        if (!delta) {
            out.reset();
            return true;
        }
        m_absolute = static_cast<int64_t>(static_cast<uint64_t>(m_absolute) + static_cast<uint64_t>(*delta));
        out = m_absolute;
        return true;
    }

private:
    RleDecoder<int64_t> m_rle;
    int64_t m_absolute { 0 };
};

class BooleanDecoder {
public:
    BooleanDecoder(std::span<const uint8_t> bytes, std::string_view what)
        : m_reader(bytes)
        , m_what(what)
    {
    }

    ErrorOr<bool> next(bool& out)
    {
        while (m_remaining == 0) {
            if (m_reader.at_end())
                return false;
            if (m_started)
                m_value = !m_value;
            m_started = true;
            m_remaining = TRY(m_reader.uleb(m_what));
            // A zero run is only canonical first (a column starting with true); allow it there.
        }
        --m_remaining;
        out = m_value;
        return true;
    }

private:
    Reader m_reader;
    std::string_view m_what;
    bool m_value { false };
    bool m_started { false };
    uint64_t m_remaining { 0 };
};

// How many values an RLE column of uLEB numbers holds, counting no further than `limit` (for
// reserving room: a malformed column just counts as shorter).
uint64_t count_values(std::span<const uint8_t> column, uint64_t limit);

// Reads the metadata column and takes each value's bytes from the raw column. Every value has
// metadata (a null value is type 0), so a null in the metadata column is refused.
class ValueDecoder {
public:
    ValueDecoder(std::span<const uint8_t> meta, std::span<const uint8_t> raw, std::string_view what)
        : m_meta(meta, what)
        , m_raw(raw)
        , m_what(what)
    {
    }

    ErrorOr<bool> next(ScalarValue& out);
    bool raw_exhausted() const { return m_raw.at_end(); }

private:
    RleDecoder<uint64_t> m_meta;
    Reader m_raw;
    std::string_view m_what;
};

}
