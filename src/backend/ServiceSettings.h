#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexa {

// Where every outside service lives and how long the program waits for it. The program uses
// `ServiceSettings::standard()`; tests build one that points every address at loopback.
struct ServiceSettings {
    std::string youtube_origin;      // web pages handed to yt-dlp (watch, trending, channel, playlist)
    std::string thumbnail_origin;    // the standard thumbnail address of a video id
    std::string sponsorblock_origin; // segments and DeArrow branding
    std::string dearrow_thumbnail_origin;
    std::string dislike_origin;
    std::string short_link_host { "youtu.be" }; // a shared video's link: "https://" + host + "/" + id
    std::vector<std::string> invidious_instances; // tried after those of KASO_VEXA_INVIDIOUS
    std::string ytdlp_program { "yt-dlp" };
    std::string innertube_client_version { "2.20250101.00.00" }; // the web client version innertube is told

    std::chrono::milliseconds service_timeout { 8'000 };
    std::chrono::milliseconds connect_timeout { 5'000 };
    std::chrono::milliseconds innertube_timeout { 15'000 };    // one innertube request, whole transfer
    std::chrono::milliseconds innertube_retry_wait { 1'000 }; // before the first retry; doubled for the second
    std::chrono::milliseconds invidious_request_timeout { 2'500 };
    std::chrono::milliseconds invidious_budget { 6'000 };
    // The yt-dlp time-outs per kind of run.
    std::chrono::milliseconds ytdlp_version_timeout { 3'000 };
    std::chrono::milliseconds ytdlp_search_timeout { 30'000 };
    std::chrono::milliseconds ytdlp_channel_timeout { 90'000 };
    std::chrono::milliseconds ytdlp_playlist_timeout { 60'000 };
    std::chrono::milliseconds ytdlp_video_timeout { 45'000 };

    // The public services.
    static ServiceSettings standard();
    // Every service at one loopback origin ("http://127.0.0.1:<port>"), with short time-outs.
    static ServiceSettings loopback(std::string const& origin);
};

inline constexpr std::string_view invidious_environment_variable { "KASO_VEXA_INVIDIOUS" };

// The instances of KASO_VEXA_INVIDIOUS (split at commas, trimmed, blanks skipped), then the
// settings' own, in order; duplicates stay.
std::vector<std::string> invidious_instances(ServiceSettings const& settings);
// As above with the variable's value given (none when unset).
std::vector<std::string> invidious_instances(ServiceSettings const& settings, std::optional<std::string_view> variable);

}
