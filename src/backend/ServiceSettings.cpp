#include "src/backend/ServiceSettings.h"

#include <cstdlib>

#include "src/model/Text.h"

namespace vexa {

ServiceSettings ServiceSettings::standard()
{
    ServiceSettings settings;
    settings.youtube_origin = "https://www.youtube.com";
    settings.thumbnail_origin = "https://i.ytimg.com";
    settings.sponsorblock_origin = "https://sponsor.ajay.app";
    settings.dearrow_thumbnail_origin = "https://dearrow-thumb.ajay.app";
    settings.dislike_origin = "https://returnyoutubedislikeapi.com";
    settings.invidious_instances = {
        "https://yewtu.be",
        "https://inv.nadeko.net",
        "https://invidious.nerdvpn.de",
        "https://invidious.jing.rocks",
        "https://inv.tux.pizza",
        "https://invidious.privacyredirect.com",
    };
    return settings;
}

ServiceSettings ServiceSettings::loopback(std::string const& origin)
{
    ServiceSettings settings;
    settings.youtube_origin = origin + "/youtube";
    settings.thumbnail_origin = origin + "/thumbs";
    settings.sponsorblock_origin = origin + "/sponsorblock";
    settings.dearrow_thumbnail_origin = origin + "/dearrow-thumb";
    settings.dislike_origin = origin + "/ryd";
    settings.invidious_instances = { origin + "/invidious" };
    settings.service_timeout = std::chrono::milliseconds(2'000);
    settings.connect_timeout = std::chrono::milliseconds(1'000);
    settings.innertube_timeout = std::chrono::milliseconds(1'000);
    settings.innertube_retry_wait = std::chrono::milliseconds(10);
    settings.invidious_request_timeout = std::chrono::milliseconds(1'000);
    settings.invidious_budget = std::chrono::milliseconds(2'000);
    settings.ytdlp_version_timeout = std::chrono::milliseconds(2'000);
    settings.ytdlp_search_timeout = std::chrono::milliseconds(2'000);
    settings.ytdlp_channel_timeout = std::chrono::milliseconds(2'000);
    settings.ytdlp_playlist_timeout = std::chrono::milliseconds(2'000);
    settings.ytdlp_video_timeout = std::chrono::milliseconds(2'000);
    return settings;
}

namespace {

std::string_view trim_blanks(std::string_view text)
{
    auto is_blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; };
    while (!text.empty() && is_blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && is_blank(text.back()))
        text.remove_suffix(1);
    return text;
}

}

std::vector<std::string> invidious_instances(ServiceSettings const& settings, std::optional<std::string_view> variable)
{
    std::vector<std::string> instances;
    if (variable) {
        std::string decoded = text::make_valid_utf8(*variable);
        std::string_view rest = decoded;
        while (true) {
            auto comma = rest.find(',');
            auto piece = trim_blanks(rest.substr(0, comma));
            if (!piece.empty())
                instances.emplace_back(piece);
            if (comma == std::string_view::npos)
                break;
            rest.remove_prefix(comma + 1);
        }
    }
    instances.insert(instances.end(), settings.invidious_instances.begin(), settings.invidious_instances.end());
    return instances;
}

std::vector<std::string> invidious_instances(ServiceSettings const& settings)
{
    char const* value = std::getenv(std::string(invidious_environment_variable).c_str());
    if (!value)
        return invidious_instances(settings, std::nullopt);
    return invidious_instances(settings, std::string_view(value));
}

}
