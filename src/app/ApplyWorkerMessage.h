#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "src/backend/WorkerMessages.h"
#include "src/model/VexaModel.h"

namespace vexa {

// Enrichment that arrived before the record of its video: kept for a few videos and applied
// when the record arrives. The oldest entry goes when a seventeenth video is added.
struct PendingEnrichment {
    static constexpr size_t capacity = 16;

    struct Entry {
        std::string video_id;
        std::optional<std::vector<Segment>> segments;
        bool has_branding { false };
        std::optional<std::string> title;
        bool thumbnail_present { false };
    };

    std::deque<Entry> entries; // oldest first

    Entry& ensure(std::string const& video_id);
    // Applies and forgets what is kept for the video, when the model holds it.
    void apply_to(VexaModel& model, std::string const& video_id);
};

// What the application keeps between batches.
struct WorkerApplyState {
    PendingEnrichment pending;
    // The desktop media controls were enabled, which happens once, after a stream really opened;
    // set by whoever opens the stream, read here.
    bool media_controls_enabled { false };
};

inline constexpr char const* media_controls_service_name = "kaso-vexa";
inline constexpr char const* media_controls_display_name = "Kaso Vexa";

// The desktop's now-playing record of a video.
struct NowPlaying {
    std::string video_id;
    std::string title; // the DeArrow title when both settings are on and one is known
    std::string artist;
    std::string art_url;

    bool operator==(NowPlaying const&) const = default;
};

// A resolved stream for the video the Watch route shows: open `url` in the player, play it, set
// the now-playing record when there is one, enable the desktop media controls when asked to,
// and remember `video_id` as the loaded video.
struct StreamToOpen {
    std::string video_id;
    std::string url;
    std::string quality;
    bool has_audio { false };
    std::optional<NowPlaying> now_playing;
    bool enable_media_controls { false }; // with media_controls_service_name and media_controls_display_name

    bool operator==(StreamToOpen const&) const = default;
};

// What a batch did, and what the application must do beyond the model.
struct AppliedWorkerMessages {
    bool changed { false };
    // Creators whose details to ask for (ensure_channel_details), in this order, after the batch.
    std::vector<std::string> channel_lookups;
    // The last stream of the batch that applies to the page on screen.
    std::optional<StreamToOpen> stream;
    // The Search route to show, for results whose query is the search text of the Search page on
    // screen. The application makes it current through its navigation; the model's route is
    // left alone here.
    std::optional<Route> search_route;
};

// Applies the worker's messages to the model in arrival order. `live` says whether this is the
// live application: only it enables the desktop media controls and takes in the worker's
// connecting status.
AppliedWorkerMessages apply_worker_messages(
    VexaModel& model, std::vector<WorkerMessage> messages, WorkerApplyState& state, bool live);

// What a refused request shows: the search's or the feed's error, or a notice.
void apply_request_refusal(VexaModel& model, WorkerRequest const& refused);

}
