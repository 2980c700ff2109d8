#include "automerge/storage/Reader.h"

#include <cstring>

namespace automerge::storage {

static Unexpected truncated(std::string_view what)
{
    return make_error(ErrorCode::Corrupt, std::string(what) + ": unexpected end of data");
}

ErrorOr<uint64_t> Reader::uleb(std::string_view what)
{
    uint64_t result = 0;
    for (unsigned shift = 0;; shift += 7) {
        if (m_offset >= m_bytes.size())
            return truncated(what);
        uint8_t byte = m_bytes[m_offset++];
        if (shift == 63 && (byte & 0x7e))
            return make_error(ErrorCode::Corrupt, std::string(what) + ": LEB128 number overflows 64 bits");
        result |= static_cast<uint64_t>(byte & 0x7f) << shift;
        if (!(byte & 0x80))
            return result;
        if (shift == 63)
            return make_error(ErrorCode::Corrupt, std::string(what) + ": LEB128 number overflows 64 bits");
    }
}

ErrorOr<int64_t> Reader::sleb(std::string_view what)
{
    uint64_t result = 0;
    unsigned shift = 0;
    uint8_t byte = 0;
    do {
        if (m_offset >= m_bytes.size())
            return truncated(what);
        byte = m_bytes[m_offset++];
        if (shift == 63) {
            // The tenth byte may only carry the sign: 0x00 for positive, 0x7f for negative.
            if (byte != 0x00 && byte != 0x7f)
                return make_error(ErrorCode::Corrupt, std::string(what) + ": LEB128 number overflows 64 bits");
        }
        result |= static_cast<uint64_t>(byte & 0x7f) << shift;
        shift += 7;
    } while ((byte & 0x80) && shift < 70);
    if (byte & 0x80)
        return make_error(ErrorCode::Corrupt, std::string(what) + ": LEB128 number overflows 64 bits");
    if (shift < 64 && (byte & 0x40))
        result |= ~uint64_t(0) << shift;
    return static_cast<int64_t>(result);
}

ErrorOr<uint64_t> Reader::count(std::string_view what, uint64_t limit)
{
    auto value = TRY(uleb(what));
    if (value > limit)
        return make_error(ErrorCode::TooLarge, std::string(what) + ": count " + std::to_string(value) + " exceeds the bytes or limit of " + std::to_string(limit));
    return value;
}

ErrorOr<uint8_t> Reader::byte(std::string_view what)
{
    if (m_offset >= m_bytes.size())
        return truncated(what);
    return m_bytes[m_offset++];
}

ErrorOr<std::span<const uint8_t>> Reader::take(size_t length, std::string_view what)
{
    if (length > remaining())
        return make_error(ErrorCode::Corrupt, std::string(what) + ": length " + std::to_string(length) + " exceeds the " + std::to_string(remaining()) + " bytes left");
    auto slice = m_bytes.subspan(m_offset, length);
    m_offset += length;
    return slice;
}

ErrorOr<std::span<const uint8_t>> Reader::length_prefixed(std::string_view what)
{
    auto length = TRY(uleb(what));
    if (length > remaining())
        return make_error(ErrorCode::Corrupt, std::string(what) + ": length " + std::to_string(length) + " exceeds the " + std::to_string(remaining()) + " bytes left");
    return take(static_cast<size_t>(length), what);
}

ErrorOr<std::string> Reader::utf8(std::string_view what)
{
    return std::string(TRY(utf8_view(what)));
}

ErrorOr<std::string_view> Reader::utf8_view(std::string_view what)
{
    auto bytes = TRY(length_prefixed(what));
    if (!is_valid_utf8(bytes))
        return make_error(ErrorCode::Corrupt, std::string(what) + ": invalid UTF-8");
    return std::string_view(reinterpret_cast<char const*>(bytes.data()), bytes.size());
}

bool is_valid_utf8(std::span<const uint8_t> bytes)
{
    size_t i = 0;
    while (i < bytes.size()) {
        // Eight ASCII bytes at a time.
        if (i + 8 <= bytes.size()) {
            uint64_t word;
            std::memcpy(&word, bytes.data() + i, 8);
            if ((word & 0x8080808080808080ull) == 0) {
                i += 8;
                continue;
            }
        }
        uint8_t c = bytes[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t length;
        uint32_t code;
        if ((c & 0xe0) == 0xc0) {
            length = 2;
            code = c & 0x1f;
        } else if ((c & 0xf0) == 0xe0) {
            length = 3;
            code = c & 0x0f;
        } else if ((c & 0xf8) == 0xf0) {
            length = 4;
            code = c & 0x07;
        } else {
            return false;
        }
        if (i + length > bytes.size())
            return false;
        for (size_t k = 1; k < length; ++k) {
            if ((bytes[i + k] & 0xc0) != 0x80)
                return false;
            code = code << 6 | (bytes[i + k] & 0x3f);
        }
        if ((length == 2 && code < 0x80) || (length == 3 && code < 0x800) || (length == 4 && code < 0x10000))
            return false;
        if (code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff))
            return false;
        i += length;
    }
    return true;
}

}
