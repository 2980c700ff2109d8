#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace automerge {

// The SHA-256 of a change chunk (type byte, LEB128 length, body). A document's heads are the
// hashes of the changes nothing depends on, sorted by their bytes.
struct ChangeHash {
    std::array<uint8_t, 32> bytes {};

    static std::optional<ChangeHash> from_hex(std::string_view hex);
    std::string to_hex() const;

    bool operator==(ChangeHash const&) const = default;
    std::strong_ordering operator<=>(ChangeHash const&) const = default;
};

struct ChangeHashHasher {
    size_t operator()(ChangeHash const& hash) const
    {
        size_t value = 0;
        for (size_t i = 0; i < sizeof(size_t); ++i)
            value = value << 8 | hash.bytes[i];
        return value;
    }
};

}
