#include "src/actions/LibraryListing.h"

#include <ranges>

#include "src/model/VexaModel.h"

namespace vexa {

namespace {

using kaso::search::SearchResult;

constexpr std::size_t group_limit = 100;

// The icon codes of the groups, as the pages number them.
constexpr uint8_t video_icon = 74;
constexpr uint8_t creator_icon = 4;
constexpr uint8_t playlist_icon = 64;
constexpr uint8_t history_icon = 60;

std::string search_text(std::string_view title, std::string_view creator, std::string_view id)
{
    std::string text;
    text.reserve(title.size() + creator.size() + id.size() + 2);
    text.append(title).push_back('\0');
    text.append(creator).push_back('\0');
    text.append(id);
    return text;
}

void insert(kaso::search::SearchCatalog& catalog, std::string resource, std::string group, uint8_t icon, std::string title, std::string subtitle, std::string text)
{
    SearchResult result { std::move(title), std::move(subtitle), std::move(group), std::move(resource), "open", icon };
    auto key = result.action_address()->encode();
    // Every key is made from its own result, so no entry is refused.
    (void)catalog.upsert(std::move(key), std::move(text), std::move(result));
}

std::string const& shown_title(VexaModel const& model, Video const& video)
{
    bool replaced = model.settings.dearrow && model.settings.dearrow_titles && video.dearrow_title;
    return replaced ? *video.dearrow_title : video.title;
}

void insert_video(kaso::search::SearchCatalog& catalog, VexaModel const& model, Video const& video, std::string resource, std::string group, uint8_t icon)
{
    insert(catalog, std::move(resource), std::move(group), icon, shown_title(model, video), video.channel_name,
        search_text(video.title, video.channel_name, video.id));
}

}

kaso::search::SearchCatalogHandle build_library_listing(VexaModel const& model)
{
    auto catalog = std::make_shared<kaso::search::SearchCatalog>("Vexa");
    for (auto const& video : model.videos | std::views::take(group_limit))
        insert_video(*catalog, model, video, "vexa.video:" + video.id, "Videos", video_icon);
    for (auto const& channel : model.channels | std::views::take(group_limit))
        insert(*catalog, "vexa.channel:" + channel.id, "Creators", creator_icon, channel.name, channel.handle,
            search_text(channel.name, channel.handle, channel.id));
    for (auto const& playlist : model.playlists | std::views::take(group_limit))
        insert(*catalog, "vexa.playlist:" + playlist.id, "Playlists", playlist_icon, playlist.title, playlist.channel_name,
            search_text(playlist.title, playlist.channel_name, playlist.id));
    std::size_t listed = 0;
    for (auto const& id : model.history) {
        if (listed == group_limit)
            break;
        if (auto const* video = model.video(id)) {
            insert_video(*catalog, model, *video, "vexa.history:" + id, "Watch history", history_icon);
            ++listed;
        }
    }
    return catalog;
}

}
