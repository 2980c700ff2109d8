#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vexa::sync {

// A byte buffer for key material: its contents are overwritten with zeros before its memory is
// released, whether it is destroyed, assigned over or moved from.
class SecretBytes {
public:
    SecretBytes() = default;
    explicit SecretBytes(std::size_t size);
    explicit SecretBytes(std::span<uint8_t const> bytes);
    // Takes over the vector's buffer without copying it.
    explicit SecretBytes(std::vector<uint8_t>&& bytes);
    SecretBytes(SecretBytes const& other);
    SecretBytes(SecretBytes&& other) noexcept;
    SecretBytes& operator=(SecretBytes const& other);
    SecretBytes& operator=(SecretBytes&& other) noexcept;
    ~SecretBytes();

    uint8_t* data() { return m_bytes.data(); }
    uint8_t const* data() const { return m_bytes.data(); }
    std::size_t size() const { return m_bytes.size(); }
    bool empty() const { return m_bytes.empty(); }
    std::span<uint8_t> span() { return m_bytes; }
    std::span<uint8_t const> span() const { return m_bytes; }

    // Zeroes the bytes and empties the buffer.
    void wipe();

private:
    std::vector<uint8_t> m_bytes;
};

// Overwrites a buffer with zeros in a way the compiler may not elide.
void wipe_bytes(std::span<uint8_t> bytes);
// Zeroes a text that held a secret, such as a pairing code, and empties it.
void wipe_string(std::string& text);

}
