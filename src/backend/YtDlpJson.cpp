#include "src/backend/YtDlpJson.h"

#include <array>
#include <chrono>
#include <cmath>
#include <limits>

#include <fmt/format.h>

#include "src/backend/JsonInput.h"

namespace vexa::ytdlp {

using nlohmann::json;
namespace in = json_input;

namespace {

constexpr std::array<std::string_view, 12> month_names {
    "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec",
};

// Days since 1970-01-01 of a proleptic Gregorian date (the day is not checked against the month).
int64_t days_from_civil(int64_t year, unsigned month, unsigned day)
{
    year -= month <= 2 ? 1 : 0;
    int64_t era = (year >= 0 ? year : year - 399) / 400;
    auto year_of_era = static_cast<unsigned>(year - era * 400);
    unsigned day_of_year = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    unsigned day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146097 + static_cast<int64_t>(day_of_era) - 719468;
}

uint64_t dimension(json const& element, std::string_view key) { return in::unsigned_member(element, key); }

}

std::string hq_thumbnail_url(std::string_view thumbnail_origin, std::string_view video_id)
{
    if (video_id.empty())
        return {};
    // Written out rather than formatted: search pages build thousands of these.
    constexpr std::string_view folder = "/vi/";
    constexpr std::string_view file = "/hqdefault.jpg";
    std::string url;
    url.reserve(thumbnail_origin.size() + folder.size() + video_id.size() + file.size());
    url.append(thumbnail_origin).append(folder).append(video_id).append(file);
    return url;
}

int64_t days_today()
{
    auto seconds = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
    if (seconds < 0)
        return 0;
    return seconds / 86'400;
}

std::string relative_upload_date(std::string_view upload_date) { return relative_upload_date(upload_date, days_today()); }

std::string relative_upload_date(std::string_view upload_date, int64_t today_days)
{
    if (upload_date.size() != 8)
        return std::string(upload_date);
    for (char c : upload_date) {
        if (c < '0' || c > '9')
            return std::string(upload_date);
    }
    auto digits = [&](size_t from, size_t count) {
        unsigned value = 0;
        for (size_t index = from; index < from + count; ++index)
            value = value * 10 + static_cast<unsigned>(upload_date[index] - '0');
        return value;
    };
    unsigned year = digits(0, 4);
    unsigned month = digits(4, 2);
    unsigned day = digits(6, 2);
    if (month < 1 || month > 12 || day < 1 || day > 31)
        return std::string(upload_date);

    auto absolute = fmt::format("{} {}, {}", month_names[month - 1], day, year);
    int64_t age = today_days - days_from_civil(year, month, day);
    if (age < 0)
        return absolute;
    if (age == 0)
        return "today";
    if (age == 1)
        return "1 day ago";
    if (age <= 6)
        return fmt::format("{} days ago", age);
    if (age <= 13)
        return "1 week ago";
    if (age <= 29)
        return fmt::format("{} weeks ago", age / 7);
    if (age <= 59)
        return "1 month ago";
    if (age <= 364)
        return fmt::format("{} months ago", age / 30);
    return absolute;
}

uint32_t duration_seconds(double seconds)
{
    if (std::isnan(seconds) || seconds <= 0)
        return 0;
    if (seconds >= static_cast<double>(std::numeric_limits<uint32_t>::max()))
        return std::numeric_limits<uint32_t>::max();
    return static_cast<uint32_t>(seconds);
}

Video video_from_json(json const& object, std::string_view category, std::string_view thumbnail_origin)
{
    Video video;
    video.id = in::text(object, "id");
    video.title = in::first_text(object, { "title", "fulltitle" });
    video.channel_id = in::first_text(object, { "channel_id", "uploader_id" });
    video.channel_name = in::first_text(object, { "channel", "uploader", "uploader_id" });
    if (video.channel_name.empty())
        video.channel_name = "Unknown";
    video.channel_seed = video.channel_id.empty() ? video.id : video.channel_id;
    video.views = in::unsigned_member(object, "view_count");
    video.published = relative_upload_date(in::text(object, "upload_date"));
    if (auto const* duration = in::member(object, "duration"))
        video.duration = duration_seconds(in::number(*duration).value_or(0.0));
    video.description = in::text(object, "description");
    video.likes = in::unsigned_member(object, "like_count");
    video.seed = video.id;
    video.category = std::string(category);
    video.live = in::boolean_member(object, "is_live").value_or(false);

    // The best thumbnail: the largest area plus preference, a later one winning a tie.
    std::string best;
    uint64_t best_score = 0;
    bool have_best = false;
    if (auto const* thumbnails = in::member(object, "thumbnails"); thumbnails && thumbnails->is_array()) {
        for (auto const& element : *thumbnails) {
            auto url = in::text(element, "url");
            if (url.empty())
                continue;
            uint64_t width = dimension(element, "width");
            uint64_t height = dimension(element, "height");
            uint64_t preference = 0;
            if (auto preferred = in::signed_member(element, "preference"); preferred > 0)
                preference = static_cast<uint64_t>(preferred);
            // Saturating: hostile sizes must not wrap into a small score.
            uint64_t area = (height != 0 && width > std::numeric_limits<uint64_t>::max() / height)
                ? std::numeric_limits<uint64_t>::max()
                : width * height;
            uint64_t score = area > std::numeric_limits<uint64_t>::max() - preference ? std::numeric_limits<uint64_t>::max()
                                                                                       : area + preference;
            if (!have_best || score >= best_score) {
                best = std::move(url);
                best_score = score;
                have_best = true;
            }
        }
    }
    video.thumbnail_url = best.empty() ? hq_thumbnail_url(thumbnail_origin, video.id) : best;
    return video;
}

std::vector<Video> entries(json const& document, std::string_view category, std::string_view thumbnail_origin)
{
    std::vector<Video> videos;
    auto const* listed = in::member(document, "entries");
    if (!listed || !listed->is_array())
        return videos;
    for (auto const& element : *listed) {
        if (element.is_null() || in::text(element, "id").empty())
            continue;
        videos.push_back(video_from_json(element, category, thumbnail_origin));
    }
    return videos;
}

std::pair<std::string, std::string> channel_images(json const& document)
{
    auto const* thumbnails = in::member(document, "thumbnails");
    if (!thumbnails || !thumbnails->is_array())
        return {};

    auto by_id = [&](std::string_view id) -> std::string {
        for (auto const& element : *thumbnails) {
            if (in::text(element, "id") == id)
                return in::text(element, "url");
        }
        return {};
    };
    auto widest = [&](auto shaped) -> std::string {
        std::string best;
        uint64_t best_width = 0;
        bool have_best = false;
        for (auto const& element : *thumbnails) {
            uint64_t width = dimension(element, "width");
            uint64_t height = dimension(element, "height");
            if (!shaped(width, height))
                continue;
            if (!have_best || width >= best_width) {
                best = in::text(element, "url");
                best_width = width;
                have_best = true;
            }
        }
        return best;
    };
    auto avatar_shaped = [](uint64_t width, uint64_t height) {
        if (width == 0 || height == 0)
            return false;
        uint64_t difference = width > height ? width - height : height - width;
        return difference <= std::max<uint64_t>(width / 4, 1);
    };
    auto banner_shaped = [](uint64_t width, uint64_t height) {
        return height != 0 && static_cast<double>(width) / static_cast<double>(height) >= 3.0;
    };

    auto avatar = by_id("avatar_uncropped");
    if (avatar.empty())
        avatar = widest(avatar_shaped);
    auto banner = by_id("banner_uncropped");
    if (banner.empty())
        banner = widest(banner_shaped);
    return { std::move(avatar), std::move(banner) };
}

Channel channel_from_json(json const& document)
{
    Channel channel;
    channel.id = in::first_text(document, { "channel_id", "id" });
    channel.name = in::first_text(document, { "channel", "uploader", "title" });
    channel.handle = in::first_text(document, { "uploader_id", "channel_id" });
    if (channel.handle.empty())
        channel.handle = channel.id;
    channel.subscribers = in::unsigned_member(document, "channel_follower_count");
    channel.verified = in::boolean_member(document, "channel_is_verified").value_or(false);
    channel.description = in::text(document, "description");
    channel.seed = channel.id;
    auto [avatar, banner] = channel_images(document);
    channel.avatar_url = std::move(avatar);
    channel.banner_url = std::move(banner);
    return channel;
}

std::vector<Video> channel_uploads(json const& document, Channel const& channel, std::string_view thumbnail_origin)
{
    auto uploads = entries(document, "Channel", thumbnail_origin);
    for (auto& upload : uploads) {
        if (!channel.id.empty())
            upload.channel_id = channel.id;
        if (upload.channel_name.empty() || upload.channel_name == "Unknown")
            upload.channel_name = channel.name;
        upload.channel_seed = channel.id;
    }
    return uploads;
}

std::pair<Playlist, std::vector<Video>> playlist_from_json(
    json const& document, std::string_view requested_id, std::string_view thumbnail_origin)
{
    auto videos = entries(document, "Playlist", thumbnail_origin);
    Playlist playlist;
    playlist.id = in::text(document, "id");
    if (playlist.id.empty())
        playlist.id = std::string(requested_id);
    playlist.title = in::first_text(document, { "title", "playlist_title" });
    playlist.channel_id = in::first_text(document, { "channel_id", "uploader_id" });
    playlist.channel_name = in::first_text(document, { "channel", "uploader" });
    playlist.thumbnail_url = videos.empty() ? std::string {} : videos.front().thumbnail_url;
    playlist.seed = playlist.id;
    for (auto const& video : videos)
        playlist.video_ids.push_back(video.id);
    auto const* count = in::member(document, "playlist_count");
    auto listed_count = count ? in::unsigned_integer(*count) : std::nullopt;
    playlist.video_count = listed_count.value_or(videos.size());
    return { std::move(playlist), std::move(videos) };
}

std::string print_template(std::span<std::string_view const> fields)
{
    std::string out;
    for (size_t index = 0; index < fields.size(); ++index) {
        if (index > 0)
            out.push_back('\t');
        out += fmt::format("%({})j", fields[index]);
    }
    return out;
}

json printed_fields(std::string_view output, std::span<std::string_view const> fields)
{
    auto line = output.substr(0, output.find('\n'));
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    std::vector<std::string_view> pieces;
    while (true) {
        auto tab = line.find('\t');
        pieces.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos)
            break;
        line.remove_prefix(tab + 1);
    }
    json object = json::object();
    for (size_t index = 0; index < fields.size(); ++index) {
        json value = nullptr;
        if (index < pieces.size()) {
            if (auto parsed = in::parse(pieces[index], pieces[index].size()); parsed)
                value = std::move(*parsed);
        }
        object[std::string(fields[index])] = std::move(value);
    }
    return object;
}

BackendResult<PlaybackSource> playback_source_from_fields(json const& fields, std::string_view video_id)
{
    PlaybackSource source;
    source.url = in::text(fields, "url");
    if (source.url.empty())
        return backend_error(fmt::format("no directly-playable https format for {}! (DRM-only or extraction changed)", video_id));
    source.quality = in::text(fields, "format_note");
    if (source.quality.empty())
        source.quality = in::text(fields, "resolution");
    source.mime = in::text(fields, "ext") + "; " + in::text(fields, "vcodec");
    auto to_i32 = [](uint64_t value) {
        return static_cast<int32_t>(std::min<uint64_t>(value, static_cast<uint64_t>(std::numeric_limits<int32_t>::max())));
    };
    source.width = to_i32(in::unsigned_member(fields, "width"));
    source.height = to_i32(in::unsigned_member(fields, "height"));
    auto acodec = in::text(fields, "acodec");
    source.has_audio = !acodec.empty() && acodec != "none";
    double fps = 0.0;
    if (auto const* value = in::member(fields, "fps"))
        fps = in::number(*value).value_or(0.0);
    double rounded = std::round(fps); // halves away from zero
    if (std::isnan(rounded) || rounded < 1.0)
        source.fps = 1;
    else if (rounded > 255.0)
        source.fps = 255;
    else
        source.fps = static_cast<uint8_t>(rounded);
    return source;
}

}
