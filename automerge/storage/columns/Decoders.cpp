#include "automerge/storage/columns/Decoders.h"

#include "automerge/storage/columns/Encoders.h"

#include <bit>

namespace automerge::storage {

uint64_t count_values(std::span<const uint8_t> column, uint64_t limit)
{
    RleDecoder<uint64_t> counting(column, "counting");
    uint64_t count = 0;
    std::optional<uint64_t> ignored;
    while (count < limit) {
        auto more = counting.next(ignored);
        if (!more || !*more)
            break;
        ++count;
    }
    return count;
}

ErrorOr<bool> ValueDecoder::next(ScalarValue& out)
{
    std::optional<uint64_t> meta;
    if (!TRY(m_meta.next(meta)))
        return false;
    if (!meta)
        return make_error(ErrorCode::Corrupt, std::string(m_what) + ": null in non-nullable column");
    uint64_t length = *meta >> 4;
    auto type = static_cast<uint8_t>(*meta & 0xf);
    if (length > m_raw.remaining())
        return make_error(ErrorCode::Corrupt, std::string(m_what) + ": value length " + std::to_string(length) + " exceeds the raw column");
    auto bytes = TRY(m_raw.take(static_cast<size_t>(length), m_what));
    auto bad = [&](char const* why) { return make_error(ErrorCode::Corrupt, std::string(m_what) + ": " + why); };
    // Number values are one LEB128, unsigned or signed by their type, filling the whole value.
    enum class Signedness { Unsigned, Signed };
    auto read_number = [&](Signedness signedness) -> ErrorOr<std::pair<uint64_t, int64_t>> {
        Reader reader(bytes);
        std::pair<uint64_t, int64_t> result { 0, 0 };
        if (signedness == Signedness::Signed)
            result.second = TRY(reader.sleb(m_what));
        else
            result.first = TRY(reader.uleb(m_what));
        if (!reader.at_end())
            return make_error(ErrorCode::Corrupt, std::string(m_what) + ": number value longer than its LEB128");
        return result;
    };
    switch (static_cast<ValueType>(type)) {
    case ValueType::Null:
        if (length != 0)
            return bad("null value with a length");
        out = ScalarValue::null();
        return true;
    case ValueType::False:
    case ValueType::True:
        if (length != 0)
            return bad("boolean value with a length");
        out = ScalarValue::boolean(type == static_cast<uint8_t>(ValueType::True));
        return true;
    case ValueType::Uleb:
        out = ScalarValue::uinteger(TRY(read_number(Signedness::Unsigned)).first);
        return true;
    case ValueType::Sleb:
        out = ScalarValue::integer(TRY(read_number(Signedness::Signed)).second);
        return true;
    case ValueType::Counter:
        out = ScalarValue::counter(TRY(read_number(Signedness::Signed)).second);
        return true;
    case ValueType::Timestamp:
        out = ScalarValue::timestamp(TRY(read_number(Signedness::Signed)).second);
        return true;
    case ValueType::Float: {
        if (length != 8)
            return bad("float value not 8 bytes long");
        uint64_t bits = 0;
        for (int i = 0; i < 8; ++i)
            bits |= static_cast<uint64_t>(bytes[i]) << (8 * i);
        out = ScalarValue::f64(std::bit_cast<double>(bits));
        return true;
    }
    case ValueType::String:
        if (!is_valid_utf8(bytes))
            return bad("string value is not valid UTF-8");
        out = ScalarValue::str(std::string(bytes.begin(), bytes.end()));
        return true;
    case ValueType::Bytes:
        out = ScalarValue::bytes(ScalarValue::Bytes(bytes.begin(), bytes.end()));
        return true;
    default:
        out = ScalarValue::unknown(type, ScalarValue::Bytes(bytes.begin(), bytes.end()));
        return true;
    }
}

}
