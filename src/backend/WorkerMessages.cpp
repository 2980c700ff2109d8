#include "src/backend/WorkerMessages.h"

#include <fmt/format.h>

#include "kaso/platform/Error.h"

namespace vexa {

namespace {

template<class... Visitors>
struct Overloaded : Visitors... {
    using Visitors::operator()...;
};
template<class... Visitors>
Overloaded(Visitors...) -> Overloaded<Visitors...>;

std::string quoted(std::string const& text) { return kaso::debug_text(text); }

std::string optional_quoted(std::optional<std::string> const& text) { return text ? quoted(*text) : "none"; }

}

std::string describe(WorkerMessage const& message)
{
    using namespace worker_message;
    return std::visit(
        Overloaded {
            [](Segments const& m) { return fmt::format("Segments({}, {} segments)", quoted(m.video_id), m.segments.size()); },
            [](Branding const& m) {
                return fmt::format("Branding({}, {}, {})", quoted(m.video_id), optional_quoted(m.title), optional_quoted(m.thumbnail_url));
            },
            [](Dislikes const& m) { return fmt::format("Dislikes({}, {})", quoted(m.video_id), m.count); },
            [](SearchResults const& m) {
                return fmt::format("SearchResults({}, {} videos, {} playlists, {} channels)", quoted(m.query), m.videos.size(),
                    m.playlists.size(), m.channels.size());
            },
            [](PlaylistLoaded const& m) { return fmt::format("PlaylistLoaded({}, {} videos)", quoted(m.playlist.id), m.videos.size()); },
            [](Feed const& m) { return fmt::format("Feed({} videos)", m.videos.size()); },
            [](Related const& m) { return fmt::format("Related({}, {} videos)", quoted(m.video.id), m.related.size()); },
            [](Comments const& m) { return fmt::format("Comments({}, {} comments)", quoted(m.video_id), m.comments.size()); },
            [](ChannelLoaded const& m) { return fmt::format("ChannelLoaded({}, {} uploads)", quoted(m.channel.id), m.uploads.size()); },
            [](Status const& m) { return fmt::format("Status({}, {})", quoted(m.label), m.live); },
            [](Stream const& m) {
                return fmt::format("Stream({}, {}, {}, {})", quoted(m.video_id), quoted(m.url), quoted(m.quality), m.has_audio);
            },
            [](Note const& m) { return fmt::format("Note({})", quoted(m.text)); },
        },
        message);
}

std::string describe(WorkerRequest const& request)
{
    switch (request.kind) {
    case WorkerRequest::Kind::Enrich: return "Enrich(" + quoted(request.text) + ")";
    case WorkerRequest::Kind::Search: return "Search(" + quoted(request.text) + ")";
    case WorkerRequest::Kind::Trending: return "Trending";
    case WorkerRequest::Kind::Related: return "Related(" + quoted(request.text) + ")";
    case WorkerRequest::Kind::Channel: return "Channel(" + quoted(request.text) + ")";
    case WorkerRequest::Kind::Playlist: return "Playlist(" + quoted(request.text) + ")";
    case WorkerRequest::Kind::ResolveStream: return "ResolveStream(" + quoted(request.text) + ")";
    }
    return "Trending";
}

}
