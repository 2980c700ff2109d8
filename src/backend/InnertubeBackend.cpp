#include "src/backend/InnertubeBackend.h"

#include "kaso/platform/Error.h"
#include "src/backend/InnertubeBrowse.h"
#include "src/backend/InnertubeJson.h"
#include "src/backend/InnertubeWatch.h"
#include "src/backend/ServiceSettings.h"

namespace vexa {

namespace {

// Search filters, as the web client sends them: sort by view count, uploaded this week, videos.
constexpr char const* popular_search_params = "CAMSBAgDEAE%3D";
constexpr char const* trending_params = "4gIOGgxtb3N0X3BvcHVsYXI%3D";
constexpr char const* channel_videos_params = "EgZ2aWRlb3PyBgQKAjoA";

nlohmann::json watch_fields(std::string_view id)
{
    return { { "videoId", std::string(id) }, { "contentCheckOk", true }, { "racyCheckOk", true } };
}

}

InnertubeBackend::InnertubeBackend(ServiceSettings const& settings, std::string label)
    : m_client(settings)
    , m_thumbnail_origin(settings.thumbnail_origin)
    , m_label(std::move(label))
{
}

BackendResult<std::unique_ptr<InnertubeBackend>> InnertubeBackend::make(ServiceSettings const& settings)
{
    return with_botguard(settings, NullBotguard {});
}

BackendResult<std::unique_ptr<InnertubeBackend>> InnertubeBackend::with_botguard(ServiceSettings const& settings, BotguardProvider const& provider)
{
    std::string label = provider.is_available() ? "botguard enabled (streams available)" : "no_botguard (metadata only)";
    return std::unique_ptr<InnertubeBackend>(new InnertubeBackend(settings, std::move(label)));
}

BackendResult<innertube::Answer> InnertubeBackend::request(std::string const& operation, std::string_view endpoint, nlohmann::json fields)
{
    auto answer = m_client.call(endpoint, std::move(fields));
    if (!answer)
        return backend_error(operation + answer.error().message);
    return answer;
}

BackendResult<FetchResult> InnertubeBackend::search(std::string_view query)
{
    auto answer = TRY(request("search: ", "search", { { "query", std::string(query) } }));
    return FetchedVideos { innertube::search_answer(answer.root(), m_thumbnail_origin).videos };
}

BackendResult<FetchResult> InnertubeBackend::popular_search(std::string_view topic)
{
    auto operation = "popular_search " + kaso::debug_text(topic) + ": ";
    auto answer = TRY(request(operation, "search", { { "query", std::string(topic) }, { "params", popular_search_params } }));
    return FetchedVideos { innertube::search_answer(answer.root(), m_thumbnail_origin).videos };
}

BackendResult<SearchItems> InnertubeBackend::search_items(std::string_view query)
{
    auto answer = TRY(request("search_items: ", "search", { { "query", std::string(query) } }));
    return innertube::search_answer(answer.root(), m_thumbnail_origin);
}

BackendResult<FetchResult> InnertubeBackend::video(std::string_view id)
{
    auto answer = TRY(request("video: ", "next", watch_fields(id)));
    auto page = innertube::watch_page(answer.root(), id, m_thumbnail_origin);
    if (!page)
        return backend_error("video: " + page.error().message);
    return FetchedVideo { std::move(page->video) };
}

BackendResult<FetchResult> InnertubeBackend::related(std::string_view id)
{
    auto answer = TRY(request("related: ", "next", watch_fields(id)));
    auto page = innertube::watch_page(answer.root(), id, m_thumbnail_origin);
    if (!page)
        return backend_error("related: " + page.error().message);
    return FetchedVideos { std::move(page->related) };
}

BackendResult<FetchResult> InnertubeBackend::trending()
{
    auto answer = TRY(request("trending: ", "browse", { { "browseId", "FEtrending" }, { "params", trending_params } }));
    return FetchedVideos { innertube::trending_answer(answer.root(), m_thumbnail_origin) };
}

BackendResult<FetchResult> InnertubeBackend::channel(std::string_view id)
{
    auto answer = TRY(request("channel: ", "browse", { { "browseId", std::string(id) }, { "params", channel_videos_params } }));
    auto page = innertube::channel_answer(answer.root(), id, m_thumbnail_origin);
    if (!page)
        return backend_error("channel: " + page.error().message);
    return FetchedChannel { std::move(page->first), std::move(page->second) };
}

BackendResult<std::pair<Playlist, std::vector<Video>>> InnertubeBackend::fetch_playlist(std::string_view id)
{
    auto operation = "playlist " + std::string(id) + ": ";
    auto answer = TRY(request(operation, "browse", { { "browseId", "VL" + std::string(id) } }));
    auto page = innertube::playlist_answer(answer.root(), id, m_thumbnail_origin);
    if (!page)
        return backend_error(operation + page.error().message);
    return std::move(*page);
}

BackendResult<std::vector<Comment>> InnertubeBackend::comments(std::string_view id)
{
    auto details_operation = "comments details " + std::string(id) + ": ";
    auto details = TRY(request(details_operation, "next", watch_fields(id)));
    auto page = innertube::watch_page(details.root(), id, m_thumbnail_origin);
    if (!page)
        return backend_error(details_operation + page.error().message);
    // A video whose comments are off offers no first page: that is no comments, not a failure.
    if (page->comments_token.empty())
        return std::vector<Comment> {};
    auto comments_page = TRY(request("comments page " + std::string(id) + ": ", "next", { { "continuation", page->comments_token } }));
    return innertube::comment_page(comments_page.root(), comment_limit);
}

}
