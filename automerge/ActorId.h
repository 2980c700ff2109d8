#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace automerge {

// The author of a run of changes: opaque bytes, 16 random ones unless given. Actors compare by
// their bytes, which is the order the format sorts them in.
class ActorId {
public:
    ActorId() = default;
    explicit ActorId(std::vector<uint8_t> bytes)
        : m_bytes(std::move(bytes))
    {
    }

    // 16 bytes from libsodium's random generator.
    static ActorId random();
    // Lower-case or upper-case hexadecimal of an even length; nothing for anything else.
    static std::optional<ActorId> from_hex(std::string_view hex);

    std::span<const uint8_t> bytes() const { return m_bytes; }
    std::string to_hex() const;

    bool operator==(ActorId const&) const = default;
    std::strong_ordering operator<=>(ActorId const& other) const { return m_bytes <=> other.m_bytes; }

private:
    std::vector<uint8_t> m_bytes;
};

}
