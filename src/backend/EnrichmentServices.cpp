#include "src/backend/EnrichmentServices.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include <fmt/format.h>

#include "src/backend/JsonInput.h"

namespace vexa {

using kaso::platform::HttpClient;
using nlohmann::json;
namespace in = json_input;

namespace {

// Every category the model knows, as the JSON array of API ids that SponsorBlock takes.
std::string const& all_categories_json()
{
    static std::string const list = [] {
        json ids = json::array();
        for (auto category : all_segment_categories)
            ids.push_back(segment_category_api_id(category));
        return ids.dump();
    }();
    return list;
}

kaso::ErrorOr<json> get_json(HttpClient& client, std::string const& url)
{
    auto body = TRY(client.get_success_body(url));
    auto parsed = in::parse(body, kaso::platform::service_body_limit);
    if (!parsed)
        return kaso::make_error(fmt::format("invalid JSON from {}: {}", url, parsed.error().message));
    return std::move(*parsed);
}

// Whether an element is usable only with a numeric "timestamp" member (thumbnails) or without
// one too (titles).
enum class Timestamp : bool {
    Optional,
    Required,
};

// The element with the greatest score among the usable ones; a later one wins a tie.
json const* best_item(json const& list, Timestamp timestamp_rule)
{
    json const* best = nullptr;
    int64_t best_score = 0;
    for (auto const& item : list) {
        if (timestamp_rule == Timestamp::Required) {
            auto const* timestamp = in::member(item, "timestamp");
            if (!timestamp || !timestamp->is_number())
                continue;
        }
        auto score = dearrow_item_score(item);
        if (!score)
            continue;
        if (!best || *score >= best_score) {
            best = &item;
            best_score = *score;
        }
    }
    return best;
}

}

kaso::platform::HttpOptions service_http_options(ServiceSettings const& settings)
{
    kaso::platform::HttpOptions options;
    options.user_agent = "vexa/0.1 (+kaso)";
    options.connect_timeout = std::min(settings.connect_timeout, settings.service_timeout);
    options.total_timeout = settings.service_timeout;
    options.max_body_bytes = kaso::platform::service_body_limit;
    return options;
}

std::vector<Segment> sponsor_segments_from_json(json const& answer)
{
    std::vector<Segment> segments;
    if (!answer.is_array())
        return segments;
    for (auto const& element : answer) {
        auto category = segment_category_from_api_id(in::text(element, "category"));
        auto const* bounds = in::member(element, "segment");
        if (!category || !bounds || !bounds->is_array())
            continue;
        double start = bounds->size() > 0 ? in::number((*bounds)[0]).value_or(0.0) : 0.0;
        double end = bounds->size() > 1 ? in::number((*bounds)[1]).value_or(start) : start;
        // Only a real, non-empty span is a segment: anything else could not be skipped sensibly.
        if (!std::isfinite(start) || !std::isfinite(end) || start < 0.0 || !(start < end))
            continue;
        Segment segment;
        segment.category = *category;
        segment.start = start;
        segment.end = end;
        segment.votes = in::signed_member(element, "votes");
        segments.push_back(segment);
    }
    std::ranges::stable_sort(segments, [](Segment const& a, Segment const& b) { return a.start < b.start; });
    return segments;
}

std::optional<int64_t> dearrow_item_score(json const& item)
{
    if (auto original = in::boolean_member(item, "original"); original && *original)
        return std::nullopt;
    int64_t votes = in::signed_member(item, "votes");
    if (auto locked = in::boolean_member(item, "locked")) {
        if (!*locked && votes < 0)
            return std::nullopt;
        if (!*locked)
            return votes;
        // Saturating, so a huge vote count cannot wrap below the unlocked ones.
        return votes > std::numeric_limits<int64_t>::max() - 1'000'000 ? std::numeric_limits<int64_t>::max() : votes + 1'000'000;
    }
    if (votes < 0)
        return std::nullopt;
    return votes;
}

std::string shortest_decimal(double value)
{
    std::array<char, 512> buffer {};
    auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed);
    if (error != std::errc {})
        return "0";
    return std::string(buffer.data(), end);
}

Branding dearrow_branding_from_json(json const& answer, std::string_view dearrow_thumbnail_origin, std::string_view video_id)
{
    Branding branding;
    if (auto const* titles = in::member(answer, "titles"); titles && titles->is_array()) {
        if (auto const* best = best_item(*titles, Timestamp::Optional)) {
            if (auto const* title = in::member(*best, "title"); title && title->is_string())
                branding.title = title->get<std::string>();
        }
    }
    if (auto const* thumbnails = in::member(answer, "thumbnails"); thumbnails && thumbnails->is_array()) {
        if (auto const* best = best_item(*thumbnails, Timestamp::Required)) {
            double timestamp = in::number((*best)["timestamp"]).value_or(0.0);
            if (std::isfinite(timestamp)) {
                branding.thumbnail_url = fmt::format("{}/api/v1/getThumbnail?videoID={}&time={}", dearrow_thumbnail_origin,
                    kaso::platform::percent_encode(video_id), shortest_decimal(timestamp));
            }
        }
    }
    return branding;
}

kaso::ErrorOr<uint64_t> dislike_count_from_json(json const& answer)
{
    auto const* dislikes = in::member(answer, "dislikes");
    auto count = dislikes ? in::unsigned_integer(*dislikes) : std::nullopt;
    if (!count)
        return kaso::make_error("no dislikes field in RYD response");
    return *count;
}

kaso::ErrorOr<std::vector<Segment>> fetch_sponsor_segments(HttpClient& client, ServiceSettings const& settings, std::string_view video_id)
{
    auto url = settings.sponsorblock_origin + "/api/skipSegments?"
        + kaso::platform::query_string({ { "videoID", video_id }, { "categories", all_categories_json() } });
    auto answer = TRY(get_json(client, url));
    return sponsor_segments_from_json(answer);
}

kaso::ErrorOr<Branding> fetch_dearrow_branding(HttpClient& client, ServiceSettings const& settings, std::string_view video_id)
{
    auto url = settings.sponsorblock_origin + "/api/branding?" + kaso::platform::query_string({ { "videoID", video_id } });
    auto answer = TRY(get_json(client, url));
    return dearrow_branding_from_json(answer, settings.dearrow_thumbnail_origin, video_id);
}

kaso::ErrorOr<uint64_t> fetch_dislike_count(HttpClient& client, ServiceSettings const& settings, std::string_view video_id)
{
    auto url = settings.dislike_origin + "/votes?" + kaso::platform::query_string({ { "videoId", video_id } });
    auto answer = TRY(get_json(client, url));
    return dislike_count_from_json(answer);
}

}
