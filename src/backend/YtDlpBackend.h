#pragma once

#include <chrono>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "src/backend/ContentBackend.h"
#include "src/backend/ServiceSettings.h"

namespace vexa {

// The live backend that answers by running the external yt-dlp program and reading its JSON.
// It is the only backend that resolves a directly playable stream address.
class YtDlpBackend final : public ContentBackend {
public:
    static constexpr size_t version_output_limit = 64 * 1024;
    static constexpr size_t output_limit = 8 * 1024 * 1024;
    static constexpr int page_size = 30;
    static constexpr std::string_view format_selector {
        "best[protocol^=https][vcodec!=none][acodec!=none]/best[ext=mp4][protocol^=https]/best[protocol^=https]/best"
    };

    // Runs "<program> --version"; fails when yt-dlp cannot be run.
    static BackendResult<YtDlpBackend> create(ServiceSettings settings);

    std::string const& version() const { return m_version; }

    std::string name() const override;
    BackendResult<FetchResult> search(std::string_view query) override;
    BackendResult<FetchResult> video(std::string_view id) override;
    BackendResult<FetchResult> channel(std::string_view id) override;
    BackendResult<FetchResult> related(std::string_view id) override;
    BackendResult<FetchResult> trending() override;
    BackendResult<std::pair<Playlist, std::vector<Video>>> playlist(std::string_view id) override;
    BackendResult<PlaybackSource> resolve_source(std::string_view id) override;

    // The creator page's address for an id, a handle or an address, always ending in "/videos".
    std::string channel_address(std::string_view id) const;
    std::string watch_address(std::string_view id) const;

private:
    YtDlpBackend(ServiceSettings settings, std::string version);

    BackendResult<std::string> run(std::vector<std::string> const& arguments, std::chrono::milliseconds timeout) const;
    BackendResult<nlohmann::json> run_json(std::vector<std::string> const& arguments, std::chrono::milliseconds timeout) const;
    BackendResult<nlohmann::json> print_fields(std::optional<std::string_view> selector, std::span<std::string_view const> fields,
        std::string const& address, std::chrono::milliseconds timeout) const;
    std::vector<std::string> listing_arguments(std::string address) const;

    ServiceSettings m_settings;
    std::string m_version; // yt-dlp's own version text, trimmed
};

}
