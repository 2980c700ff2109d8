#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "src/model/Channel.h"
#include "src/model/Playlist.h"
#include "src/model/Route.h"
#include "src/model/Settings.h"
#include "src/model/Video.h"

namespace vexa {

// The search result filter; every flag is on in a new model.
struct ResultTypes {
    bool videos { true };
    bool playlists { true };
    bool creators { true };
    bool all { true };

    bool operator==(ResultTypes const&) const = default;
};

// The single store of everything the pages show. Lists keep arrival order, and every query
// answers in the order of the lists unless it says otherwise. Queries hand out pointers into
// the lists, valid until the next update.
struct VexaModel {
    static constexpr size_t max_history = 50;
    static constexpr size_t max_notices = 8;

    Route route;
    std::vector<Video> videos; // every known video; the home feed is this list
    std::vector<Channel> channels;
    std::vector<Playlist> playlists;
    std::vector<std::string> subscriptions; // channel ids or creator addresses, document key order
    std::vector<std::string> queue;         // video ids of the shared watch queue
    std::string owner_id { "profile:local" };
    std::vector<std::string> history; // video ids, newest first, distinct, at most max_history
    Settings settings;
    std::string search_text; // the top bar's search box
    std::vector<std::string> liked_videos;
    std::vector<std::string> notices; // newest first, at most max_notices
    std::string palette_query;
    std::string status_label { "sample data" };
    bool status_live { false };
    std::string search_query; // the query that the stored search results answer
    std::vector<std::string> search_video_ids;
    std::vector<std::string> search_playlist_ids;
    std::vector<std::string> search_channel_ids;
    std::string related_for; // the video whose related videos are stored
    std::vector<std::string> related_ids;
    std::optional<std::string> history_notice; // why the history store is unusable
    std::optional<std::string> feed_error;
    std::optional<std::string> search_error;
    double playback_position { 0.0 }; // seconds
    std::map<std::string, bool> comment_likes;
    std::map<std::string, uint64_t> dislikes;
    std::map<std::string, std::string> dearrow_thumbnails; // video id -> replacement thumbnail address
    ResultTypes result_types;
    bool playing { false };
    bool palette_open { false };
    bool feed_loading { false };
    bool searching { false };

    // The model of the empty and loading states: route Home, nothing known, default settings.
    static VexaModel empty();

    bool operator==(VexaModel const&) const = default;

    // Lookups by exact id; the first match wins.
    Video const* video(std::string_view id) const;
    Video* video(std::string_view id);
    Channel const* channel(std::string_view id) const;
    Channel* channel(std::string_view id);
    Playlist const* playlist(std::string_view id) const;
    Playlist* playlist(std::string_view id);

    // The known videos for the ids, in the ids' order; unknown ids are skipped.
    std::vector<Video const*> videos_by_ids(std::vector<std::string> const& ids) const;
    std::vector<Video const*> history_videos() const { return videos_by_ids(history); }
    std::vector<Video const*> videos_of_channel(std::string_view channel_id) const;

    bool is_liked(std::string_view video_id) const;
    // The published like count, plus one when the user likes the video.
    uint64_t display_likes(Video const& video) const;

    // The first subscription entry naming the channel: its id, its handle, or the creator
    // address made of the site prefix and the handle without leading slashes.
    std::optional<std::string> subscription_for(std::string_view channel_id) const;
    bool is_subscribed(std::string_view channel_id) const { return subscription_for(channel_id).has_value(); }
    std::vector<Video const*> subscription_feed() const;
    // Whether one subscription entry names the channel; `known` is the channel's record, if any.
    static bool subscription_names(std::string_view entry, std::string_view channel_id, Channel const* known);

    // The stored results when they answer this query and name a known video, else search_local.
    std::vector<Video const*> search_results(std::string_view query) const;
    // Case-insensitive substring match on title, creator name and category; a blank query
    // matches every video.
    std::vector<Video const*> search_local(std::string_view query) const;
    // The first `limit` matches of search_local, each handed to `visit` in model order, without
    // collecting them; answers how many were visited.
    std::size_t visit_local_matches(std::string_view query, std::size_t limit, std::function<void(Video const&)> const& visit) const;
    std::vector<Playlist const*> search_playlists(std::string_view query) const;
    std::vector<Channel const*> search_channels(std::string_view query) const;

    // The stored related videos when they belong to this video and name a known one, else the fallback.
    std::vector<Video const*> related_videos(std::string_view video_id) const;
    // The other videos of the same category, then the other videos of other categories.
    std::vector<Video const*> related_fallback(std::string_view video_id) const;

    // The DeArrow thumbnail when both DeArrow settings are on and one is stored, else the video's own.
    std::string thumbnail_for(Video const& video) const;

    // Updates.
    void upsert_video(Video video);
    void upsert_channel(Channel channel);
    void upsert_playlist(Playlist playlist);
    void ensure_channel(std::string_view channel_id, std::string_view name);
    void set_channel_avatar(std::string_view channel_id, std::string_view url);
    bool fill_channel_avatar(std::string_view channel_id, std::string_view name, std::string_view url);
    void share_avatars_by_name();
    void replace_feed(std::vector<Video> feed, std::string status);
    void toggle_like(std::string_view video_id);
    void toggle_subscription(std::string_view channel_id);
    void record_history(std::string_view video_id);
    // From the owner-local history (video id -> watched time in ms): newest first, ties by id.
    void rebuild_history(std::map<std::string, uint64_t> const& watched_at_ms);
    void push_notice(std::string notice);
};

// The creator-address prefix of the video site, as device sync imports subscriptions.
inline constexpr std::string_view creator_address_prefix { "https://www.youtube.com/" };

}
