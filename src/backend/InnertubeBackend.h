#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "src/backend/InnertubeBotguard.h"
#include "src/backend/InnertubeClient.h"
#include "src/backend/InnertubeRole.h"

namespace vexa {

struct ServiceSettings;

// The catalogue over YouTube's innertube web API. Metadata only: it resolves no streams and
// keeps the interface's defaults for `playlist` and `resolve_source`. Every call blocks its
// caller until the request is done; one thread at a time uses a backend.
class InnertubeBackend final : public InnertubeRole {
public:
    static BackendResult<std::unique_ptr<InnertubeBackend>> make(ServiceSettings const& settings);
    static BackendResult<std::unique_ptr<InnertubeBackend>> with_botguard(ServiceSettings const& settings, BotguardProvider const& provider);

    std::string name() const override { return m_label; }
    BackendResult<FetchResult> search(std::string_view query) override;
    BackendResult<FetchResult> video(std::string_view id) override;
    BackendResult<FetchResult> channel(std::string_view id) override;
    BackendResult<FetchResult> related(std::string_view id) override;
    BackendResult<FetchResult> trending() override;
    BackendResult<std::vector<Comment>> comments(std::string_view id) override;
    BackendResult<FetchResult> popular_search(std::string_view topic) override;
    BackendResult<SearchItems> search_items(std::string_view query) override;
    BackendResult<std::pair<Playlist, std::vector<Video>>> fetch_playlist(std::string_view id) override;

    static constexpr size_t comment_limit = 60;

private:
    InnertubeBackend(ServiceSettings const& settings, std::string label);

    // One request; the error carries `operation` in front of the cause.
    BackendResult<innertube::Answer> request(std::string const& operation, std::string_view endpoint, nlohmann::json fields);

    InnertubeClient m_client;
    std::string m_thumbnail_origin;
    std::string m_label;
};

}
