#include "src/backend/InnertubeBrowse.h"

#include "src/backend/InnertubeRenderers.h"
#include "src/backend/InnertubeText.h"

namespace vexa::innertube {

namespace {

std::string string_at(JsonValue value) { return std::string(value.string()); }

std::string alert_text(JsonValue answer)
{
    for (auto alert : array(at(answer, { "alerts" }))) {
        for (auto const* kind : { "alertRenderer", "alertWithButtonRenderer" }) {
            auto message = text_of(at(alert, { kind, "text" }));
            if (!message.empty())
                return message;
        }
    }
    return {};
}

JsonValue browse_tabs(JsonValue answer)
{
    return at(answer, { "contents", "twoColumnBrowseResultsRenderer", "tabs" });
}

// The uploads tab: the selected one, else the one whose address ends in "/videos".
JsonValue uploads_tab(JsonValue answer)
{
    auto tabs = browse_tabs(answer);
    for (auto tab : array(tabs)) {
        if (at(tab, { "tabRenderer", "selected" }).is_true())
            return at(tab, { "tabRenderer" });
    }
    for (auto tab : array(tabs)) {
        auto url = at(tab, { "tabRenderer", "endpoint", "commandMetadata", "webCommandMetadata", "url" }).string();
        if (url.ends_with("/videos"))
            return at(tab, { "tabRenderer" });
    }
    return at(tabs, { 0, "tabRenderer" });
}

std::string handle_from_url(std::string_view url)
{
    auto at_sign = url.rfind("/@");
    if (at_sign == std::string_view::npos)
        return {};
    return std::string(url.substr(at_sign + 1));
}

void read_page_header(JsonValue header, Channel& channel)
{
    if (auto title = text_of(at(header, { "title", "dynamicTextViewModel", "text" })); !title.empty() && channel.name.empty())
        channel.name = title;
    for (auto run : array(at(header, { "title", "dynamicTextViewModel", "text", "attachmentRuns" }))) {
        for (auto source : array(at(run, { "element", "type", "imageType", "image", "sources" }))) {
            if (at(source, { "clientResource", "imageName" }) == "CHECK_CIRCLE_FILLED")
                channel.verified = true;
        }
    }
    if (channel.avatar_url.empty())
        channel.avatar_url = best_thumbnail_url(at(header, { "image", "decoratedAvatarViewModel", "avatar", "avatarViewModel", "image" }));
    for (auto row : array(at(header, { "metadata", "contentMetadataViewModel", "metadataRows" }))) {
        for (auto part : array(at(row, { "metadataParts" }))) {
            auto content = text_of(at(part, { "text" }));
            if (content.starts_with('@') && channel.handle.empty())
                channel.handle = content;
            else if (content.find("subscriber") != std::string::npos)
                channel.subscribers = parse_count(content);
        }
    }
}

void read_legacy_header(JsonValue header, Channel& channel)
{
    if (channel.name.empty())
        channel.name = text_of(at(header, { "title" }));
    if (channel.avatar_url.empty())
        channel.avatar_url = best_thumbnail_url(at(header, { "avatar" }));
    if (verified_badge(at(header, { "badges" })))
        channel.verified = true;
    if (auto subscribers = text_of(at(header, { "subscriberCountText" })); !subscribers.empty())
        channel.subscribers = parse_count(subscribers);
    if (auto handle = text_of(at(header, { "channelHandleText" })); handle.starts_with('@') && channel.handle.empty())
        channel.handle = handle;
}

}

SearchItems search_answer(JsonValue answer, std::string_view thumbnail_origin)
{
    return collect_items(at(answer, { "contents", "twoColumnSearchResultsRenderer", "primaryContents", "sectionListRenderer", "contents" }), thumbnail_origin);
}

std::vector<Video> trending_answer(JsonValue answer, std::string_view thumbnail_origin)
{
    auto section = at(browse_tabs(answer), { 0, "tabRenderer", "content", "sectionListRenderer" });
    return collect_items(at(section, { "contents" }), thumbnail_origin).videos;
}

BackendResult<std::pair<Channel, std::vector<Video>>> channel_answer(JsonValue answer, std::string_view requested_id, std::string_view thumbnail_origin)
{
    if (!at(answer, { "contents" }).is_object()) {
        auto alert = alert_text(answer);
        return backend_error(alert.empty() ? std::string("channel not found") : alert);
    }
    Channel channel;
    auto metadata = at(answer, { "metadata", "channelMetadataRenderer" });
    channel.id = string_at(at(metadata, { "externalId" }));
    if (channel.id.empty())
        channel.id = std::string(requested_id);
    channel.seed = channel.id;
    channel.name = text_of(at(metadata, { "title" }));
    channel.description = text_of(at(metadata, { "description" }));
    channel.avatar_url = best_thumbnail_url(at(metadata, { "avatar" }));
    channel.handle = handle_from_url(at(metadata, { "vanityChannelUrl" }).string());

    if (auto header = at(answer, { "header", "pageHeaderRenderer", "content", "pageHeaderViewModel" }); header.is_object())
        read_page_header(header, channel);
    else if (auto legacy = at(answer, { "header", "c4TabbedHeaderRenderer" }); legacy.is_object())
        read_legacy_header(legacy, channel);
    if (channel.handle.empty())
        channel.handle = channel.id;

    auto uploads = collect_items(at(uploads_tab(answer), { "content" }), thumbnail_origin).videos;
    for (auto& video : uploads) {
        // The items of a channel page name no creator: they are the channel's own.
        if (video.channel_id.empty()) {
            video.channel_id = channel.id;
            video.channel_seed = channel.id;
            video.channel_name = channel.name.empty() ? std::string("Unknown") : channel.name;
        }
    }
    return std::pair { std::move(channel), std::move(uploads) };
}

BackendResult<std::pair<Playlist, std::vector<Video>>> playlist_answer(JsonValue answer, std::string_view requested_id, std::string_view thumbnail_origin)
{
    if (auto alert = alert_text(answer); !alert.empty() && !at(answer, { "contents" }).is_object())
        return backend_error(alert);
    if (!at(answer, { "contents" }).is_object())
        return backend_error("playlist not found");

    auto list = at(browse_tabs(answer), { 0, "tabRenderer", "content", "sectionListRenderer", "contents", 0, "itemSectionRenderer", "contents", 0,
        "playlistVideoListRenderer", "contents" });
    auto videos = collect_items(list, thumbnail_origin).videos;

    Playlist playlist;
    playlist.id = std::string(requested_id);
    playlist.seed = playlist.id;
    auto header = at(answer, { "header", "playlistHeaderRenderer" });
    auto page_header = at(answer, { "header", "pageHeaderRenderer" });
    playlist.title = text_of(at(header, { "title" }));
    if (playlist.title.empty())
        playlist.title = text_of(at(page_header, { "pageTitle" }));
    if (playlist.title.empty())
        playlist.title = text_of(at(page_header, { "content", "pageHeaderViewModel", "title", "dynamicTextViewModel", "text" }));
    if (playlist.title.empty())
        playlist.title = text_of(at(answer, { "metadata", "playlistMetadataRenderer", "title" }));
    auto owner = at(header, { "ownerText", "runs", 0 });
    playlist.channel_name = text_of(at(owner, { "text" }));
    playlist.channel_id = string_at(at(owner, { "navigationEndpoint", "browseEndpoint", "browseId" }));
    if (playlist.channel_name.empty())
        playlist.channel_name = "Unknown";

    auto primary = at(answer, { "sidebar", "playlistSidebarRenderer", "items", 0, "playlistSidebarPrimaryInfoRenderer" });
    playlist.thumbnail_url = best_thumbnail_url(at(primary, { "thumbnailRenderer", "playlistVideoThumbnailRenderer", "thumbnail" }));
    if (playlist.thumbnail_url.empty())
        playlist.thumbnail_url = best_thumbnail_url(at(answer, { "microformat", "microformatDataRenderer", "thumbnail" }));

    auto count = text_of(at(primary, { "stats", 0 }));
    if (count.empty())
        count = text_of(at(header, { "numVideosText" }));
    playlist.video_count = count.empty() ? videos.size() : parse_count(count);
    for (auto const& video : videos)
        playlist.video_ids.push_back(video.id);
    return std::pair { std::move(playlist), std::move(videos) };
}

}
