#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "src/backend/InnertubeRole.h"

namespace vexa::testing {

// What a fake innertube backend answers. Shared by every backend a worker makes from it; set
// before the worker starts, read on the worker's thread.
struct InnertubeScript {
    std::string name { "no_botguard (metadata only)" };
    BackendResult<FetchResult> search { FetchedVideos {} };
    BackendResult<FetchResult> trending { FetchedVideos {} };
    BackendResult<FetchResult> video { backend_error("video: not scripted") };
    BackendResult<FetchResult> related { FetchedVideos {} };
    BackendResult<FetchResult> channel { backend_error("channel: not scripted") };
    std::map<std::string, BackendResult<FetchResult>> popular; // by topic; unlisted topics answer an empty list
    BackendResult<SearchItems> items { SearchItems {} };
    BackendResult<std::vector<Comment>> comments { std::vector<Comment> {} };
    BackendResult<std::pair<Playlist, std::vector<Video>>> playlist { backend_error("playlist: not scripted") };
    BackendResult<PlaybackSource> source { backend_error("this backend cannot resolve a playback source") };

    // When set, `search` waits here until `release()`: the worker is then busy.
    bool hold_search { false };

    std::atomic<int> made { 0 };
    std::atomic<int> destroyed { 0 };
    std::atomic<bool> search_entered { false };

    void release();
    void wait_until_released();

private:
    std::mutex m_mutex;
    std::condition_variable m_released_signal;
    bool m_released { false };
};

class FakeInnertube final : public InnertubeRole {
public:
    explicit FakeInnertube(std::shared_ptr<InnertubeScript> script);
    ~FakeInnertube() override;

    std::string name() const override { return m_script->name; }
    BackendResult<FetchResult> search(std::string_view query) override;
    BackendResult<FetchResult> video(std::string_view) override { return m_script->video; }
    BackendResult<FetchResult> channel(std::string_view) override { return m_script->channel; }
    BackendResult<FetchResult> related(std::string_view) override { return m_script->related; }
    BackendResult<FetchResult> trending() override { return m_script->trending; }
    BackendResult<FetchResult> popular_search(std::string_view topic) override;
    BackendResult<std::vector<Comment>> comments(std::string_view) override { return m_script->comments; }
    BackendResult<PlaybackSource> resolve_source(std::string_view) override { return m_script->source; }
    BackendResult<SearchItems> search_items(std::string_view) override { return m_script->items; }
    BackendResult<std::pair<Playlist, std::vector<Video>>> fetch_playlist(std::string_view) override { return m_script->playlist; }

private:
    std::shared_ptr<InnertubeScript> m_script;
};

// A maker of fake innertube backends over one script.
std::function<BackendResult<std::unique_ptr<InnertubeRole>>(ServiceSettings const&)> innertube_maker(std::shared_ptr<InnertubeScript> script);
// The same backend offered as the worker's first choice, in place of yt-dlp.
std::function<BackendResult<std::unique_ptr<ContentBackend>>(ServiceSettings const&)> primary_maker(std::shared_ptr<InnertubeScript> script);

Video test_video(std::string id, std::string channel_id = {}, std::string channel_name = {});

}
