#include "src/backend/YtDlpBackend.h"

#include <array>

#include <fmt/format.h>

#include "kaso/platform/CommandRunner.h"
#include "kaso/platform/Http.h"
#include "src/backend/JsonInput.h"
#include "src/backend/YtDlpJson.h"
#include "src/model/Text.h"

namespace vexa {

using kaso::platform::CommandErrorKind;
using kaso::platform::CommandLimits;

namespace {

// The last line of the error output, trimmed; empty when there is none.
std::string last_line(std::string const& bytes)
{
    auto trimmed = text::trim(bytes);
    auto newline = trimmed.rfind('\n');
    if (newline == std::string::npos)
        return trimmed;
    return text::trim(std::string_view(trimmed).substr(newline + 1));
}

constexpr std::array<std::string_view, 11> video_fields {
    "id", "title", "channel", "channel_id", "uploader_id", "view_count", "like_count", "duration", "upload_date",
    "description", "is_live",
};

constexpr std::array<std::string_view, 9> source_fields {
    "url", "width", "height", "fps", "format_note", "resolution", "ext", "vcodec", "acodec",
};

}

YtDlpBackend::YtDlpBackend(ServiceSettings settings, std::string version)
    : m_settings(std::move(settings))
    , m_version(std::move(version))
{
}

BackendResult<YtDlpBackend> YtDlpBackend::create(ServiceSettings settings)
{
    CommandLimits limits;
    limits.output_limit = version_output_limit;
    limits.timeout = settings.ytdlp_version_timeout;
    auto ran = kaso::platform::run_command(settings.ytdlp_program, { "--version" }, limits);
    if (!ran) {
        if (ran.error().kind == CommandErrorKind::Refused)
            return backend_error(ran.error().message);
        return backend_error("yt-dlp not runnable: " + ran.error().message);
    }
    if (ran->exit_status != 0)
        return backend_error("yt-dlp --version failed");
    auto version = text::trim(ran->standard_output);
    return YtDlpBackend(std::move(settings), std::move(version));
}

std::string YtDlpBackend::name() const { return "yt-dlp " + m_version; }

BackendResult<std::string> YtDlpBackend::run(std::vector<std::string> const& arguments, std::chrono::milliseconds timeout) const
{
    CommandLimits limits;
    limits.output_limit = output_limit;
    limits.timeout = timeout;
    auto ran = kaso::platform::run_command(m_settings.ytdlp_program, arguments, limits);
    if (!ran) {
        if (ran.error().kind == CommandErrorKind::Refused)
            return backend_error(ran.error().message);
        return backend_error("yt-dlp failed safely: " + ran.error().message);
    }
    if (ran->exit_status != 0)
        return backend_error("yt-dlp failed: " + last_line(ran->standard_error));
    return text::make_valid_utf8(ran->standard_output);
}

BackendResult<nlohmann::json> YtDlpBackend::run_json(std::vector<std::string> const& arguments, std::chrono::milliseconds timeout) const
{
    auto output = TRY(run(arguments, timeout));
    auto parsed = json_input::parse(text::trim(output), output_limit);
    if (!parsed)
        return backend_error("yt-dlp JSON parse: " + parsed.error().message);
    return std::move(*parsed);
}

BackendResult<nlohmann::json> YtDlpBackend::print_fields(std::optional<std::string_view> selector,
    std::span<std::string_view const> fields, std::string const& address, std::chrono::milliseconds timeout) const
{
    std::vector<std::string> arguments { "--no-warnings", "--no-playlist" };
    if (selector) {
        arguments.emplace_back("-f");
        arguments.emplace_back(*selector);
    }
    arguments.emplace_back("--print");
    arguments.push_back(ytdlp::print_template(fields));
    arguments.push_back(address);
    auto output = TRY(run(arguments, timeout));
    return ytdlp::printed_fields(output, fields);
}

std::vector<std::string> YtDlpBackend::listing_arguments(std::string address) const
{
    return { "-J", "--flat-playlist", "--no-warnings", "--playlist-end", std::to_string(page_size), std::move(address) };
}

std::string YtDlpBackend::watch_address(std::string_view id) const
{
    return m_settings.youtube_origin + "/watch?" + kaso::platform::query_string({ { "v", id } });
}

std::string YtDlpBackend::channel_address(std::string_view id) const
{
    std::string address;
    if (id.starts_with("http")) {
        address = std::string(id);
        while (!address.empty() && address.back() == '/')
            address.pop_back();
    } else if (id.starts_with("UC")) {
        address = m_settings.youtube_origin + "/channel/" + kaso::platform::percent_encode(id);
    } else {
        auto handle = id.starts_with('@') ? id.substr(1) : id;
        address = m_settings.youtube_origin + "/@" + kaso::platform::percent_encode(handle);
    }
    if (!address.ends_with("/videos"))
        address += "/videos";
    return address;
}

BackendResult<FetchResult> YtDlpBackend::search(std::string_view query)
{
    std::vector<std::string> arguments { "-J", "--flat-playlist", "--no-warnings",
        fmt::format("ytsearch{}:{}", page_size, query) };
    auto document = TRY(run_json(arguments, m_settings.ytdlp_search_timeout));
    return FetchedVideos { ytdlp::entries(document, "Search", m_settings.thumbnail_origin) };
}

BackendResult<FetchResult> YtDlpBackend::trending()
{
    auto document = TRY(run_json(listing_arguments(m_settings.youtube_origin + "/feed/trending"), m_settings.ytdlp_search_timeout));
    return FetchedVideos { ytdlp::entries(document, "Trending", m_settings.thumbnail_origin) };
}

BackendResult<FetchResult> YtDlpBackend::related(std::string_view) { return FetchedVideos {}; }

BackendResult<FetchResult> YtDlpBackend::video(std::string_view id)
{
    auto fields = TRY(print_fields(std::nullopt, video_fields, watch_address(id), m_settings.ytdlp_video_timeout));
    return FetchedVideo { ytdlp::video_from_json(fields, "Video", m_settings.thumbnail_origin) };
}

BackendResult<FetchResult> YtDlpBackend::channel(std::string_view id)
{
    auto document = TRY(run_json(listing_arguments(channel_address(id)), m_settings.ytdlp_channel_timeout));
    auto record = ytdlp::channel_from_json(document);
    auto uploads = ytdlp::channel_uploads(document, record, m_settings.thumbnail_origin);
    return FetchedChannel { std::move(record), std::move(uploads) };
}

BackendResult<std::pair<Playlist, std::vector<Video>>> YtDlpBackend::playlist(std::string_view id)
{
    std::string address = id.starts_with("http")
        ? std::string(id)
        : m_settings.youtube_origin + "/playlist?" + kaso::platform::query_string({ { "list", id } });
    auto document = TRY(run_json(listing_arguments(std::move(address)), m_settings.ytdlp_playlist_timeout));
    return ytdlp::playlist_from_json(document, id, m_settings.thumbnail_origin);
}

BackendResult<PlaybackSource> YtDlpBackend::resolve_source(std::string_view id)
{
    auto fields = TRY(print_fields(format_selector, source_fields, watch_address(id), m_settings.ytdlp_video_timeout));
    return ytdlp::playback_source_from_fields(fields, id);
}

}
