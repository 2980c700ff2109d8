#include "src/app/DeepLinks.h"

namespace vexa {

namespace {

std::optional<std::string> after_prefix(std::string_view link, std::string_view prefix)
{
    if (!link.starts_with(prefix))
        return std::nullopt;
    return std::string(link.substr(prefix.size()));
}

}

std::optional<std::string> deep_link_watch_id(std::string_view link) { return after_prefix(link, "vexa://watch/"); }

std::optional<std::string> deep_link_channel_id(std::string_view link) { return after_prefix(link, "vexa://channel/"); }

void toggle_result_type(ResultTypes& types, uint8_t type)
{
    if (types.all) {
        types = ResultTypes { .videos = false, .playlists = false, .creators = false, .all = false };
        if (type == 0)
            types.videos = true;
        else if (type == 1)
            types.playlists = true;
        else if (type == 2)
            types.creators = true;
        return;
    }
    if (type == 0)
        types.videos = !types.videos;
    else if (type == 1)
        types.playlists = !types.playlists;
    else
        types.creators = !types.creators;
    if (!types.videos && !types.playlists && !types.creators)
        types = ResultTypes { .videos = true, .playlists = true, .creators = true, .all = true };
}

}
