// Fuzz target of the yt-dlp output readers: a whole -J document and a --print line.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "src/backend/JsonInput.h"
#include "src/backend/YtDlpJson.h"

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<char const*>(data), size);
    namespace ytdlp = vexa::ytdlp;

    static constexpr std::array<std::string_view, 9> fields { "url", "width", "height", "fps", "format_note", "resolution", "ext",
        "vcodec", "acodec" };
    auto printed = ytdlp::printed_fields(text, fields);
    if (auto source = ytdlp::playback_source_from_fields(printed, "id"); source && (source->fps < 1 || source->width < 0))
        std::abort();
    (void)ytdlp::video_from_json(printed, "Video", "http://127.0.0.1:1");
    (void)ytdlp::relative_upload_date(text, 20'000);

    auto document = vexa::json_input::parse(text, 8 * 1024 * 1024);
    if (!document)
        return 0;
    for (auto const& video : ytdlp::entries(*document, "Search", "http://127.0.0.1:1")) {
        if (video.id.empty())
            std::abort();
    }
    auto channel = ytdlp::channel_from_json(*document);
    (void)ytdlp::channel_uploads(*document, channel, "http://127.0.0.1:1");
    auto [playlist, videos] = ytdlp::playlist_from_json(*document, "PL", "http://127.0.0.1:1");
    if (playlist.id.empty() || playlist.video_ids.size() != videos.size())
        std::abort();
    (void)ytdlp::video_from_json(*document, "Video", "http://127.0.0.1:1");
    (void)ytdlp::playback_source_from_fields(*document, "id");
    return 0;
}
