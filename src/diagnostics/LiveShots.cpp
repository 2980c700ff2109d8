#include "src/diagnostics/LiveShots.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>

#include "src/app/VexaApp.h"
#include "src/backend/InnertubeRole.h"
#include "src/backend/YtDlpBackend.h"
#include "src/backend/YtDlpJson.h"
#include "src/diagnostics/Console.h"
#include "src/diagnostics/DiagnosticMode.h"
#include "src/diagnostics/DisplayUrl.h"
#include "src/diagnostics/EngineProbe.h"
#include "src/diagnostics/Shots.h"

namespace vexa {

namespace {

using kaso::ui::image_store::LoadState;
using kaso::ui::image_store::SharedImageStore;

std::unique_ptr<VexaApp> shot_app(VexaModel model, SharedImageStore store)
{
    auto app = VexaApp::create_for_diagnostics();
    app->set_viewport(shot_width, shot_height).with_model(std::move(model)).with_image_store(std::move(store));
    return app;
}

Video placeholder_video(ServiceSettings const& settings, std::string const& id)
{
    Video video;
    video.id = id;
    video.title = "Live video";
    video.channel_name = "Unknown creator";
    video.category = "Video";
    video.thumbnail_url = ytdlp::hq_thumbnail_url(settings.thumbnail_origin, id);
    return video;
}

std::optional<Channel> channel_of(ContentBackend& backend, std::string const& id)
{
    auto answer = backend.channel(id);
    if (!answer)
        return std::nullopt;
    auto* fetched = std::get_if<FetchedChannel>(&*answer);
    if (!fetched)
        return std::nullopt;
    return std::move(fetched->channel);
}

kaso::ErrorOr<void> shoot_watch(DiagnosticEnvironment& environment, YtDlpBackend& ytdlp, std::filesystem::path const& directory)
{
    auto& console = environment.console;
    std::string id(default_probe_video_id);
    console.out("live-shots[watch]: metadata + rangeable stream for [{}]…", id);
    auto video = placeholder_video(environment.settings, id);
    if (auto answer = ytdlp.video(id))
        if (auto* fetched = std::get_if<FetchedVideo>(&*answer))
            video = std::move(fetched->video);
    auto stream = resolve_probe_stream(ytdlp, environment.settings, id);
    if (!stream) {
        console.err("live-shots[watch]: no Invidious proxy served bytes and no direct URL resolved — skipped the watch still (reported "
                    "honestly, not faked).");
        return {};
    }
    console.out("  resolved {} stream; decoding a real frame via the media engine…", stream->quality);
    auto model = VexaModel::empty();
    model.ensure_channel(video.channel_id, video.channel_name);
    auto channel_id = video.channel_id;
    model.upsert_video(std::move(video));
    model.status_label = "live";

    auto store = new_image_store();
    if (auto channel = channel_of(ytdlp, channel_id)) {
        model.set_channel_avatar(channel->id, channel->avatar_url);
        if (!channel->avatar_url.empty()) {
            console.out("  creator avatar: {}", display_url(channel->avatar_url));
            store->get(channel->avatar_url);
            store->block_until_idle(std::chrono::seconds(20));
        }
    }
    auto app = shot_app(std::move(model), store);
    app->shot_watch_state(id, stream->url);
    auto path = directory / "watch.png";
    TRY(write_shot(std::move(app), path, console));
    console.out("  wrote {}", path.string());
    return {};
}

VexaModel search_model(SearchItems const& items)
{
    auto model = VexaModel::empty();
    for (auto const& video : items.videos) {
        model.ensure_channel(video.channel_id, video.channel_name);
        model.fill_channel_avatar(video.channel_id, video.channel_name, video.channel_avatar_url);
        model.upsert_video(video);
    }
    for (auto const& playlist : items.playlists) {
        model.ensure_channel(playlist.channel_id, playlist.channel_name);
        model.upsert_playlist(playlist);
    }
    for (auto const& creator : items.channels) {
        model.fill_channel_avatar(creator.id, creator.name, creator.avatar_url);
        model.upsert_channel(creator);
    }
    model.share_avatars_by_name();
    return model;
}

// Up to five creators still without an avatar, those with the most videos first, asked of yt-dlp.
void fetch_missing_avatars(VexaModel& model, SearchItems const& items, YtDlpBackend& ytdlp, Console& console)
{
    std::map<std::string, std::size_t> missing;
    for (auto const& video : items.videos) {
        auto const* known = model.channel(video.channel_id);
        if (!known || known->avatar_url.empty())
            ++missing[video.channel_id];
    }
    std::vector<std::pair<std::string, std::size_t>> ranked(missing.begin(), missing.end());
    std::stable_sort(ranked.begin(), ranked.end(), [](auto const& a, auto const& b) { return a.second > b.second; });
    ranked.resize(std::min<std::size_t>(ranked.size(), 5));
    for (auto const& [id, count] : ranked) {
        if (auto channel = channel_of(ytdlp, id)) {
            model.fill_channel_avatar(channel->id, channel->name, channel->avatar_url);
            console.out("  fetched avatar for {}: {}", kaso::debug_text(channel->name), display_url(channel->avatar_url));
        }
    }
    model.share_avatars_by_name();
}

std::size_t non_empty(std::vector<std::string> const& addresses)
{
    return std::count_if(addresses.begin(), addresses.end(), [](auto const& address) { return !address.empty(); });
}

kaso::ErrorOr<void> shoot_playlist(SearchItems const& items, YtDlpBackend& ytdlp, std::filesystem::path const& directory, Console& console)
{
    std::optional<std::pair<Playlist, std::vector<Video>>> answered;
    for (auto const& listed : items.playlists) {
        console.out("live-shots[playlist]: fetching {} via yt-dlp…", listed.id);
        if (auto answer = ytdlp.playlist(listed.id)) {
            answered = std::move(*answer);
            break;
        }
    }
    if (!answered) {
        console.err("live-shots[playlist]: no listed playlist resolved — skipping playlist still.");
        return {};
    }
    auto& [playlist, videos] = *answered;
    auto model = VexaModel::empty();
    std::vector<std::string> images { playlist.thumbnail_url };
    for (auto const& video : videos) {
        model.ensure_channel(video.channel_id, video.channel_name);
        model.set_channel_avatar(video.channel_id, video.channel_avatar_url);
        model.upsert_video(video);
        images.push_back(video.thumbnail_url);
    }
    model.ensure_channel(playlist.channel_id, playlist.channel_name);
    model.upsert_playlist(playlist);
    model.route = Route::playlist(playlist.id);
    auto store = new_image_store();
    prewarm_images(*store, images);
    store->block_until_idle(std::chrono::seconds(30));
    auto path = directory / "playlist.png";
    TRY(write_shot(shot_app(std::move(model), store), path, console));
    console.out("  wrote {} ({} videos)", path.string(), videos.size());
    return {};
}

kaso::ErrorOr<void> shoot_search(DiagnosticEnvironment& environment, YtDlpBackend& ytdlp, std::filesystem::path const& directory,
    std::string const& query)
{
    auto& console = environment.console;
    auto innertube = make_innertube_backend(environment.settings);
    if (!innertube)
        return kaso::make_error(fmt::format("rustypipe backend: {}", innertube.error().message));
    console.out("live-shots[search]: rustypipe search for {}…", kaso::debug_text(query));
    auto items = (*innertube)->search_items(query);
    if (!items) {
        console.err("live-shots[search]: rustypipe search failed: {}", items.error().message);
        return {};
    }
    if (items->videos.empty() && items->playlists.empty() && items->channels.empty()) {
        console.err("live-shots[search]: empty result set — skipping search/home/playlist stills.");
        return {};
    }
    console.out("  {} videos, {} playlists, {} creators", items->videos.size(), items->playlists.size(), items->channels.size());

    auto model = search_model(*items);
    fetch_missing_avatars(model, *items, ytdlp, console);
    model.search_text = query;
    model.search_query = query;
    for (auto const& video : items->videos)
        model.search_video_ids.push_back(video.id);
    for (auto const& playlist : items->playlists)
        model.search_playlist_ids.push_back(playlist.id);
    for (auto const& creator : items->channels)
        model.search_channel_ids.push_back(creator.id);
    model.route = Route::search(query);
    model.status_label = "live";
    model.status_live = true;

    std::vector<std::string> images;
    for (auto const& video : items->videos)
        images.push_back(video.thumbnail_url);
    for (auto const& channel : model.channels)
        images.push_back(channel.avatar_url);
    for (auto const& playlist : items->playlists)
        images.push_back(playlist.thumbnail_url);
    auto store = new_image_store();
    prewarm_images(*store, images);
    console.out("  prewarming {} thumbnails + avatars…", non_empty(images));
    store->block_until_idle(std::chrono::seconds(45));
    console.out("  images settled: {} still pending", store->pending());

    console.out("  -- render-time channel-record state --");
    for (auto const& channel : model.channels) {
        bool miss = store->get(channel.avatar_url).state == LoadState::Failed;
        console.out("     id={} name={} avatar={} store={}", kaso::debug_text(channel.id), kaso::debug_text(channel.name),
            channel.avatar_url.empty() ? "<EMPTY>" : "set", miss ? "miss" : "DECODED");
    }

    auto search_path = directory / "search.png";
    TRY(write_shot(shot_app(model, store), search_path, console));
    console.out("  wrote {}", search_path.string());
    auto home = model;
    home.route = Route::home();
    auto home_path = directory / "home.png";
    TRY(write_shot(shot_app(std::move(home), store), home_path, console));
    console.out("  wrote {}", home_path.string());

    return shoot_playlist(*items, ytdlp, directory, console);
}

}

ModeOutcome run_live_shots(DiagnosticEnvironment& environment, std::string const& directory, std::string const& query)
{
    std::filesystem::path root(directory);
    std::error_code ignored;
    std::filesystem::create_directories(root, ignored);
    auto ytdlp = YtDlpBackend::create(environment.settings);
    if (!ytdlp)
        return kaso::make_error(fmt::format("yt-dlp backend: {}", ytdlp.error().message));
    TRY(shoot_watch(environment, *ytdlp, root));
    TRY(shoot_search(environment, *ytdlp, root, query));
    environment.console.out("live-shots: done ({})", directory);
    return ExitStatus::Success;
}

}
