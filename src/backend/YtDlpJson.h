#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "src/backend/BackendError.h"
#include "src/backend/PlaybackSource.h"
#include "src/model/Channel.h"
#include "src/model/Playlist.h"
#include "src/model/Video.h"

// Reading yt-dlp's JSON. Missing or mistyped members are never errors: they read as empty text,
// 0, false or null.
namespace vexa::ytdlp {

// The thumbnail address that every video id has: <origin>/vi/<id>/hqdefault.jpg; empty for an empty id.
std::string hq_thumbnail_url(std::string_view thumbnail_origin, std::string_view video_id);

// "YYYYMMDD" as "today", "3 days ago", "2 weeks ago", ... or "Mar 5, 2021"; any other text unchanged.
std::string relative_upload_date(std::string_view upload_date, int64_t today_days);
std::string relative_upload_date(std::string_view upload_date);
// Days since 1970-01-01 of the system clock in UTC (0 before 1970).
int64_t days_today();

// A number of seconds as a whole count: truncated, NaN and negatives give 0, huge values the largest.
uint32_t duration_seconds(double seconds);

Video video_from_json(nlohmann::json const& object, std::string_view category, std::string_view thumbnail_origin);
// The "entries" of a listing, skipping nulls and entries without an id.
std::vector<Video> entries(nlohmann::json const& document, std::string_view category, std::string_view thumbnail_origin);

// The avatar and banner addresses of a creator page's "thumbnails".
std::pair<std::string, std::string> channel_images(nlohmann::json const& document);
Channel channel_from_json(nlohmann::json const& document);
// The uploads of a creator page, given the creator's id, name and the category "Channel".
std::vector<Video> channel_uploads(nlohmann::json const& document, Channel const& channel, std::string_view thumbnail_origin);

std::pair<Playlist, std::vector<Video>> playlist_from_json(
    nlohmann::json const& document, std::string_view requested_id, std::string_view thumbnail_origin);

// "%(a)j\t%(b)j..." for the fields.
std::string print_template(std::span<std::string_view const> fields);
// The first printed line split at tabs, each piece parsed as JSON; a missing or broken piece is null.
nlohmann::json printed_fields(std::string_view output, std::span<std::string_view const> fields);

BackendResult<PlaybackSource> playback_source_from_fields(nlohmann::json const& fields, std::string_view video_id);

}
