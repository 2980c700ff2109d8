#include <string>
#include <thread>

#include <benchmark/benchmark.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include "src/backend/InnertubeBackend.h"
#include "src/backend/InnertubeBrowse.h"
#include "src/backend/InnertubeClient.h"
#include "src/backend/InnertubeJson.h"
#include "src/backend/ServiceSettings.h"

namespace {

// One search answer of about `bytes`, alternating the older and the current video shapes with
// a creator and a playlist now and then.
std::string search_answer_of(size_t bytes)
{
    auto legacy = nlohmann::json::parse(R"({"videoRenderer": {"videoId": "v", "title": {"runs": [{"text": "A video title of ordinary length"}]},
        "shortBylineText": {"runs": [{"text": "Creator", "navigationEndpoint": {"browseEndpoint": {"browseId": "UCcreator"}}}]},
        "channelThumbnailSupportedRenderers": {"channelThumbnailWithLinkRenderer": {"thumbnail": {"thumbnails": [{"url": "https://yt3.example/a", "width": 68, "height": 68}]}}},
        "viewCountText": {"simpleText": "1,234,567 views"}, "publishedTimeText": {"simpleText": "3 days ago"}, "lengthText": {"simpleText": "12:34"},
        "thumbnail": {"thumbnails": [{"url": "https://i.example/1.jpg", "width": 360, "height": 202}, {"url": "https://i.example/2.jpg", "width": 720, "height": 404}]},
        "detailedMetadataSnippets": [{"snippetText": {"runs": [{"text": "A description snippet that goes on for a while"}]}}],
        "thumbnailOverlays": [{"thumbnailOverlayTimeStatusRenderer": {"text": {"simpleText": "12:34"}, "style": "DEFAULT"}}]}})");
    auto current = nlohmann::json::parse(R"({"lockupViewModel": {"contentId": "v", "contentType": "LOCKUP_CONTENT_TYPE_VIDEO",
        "contentImage": {"thumbnailViewModel": {"overlays": [{"thumbnailBottomOverlayViewModel": {"badges": [{"thumbnailBadgeViewModel": {"text": "1:02:03"}}]}}]}},
        "metadata": {"lockupMetadataViewModel": {"title": {"content": "A current-shape video title"},
        "image": {"decoratedAvatarViewModel": {"avatar": {"avatarViewModel": {"image": {"sources": [{"url": "https://yt3.example/b", "width": 68, "height": 68}]}}}}},
        "metadata": {"contentMetadataViewModel": {"metadataRows": [
          {"metadataParts": [{"text": {"content": "Creator", "commandRuns": [{"onTap": {"innertubeCommand": {"browseEndpoint": {"browseId": "UCcreator"}}}}]}}]},
          {"metadataParts": [{"text": {"content": "3.4K views"}}, {"text": {"content": "2 weeks ago"}}]}]}}}}}})");
    auto channel = nlohmann::json::parse(R"({"channelRenderer": {"channelId": "UCc", "title": {"simpleText": "Creator"},
        "thumbnail": {"thumbnails": [{"url": "//yt3.example/c", "width": 176, "height": 176}]}, "subscriberCountText": {"simpleText": "@creator"},
        "videoCountText": {"simpleText": "1.2M subscribers"}}})");
    auto playlist = nlohmann::json::parse(R"({"playlistRenderer": {"playlistId": "PLp", "title": {"simpleText": "A playlist"}, "videoCount": "25",
        "thumbnails": [{"thumbnails": [{"url": "https://i.example/p.jpg", "width": 480, "height": 270}]}]}})");

    auto contents = nlohmann::json::array();
    size_t size = 0;
    for (size_t index = 0; size < bytes; ++index) {
        auto item = index % 20 == 7 ? channel : index % 20 == 13 ? playlist : index % 2 == 0 ? legacy : current;
        if (item.contains("videoRenderer"))
            item["videoRenderer"]["videoId"] = "vid" + std::to_string(index);
        if (item.contains("lockupViewModel"))
            item["lockupViewModel"]["contentId"] = "vid" + std::to_string(index);
        size += item.dump().size();
        contents.push_back(std::move(item));
    }
    nlohmann::json answer;
    answer["contents"]["twoColumnSearchResultsRenderer"]["primaryContents"]["sectionListRenderer"]["contents"] = { { { "itemSectionRenderer", { { "contents", contents } } } } };
    // With room behind it, as the client leaves its answer bodies, so the parser reads it in place.
    auto text = answer.dump();
    text.reserve(text.size() + vexa::innertube::answer_padding);
    return text;
}

void parse_and_map_search_answer(benchmark::State& state)
{
    auto text = search_answer_of(2 * 1024 * 1024);
    size_t videos = 0;
    for (auto _ : state) {
        auto answer = vexa::innertube::Answer::parse(text, vexa::innertube_body_limit, vexa::innertube_max_depth);
        if (!answer) {
            state.SkipWithError(answer.error().message.c_str());
            break;
        }
        auto items = vexa::innertube::search_answer(answer->root(), "https://i.ytimg.com");
        videos = items.videos.size();
        benchmark::DoNotOptimize(items);
    }
    state.counters["videos"] = static_cast<double>(videos);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(parse_and_map_search_answer)->Unit(benchmark::kMillisecond);

void map_parsed_search_answer(benchmark::State& state)
{
    auto answer = vexa::innertube::Answer::parse(search_answer_of(2 * 1024 * 1024), vexa::innertube_body_limit, vexa::innertube_max_depth);
    if (!answer) {
        state.SkipWithError(answer.error().message.c_str());
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(vexa::innertube::search_answer(answer->root(), "https://i.ytimg.com"));
}
BENCHMARK(map_parsed_search_answer)->Unit(benchmark::kMillisecond);

// The bounded parse alone: the share of the JSON reader in the whole.
void parse_search_answer(benchmark::State& state)
{
    auto text = search_answer_of(2 * 1024 * 1024);
    for (auto _ : state)
        benchmark::DoNotOptimize(vexa::innertube::Answer::parse(text, vexa::innertube_body_limit, vexa::innertube_max_depth));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(parse_search_answer)->Unit(benchmark::kMillisecond);

// One whole search on the backend against a loopback service: the request on the reused
// transfer handle, the answer (about 64 KB, one page of results) and its mapping.
void search_over_loopback(benchmark::State& state)
{
    auto answer = search_answer_of(64 * 1024);
    httplib::Server server;
    server.Post("/youtube/youtubei/v1/search", [&](httplib::Request const&, httplib::Response& response) {
        // A type the server does not compress: its compressing would dwarf what is measured.
        response.set_content(answer, "application/octet-stream");
    });
    server.set_tcp_nodelay(true); // else the answer waits on a delayed acknowledgement
    int port = server.bind_to_any_port("127.0.0.1");
    std::thread serving([&] { server.listen_after_bind(); });
    while (!server.is_running())
        std::this_thread::yield();

    auto settings = vexa::ServiceSettings::loopback("http://127.0.0.1:" + std::to_string(port));
    auto backend = vexa::InnertubeBackend::make(settings);
    if (!backend) {
        state.SkipWithError(backend.error().message.c_str());
    } else {
        for (auto _ : state) {
            auto result = (*backend)->search("cats");
            if (!result) {
                state.SkipWithError(result.error().message.c_str());
                break;
            }
            benchmark::DoNotOptimize(result);
        }
    }
    server.stop();
    serving.join();
}
BENCHMARK(search_over_loopback)->Unit(benchmark::kMicrosecond);

}

BENCHMARK_MAIN();
