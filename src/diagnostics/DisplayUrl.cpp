#include "src/diagnostics/DisplayUrl.h"

namespace vexa {

std::string display_url(std::string_view address)
{
    constexpr std::size_t limit = 72;
    if (address.empty())
        return "<none>";
    auto cut = address.substr(0, address.find('?'));
    if (cut.size() <= limit)
        return std::string(cut);
    bool continuation = (static_cast<unsigned char>(cut[limit]) & 0xC0) == 0x80;
    return std::string(continuation ? cut : cut.substr(0, limit)) + "…";
}

std::string_view image_format_name(std::span<uint8_t const> bytes)
{
    auto starts = [&](std::string_view magic, std::size_t at = 0) {
        if (bytes.size() < at + magic.size())
            return false;
        for (std::size_t i = 0; i < magic.size(); ++i)
            if (bytes[at + i] != static_cast<uint8_t>(magic[i]))
                return false;
        return true;
    };
    if (starts("\xFF\xD8\xFF"))
        return "JPEG";
    if (starts("\x89PNG"))
        return "PNG";
    if (bytes.size() >= 12 && starts("RIFF") && starts("WEBP", 8))
        return "WEBP";
    if (starts("GIF8"))
        return "GIF";
    return "OTHER";
}

}
