#include "src/backend/FetchWorkerBody.h"

#include <array>
#include <map>
#include <set>
#include <thread>

#include <fmt/format.h>

#include "kaso/platform/Http.h"
#include "kaso/platform/Log.h"
#include "src/backend/EnrichmentServices.h"
#include "src/backend/Invidious.h"
#include "src/backend/YtDlpBackend.h"
#include "src/model/Formatting.h"

namespace vexa {

namespace msg = worker_message;

namespace {

constexpr std::array<std::string_view, 6> popular_topics { "news", "music", "gaming", "technology", "sports", "science" };

class FetchWorkerState {
public:
    FetchWorkerState(kaso::Sender<WorkerMessage> results, FetchWorkerEnvironment environment)
        : m_results(std::move(results))
        , m_environment(std::move(environment))
        , m_http(service_http_options(m_environment.settings))
    {
    }

    void start();
    void handle(WorkerRequest const& request);

private:
    void send(WorkerMessage message);
    void note(std::string text) { send(msg::Note { std::move(text) }); }
    std::optional<FetchResult> primary_query(FetchRequest request);
    InnertubeRole* enrichment();

    void enrich(std::string const& video_id);
    void search(std::string const& query);
    void trending();
    void composed_popular_feed();
    void related(std::string const& video_id);
    void channel(std::string const& channel_id);
    void playlist(std::string const& playlist_id);
    void resolve_stream(std::string const& video_id);

    enum class Enrichment { NotTried, Unavailable, Ready };

    kaso::Sender<WorkerMessage> m_results;
    FetchWorkerEnvironment m_environment;
    kaso::platform::HttpClient m_http;
    std::unique_ptr<ContentBackend> m_primary;
    Enrichment m_enrichment_state { Enrichment::NotTried };
    std::unique_ptr<InnertubeRole> m_enrichment;
};

void FetchWorkerState::send(WorkerMessage message)
{
    // Waits while the application has not drained the queue; a receiver that is gone loses the
    // message, and the worker goes on until its own request queue closes.
    m_results.send(std::move(message));
}

void FetchWorkerState::start()
{
    auto ytdlp = m_environment.make_ytdlp(m_environment.settings);
    if (ytdlp) {
        m_primary = std::move(*ytdlp);
        note("live backend ready: " + m_primary->name());
    } else {
        note("yt-dlp unavailable (" + ytdlp.error().message + "); falling back to rustypipe");
        auto innertube = m_environment.make_innertube(m_environment.settings);
        if (innertube) {
            m_primary = std::move(*innertube);
            note("live backend ready (fallback): " + m_primary->name());
        } else {
            note("live backend unavailable (" + innertube.error().message + "); no live catalogue available");
        }
    }
    send(msg::Status { .label = m_primary ? msg::connecting_label : "offline", .live = false });
}

std::optional<FetchResult> FetchWorkerState::primary_query(FetchRequest request)
{
    if (!m_primary)
        return std::nullopt;
    auto debug_form = request.debug_form();
    auto answer = m_primary->fetch(std::move(request));
    if (!answer) {
        note("live " + debug_form + ": " + answer.error().message);
        return std::nullopt;
    }
    return std::move(*answer);
}

InnertubeRole* FetchWorkerState::enrichment()
{
    if (m_enrichment_state == Enrichment::NotTried) {
        auto made = m_environment.make_innertube(m_environment.settings);
        if (made) {
            m_enrichment = std::move(*made);
            m_enrichment_state = Enrichment::Ready;
        } else {
            note("rustypipe enrichment unavailable (" + made.error().message + ")");
            m_enrichment_state = Enrichment::Unavailable;
        }
    }
    return m_enrichment.get();
}

void FetchWorkerState::handle(WorkerRequest const& request)
{
    switch (request.kind) {
    case WorkerRequest::Kind::Enrich: enrich(request.text); return;
    case WorkerRequest::Kind::Search: search(request.text); return;
    case WorkerRequest::Kind::Trending: trending(); return;
    case WorkerRequest::Kind::Related: related(request.text); return;
    case WorkerRequest::Kind::Channel: channel(request.text); return;
    case WorkerRequest::Kind::Playlist: playlist(request.text); return;
    case WorkerRequest::Kind::ResolveStream: resolve_stream(request.text); return;
    }
}

void FetchWorkerState::enrich(std::string const& video_id)
{
    auto const& settings = m_environment.settings;
    if (auto segments = fetch_sponsor_segments(m_http, settings, video_id))
        send(msg::Segments { video_id, std::move(*segments) });
    else
        note("SponsorBlock: " + segments.error().message);
    if (auto branding = fetch_dearrow_branding(m_http, settings, video_id))
        send(msg::Branding { video_id, std::move(branding->title), std::move(branding->thumbnail_url) });
    else
        note("DeArrow: " + branding.error().message);
    if (auto dislikes = fetch_dislike_count(m_http, settings, video_id))
        send(msg::Dislikes { video_id, *dislikes });
    else
        note("Dislikes: " + dislikes.error().message);
}

// Gives videos without a creator avatar the one the search items know, by creator id first,
// then by normalised creator name; a first entry is never replaced by a later one.
void fill_missing_avatars(std::vector<Video>& videos, SearchItems const& items)
{
    std::map<std::string, std::string> by_id;
    std::map<std::string, std::string> by_name;
    for (auto const& item : items.videos) {
        if (item.channel_avatar_url.empty())
            continue;
        if (!item.channel_id.empty())
            by_id.try_emplace(item.channel_id, item.channel_avatar_url);
        by_name.try_emplace(normalized_name(item.channel_name), item.channel_avatar_url);
    }
    for (auto const& item : items.channels) {
        if (item.avatar_url.empty())
            continue;
        if (!item.id.empty())
            by_id.try_emplace(item.id, item.avatar_url);
        by_name.try_emplace(normalized_name(item.name), item.avatar_url);
    }
    for (auto& video : videos) {
        if (!video.channel_avatar_url.empty())
            continue;
        if (auto found = by_id.find(video.channel_id); found != by_id.end()) {
            video.channel_avatar_url = found->second;
            continue;
        }
        if (auto found = by_name.find(normalized_name(video.channel_name)); found != by_name.end())
            video.channel_avatar_url = found->second;
    }
}

void FetchWorkerState::search(std::string const& query)
{
    std::vector<Video> held;
    if (auto answer = primary_query(FetchRequest::search(query))) {
        if (auto* listed = std::get_if<FetchedVideos>(&*answer)) {
            send(msg::Status { .label = "live (rustypipe)", .live = true });
            held = std::move(listed->videos);
        }
    }
    auto* items_backend = enrichment();
    if (!items_backend) {
        send(msg::SearchResults { query, std::move(held), {}, {} });
        return;
    }
    auto items = items_backend->search_items(query);
    if (!items) {
        note("search enrich: " + items.error().message);
        send(msg::SearchResults { query, std::move(held), {}, {} });
        return;
    }
    fill_missing_avatars(held, *items);
    if (held.empty())
        held = std::move(items->videos);
    send(msg::SearchResults { query, std::move(held), std::move(items->playlists), std::move(items->channels) });
}

void FetchWorkerState::trending()
{
    enrichment();
    if (auto answer = primary_query(FetchRequest::trending())) {
        if (auto* listed = std::get_if<FetchedVideos>(&*answer); listed && !listed->videos.empty()) {
            send(msg::Feed { std::move(listed->videos) });
            send(msg::Status { .label = "live · trending", .live = true });
            return;
        }
    }
    composed_popular_feed();
}

void FetchWorkerState::composed_popular_feed()
{
    ContentBackend* topics = m_enrichment ? static_cast<ContentBackend*>(m_enrichment.get()) : m_primary.get();
    if (!topics) {
        send(msg::Status { .label = "offline — no live data", .live = false });
        return;
    }
    std::vector<std::vector<Video>> kept;
    for (auto topic : popular_topics) {
        auto answer = topics->popular_search(topic);
        if (!answer) {
            note("popular seed " + kaso::debug_text(topic) + ": " + answer.error().message);
            continue;
        }
        if (auto* listed = std::get_if<FetchedVideos>(&*answer); listed && !listed->videos.empty())
            kept.push_back(std::move(listed->videos));
    }
    if (kept.empty()) {
        send(msg::Status { .label = "offline — no live data", .live = false });
        return;
    }
    auto merged = interleave_round_robin(std::move(kept));
    std::set<std::string> seen;
    std::vector<Video> feed;
    for (auto& video : merged) {
        if (seen.insert(video.id).second)
            feed.push_back(std::move(video));
    }
    note(fmt::format("dedicated trending endpoint retired — composed real popular feed ({} videos, view-sorted across {} topics)",
        feed.size(), popular_topics.size()));
    if (feed.empty()) {
        send(msg::Status { .label = "offline — no live data", .live = false });
        return;
    }
    send(msg::Feed { std::move(feed) });
    send(msg::Status { .label = "live · popular", .live = true });
}

void FetchWorkerState::related(std::string const& video_id)
{
    std::vector<Video> related_videos;
    if (auto answer = primary_query(FetchRequest::related(video_id))) {
        if (auto* listed = std::get_if<FetchedVideos>(&*answer))
            related_videos = std::move(listed->videos);
    }
    if (auto answer = primary_query(FetchRequest::video(video_id))) {
        if (auto* single = std::get_if<FetchedVideo>(&*answer)) {
            send(msg::Status { .label = "live (rustypipe)", .live = true });
            send(msg::Related { std::move(related_videos), std::move(single->video) });
        }
    }
    auto* comments_backend = enrichment();
    if (!comments_backend)
        return;
    auto comments = comments_backend->comments(video_id);
    if (!comments) {
        note("comments: " + comments.error().message);
        return;
    }
    if (!comments->empty())
        send(msg::Comments { video_id, std::move(*comments) });
}

void FetchWorkerState::channel(std::string const& channel_id)
{
    auto answer = primary_query(FetchRequest::channel(channel_id));
    if (!answer)
        return;
    if (auto* page = std::get_if<FetchedChannel>(&*answer)) {
        send(msg::Status { .label = "live (rustypipe)", .live = true });
        send(msg::ChannelLoaded { std::move(page->uploads), std::move(page->channel) });
    }
}

void FetchWorkerState::playlist(std::string const& playlist_id)
{
    std::optional<std::pair<Playlist, std::vector<Video>>> found;
    if (m_primary) {
        if (auto answer = m_primary->playlist(playlist_id))
            found = std::move(*answer);
    }
    if (!found) {
        if (auto* backend = enrichment()) {
            if (auto answer = backend->fetch_playlist(playlist_id))
                found = std::move(*answer);
        }
    }
    if (!found) {
        note("playlist " + playlist_id + ": unavailable");
        return;
    }
    send(msg::PlaylistLoaded { std::move(found->second), std::move(found->first) });
}

void FetchWorkerState::resolve_stream(std::string const& video_id)
{
    // Whichever way it was found, only an http or https address becomes the stream.
    auto playable = [&](auto&& source) -> std::optional<msg::Stream> {
        if (kaso::platform::is_http_url(source.url))
            return msg::Stream { video_id, std::move(source.url), std::move(source.quality), source.has_audio };
        kaso::log::target("vexa::api")->warn("dropped a stream address that is not http or https url={}", kaso::debug_text(source.url));
        return std::nullopt;
    };
    std::optional<msg::Stream> stream;
    if (m_primary) {
        if (auto source = m_primary->resolve_source(video_id); source && !source->url.empty())
            stream = playable(*source);
    }
    if (!stream) {
        if (auto proxied = resolve_via_invidious(m_environment.settings, video_id))
            stream = playable(*proxied);
    }
    if (!stream) {
        note("could not resolve a playable stream (no Invidious instance served bytes, and no direct URL was available)");
        return;
    }
    note(stream_note(stream->quality, stream->has_audio, stream->url));
    send(std::move(*stream));
}

}

std::string stream_note(std::string_view quality, bool has_audio, std::string_view address)
{
    auto without_query = address.substr(0, address.find('?'));
    std::string_view host = "stream";
    if (auto scheme = without_query.find("://"); scheme != std::string_view::npos) {
        auto rest = without_query.substr(scheme + 3);
        host = rest.substr(0, rest.find('/'));
    }
    return fmt::format("stream: {} {} [{}]", quality, has_audio ? "video+audio" : "video only", host);
}

FetchWorkerEnvironment FetchWorkerEnvironment::with_settings(ServiceSettings settings)
{
    FetchWorkerEnvironment environment;
    environment.settings = std::move(settings);
    environment.make_ytdlp = [](ServiceSettings const& settings) -> BackendResult<std::unique_ptr<ContentBackend>> {
        auto backend = TRY(YtDlpBackend::create(settings));
        return std::make_unique<YtDlpBackend>(std::move(backend));
    };
    environment.make_innertube = make_innertube_backend;
    return environment;
}

FetchWorkerEnvironment FetchWorkerEnvironment::standard() { return with_settings(ServiceSettings::standard()); }

void run_fetch_worker(kaso::Receiver<WorkerRequest> requests, kaso::Sender<WorkerMessage> results, FetchWorkerEnvironment environment)
{
    FetchWorkerState state(std::move(results), std::move(environment));
    state.start();
    while (auto request = requests.receive())
        state.handle(*request);
}

}
