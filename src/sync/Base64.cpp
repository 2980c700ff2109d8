#include "src/sync/Base64.h"

#include <sodium.h>

#include "src/sync/noise/Primitives.h"

namespace vexa::sync {

std::string_view trim_white_space(std::string_view text)
{
    auto is_space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; };
    while (!text.empty() && is_space(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && is_space(text.back()))
        text.remove_suffix(1);
    return text;
}

SyncErrorOr<std::vector<uint8_t>> decode_base64_any(std::string_view text)
{
    (void)noise::ensure_sodium();
    text = trim_white_space(text);
    static int const variants[] = {
        sodium_base64_VARIANT_ORIGINAL,
        sodium_base64_VARIANT_ORIGINAL_NO_PADDING,
        sodium_base64_VARIANT_URLSAFE,
        sodium_base64_VARIANT_URLSAFE_NO_PADDING,
    };
    std::vector<uint8_t> out(text.size() / 4 * 3 + 3);
    for (int variant : variants) {
        std::size_t length = 0;
        // With no end pointer libsodium fails unless the whole text decodes.
        if (sodium_base642bin(out.data(), out.size(), text.data(), text.size(), nullptr, &length, nullptr, variant) == 0) {
            out.resize(length);
            return out;
        }
    }
    return sync_error(DeviceSyncError::pairing("invalid base64 value"));
}

std::string encode_base64_standard(std::span<uint8_t const> bytes)
{
    (void)noise::ensure_sodium();
    std::string out(sodium_base64_encoded_len(bytes.size(), sodium_base64_VARIANT_ORIGINAL), '\0');
    sodium_bin2base64(out.data(), out.size(), bytes.data(), bytes.size(), sodium_base64_VARIANT_ORIGINAL);
    out.resize(out.size() - 1); // the terminating zero
    return out;
}

}
