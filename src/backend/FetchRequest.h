#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "src/model/Channel.h"
#include "src/model/Video.h"

namespace vexa {

// A query that `ContentBackend::fetch` dispatches.
struct FetchRequest {
    enum class Kind : uint8_t {
        Search,
        Video,
        Channel,
        Related,
        Trending,
        SubscriptionFeed,
    };

    Kind kind { Kind::Trending };
    std::string text;                     // the query or the id; empty for Trending and SubscriptionFeed
    std::vector<std::string> channel_ids; // SubscriptionFeed only

    static FetchRequest search(std::string query);
    static FetchRequest video(std::string id);
    static FetchRequest channel(std::string id);
    static FetchRequest related(std::string id);
    static FetchRequest trending();
    static FetchRequest subscription_feed(std::vector<std::string> channel_ids);

    // The variant name with its payload: Search("cats"), Trending, SubscriptionFeed(["a", "b"]).
    std::string debug_form() const;

    bool operator==(FetchRequest const&) const = default;
};

// The answers of the listing operations.
struct FetchedVideos {
    std::vector<Video> videos;
    bool operator==(FetchedVideos const&) const = default;
};

struct FetchedVideo {
    Video video;
    bool operator==(FetchedVideo const&) const = default;
};

struct FetchedChannel {
    Channel channel;
    std::vector<Video> uploads;
    bool operator==(FetchedChannel const&) const = default;
};

using FetchResult = std::variant<FetchedVideos, FetchedVideo, FetchedChannel>;

// The variant's name with the item count of a list or the quoted id of a single record:
// Videos(12), Video("abc"), Channel("UCx").
std::string debug_form(FetchResult const& result);

}
