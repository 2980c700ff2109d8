#include "src/sync/SecretBytes.h"

#include <sodium.h>

namespace vexa::sync {

void wipe_bytes(std::span<uint8_t> bytes)
{
    if (!bytes.empty())
        sodium_memzero(bytes.data(), bytes.size());
}

void wipe_string(std::string& text)
{
    wipe_bytes(std::span(reinterpret_cast<uint8_t*>(text.data()), text.size()));
    text.clear();
}

SecretBytes::SecretBytes(std::size_t size)
    : m_bytes(size, 0)
{
}

SecretBytes::SecretBytes(std::span<uint8_t const> bytes)
    : m_bytes(bytes.begin(), bytes.end())
{
}

SecretBytes::SecretBytes(std::vector<uint8_t>&& bytes)
    : m_bytes(std::move(bytes))
{
    bytes.clear();
}

SecretBytes::SecretBytes(SecretBytes const& other)
    : m_bytes(other.m_bytes)
{
}

SecretBytes::SecretBytes(SecretBytes&& other) noexcept
    : m_bytes(std::move(other.m_bytes))
{
    other.m_bytes.clear();
}

SecretBytes& SecretBytes::operator=(SecretBytes const& other)
{
    if (this != &other) {
        wipe();
        m_bytes = other.m_bytes;
    }
    return *this;
}

SecretBytes& SecretBytes::operator=(SecretBytes&& other) noexcept
{
    if (this != &other) {
        wipe();
        m_bytes = std::move(other.m_bytes);
        other.m_bytes.clear();
    }
    return *this;
}

SecretBytes::~SecretBytes()
{
    wipe();
}

void SecretBytes::wipe()
{
    wipe_bytes(m_bytes);
    m_bytes.clear();
}

}
