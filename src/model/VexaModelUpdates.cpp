#include "src/model/VexaModel.h"

#include <algorithm>
#include <utility>

#include "src/model/Formatting.h"

namespace vexa {


void VexaModel::upsert_video(Video incoming)
{
    auto* known = video(incoming.id);
    if (!known) {
        videos.push_back(std::move(incoming));
        return;
    }
    // A partial answer (say, a listing without segments or comments) keeps what we already had.
    if (incoming.sponsor.empty())
        incoming.sponsor = std::move(known->sponsor);
    if (incoming.comments.empty())
        incoming.comments = std::move(known->comments);
    if (!incoming.dearrow_title)
        incoming.dearrow_title = std::move(known->dearrow_title);
    if (incoming.thumbnail_url.empty())
        incoming.thumbnail_url = std::move(known->thumbnail_url);
    *known = std::move(incoming);
}

void VexaModel::upsert_channel(Channel incoming)
{
    auto* known = channel(incoming.id);
    if (!known) {
        channels.push_back(std::move(incoming));
        return;
    }
    if (incoming.avatar_url.empty())
        incoming.avatar_url = std::move(known->avatar_url);
    if (incoming.banner_url.empty())
        incoming.banner_url = std::move(known->banner_url);
    *known = std::move(incoming);
}

void VexaModel::upsert_playlist(Playlist incoming)
{
    auto* known = playlist(incoming.id);
    if (!known) {
        playlists.push_back(std::move(incoming));
        return;
    }
    if (incoming.video_ids.empty())
        incoming.video_ids = std::move(known->video_ids);
    *known = std::move(incoming);
}

void VexaModel::ensure_channel(std::string_view channel_id, std::string_view name)
{
    if (channel_id.empty() || channel(channel_id))
        return;
    Channel stub;
    stub.id = std::string(channel_id);
    stub.name = std::string(name);
    stub.handle = stub.id;
    stub.seed = stub.id;
    channels.push_back(std::move(stub));
}

void VexaModel::set_channel_avatar(std::string_view channel_id, std::string_view url)
{
    if (channel_id.empty() || url.empty())
        return;
    auto* known = channel(channel_id);
    if (known && known->avatar_url.empty())
        known->avatar_url = std::string(url);
}

bool VexaModel::fill_channel_avatar(std::string_view channel_id, std::string_view name, std::string_view url)
{
    if (url.empty())
        return false;
    auto normalized = normalized_name(name);
    bool changed = false;
    for (auto& candidate : channels) {
        if (!candidate.avatar_url.empty())
            continue;
        bool same_id = !channel_id.empty() && candidate.id == channel_id;
        bool same_name = !normalized.empty() && normalized_name(candidate.name) == normalized;
        if (same_id || same_name) {
            candidate.avatar_url = std::string(url);
            changed = true;
        }
    }
    return changed;
}

void VexaModel::share_avatars_by_name()
{
    // A blank name says nothing about who the creator is, so it never shares an avatar.
    std::map<std::string, std::string> avatar_by_name;
    for (auto const& candidate : channels) {
        if (candidate.avatar_url.empty())
            continue;
        auto name = normalized_name(candidate.name);
        if (!name.empty())
            avatar_by_name.insert_or_assign(std::move(name), candidate.avatar_url);
    }
    for (auto& candidate : channels) {
        if (!candidate.avatar_url.empty())
            continue;
        auto shared = avatar_by_name.find(normalized_name(candidate.name));
        if (shared != avatar_by_name.end())
            candidate.avatar_url = shared->second;
    }
}

void VexaModel::replace_feed(std::vector<Video> feed, std::string status)
{
    for (auto const& incoming : feed) {
        ensure_channel(incoming.channel_id, incoming.channel_name);
        fill_channel_avatar(incoming.channel_id, incoming.channel_name, incoming.channel_avatar_url);
    }
    videos = std::move(feed);
    share_avatars_by_name();
    search_video_ids.clear();
    search_query.clear();
    related_ids.clear();
    related_for.clear();
    status_label = std::move(status);
    status_live = true;
}

void VexaModel::toggle_like(std::string_view video_id)
{
    auto found = std::ranges::find(liked_videos, video_id);
    if (found != liked_videos.end())
        liked_videos.erase(found);
    else
        liked_videos.emplace_back(video_id);
}

void VexaModel::toggle_subscription(std::string_view channel_id)
{
    auto const* known = channel(channel_id);
    auto found = std::ranges::find_if(subscriptions, [&](std::string const& entry) {
        return subscription_names(entry, channel_id, known);
    });
    if (found != subscriptions.end())
        subscriptions.erase(found);
    else
        subscriptions.emplace_back(channel_id);
}

void VexaModel::record_history(std::string_view video_id)
{
    // Copied first: the id may point into the list that is about to change.
    std::string recorded(video_id);
    std::erase(history, recorded);
    history.insert(history.begin(), std::move(recorded));
    if (history.size() > max_history)
        history.resize(max_history);
}

void VexaModel::rebuild_history(std::map<std::string, uint64_t> const& watched_at_ms)
{
    std::vector<std::pair<uint64_t, std::string_view>> entries;
    entries.reserve(watched_at_ms.size());
    for (auto const& [video_id, watched_at] : watched_at_ms)
        entries.emplace_back(watched_at, video_id);
    std::ranges::sort(entries, [](auto const& a, auto const& b) {
        if (a.first != b.first)
            return a.first > b.first;
        return a.second < b.second;
    });
    if (entries.size() > max_history)
        entries.resize(max_history);
    history.clear();
    for (auto const& entry : entries)
        history.emplace_back(entry.second);
}

void VexaModel::push_notice(std::string notice)
{
    notices.insert(notices.begin(), std::move(notice));
    if (notices.size() > max_notices)
        notices.resize(max_notices);
}

}
