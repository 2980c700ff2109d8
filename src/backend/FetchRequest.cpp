#include "src/backend/FetchRequest.h"

#include "kaso/platform/Error.h"
#include "src/backend/BackendError.h"

namespace vexa {

std::string BackendError::debug_form() const { return "BackendError(" + kaso::debug_text(message) + ")"; }

namespace {

FetchRequest with_text(FetchRequest::Kind kind, std::string text)
{
    FetchRequest request;
    request.kind = kind;
    request.text = std::move(text);
    return request;
}

}

FetchRequest FetchRequest::search(std::string query) { return with_text(Kind::Search, std::move(query)); }
FetchRequest FetchRequest::video(std::string id) { return with_text(Kind::Video, std::move(id)); }
FetchRequest FetchRequest::channel(std::string id) { return with_text(Kind::Channel, std::move(id)); }
FetchRequest FetchRequest::related(std::string id) { return with_text(Kind::Related, std::move(id)); }
FetchRequest FetchRequest::trending() { return with_text(Kind::Trending, {}); }

FetchRequest FetchRequest::subscription_feed(std::vector<std::string> channel_ids)
{
    FetchRequest request;
    request.kind = Kind::SubscriptionFeed;
    request.channel_ids = std::move(channel_ids);
    return request;
}

std::string FetchRequest::debug_form() const
{
    switch (kind) {
    case Kind::Search: return "Search(" + kaso::debug_text(text) + ")";
    case Kind::Video: return "Video(" + kaso::debug_text(text) + ")";
    case Kind::Channel: return "Channel(" + kaso::debug_text(text) + ")";
    case Kind::Related: return "Related(" + kaso::debug_text(text) + ")";
    case Kind::Trending: return "Trending";
    case Kind::SubscriptionFeed: {
        std::string out = "SubscriptionFeed([";
        for (size_t index = 0; index < channel_ids.size(); ++index) {
            if (index > 0)
                out += ", ";
            out += kaso::debug_text(channel_ids[index]);
        }
        return out + "])";
    }
    }
    return "Trending";
}

std::string debug_form(FetchResult const& result)
{
    if (auto const* videos = std::get_if<FetchedVideos>(&result))
        return "Videos(" + std::to_string(videos->videos.size()) + ")";
    if (auto const* video = std::get_if<FetchedVideo>(&result))
        return "Video(" + kaso::debug_text(video->video.id) + ")";
    return "Channel(" + kaso::debug_text(std::get<FetchedChannel>(result).channel.id) + ")";
}

}
