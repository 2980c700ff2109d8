// Fuzz target of the innertube answer readers: every page reader and the text helpers run over
// one input, within the client's own size and depth bounds. The answer must read as
// nlohmann-json reads the same text: refused together (but for the depth bound, which the two
// count a little differently), and equal when read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "src/backend/InnertubeBrowse.h"
#include "src/backend/InnertubeClient.h"
#include "src/backend/InnertubeJson.h"
#include "src/backend/InnertubeText.h"
#include "src/backend/InnertubeWatch.h"
#include "src/backend/JsonInput.h"
#include "tests/backend/innertube/AnswerDifference.h"

namespace {

constexpr std::string_view origin = "http://127.0.0.1:1";

void check_videos(std::vector<vexa::Video> const& videos)
{
    for (auto const& video : videos) {
        if (video.id.empty() || !video.thumbnail_url.starts_with(origin) || video.channel_name.empty())
            std::abort();
        if (video.live && video.duration != 0)
            std::abort();
    }
}

}

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<char const*>(data), size);
    (void)vexa::innertube::parse_count(text);
    (void)vexa::innertube::parse_length(text);
    auto parsed = vexa::innertube::Answer::parse(std::string(text), vexa::innertube_body_limit, vexa::innertube_max_depth);
    auto reference = vexa::json_input::parse(text, vexa::innertube_body_limit, vexa::innertube_max_depth);
    if (reference) {
        if (!parsed || !vexa::testing::answer_difference(*reference, parsed->root()).empty())
            std::abort();
    } else if (parsed && !reference.error().message.starts_with("document nests deeper")) {
        std::abort();
    }
    if (!parsed)
        return 0;
    auto answer = parsed->root();
    auto items = vexa::innertube::search_answer(answer, origin);
    check_videos(items.videos);
    check_videos(vexa::innertube::trending_answer(answer, origin));
    if (auto channel = vexa::innertube::channel_answer(answer, "UCfuzz", origin)) {
        if (channel->first.id.empty() || channel->first.handle.empty())
            std::abort();
        check_videos(channel->second);
    }
    if (auto playlist = vexa::innertube::playlist_answer(answer, "PLfuzz", origin)) {
        if (playlist->first.video_ids.size() != playlist->second.size())
            std::abort();
        check_videos(playlist->second);
    }
    if (auto page = vexa::innertube::watch_page(answer, "vidfuzz", origin)) {
        if (page->video.id != "vidfuzz")
            std::abort();
        check_videos(page->related);
    }
    auto comments = vexa::innertube::comment_page(answer, 60);
    if (comments.size() > 60)
        std::abort();
    for (auto const& comment : comments) {
        if (comment.author.empty() || comment.initials.empty())
            std::abort();
    }
    return 0;
}
