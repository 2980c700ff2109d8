#pragma once

#include "automerge/Error.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace automerge::storage {

// The parser kit: a cursor over borrowed bytes. Every read checks what is left first, so a
// declared length can never make a read (or an allocation sized by it) pass the end. Errors
// name the part being read: "change: truncated actor id".
class Reader {
public:
    explicit Reader(std::span<const uint8_t> bytes)
        : m_bytes(bytes)
    {
    }

    size_t remaining() const { return m_bytes.size() - m_offset; }
    size_t offset() const { return m_offset; }
    bool at_end() const { return m_offset == m_bytes.size(); }
    std::span<const uint8_t> rest() const { return m_bytes.subspan(m_offset); }

    // Canonical-or-not LEB128 of at most 10 bytes; a value past 64 bits is an error.
    ErrorOr<uint64_t> uleb(std::string_view what);
    ErrorOr<int64_t> sleb(std::string_view what);
    // A uLEB128 count that must not exceed `limit`.
    ErrorOr<uint64_t> count(std::string_view what, uint64_t limit);
    ErrorOr<uint8_t> byte(std::string_view what);
    ErrorOr<std::span<const uint8_t>> take(size_t length, std::string_view what);
    // A uLEB128 length followed by that many bytes.
    ErrorOr<std::span<const uint8_t>> length_prefixed(std::string_view what);
    ErrorOr<std::string> utf8(std::string_view what);
    // The same, borrowing the reader's bytes.
    ErrorOr<std::string_view> utf8_view(std::string_view what);

private:
    std::span<const uint8_t> m_bytes;
    size_t m_offset { 0 };
};

// Whether the bytes are well-formed UTF-8 (no overlongs, surrogates or values past U+10FFFF).
bool is_valid_utf8(std::span<const uint8_t> bytes);

}
