#include "src/backend/Invidious.h"

#include <array>

#include <fmt/format.h>

#include "kaso/platform/Clock.h"
#include "kaso/platform/Http.h"
#include "kaso/platform/Log.h"

namespace vexa {

namespace {

struct MuxedFormat {
    uint32_t itag;
    std::string_view quality;
    std::string_view mime;
};

constexpr std::array<MuxedFormat, 2> muxed_formats { {
    { 22, "720p", R"(video/mp4; codecs="avc1.64001F, mp4a.40.2")" },
    { 18, "360p", R"(video/mp4; codecs="avc1.42001E, mp4a.40.2")" },
} };

// Only the first bytes are read: they prove the instance serves the stream, and a server that
// ignores the Range header must not keep the probe reading a whole video.
constexpr size_t probe_bytes = 2048;

}

std::string invidious_latest_version_url(std::string_view instance, std::string_view video_id, uint32_t itag)
{
    while (!instance.empty() && instance.back() == '/')
        instance.remove_suffix(1);
    return fmt::format("{}/latest_version?id={}&itag={}&local=true", instance, kaso::platform::percent_encode(video_id), itag);
}

std::optional<InvidiousStream> resolve_via_invidious(ServiceSettings const& settings, std::string_view video_id)
{
    kaso::platform::HttpOptions options;
    options.user_agent = "Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0 Safari/537.36";
    options.connect_timeout = std::min(settings.connect_timeout, settings.invidious_request_timeout);
    options.total_timeout = settings.invidious_request_timeout;
    options.max_body_bytes = probe_bytes;
    options.overflow = kaso::platform::BodyOverflow::Truncate;
    kaso::platform::HttpClient client(options);

    uint64_t const budget_ms = static_cast<uint64_t>(std::max<int64_t>(0, settings.invidious_budget.count()));
    uint64_t const deadline = kaso::platform::monotonic_ms() + budget_ms;
    for (auto const& instance : invidious_instances(settings)) {
        for (auto const& format : muxed_formats) {
            if (kaso::platform::monotonic_ms() >= deadline)
                return std::nullopt;
            auto url = invidious_latest_version_url(instance, video_id, format.itag);
            auto response = client.get(url, { fmt::format("Range: bytes=0-{}", probe_bytes - 1) });
            if (!response) {
                kaso::log::target("vexa::api")->debug("invidious attempt failed url={} error={}", url, response.error().message);
                continue;
            }
            if (!response->is_success() || response->body.empty())
                continue;
            InvidiousStream stream;
            stream.video_id = std::string(video_id);
            stream.url = std::move(url);
            stream.mime = std::string(format.mime);
            stream.quality = std::string(format.quality);
            stream.itag = format.itag;
            stream.has_audio = true;
            return stream;
        }
    }
    return std::nullopt;
}

}
