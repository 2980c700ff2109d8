#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "src/model/Channel.h"
#include "src/model/Comment.h"
#include "src/model/Playlist.h"
#include "src/model/Segment.h"
#include "src/model/Video.h"

// What crosses the boundary between the application and the "vexa-fetch" thread. Plain owned
// values: every request and message is moved across, nothing is shared.
namespace vexa {

// A request to the fetch worker.
struct WorkerRequest {
    enum class Kind : uint8_t {
        Enrich,        // video id
        Search,        // query text
        Trending,      // no payload
        Related,       // video id
        Channel,       // channel id
        Playlist,      // playlist id
        ResolveStream, // video id
    };

    Kind kind { Kind::Trending };
    std::string text;

    static WorkerRequest enrich(std::string video_id) { return { Kind::Enrich, std::move(video_id) }; }
    static WorkerRequest search(std::string query) { return { Kind::Search, std::move(query) }; }
    static WorkerRequest trending() { return { Kind::Trending, {} }; }
    static WorkerRequest related(std::string video_id) { return { Kind::Related, std::move(video_id) }; }
    static WorkerRequest channel(std::string channel_id) { return { Kind::Channel, std::move(channel_id) }; }
    static WorkerRequest playlist(std::string playlist_id) { return { Kind::Playlist, std::move(playlist_id) }; }
    static WorkerRequest resolve_stream(std::string video_id) { return { Kind::ResolveStream, std::move(video_id) }; }

    bool operator==(WorkerRequest const&) const = default;
};

// The results and notes the worker sends back, in the variant's order.
namespace worker_message {

struct Segments {
    std::string video_id;
    std::vector<Segment> segments;
    bool operator==(Segments const&) const = default;
};

struct Branding {
    std::string video_id;
    std::optional<std::string> title;
    std::optional<std::string> thumbnail_url;
    bool operator==(Branding const&) const = default;
};

struct Dislikes {
    std::string video_id;
    uint64_t count { 0 };
    bool operator==(Dislikes const&) const = default;
};

struct SearchResults {
    std::string query;
    std::vector<Video> videos;
    std::vector<Playlist> playlists;
    std::vector<Channel> channels;
    bool operator==(SearchResults const&) const = default;
};

struct PlaylistLoaded {
    std::vector<Video> videos;
    vexa::Playlist playlist;
    bool operator==(PlaylistLoaded const&) const = default;
};

struct Feed {
    std::vector<Video> videos;
    bool operator==(Feed const&) const = default;
};

struct Related {
    std::vector<Video> related;
    vexa::Video video;
    bool operator==(Related const&) const = default;
};

struct Comments {
    std::string video_id;
    std::vector<Comment> comments;
    bool operator==(Comments const&) const = default;
};

struct ChannelLoaded {
    std::vector<Video> uploads;
    vexa::Channel channel;
    bool operator==(ChannelLoaded const&) const = default;
};

struct Status {
    std::string label;
    bool live { false };
    bool operator==(Status const&) const = default;
};

// The status a primary worker sends first, before anything has been fetched.
inline constexpr char const* connecting_label = "connecting…";

struct Stream {
    std::string video_id;
    std::string url;
    std::string quality;
    bool has_audio { false };
    bool operator==(Stream const&) const = default;
};

struct Note {
    std::string text;
    bool operator==(Note const&) const = default;
};

}

using WorkerMessage = std::variant<worker_message::Segments, worker_message::Branding, worker_message::Dislikes,
    worker_message::SearchResults, worker_message::PlaylistLoaded, worker_message::Feed, worker_message::Related,
    worker_message::Comments, worker_message::ChannelLoaded, worker_message::Status, worker_message::Stream,
    worker_message::Note>;

// A one-line summary for logs and test failures: the variant name and its key fields,
// e.g. Status("connecting…", false), Feed(3 videos).
std::string describe(WorkerMessage const& message);
std::string describe(WorkerRequest const& request);

}
