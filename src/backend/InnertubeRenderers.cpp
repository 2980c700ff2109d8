#include "src/backend/InnertubeRenderers.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "src/backend/InnertubeText.h"
#include "src/backend/YtDlpJson.h"

namespace vexa::innertube {

namespace {

constexpr char const* unknown_creator = "Unknown";

// The creator named by a byline: the first run's text and its browse endpoint.
struct Byline {
    std::string id;
    std::string name;
};

Byline byline_of(JsonValue renderer)
{
    for (auto const* key : { "shortBylineText", "ownerText", "longBylineText" }) {
        auto run = at(renderer, { key, "runs", 0 });
        if (!run.is_object())
            continue;
        Byline byline;
        byline.name = text_of(at(run, { "text" }));
        if (auto id = at(run, { "navigationEndpoint", "browseEndpoint", "browseId" }); id.is_string())
            byline.id = std::string(id.string());
        if (!byline.name.empty() || !byline.id.empty())
            return byline;
    }
    return {};
}

std::string string_member(JsonValue object, char const* key)
{
    auto value = at(object, { key });
    return value.is_string() ? std::string(value.string()) : std::string {};
}

bool has_live_badge(JsonValue renderer)
{
    for (auto badge : array(at(renderer, { "badges" }))) {
        if (at(badge, { "metadataBadgeRenderer", "style" }) == "BADGE_STYLE_TYPE_LIVE_NOW")
            return true;
    }
    for (auto overlay : array(at(renderer, { "thumbnailOverlays" }))) {
        if (at(overlay, { "thumbnailOverlayTimeStatusRenderer", "style" }) == "LIVE")
            return true;
    }
    return false;
}

uint32_t length_of(JsonValue renderer)
{
    auto seconds = renderer["lengthSeconds"];
    if (seconds.is_string())
        return parse_length(seconds.string());
    if (auto count = seconds.unsigned_integer())
        return static_cast<uint32_t>(std::min<uint64_t>(*count, UINT32_MAX));
    if (auto length = text_of(at(renderer, { "lengthText" })); !length.empty())
        return parse_length(length);
    for (auto overlay : array(at(renderer, { "thumbnailOverlays" }))) {
        auto length = text_of(at(overlay, { "thumbnailOverlayTimeStatusRenderer", "text" }));
        if (!length.empty())
            return parse_length(length);
    }
    return 0;
}

void set_creator(Video& video, std::string id, std::string name)
{
    bool named = !id.empty() || !name.empty();
    video.channel_id = std::move(id);
    video.channel_seed = video.channel_id;
    video.channel_name = name.empty() ? std::string(unknown_creator) : std::move(name);
    if (!named)
        video.channel_avatar_url.clear();
}

Video video_with_id(std::string id, std::string_view thumbnail_origin)
{
    Video video;
    video.id = std::move(id);
    video.seed = video.id;
    video.thumbnail_url = ytdlp::hq_thumbnail_url(thumbnail_origin, video.id);
    video.category = "Search";
    return video;
}

// The badge texts over a lockup's thumbnail: a length, "LIVE" or "25 videos".
std::vector<std::string> lockup_badges(JsonValue lockup)
{
    std::vector<std::string> texts;
    for (auto const* image : { "thumbnailViewModel", "collectionThumbnailViewModel" }) {
        auto overlays = at(lockup, { "contentImage", image, "overlays" });
        if (std::string_view(image) == "collectionThumbnailViewModel")
            overlays = at(lockup, { "contentImage", image, "primaryThumbnail", "thumbnailViewModel", "overlays" });
        for (auto overlay : array(overlays)) {
            for (auto badge : array(at(overlay, { "thumbnailOverlayBadgeViewModel", "thumbnailBadges" })))
                texts.push_back(text_of(at(badge, { "thumbnailBadgeViewModel", "text" })));
            for (auto badge : array(at(overlay, { "thumbnailBottomOverlayViewModel", "badges" })))
                texts.push_back(text_of(at(badge, { "thumbnailBadgeViewModel", "text" })));
        }
    }
    return texts;
}

JsonValue lockup_rows(JsonValue lockup)
{
    return at(lockup, { "metadata", "lockupMetadataViewModel", "metadata", "contentMetadataViewModel", "metadataRows" });
}

Byline lockup_creator(JsonValue lockup)
{
    auto part = at(lockup_rows(lockup), { 0, "metadataParts", 0, "text" });
    Byline creator;
    creator.name = text_of(part);
    if (auto id = at(part, { "commandRuns", 0, "onTap", "innertubeCommand", "browseEndpoint", "browseId" }); id.is_string())
        creator.id = std::string(id.string());
    return creator;
}

bool verified_badge(JsonValue badges)
{
    for (auto badge : array(badges)) {
        auto style = at(badge, { "metadataBadgeRenderer", "style" });
        if (style == "BADGE_STYLE_TYPE_VERIFIED" || style == "BADGE_STYLE_TYPE_VERIFIED_ARTIST")
            return true;
    }
    return false;
}

void collect(JsonValue node, std::string_view thumbnail_origin, SearchItems& items);

// What a member of a container stands for, by its key.
enum class ItemKey {
    VideoRenderer,
    Lockup,
    ChannelRenderer,
    PlaylistRenderer,
    HoldsContents, // its items are under "contents"
    HoldsContent,  // its item is under "content"
    HoldsItems,    // its items are under "items"
};

std::optional<ItemKey> item_key(std::string_view key)
{
    if (key == "videoRenderer" || key == "compactVideoRenderer" || key == "gridVideoRenderer" || key == "playlistVideoRenderer")
        return ItemKey::VideoRenderer;
    if (key == "lockupViewModel")
        return ItemKey::Lockup;
    if (key == "channelRenderer")
        return ItemKey::ChannelRenderer;
    if (key == "playlistRenderer")
        return ItemKey::PlaylistRenderer;
    if (key == "itemSectionRenderer" || key == "richGridRenderer" || key == "sectionListRenderer" || key == "playlistVideoListRenderer")
        return ItemKey::HoldsContents;
    if (key == "richItemRenderer" || key == "richSectionRenderer" || key == "shelfRenderer")
        return ItemKey::HoldsContent;
    if (key == "expandedShelfContentsRenderer" || key == "verticalListRenderer" || key == "horizontalListRenderer" || key == "gridRenderer")
        return ItemKey::HoldsItems;
    return std::nullopt;
}

struct ItemMember {
    std::string_view key;
    JsonValue value;
    ItemKey kind;
};

void collect_member(ItemMember const& member, std::string_view thumbnail_origin, SearchItems& items)
{
    auto value = member.value;
    switch (member.kind) {
    case ItemKey::VideoRenderer:
        if (auto video = video_from_renderer(value, thumbnail_origin))
            items.videos.push_back(std::move(*video));
        break;
    case ItemKey::Lockup:
        if (auto type = value["contentType"]; type == "LOCKUP_CONTENT_TYPE_PLAYLIST" || type == "PLAYLIST") {
            if (auto playlist = playlist_from_lockup(value))
                items.playlists.push_back(std::move(*playlist));
        } else if (auto video = video_from_lockup(value, thumbnail_origin)) {
            items.videos.push_back(std::move(*video));
        }
        break;
    case ItemKey::ChannelRenderer:
        if (auto channel = channel_from_renderer(value))
            items.channels.push_back(std::move(*channel));
        break;
    case ItemKey::PlaylistRenderer:
        if (auto playlist = playlist_from_renderer(value))
            items.playlists.push_back(std::move(*playlist));
        break;
    case ItemKey::HoldsContents:
        collect(value["contents"], thumbnail_origin, items);
        break;
    case ItemKey::HoldsContent:
        collect(value["content"], thumbnail_origin, items);
        break;
    case ItemKey::HoldsItems:
        collect(value["items"], thumbnail_origin, items);
        break;
    }
}

// The known members of an object are read in the order of their keys, and of a repeated key
// only the last one counts: the order and the rule of the reader before this one, which kept
// members sorted. Almost every item object has one known member, which needs neither.
void collect_object(JsonValue node, std::string_view thumbnail_origin, SearchItems& items)
{
    std::optional<ItemMember> only;
    std::vector<ItemMember> several;
    for (auto [key, value] : node.members()) {
        auto kind = item_key(key);
        if (!kind)
            continue;
        ItemMember member { key, value, *kind };
        if (!only) {
            only = member;
            continue;
        }
        if (several.empty())
            several.push_back(*only);
        several.push_back(member);
    }
    if (several.empty()) {
        if (only)
            collect_member(*only, thumbnail_origin, items);
        return;
    }
    std::stable_sort(several.begin(), several.end(), [](ItemMember const& a, ItemMember const& b) { return a.key < b.key; });
    for (size_t index = 0; index < several.size(); ++index) {
        if (index + 1 < several.size() && several[index + 1].key == several[index].key)
            continue;
        collect_member(several[index], thumbnail_origin, items);
    }
}

void collect(JsonValue node, std::string_view thumbnail_origin, SearchItems& items)
{
    if (node.is_array()) {
        for (auto element : node.elements())
            collect(element, thumbnail_origin, items);
    } else if (node.is_object()) {
        collect_object(node, thumbnail_origin, items);
    }
}

}

std::optional<Video> video_from_renderer(JsonValue renderer, std::string_view thumbnail_origin)
{
    auto id = string_member(renderer, "videoId");
    if (id.empty())
        return std::nullopt;
    auto video = video_with_id(std::move(id), thumbnail_origin);
    video.title = text_of(at(renderer, { "title" }));
    auto creator = byline_of(renderer);
    auto avatar = best_thumbnail_url(at(renderer, { "channelThumbnailSupportedRenderers", "channelThumbnailWithLinkRenderer", "thumbnail" }));
    if (avatar.empty())
        avatar = best_thumbnail_url(at(renderer, { "channelThumbnail" }));
    video.channel_avatar_url = std::move(avatar);
    set_creator(video, std::move(creator.id), std::move(creator.name));
    video.views = parse_count(text_of(at(renderer, { "viewCountText" })));
    video.published = text_of(at(renderer, { "publishedTimeText" }));
    video.duration = length_of(renderer);
    video.description = text_of(at(renderer, { "detailedMetadataSnippets", 0, "snippetText" }));
    if (video.description.empty())
        video.description = text_of(at(renderer, { "descriptionSnippet" }));
    video.live = has_live_badge(renderer);
    if (video.live)
        video.duration = 0;
    return video;
}

std::optional<Video> video_from_lockup(JsonValue lockup, std::string_view thumbnail_origin)
{
    auto id = string_member(lockup, "contentId");
    if (id.empty())
        return std::nullopt;
    auto video = video_with_id(std::move(id), thumbnail_origin);
    auto metadata = at(lockup, { "metadata", "lockupMetadataViewModel" });
    video.title = text_of(at(metadata, { "title" }));
    video.channel_avatar_url = best_thumbnail_url(at(metadata, { "image", "decoratedAvatarViewModel", "avatar", "avatarViewModel", "image" }));
    auto creator = lockup_creator(lockup);
    set_creator(video, std::move(creator.id), std::move(creator.name));
    auto second_row = at(lockup_rows(lockup), { 1, "metadataParts" });
    video.views = parse_count(text_of(at(second_row, { 0, "text" })));
    video.published = text_of(at(second_row, { 1, "text" }));
    for (auto const& badge : lockup_badges(lockup)) {
        if (badge == "LIVE")
            video.live = true;
        else if (auto seconds = parse_length(badge); seconds > 0 && video.duration == 0)
            video.duration = seconds;
    }
    if (video.live)
        video.duration = 0;
    return video;
}

std::optional<Playlist> playlist_from_lockup(JsonValue lockup)
{
    auto id = string_member(lockup, "contentId");
    if (id.empty())
        return std::nullopt;
    Playlist playlist;
    playlist.id = std::move(id);
    playlist.seed = playlist.id;
    playlist.title = text_of(at(lockup, { "metadata", "lockupMetadataViewModel", "title" }));
    auto creator = lockup_creator(lockup);
    playlist.channel_id = std::move(creator.id);
    playlist.channel_name = creator.name.empty() ? std::string(unknown_creator) : std::move(creator.name);
    playlist.thumbnail_url = best_thumbnail_url(
        at(lockup, { "contentImage", "collectionThumbnailViewModel", "primaryThumbnail", "thumbnailViewModel", "image" }));
    for (auto const& badge : lockup_badges(lockup)) {
        if (badge.find("video") != std::string::npos) {
            playlist.video_count = parse_count(badge);
            break;
        }
    }
    return playlist;
}

std::optional<Playlist> playlist_from_renderer(JsonValue renderer)
{
    auto id = string_member(renderer, "playlistId");
    if (id.empty())
        return std::nullopt;
    Playlist playlist;
    playlist.id = std::move(id);
    playlist.seed = playlist.id;
    playlist.title = text_of(at(renderer, { "title" }));
    auto owner = byline_of(renderer);
    playlist.channel_id = std::move(owner.id);
    playlist.channel_name = owner.name.empty() ? std::string(unknown_creator) : std::move(owner.name);
    playlist.thumbnail_url = best_thumbnail_url(at(renderer, { "thumbnails", 0 }));
    if (playlist.thumbnail_url.empty())
        playlist.thumbnail_url = best_thumbnail_url(at(renderer, { "thumbnail" }));
    auto count = text_of(at(renderer, { "videoCount" }));
    if (count.empty())
        count = text_of(at(renderer, { "videoCountShortText" }));
    playlist.video_count = parse_count(count);
    return playlist;
}

std::optional<Channel> channel_from_renderer(JsonValue renderer)
{
    auto id = string_member(renderer, "channelId");
    if (id.empty())
        return std::nullopt;
    Channel channel;
    channel.id = std::move(id);
    channel.seed = channel.id;
    channel.name = text_of(at(renderer, { "title" }));
    channel.avatar_url = best_thumbnail_url(at(renderer, { "thumbnail" }));
    channel.description = text_of(at(renderer, { "descriptionSnippet" }));
    channel.verified = verified_badge(at(renderer, { "ownerBadges" }));
    // The current shape shows the handle where the subscriber count was, and moves the count
    // to where the video count was.
    auto subscribers = text_of(at(renderer, { "subscriberCountText" }));
    if (subscribers.starts_with('@')) {
        channel.handle = subscribers;
        channel.subscribers = parse_count(text_of(at(renderer, { "videoCountText" })));
    } else {
        channel.subscribers = parse_count(subscribers);
    }
    if (channel.handle.empty()) {
        auto base = at(renderer, { "navigationEndpoint", "browseEndpoint", "canonicalBaseUrl" });
        if (base.string().starts_with("/@"))
            channel.handle = std::string(base.string().substr(1));
    }
    if (channel.handle.empty())
        channel.handle = channel.id;
    return channel;
}

SearchItems collect_items(JsonValue root, std::string_view thumbnail_origin)
{
    SearchItems items;
    collect(root, thumbnail_origin, items);
    return items;
}

}
