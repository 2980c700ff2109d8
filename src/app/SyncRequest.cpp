#include "src/app/SyncRequest.h"

#include <array>

#include "src/model/VexaModel.h"

namespace vexa {

namespace {

constexpr std::array<std::string_view, 3> video_site_prefixes {
    "https://youtube.com/",
    "https://www.youtube.com/",
    "https://m.youtube.com/",
};

constexpr std::size_t max_address_rest = 232;

bool is_space(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && is_space(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && is_space(text.back()))
        text.remove_suffix(1);
    return text;
}

// U+0000 to U+001F and U+007F to U+009F; the C1 range arrives as the two bytes C2 80 to C2 9F.
bool holds_control_character(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x20 || byte == 0x7f)
            return true;
        if (byte == 0xc2 && i + 1 < text.size()) {
            auto next = static_cast<unsigned char>(text[i + 1]);
            if (next >= 0x80 && next <= 0x9f)
                return true;
        }
    }
    return false;
}

}

std::optional<std::string> canonical_video_url(std::string_view text)
{
    text = trimmed(text);
    for (auto prefix : video_site_prefixes) {
        if (!text.starts_with(prefix))
            continue;
        auto rest = text.substr(prefix.size());
        if (rest.empty() || rest.size() > max_address_rest || holds_control_character(rest))
            return std::nullopt;
        return std::string(creator_address_prefix) + std::string(rest);
    }
    return std::nullopt;
}

std::optional<std::string> subscription_address(VexaModel const& model, std::string_view channel_id)
{
    auto const* channel = model.channel(channel_id);
    if (!channel)
        return canonical_video_url(channel_id);
    std::string_view address = channel->handle;
    if (address.starts_with("http"))
        return canonical_video_url(address);
    while (address.starts_with('/'))
        address.remove_prefix(1);
    return std::string(creator_address_prefix) + std::string(address);
}

sync::SyncPayload build_sync_request(VexaModel const& model)
{
    sync::SyncPayload payload;
    for (auto const& channel_id : model.subscriptions) {
        if (auto address = subscription_address(model, channel_id))
            payload.subscriptions.push_back(std::move(*address));
    }
    payload.history = model.history;
    return payload;
}

}
