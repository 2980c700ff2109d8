#include "src/screens/PaletteSearch.h"

#include <fmt/format.h>

#include "src/backend/ModelBackend.h"
#include "src/model/Text.h"
#include "src/model/VexaModel.h"

namespace vexa {

namespace {

bool dearrow_titles_of(VexaModel const& model) { return model.settings.dearrow && model.settings.dearrow_titles; }

PaletteMatch creator_match(Channel const& channel)
{
    return { channel.name, channel.handle, channel.seed, channel_link(channel.id), palette_channel_kind, 0 };
}

// Appends the creators matching `needle` among the first `scan` of the model's list, while the
// list holds fewer than `limit` matches.
void append_creator_matches(std::vector<PaletteMatch>& matches, VexaModel const& model, text::LowercaseNeedle const& needle, std::size_t scan,
    std::size_t limit)
{
    for (std::size_t i = 0; i < scan && i < model.channels.size() && matches.size() < limit; ++i) {
        auto const& channel = model.channels[i];
        if (needle.found_in(channel.name) || needle.found_in(channel.handle))
            matches.push_back(creator_match(channel));
    }
}

}

std::string watch_link(std::string_view video_id) { return fmt::format("vexa://watch/{}", video_id); }

std::string channel_link(std::string_view channel_id) { return fmt::format("vexa://channel/{}", channel_id); }

PaletteMatch palette_video_match(Video const& video, bool dearrow_titles)
{
    auto const& title = dearrow_titles && video.dearrow_title ? *video.dearrow_title : video.title;
    return { title, video.channel_name, video.seed, watch_link(video.id), palette_video_kind, video.duration };
}

std::vector<PaletteMatch> palette_video_matches(ContentBackend& backend, std::string_view query, bool dearrow_titles)
{
    auto trimmed = text::trim(query);
    if (trimmed.empty())
        return {};
    auto answer = backend.search(trimmed);
    if (!answer)
        return {};
    auto const* videos = std::get_if<FetchedVideos>(&*answer);
    if (!videos)
        return {};
    std::vector<PaletteMatch> matches;
    for (std::size_t i = 0; i < videos->videos.size() && i < palette_match_limit; ++i)
        matches.push_back(palette_video_match(videos->videos[i], dearrow_titles));
    return matches;
}

std::vector<PaletteMatch> search_palette_matches(ContentBackend& backend, VexaModel const& model, std::string_view query)
{
    auto trimmed = text::trim(query);
    if (trimmed.empty())
        return {};
    auto matches = palette_video_matches(backend, trimmed, dearrow_titles_of(model));
    append_creator_matches(matches, model, text::LowercaseNeedle(trimmed), palette_match_limit - matches.size(), palette_match_limit);
    return matches;
}

std::vector<PaletteMatch> search_palette_matches(ModelBackend const& backend, VexaModel const& model, std::string_view query, std::size_t limit)
{
    auto trimmed = text::trim(query);
    limit = std::min(limit, palette_match_limit);
    if (trimmed.empty() || limit == 0)
        return {};
    bool dearrow = dearrow_titles_of(model);
    std::vector<PaletteMatch> matches;
    // Counting the video matches up to the full list's bound tells how many creators the full
    // search would look at; only the ones kept become matches.
    auto videos = backend.model().visit_local_matches(trimmed, palette_match_limit, [&](Video const& video) {
        if (matches.size() < limit)
            matches.push_back(palette_video_match(video, dearrow));
    });
    append_creator_matches(matches, model, text::LowercaseNeedle(trimmed), palette_match_limit - videos, limit);
    return matches;
}

}
