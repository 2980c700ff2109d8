#include "src/app/ApplyWorkerMessage.h"

#include <algorithm>
#include <set>

#include "kaso/platform/Http.h"
#include "kaso/platform/Log.h"
#include "src/app/FetchWorker.h"
#include "src/model/Text.h"

namespace vexa {

namespace msg = worker_message;

PendingEnrichment::Entry& PendingEnrichment::ensure(std::string const& video_id)
{
    auto found = std::ranges::find(entries, video_id, &Entry::video_id);
    if (found != entries.end())
        return *found;
    if (entries.size() >= capacity)
        entries.pop_front();
    Entry entry;
    entry.video_id = video_id;
    entries.push_back(std::move(entry));
    return entries.back();
}

void PendingEnrichment::apply_to(VexaModel& model, std::string const& video_id)
{
    auto found = std::ranges::find(entries, video_id, &Entry::video_id);
    if (found == entries.end())
        return;
    auto* video = model.video(video_id);
    if (!video)
        return;
    if (found->segments)
        video->sponsor = std::move(*found->segments);
    if (found->has_branding) {
        if (found->title)
            video->dearrow_title = std::move(found->title);
        video->dearrow_thumb = found->thumbnail_present;
    }
    entries.erase(found);
}

namespace {

class BatchApplier {
public:
    BatchApplier(VexaModel& model, WorkerApplyState& state, bool live)
        : m_model(model)
        , m_state(state)
        , m_live(live)
    {
    }

    void apply(WorkerMessage message) { std::visit([&](auto& m) { on(m); }, message); }
    AppliedWorkerMessages take() { return std::move(m_out); }

private:
    void changed() { m_out.changed = true; }

    // A record of a video: a duration of 0 keeps the one already known, and enrichment kept
    // for it is applied.
    void adopt_video(Video video)
    {
        if (video.duration == 0) {
            if (auto const* known = m_model.video(video.id))
                video.duration = known->duration;
        }
        auto id = video.id;
        m_model.upsert_video(std::move(video));
        m_state.pending.apply_to(m_model, id);
    }

    // The creator of a listed video, then the video.
    void adopt_listed_video(Video video)
    {
        m_model.ensure_channel(video.channel_id, video.channel_name);
        m_model.fill_channel_avatar(video.channel_id, video.channel_name, video.channel_avatar_url);
        adopt_video(std::move(video));
    }

    void on(msg::Segments& m)
    {
        if (auto* video = m_model.video(m.video_id)) {
            video->sponsor = std::move(m.segments);
            changed();
            return;
        }
        m_state.pending.ensure(m.video_id).segments = std::move(m.segments);
    }

    void on(msg::Branding& m)
    {
        if (auto* video = m_model.video(m.video_id)) {
            if (m.title)
                video->dearrow_title = m.title;
            video->dearrow_thumb = m.thumbnail_url.has_value();
            changed();
        } else {
            auto& entry = m_state.pending.ensure(m.video_id);
            entry.has_branding = true;
            if (m.title)
                entry.title = m.title;
            entry.thumbnail_present = m.thumbnail_url.has_value();
        }
        if (m.thumbnail_url && !m.thumbnail_url->empty()) {
            m_model.dearrow_thumbnails.insert_or_assign(m.video_id, std::move(*m.thumbnail_url));
            changed();
        }
    }

    void on(msg::Dislikes& m)
    {
        m_model.dislikes.insert_or_assign(m.video_id, m.count);
        changed();
    }

    void on(msg::SearchResults& m)
    {
        m_model.searching = false;
        m_model.search_error.reset();

        std::vector<std::string> video_ids;
        for (auto const& video : m.videos)
            video_ids.push_back(video.id);
        for (auto& video : m.videos)
            adopt_listed_video(std::move(video));

        std::vector<std::string> playlist_ids;
        for (auto const& playlist : m.playlists)
            playlist_ids.push_back(playlist.id);
        for (auto& playlist : m.playlists) {
            m_model.ensure_channel(playlist.channel_id, playlist.channel_name);
            m_model.upsert_playlist(std::move(playlist));
        }

        std::vector<std::string> channel_ids;
        for (auto const& channel : m.channels)
            channel_ids.push_back(channel.id);
        for (auto& incoming : m.channels) {
            m_model.fill_channel_avatar(incoming.id, incoming.name, incoming.avatar_url);
            auto* known = m_model.channel(incoming.id);
            if (!known) {
                m_model.channels.push_back(std::move(incoming));
                continue;
            }
            if (known->avatar_url.empty())
                known->avatar_url = incoming.avatar_url;
            if (known->subscribers == 0)
                known->subscribers = incoming.subscribers;
            if (known->handle == known->id && !incoming.handle.empty())
                known->handle = incoming.handle;
            known->verified = known->verified || incoming.verified;
        }
        m_model.share_avatars_by_name();

        m_model.search_query = m.query;
        m_model.search_video_ids = std::move(video_ids);
        m_model.search_playlist_ids = std::move(playlist_ids);
        m_model.search_channel_ids = std::move(channel_ids);
        if (m_model.route.is(RouteKind::Search) && m.query == m_model.search_text)
            m_out.search_route = Route::search(m.query);

        // The creators of the first results that have no avatar yet, at most six.
        constexpr size_t max_lookups = 6;
        std::set<std::string> taken;
        for (auto const& id : m_model.search_video_ids) {
            if (taken.size() >= max_lookups)
                break;
            auto const* video = m_model.video(id);
            if (!video || video->channel_id.empty() || taken.contains(video->channel_id))
                continue;
            auto const* known = m_model.channel(video->channel_id);
            if (known && !known->avatar_url.empty())
                continue;
            taken.insert(video->channel_id);
            m_out.channel_lookups.push_back(video->channel_id);
        }
        changed();
    }

    void on(msg::PlaylistLoaded& m)
    {
        for (auto& video : m.videos) {
            m_model.ensure_channel(video.channel_id, video.channel_name);
            m_model.set_channel_avatar(video.channel_id, video.channel_avatar_url);
            adopt_video(std::move(video));
        }
        m_model.ensure_channel(m.playlist.channel_id, m.playlist.channel_name);
        m_model.upsert_playlist(std::move(m.playlist));
        changed();
    }

    void on(msg::Feed& m)
    {
        // The feed replaces the known videos, but the video on the Watch page keeps its record.
        std::optional<Video> watched;
        if (m_model.route.is(RouteKind::Watch)) {
            if (auto const* video = m_model.video(m_model.route.text))
                watched = *video;
        }
        for (auto& video : m.videos) {
            if (video.duration != 0)
                continue;
            if (auto const* known = m_model.video(video.id))
                video.duration = known->duration;
        }
        m_model.replace_feed(std::move(m.videos), "live (rustypipe)");
        if (watched) {
            if (auto* fresh = m_model.video(watched->id)) {
                Video incoming = std::move(*fresh);
                *fresh = std::move(*watched);
                m_model.upsert_video(std::move(incoming));
            } else {
                m_model.videos.push_back(std::move(*watched));
            }
        }
        std::vector<std::string> ids;
        for (auto const& video : m_model.videos)
            ids.push_back(video.id);
        for (auto const& id : ids)
            m_state.pending.apply_to(m_model, id);
        m_model.feed_loading = false;
        m_model.feed_error.reset();
        changed();
    }

    void on(msg::Related& m)
    {
        auto video_id = m.video.id;
        auto channel_id = m.video.channel_id;
        adopt_listed_video(std::move(m.video));
        if (!channel_id.empty()) {
            auto const* known = m_model.channel(channel_id);
            if (!known || known->avatar_url.empty() || known->subscribers == 0)
                m_out.channel_lookups.push_back(channel_id);
        }
        std::vector<std::string> related_ids;
        for (auto const& video : m.related)
            related_ids.push_back(video.id);
        for (auto& video : m.related)
            adopt_listed_video(std::move(video));
        m_model.share_avatars_by_name();
        if (!related_ids.empty()) {
            m_model.related_for = std::move(video_id);
            m_model.related_ids = std::move(related_ids);
        }
        changed();
    }

    void on(msg::Comments& m)
    {
        if (auto* video = m_model.video(m.video_id)) {
            video->comments = std::move(m.comments);
            changed();
        }
    }

    void on(msg::ChannelLoaded& m)
    {
        m_model.fill_channel_avatar(m.channel.id, m.channel.name, m.channel.avatar_url);
        m_model.upsert_channel(std::move(m.channel));
        for (auto& video : m.uploads)
            adopt_listed_video(std::move(video));
        m_model.share_avatars_by_name();
        changed();
    }

    void on(msg::Status& m)
    {
        if (!m.live && text::lowercase(m.label).find("offline") != std::string::npos) {
            m_model.feed_loading = false;
            m_model.searching = false;
        }
        // The worker's start-up "connecting…" promises a catalogue that only the live
        // application ever asks for. A non-live application keeps its own status instead, or its
        // top bar would show the connection as pending for ever.
        if (!m_live && !m.live && m.label == msg::connecting_label)
            return;
        if (m.label != m_model.status_label || m.live != m_model.status_live) {
            m_model.status_label = std::move(m.label);
            m_model.status_live = m.live;
            changed();
        }
    }

    void on(msg::Stream& m)
    {
        if (!m_model.route.is(RouteKind::Watch) || m_model.route.text != m.video_id)
            return;
        if (!kaso::platform::is_http_url(m.url)) {
            kaso::log::target("vexa::app")->warn("dropped a stream address that is not http or https url={}", kaso::debug_text(m.url));
            return;
        }
        StreamToOpen open;
        open.video_id = m.video_id;
        open.url = std::move(m.url);
        open.quality = std::move(m.quality);
        open.has_audio = m.has_audio;
        if (auto const* video = m_model.video(m.video_id)) {
            NowPlaying record;
            record.video_id = video->id;
            bool replaced = m_model.settings.dearrow && m_model.settings.dearrow_titles && video->dearrow_title;
            record.title = replaced ? *video->dearrow_title : video->title;
            record.artist = video->channel_name;
            record.art_url = video->thumbnail_url;
            open.now_playing = std::move(record);
        }
        open.enable_media_controls = m_live && !m_state.media_controls_enabled;
        m_model.playing = true;
        kaso::log::target("vexa::app")->debug("stream loaded into player quality={} has_audio={}", kaso::debug_text(open.quality), open.has_audio);
        m_out.stream = std::move(open);
        changed();
    }

    void on(msg::Note& m) { kaso::log::target("vexa::app")->debug("vexa worker note note={}", kaso::debug_text(m.text)); }

    VexaModel& m_model;
    WorkerApplyState& m_state;
    bool m_live { false };
    AppliedWorkerMessages m_out;
};

}

AppliedWorkerMessages apply_worker_messages(VexaModel& model, std::vector<WorkerMessage> messages, WorkerApplyState& state, bool live)
{
    BatchApplier applier(model, state, live);
    for (auto& message : messages)
        applier.apply(std::move(message));
    return applier.take();
}

void apply_request_refusal(VexaModel& model, WorkerRequest const& refused)
{
    switch (refused.kind) {
    case WorkerRequest::Kind::Search:
        if (refused.text == model.search_text) {
            model.searching = false;
            model.search_error = request_refused_notice;
        }
        return;
    case WorkerRequest::Kind::Trending:
        model.feed_loading = false;
        model.feed_error = request_refused_notice;
        return;
    default: model.push_notice(request_refused_notice); return;
    }
}

}
