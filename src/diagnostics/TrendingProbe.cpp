#include <algorithm>
#include <array>

#include "kaso/platform/Error.h"
#include "src/backend/InnertubeRole.h"
#include "src/diagnostics/Console.h"
#include "src/diagnostics/ContentProbes.h"
#include "src/diagnostics/DiagnosticMode.h"

namespace vexa {

namespace {

constexpr std::array<std::string_view, 6> popular_topics { "news", "music", "gaming", "technology", "sports", "science" };

std::vector<Video> const* videos_of(BackendResult<FetchResult> const& answer)
{
    if (!answer)
        return nullptr;
    auto const* videos = std::get_if<FetchedVideos>(&*answer);
    return videos ? &videos->videos : nullptr;
}

}

ModeOutcome run_probe_trending(DiagnosticEnvironment& environment)
{
    auto& console = environment.console;
    console.err("probe-trending: constructing the live rustypipe backend…");
    auto backend = make_innertube_backend(environment.settings);
    if (!backend)
        return kaso::make_error(fmt::format("live backend construction failed: {}", backend.error().message));

    console.out("probe-trending: calling the dedicated trending endpoint (FEtrending)…");
    auto trending = (*backend)->trending();
    auto const* trending_videos = videos_of(trending);
    if (!trending) {
        console.out("  dedicated endpoint FAILED (as expected, it is retired): {}", trending.error().message);
    } else if (trending_videos && !trending_videos->empty()) {
        console.out("  REAL trending returned {} videos:", trending_videos->size());
        auto shown = std::min<std::size_t>(trending_videos->size(), 15);
        for (std::size_t i = 0; i < shown; ++i) {
            auto const& video = (*trending_videos)[i];
            console.out("  {:>2}. [{}] {} — {}", i + 1, video.id, video.title, video.channel_name);
        }
        return ExitStatus::Success;
    } else {
        console.out("  dedicated endpoint returned EMPTY (no error, no videos).");
    }

    console.out("");
    console.out("probe-trending: composing a REAL popular feed via view-count-sorted, last-week search…");
    std::size_t total = 0;
    for (auto topic : popular_topics) {
        auto answer = (*backend)->popular_search(topic);
        auto const* videos = videos_of(answer);
        if (!answer) {
            console.err("  {:>10}: FAILED: {}", topic, answer.error().message);
        } else if (videos && !videos->empty()) {
            total += videos->size();
            auto const& top = videos->front();
            console.out("  {:>10}: {} popular videos; top: [{}] {} ({} views)", topic, videos->size(), top.id, top.title, top.views);
        } else {
            console.out("  {:>10}: empty", topic);
        }
    }
    if (total == 0) {
        console.err("probe-trending: no popular results at all — network/parse failure.");
        return ExitStatus::NoResults;
    }
    console.out("probe-trending: composed feed draws on {} real popular videos across {} topics.", total, popular_topics.size());
    return ExitStatus::Success;
}

}
