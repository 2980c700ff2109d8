#pragma once

#include <cstdint>

namespace vexa {

struct Channel;           // one creator
struct Comment;           // one comment of a video
struct Playlist;          // one playlist
struct ResultTypes;       // the search result filter
struct Route;             // the page on screen
struct Segment;           // one SponsorBlock segment
struct Settings;          // the user's playback choices
struct VexaModel;         // the store of everything the pages show
struct Video;             // one video
enum class RouteKind : uint8_t;
enum class SegmentCategory : uint8_t;
enum class SegmentMode : uint8_t;
enum class SettingFlag : uint8_t;

}
