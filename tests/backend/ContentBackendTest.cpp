#include <map>

#include <gtest/gtest.h>

#include "src/backend/ContentBackend.h"
#include "src/backend/ModelBackend.h"

namespace {

using namespace vexa;

Video make_video(std::string id)
{
    Video result;
    result.id = std::move(id);
    return result;
}

std::vector<std::string> ids(std::vector<Video> const& videos)
{
    std::vector<std::string> result;
    for (auto const& video : videos)
        result.push_back(video.id);
    return result;
}

// A backend whose channels answer from a table and which counts its calls.
class TableBackend final : public ContentBackend {
public:
    std::map<std::string, BackendResult<FetchResult>> channels;
    std::vector<std::string> calls;

    std::string name() const override { return "table"; }
    BackendResult<FetchResult> search(std::string_view query) override
    {
        calls.push_back("search " + std::string(query));
        return FetchedVideos { { make_video("s-" + std::string(query)) } };
    }
    BackendResult<FetchResult> video(std::string_view id) override
    {
        calls.push_back("video " + std::string(id));
        return FetchedVideo { make_video(std::string(id)) };
    }
    BackendResult<FetchResult> channel(std::string_view id) override
    {
        calls.push_back("channel " + std::string(id));
        auto found = channels.find(std::string(id));
        if (found == channels.end())
            return backend_error("no channel");
        return found->second;
    }
    BackendResult<FetchResult> related(std::string_view id) override
    {
        calls.push_back("related " + std::string(id));
        return FetchedVideos {};
    }
    BackendResult<FetchResult> trending() override
    {
        calls.push_back("trending");
        return FetchedVideos {};
    }
};

TEST(InterleaveRoundRobin, TakesTheFirstOfEachListInTurn)
{
    auto merged = interleave_round_robin({ { make_video("a1"), make_video("a2"), make_video("a3") }, { make_video("b1") }, { make_video("c1"), make_video("c2") } });
    EXPECT_EQ(ids(merged), (std::vector<std::string> { "a1", "b1", "c1", "a2", "c2", "a3" }));
    EXPECT_TRUE(interleave_round_robin({}).empty());
    EXPECT_EQ(ids(interleave_round_robin({ {}, { make_video("x"), make_video("x") } })), (std::vector<std::string> { "x", "x" }));
}

TEST(SubscriptionFeed, MergesUploadsAndSkipsChannelsWithoutAny)
{
    TableBackend backend;
    backend.channels["one"] = FetchedChannel { {}, { make_video("1a"), make_video("1b"), make_video("1c") } };
    backend.channels["two"] = FetchedChannel { {}, {} };
    backend.channels["three"] = FetchedChannel { {}, { make_video("3a"), make_video("3b") } };
    backend.channels["odd"] = FetchedVideos { { make_video("never") } };
    auto feed = backend.fetch(FetchRequest::subscription_feed({ "one", "two", "odd", "three" }));
    ASSERT_TRUE(feed.has_value());
    EXPECT_EQ(ids(std::get<FetchedVideos>(*feed).videos), (std::vector<std::string> { "1a", "3a", "1b", "3b", "1c" }));
}

TEST(SubscriptionFeed, EmptyIdsCallNothingAndNoUploadsIsAnError)
{
    TableBackend backend;
    auto empty = backend.fetch(FetchRequest::subscription_feed({}));
    ASSERT_TRUE(empty.has_value());
    EXPECT_TRUE(std::get<FetchedVideos>(*empty).videos.empty());
    EXPECT_TRUE(backend.calls.empty());

    auto failed = backend.subscription_feed({ "x", "y" });
    ASSERT_FALSE(failed.has_value());
    EXPECT_EQ(failed.error().message, "no uploads across subscriptions");
}

TEST(ContentBackendDefaults, DispatchAndDefaultAnswers)
{
    TableBackend backend;
    (void)backend.fetch(FetchRequest::search("q"));
    (void)backend.fetch(FetchRequest::video("v"));
    (void)backend.fetch(FetchRequest::channel("c"));
    (void)backend.fetch(FetchRequest::related("r"));
    (void)backend.fetch(FetchRequest::trending());
    EXPECT_EQ(backend.calls, (std::vector<std::string> { "search q", "video v", "channel c", "related r", "trending" }));

    auto popular = backend.popular_search("music");
    ASSERT_TRUE(popular.has_value());
    EXPECT_EQ(*popular, *backend.search("music"));
    EXPECT_EQ(backend.playlist("p").error().message, "this backend cannot resolve playlists");
    EXPECT_EQ(backend.resolve_source("v").error().message, "this backend cannot resolve a playback source");
    EXPECT_TRUE(backend.comments("v").value().empty());
}

TEST(FetchRequest, DebugForms)
{
    EXPECT_EQ(FetchRequest::trending().debug_form(), "Trending");
    EXPECT_EQ(FetchRequest::search("cats").debug_form(), "Search(\"cats\")");
    EXPECT_EQ(FetchRequest::channel("say \"hi\"").debug_form(), "Channel(\"say \\\"hi\\\"\")");
    EXPECT_EQ(FetchRequest::subscription_feed({ "a", "b" }).debug_form(), "SubscriptionFeed([\"a\", \"b\"])");
    EXPECT_EQ(BackendError { "boom" }.message, "boom");
    EXPECT_EQ(BackendError { "boom" }.debug_form(), "BackendError(\"boom\")");
}

TEST(SampleBackend, AnswersFromTheCatalogue)
{
    auto backend = sample_backend();
    EXPECT_EQ(backend->name(), "offline sample");
    auto trending = std::get<FetchedVideos>(backend->trending().value()).videos;
    ASSERT_EQ(trending.size(), 12u);
    for (size_t index = 1; index < trending.size(); ++index)
        EXPECT_GE(trending[index - 1].views, trending[index].views);
    EXPECT_EQ(backend->video("vid_nope").error().message, "no sample video vid_nope");
    EXPECT_EQ(backend->channel("ch_nope").error().message, "no sample channel ch_nope");
    auto page = std::get<FetchedChannel>(backend->channel("ch_orbit").value());
    EXPECT_EQ(page.channel.name, "Orbit Lab");
    EXPECT_EQ(page.uploads.size(), 3u);
    EXPECT_FALSE(std::get<FetchedVideos>(backend->search("").value()).videos.empty());
}

TEST(SampleBackend, ABorrowingBackendReadsTheCallersModel)
{
    auto model = VexaModel::empty();
    model.videos.push_back(make_video("only"));
    auto backend = ModelBackend::borrowing(model);
    EXPECT_EQ(std::get<FetchedVideo>(backend.video("only").value()).video.id, "only");
    auto moved = std::move(backend);
    EXPECT_EQ(&moved.model(), &model);
}

}
