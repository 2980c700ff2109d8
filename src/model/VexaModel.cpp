#include "src/model/VexaModel.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "src/model/Formatting.h"
#include "src/model/Text.h"

namespace vexa {

namespace {

template<typename Record>
Record const* find_by_id(std::vector<Record> const& records, std::string_view id)
{
    auto found = std::ranges::find_if(records, [&](Record const& record) { return record.id == id; });
    return found == records.end() ? nullptr : &*found;
}

template<typename Record>
std::vector<Record const*> known_records(std::vector<Record> const& records, std::vector<std::string> const& ids)
{
    std::vector<Record const*> found;
    for (auto const& id : ids) {
        if (auto const* record = find_by_id(records, id))
            found.push_back(record);
    }
    return found;
}

bool contains(std::vector<std::string> const& list, std::string_view value)
{
    return std::ranges::find(list, value) != list.end();
}

}

VexaModel VexaModel::empty()
{
    // Every field's in-class default is the empty model's value.
    return VexaModel {};
}

Video const* VexaModel::video(std::string_view id) const { return find_by_id(videos, id); }

Video* VexaModel::video(std::string_view id) { return const_cast<Video*>(std::as_const(*this).video(id)); }

Channel const* VexaModel::channel(std::string_view id) const { return find_by_id(channels, id); }

Channel* VexaModel::channel(std::string_view id) { return const_cast<Channel*>(std::as_const(*this).channel(id)); }

Playlist const* VexaModel::playlist(std::string_view id) const { return find_by_id(playlists, id); }

Playlist* VexaModel::playlist(std::string_view id) { return const_cast<Playlist*>(std::as_const(*this).playlist(id)); }

std::vector<Video const*> VexaModel::videos_by_ids(std::vector<std::string> const& ids) const
{
    return known_records(videos, ids);
}

std::vector<Video const*> VexaModel::videos_of_channel(std::string_view channel_id) const
{
    std::vector<Video const*> found;
    for (auto const& candidate : videos) {
        if (candidate.channel_id == channel_id)
            found.push_back(&candidate);
    }
    return found;
}

bool VexaModel::is_liked(std::string_view video_id) const { return contains(liked_videos, video_id); }

uint64_t VexaModel::display_likes(Video const& shown) const
{
    if (!is_liked(shown.id))
        return shown.likes;
    return shown.likes == std::numeric_limits<uint64_t>::max() ? shown.likes : shown.likes + 1;
}

bool VexaModel::subscription_names(std::string_view entry, std::string_view channel_id, Channel const* known)
{
    if (entry == channel_id)
        return true;
    if (!known)
        return false;
    std::string_view handle = known->handle;
    while (handle.starts_with('/'))
        handle.remove_prefix(1);
    // An empty handle names no creator: it must not match an empty entry or the bare prefix.
    if (handle.empty())
        return false;
    if (entry == known->handle)
        return true;
    return entry.starts_with(creator_address_prefix) && entry.substr(creator_address_prefix.size()) == handle;
}

std::optional<std::string> VexaModel::subscription_for(std::string_view channel_id) const
{
    auto const* known = channel(channel_id);
    for (auto const& entry : subscriptions) {
        if (subscription_names(entry, channel_id, known))
            return entry;
    }
    return std::nullopt;
}

std::vector<Video const*> VexaModel::subscription_feed() const
{
    std::vector<Video const*> feed;
    for (auto const& candidate : videos) {
        if (is_subscribed(candidate.channel_id))
            feed.push_back(&candidate);
    }
    return feed;
}

std::vector<Video const*> VexaModel::search_results(std::string_view query) const
{
    if (query == search_query) {
        auto stored = videos_by_ids(search_video_ids);
        if (!stored.empty())
            return stored;
    }
    return search_local(query);
}

std::vector<Video const*> VexaModel::search_local(std::string_view query) const
{
    std::vector<Video const*> found;
    visit_local_matches(query, videos.size(), [&](Video const& video) { found.push_back(&video); });
    return found;
}

std::size_t VexaModel::visit_local_matches(std::string_view query, std::size_t limit, std::function<void(Video const&)> const& visit) const
{
    text::LowercaseNeedle needle(text::trim(query));
    std::size_t visited = 0;
    for (auto const& candidate : videos) {
        if (visited >= limit)
            break;
        if (needle.found_in(candidate.title) || needle.found_in(candidate.channel_name) || needle.found_in(candidate.category)) {
            visit(candidate);
            ++visited;
        }
    }
    return visited;
}

std::vector<Playlist const*> VexaModel::search_playlists(std::string_view query) const
{
    if (query != search_query)
        return {};
    return known_records(playlists, search_playlist_ids);
}

std::vector<Channel const*> VexaModel::search_channels(std::string_view query) const
{
    if (query != search_query)
        return {};
    return known_records(channels, search_channel_ids);
}

std::vector<Video const*> VexaModel::related_videos(std::string_view video_id) const
{
    if (video_id == related_for) {
        auto stored = videos_by_ids(related_ids);
        if (!stored.empty())
            return stored;
    }
    return related_fallback(video_id);
}

std::vector<Video const*> VexaModel::related_fallback(std::string_view video_id) const
{
    auto const* current = video(video_id);
    std::string_view category = current ? std::string_view(current->category) : std::string_view();
    std::vector<Video const*> same;
    std::vector<Video const*> other;
    for (auto const& candidate : videos) {
        if (candidate.id == video_id)
            continue;
        (candidate.category == category ? same : other).push_back(&candidate);
    }
    same.insert(same.end(), other.begin(), other.end());
    return same;
}

std::string VexaModel::thumbnail_for(Video const& shown) const
{
    if (settings.dearrow && settings.dearrow_thumbnails) {
        auto replacement = dearrow_thumbnails.find(shown.id);
        if (replacement != dearrow_thumbnails.end() && !replacement->second.empty())
            return replacement->second;
    }
    return shown.thumbnail_url;
}

}
