#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "kaso/platform/Error.h"
#include "kaso/platform/Http.h"
#include "src/backend/ServiceSettings.h"
#include "src/model/Segment.h"

namespace vexa {

// A community title and thumbnail moment for a video.
struct Branding {
    std::optional<std::string> title;
    std::optional<std::string> thumbnail_url;

    bool operator==(Branding const&) const = default;
};

// The services' HTTP client: the worker's user agent, its time-outs and a 1 MiB body cap.
kaso::platform::HttpOptions service_http_options(ServiceSettings const& settings);

// SponsorBlock: the segments of every category, sorted by start.
kaso::ErrorOr<std::vector<Segment>> fetch_sponsor_segments(
    kaso::platform::HttpClient& client, ServiceSettings const& settings, std::string_view video_id);
// DeArrow: the best usable title and thumbnail moment.
kaso::ErrorOr<Branding> fetch_dearrow_branding(
    kaso::platform::HttpClient& client, ServiceSettings const& settings, std::string_view video_id);
// The dislike-count service.
kaso::ErrorOr<uint64_t> fetch_dislike_count(
    kaso::platform::HttpClient& client, ServiceSettings const& settings, std::string_view video_id);

// The readers of the three answers, apart from the transport.
std::vector<Segment> sponsor_segments_from_json(nlohmann::json const& answer);
Branding dearrow_branding_from_json(
    nlohmann::json const& answer, std::string_view dearrow_thumbnail_origin, std::string_view video_id);
kaso::ErrorOr<uint64_t> dislike_count_from_json(nlohmann::json const& answer);

// A usable DeArrow submission's score: a locked one beats every unlocked one; "original" entries
// and unlocked ones with negative votes are not usable.
std::optional<int64_t> dearrow_item_score(nlohmann::json const& item);
// The shortest decimal that reads back as the number, without exponent: 5, 12.5.
std::string shortest_decimal(double value);

}
