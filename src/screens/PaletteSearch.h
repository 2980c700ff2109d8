#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vexa {

class ContentBackend;
class ModelBackend;
struct Video;
struct VexaModel;

// One row the action palette can show: a video or a creator.
struct PaletteMatch {
    std::string title;    // a video's display title; a creator's name
    std::string subtitle; // a video's creator name; a creator's handle
    std::string seed;
    std::string link;     // "vexa://watch/{}" or "vexa://channel/{}"
    std::string_view kind; // "vexa.video" or "vexa.channel"
    uint32_t duration { 0 }; // seconds; 0 for a creator

    bool operator==(PaletteMatch const&) const = default;
};

inline constexpr std::string_view palette_video_kind = "vexa.video";
inline constexpr std::string_view palette_channel_kind = "vexa.channel";
// The content search lists at most this many matches, video matches first; the creators it
// looks at are the first (this many − the video matches) of the model's list, so a long video
// list leaves no room for creators. The palette shows the first palette_row_limit of them.
inline constexpr std::size_t palette_match_limit = 50;
inline constexpr std::size_t palette_row_limit = 8;

std::string watch_link(std::string_view video_id);
std::string channel_link(std::string_view channel_id);
PaletteMatch palette_video_match(Video const& video, bool dearrow_titles);

// The video matches of any backend: the first palette_match_limit videos its search lists; none
// for a blank query, an error or an answer of another kind.
std::vector<PaletteMatch> palette_video_matches(ContentBackend& backend, std::string_view query, bool dearrow_titles = false);

// The content search of the palette over any backend: the video matches, then the creators whose
// name or handle contains the query (case-insensitively), at most palette_match_limit in all.
std::vector<PaletteMatch> search_palette_matches(ContentBackend& backend, VexaModel const& model, std::string_view query);

// The same search over the model's own backend, keeping only the first `limit` matches: the same
// rows as the first `limit` of the search above, found without copying a video or collecting a
// match beyond `limit` (one keystroke runs this).
std::vector<PaletteMatch> search_palette_matches(ModelBackend const& backend, VexaModel const& model, std::string_view query,
    std::size_t limit = palette_match_limit);

}
