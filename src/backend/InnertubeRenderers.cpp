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

// The first of the byline texts whose first run names a creator.
Byline byline_of(std::initializer_list<JsonValue> bylines)
{
    for (auto byline_text : bylines) {
        auto run = at(byline_text, { "runs", 0 });
        if (!run.is_object())
            continue;
        JsonValue text, endpoint;
        read_members(run, { { "text", &text }, { "navigationEndpoint", &endpoint } });
        Byline byline;
        byline.name = text_of(text);
        byline.id = std::string(at(endpoint, { "browseEndpoint", "browseId" }).string());
        if (!byline.name.empty() || !byline.id.empty())
            return byline;
    }
    return {};
}

bool has_live_badge(JsonValue badges, JsonValue overlays)
{
    for (auto badge : array(badges)) {
        if (at(badge, { "metadataBadgeRenderer", "style" }) == "BADGE_STYLE_TYPE_LIVE_NOW")
            return true;
    }
    for (auto overlay : array(overlays)) {
        if (at(overlay, { "thumbnailOverlayTimeStatusRenderer", "style" }) == "LIVE")
            return true;
    }
    return false;
}

uint32_t length_of(JsonValue seconds, JsonValue length_text, JsonValue overlays)
{
    if (seconds.is_string())
        return parse_length(seconds.string());
    if (auto count = seconds.unsigned_integer())
        return static_cast<uint32_t>(std::min<uint64_t>(*count, UINT32_MAX));
    if (auto length = text_of(length_text); !length.empty())
        return parse_length(length);
    for (auto overlay : array(overlays)) {
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

void start_video(Video& video, std::string_view id, std::string_view thumbnail_origin)
{
    video.id = std::string(id);
    video.seed = video.id;
    video.thumbnail_url = ytdlp::hq_thumbnail_url(thumbnail_origin, video.id);
    video.category = "Search";
}

// Calls `visit` with each badge text over a lockup's thumbnail (a length, "LIVE" or "25
// videos") until it returns false.
template<typename Visit>
void visit_lockup_badges(JsonValue content_image, Visit&& visit)
{
    JsonValue thumbnail, collection;
    read_members(content_image, { { "thumbnailViewModel", &thumbnail }, { "collectionThumbnailViewModel", &collection } });
    for (auto overlays : { thumbnail["overlays"], at(collection, { "primaryThumbnail", "thumbnailViewModel", "overlays" }) }) {
        for (auto overlay : array(overlays)) {
            JsonValue badge_view, bottom_view;
            read_members(overlay, { { "thumbnailOverlayBadgeViewModel", &badge_view }, { "thumbnailBottomOverlayViewModel", &bottom_view } });
            for (auto badges : { badge_view["thumbnailBadges"], bottom_view["badges"] }) {
                for (auto badge : array(badges)) {
                    if (!visit(text_of(at(badge, { "thumbnailBadgeViewModel", "text" }))))
                        return;
                }
            }
        }
    }
}

// The members of a lockup that its readers use.
struct LockupMembers {
    JsonValue content_id;
    JsonValue content_image;
    JsonValue title;
    JsonValue image;
    JsonValue rows;

    explicit LockupMembers(JsonValue lockup)
    {
        JsonValue metadata;
        read_members(lockup, { { "contentId", &content_id }, { "contentImage", &content_image }, { "metadata", &metadata } });
        JsonValue inner_metadata;
        read_members(metadata["lockupMetadataViewModel"], { { "title", &title }, { "image", &image }, { "metadata", &inner_metadata } });
        rows = at(inner_metadata, { "contentMetadataViewModel", "metadataRows" });
    }
};

Byline lockup_creator(JsonValue rows)
{
    auto part = at(rows, { 0, "metadataParts", 0, "text" });
    Byline creator;
    creator.name = text_of(part);
    creator.id = std::string(at(part, { "commandRuns", 0, "onTap", "innertubeCommand", "browseEndpoint", "browseId" }).string());
    return creator;
}

// Fills a fresh `video` from a video renderer; false when it has no id.
bool read_video_renderer(JsonValue renderer, std::string_view thumbnail_origin, Video& video)
{
    JsonValue id, title, short_byline, owner_byline, long_byline, channel_thumbnail_renderers, channel_thumbnail, view_count, published,
        length_seconds, length_text, overlays, snippets, description_snippet, badges;
    read_members(renderer,
        { { "videoId", &id }, { "title", &title }, { "shortBylineText", &short_byline }, { "ownerText", &owner_byline },
            { "longBylineText", &long_byline }, { "channelThumbnailSupportedRenderers", &channel_thumbnail_renderers },
            { "channelThumbnail", &channel_thumbnail }, { "viewCountText", &view_count }, { "publishedTimeText", &published },
            { "lengthSeconds", &length_seconds }, { "lengthText", &length_text }, { "thumbnailOverlays", &overlays },
            { "detailedMetadataSnippets", &snippets }, { "descriptionSnippet", &description_snippet }, { "badges", &badges } });
    if (id.string().empty())
        return false;
    start_video(video, id.string(), thumbnail_origin);
    video.title = text_of(title);
    auto creator = byline_of({ short_byline, owner_byline, long_byline });
    auto avatar = best_thumbnail_url(at(channel_thumbnail_renderers, { "channelThumbnailWithLinkRenderer", "thumbnail" }));
    if (avatar.empty())
        avatar = best_thumbnail_url(channel_thumbnail);
    video.channel_avatar_url = std::move(avatar);
    set_creator(video, std::move(creator.id), std::move(creator.name));
    video.views = parse_count(text_of(view_count));
    video.published = text_of(published);
    video.duration = length_of(length_seconds, length_text, overlays);
    video.description = text_of(at(snippets, { 0, "snippetText" }));
    if (video.description.empty())
        video.description = text_of(description_snippet);
    video.live = has_live_badge(badges, overlays);
    if (video.live)
        video.duration = 0;
    return true;
}

// Fills a fresh `video` from a video lockup; false when it has no id.
bool read_video_lockup(JsonValue lockup, std::string_view thumbnail_origin, Video& video)
{
    LockupMembers members(lockup);
    if (members.content_id.string().empty())
        return false;
    start_video(video, members.content_id.string(), thumbnail_origin);
    video.title = text_of(members.title);
    video.channel_avatar_url = best_thumbnail_url(at(members.image, { "decoratedAvatarViewModel", "avatar", "avatarViewModel", "image" }));
    auto creator = lockup_creator(members.rows);
    set_creator(video, std::move(creator.id), std::move(creator.name));
    auto second_row = at(members.rows, { 1, "metadataParts" });
    video.views = parse_count(text_of(at(second_row, { 0, "text" })));
    video.published = text_of(at(second_row, { 1, "text" }));
    visit_lockup_badges(members.content_image, [&](std::string const& badge) {
        if (badge == "LIVE")
            video.live = true;
        else if (auto seconds = parse_length(badge); seconds > 0 && video.duration == 0)
            video.duration = seconds;
        return true;
    });
    if (video.live)
        video.duration = 0;
    return true;
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
        // Read in place: a video is large enough for its moves to show.
        if (!read_video_renderer(value, thumbnail_origin, items.videos.emplace_back()))
            items.videos.pop_back();
        break;
    case ItemKey::Lockup:
        if (auto type = value["contentType"]; type == "LOCKUP_CONTENT_TYPE_PLAYLIST" || type == "PLAYLIST") {
            if (auto playlist = playlist_from_lockup(value))
                items.playlists.push_back(std::move(*playlist));
        } else if (!read_video_lockup(value, thumbnail_origin, items.videos.emplace_back())) {
            items.videos.pop_back();
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
        // A list adds about one video for each of its elements: room for them all at once spares
        // moving every video again each time the list outgrows its storage.
        auto& videos = items.videos;
        if (auto wanted = videos.size() + node.element_count(); wanted > videos.capacity())
            videos.reserve(std::max(wanted, 2 * videos.capacity()));
        for (auto element : node.elements())
            collect(element, thumbnail_origin, items);
    } else if (node.is_object()) {
        collect_object(node, thumbnail_origin, items);
    }
}

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

std::optional<Video> video_from_renderer(JsonValue renderer, std::string_view thumbnail_origin)
{
    Video video;
    if (!read_video_renderer(renderer, thumbnail_origin, video))
        return std::nullopt;
    return video;
}

std::optional<Video> video_from_lockup(JsonValue lockup, std::string_view thumbnail_origin)
{
    Video video;
    if (!read_video_lockup(lockup, thumbnail_origin, video))
        return std::nullopt;
    return video;
}

std::optional<Playlist> playlist_from_lockup(JsonValue lockup)
{
    LockupMembers members(lockup);
    if (members.content_id.string().empty())
        return std::nullopt;
    Playlist playlist;
    playlist.id = std::string(members.content_id.string());
    playlist.seed = playlist.id;
    playlist.title = text_of(members.title);
    auto creator = lockup_creator(members.rows);
    playlist.channel_id = std::move(creator.id);
    playlist.channel_name = creator.name.empty() ? std::string(unknown_creator) : std::move(creator.name);
    playlist.thumbnail_url = best_thumbnail_url(at(members.content_image, { "collectionThumbnailViewModel", "primaryThumbnail", "thumbnailViewModel", "image" }));
    visit_lockup_badges(members.content_image, [&](std::string const& badge) {
        if (badge.find("video") == std::string::npos)
            return true;
        playlist.video_count = parse_count(badge);
        return false;
    });
    return playlist;
}

std::optional<Playlist> playlist_from_renderer(JsonValue renderer)
{
    JsonValue id, title, short_byline, owner_byline, long_byline, thumbnails, thumbnail, video_count, short_video_count;
    read_members(renderer,
        { { "playlistId", &id }, { "title", &title }, { "shortBylineText", &short_byline }, { "ownerText", &owner_byline },
            { "longBylineText", &long_byline }, { "thumbnails", &thumbnails }, { "thumbnail", &thumbnail }, { "videoCount", &video_count },
            { "videoCountShortText", &short_video_count } });
    if (id.string().empty())
        return std::nullopt;
    Playlist playlist;
    playlist.id = std::string(id.string());
    playlist.seed = playlist.id;
    playlist.title = text_of(title);
    auto owner = byline_of({ short_byline, owner_byline, long_byline });
    playlist.channel_id = std::move(owner.id);
    playlist.channel_name = owner.name.empty() ? std::string(unknown_creator) : std::move(owner.name);
    playlist.thumbnail_url = best_thumbnail_url(thumbnails.element_at(0));
    if (playlist.thumbnail_url.empty())
        playlist.thumbnail_url = best_thumbnail_url(thumbnail);
    auto count = text_of(video_count);
    if (count.empty())
        count = text_of(short_video_count);
    playlist.video_count = parse_count(count);
    return playlist;
}

std::optional<Channel> channel_from_renderer(JsonValue renderer)
{
    JsonValue id, title, thumbnail, description, owner_badges, subscriber_count, video_count, endpoint;
    read_members(renderer,
        { { "channelId", &id }, { "title", &title }, { "thumbnail", &thumbnail }, { "descriptionSnippet", &description },
            { "ownerBadges", &owner_badges }, { "subscriberCountText", &subscriber_count }, { "videoCountText", &video_count },
            { "navigationEndpoint", &endpoint } });
    if (id.string().empty())
        return std::nullopt;
    Channel channel;
    channel.id = std::string(id.string());
    channel.seed = channel.id;
    channel.name = text_of(title);
    channel.avatar_url = best_thumbnail_url(thumbnail);
    channel.description = text_of(description);
    channel.verified = verified_badge(owner_badges);
    // The current shape shows the handle where the subscriber count was, and moves the count
    // to where the video count was.
    auto subscribers = text_of(subscriber_count);
    if (subscribers.starts_with('@')) {
        channel.handle = subscribers;
        channel.subscribers = parse_count(text_of(video_count));
    } else {
        channel.subscribers = parse_count(subscribers);
    }
    if (channel.handle.empty()) {
        auto base = at(endpoint, { "browseEndpoint", "canonicalBaseUrl" }).string();
        if (base.starts_with("/@"))
            channel.handle = std::string(base.substr(1));
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
