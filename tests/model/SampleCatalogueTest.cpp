#include <algorithm>
#include <regex>
#include <set>

#include <gtest/gtest.h>

#include "src/backend/SampleCatalogue.h"

namespace {

using namespace vexa;
using Ids = std::vector<std::string>;

TEST(SampleCatalogue, CountsOfEveryKind)
{
    auto model = sample_catalogue();
    EXPECT_EQ(model.channels.size(), 6u);
    ASSERT_EQ(model.videos.size(), 12u);
    size_t comments = 0;
    size_t segments = 0;
    std::vector<size_t> comments_per_video;
    std::vector<size_t> segments_per_video;
    for (auto const& video : model.videos) {
        comments += video.comments.size();
        segments += video.sponsor.size();
        comments_per_video.push_back(video.comments.size());
        segments_per_video.push_back(video.sponsor.size());
    }
    EXPECT_EQ(comments, 21u);
    EXPECT_EQ(segments, 27u);
    EXPECT_EQ(comments_per_video, (std::vector<size_t> { 4, 3, 2, 2, 2, 2, 1, 1, 1, 1, 1, 1 }));
    EXPECT_EQ(segments_per_video, (std::vector<size_t> { 4, 3, 2, 3, 3, 0, 2, 2, 2, 1, 2, 3 }));
}

TEST(SampleCatalogue, BuildingTwiceGivesEqualValues)
{
    EXPECT_EQ(sample_catalogue(), sample_catalogue());
}

TEST(SampleCatalogue, ChannelsHaveTheirShape)
{
    auto model = sample_catalogue();
    std::regex const id_shape("ch_[a-z]+");
    std::regex const handle_shape("@[a-z]+");
    std::set<std::string> ids;
    for (size_t i = 0; i < model.channels.size(); ++i) {
        auto const& channel = model.channels[i];
        EXPECT_TRUE(std::regex_match(channel.id, id_shape)) << channel.id;
        EXPECT_TRUE(std::regex_match(channel.handle, handle_shape)) << channel.handle;
        EXPECT_FALSE(channel.name.empty());
        EXPECT_FALSE(channel.description.empty());
        EXPECT_GE(channel.subscribers, 300'000u) << channel.id;
        EXPECT_LE(channel.subscribers, 23'000'000u) << channel.id;
        EXPECT_EQ(channel.verified, i < 4) << channel.id;
        EXPECT_EQ(channel.seed, channel.id);
        EXPECT_TRUE(channel.avatar_url.empty());
        EXPECT_TRUE(channel.banner_url.empty());
        ids.insert(channel.id);
    }
    EXPECT_EQ(ids.size(), 6u);
}

TEST(SampleCatalogue, VideosBelongToTheirChannelsByPosition)
{
    auto model = sample_catalogue();
    // Owning channel (1-based) of each video in catalogue order.
    size_t const owner_of[] = { 2, 3, 1, 4, 5, 6, 2, 3, 2, 3, 5, 4 };
    std::regex const id_shape("vid_[a-z]+(_[a-z]+)?");
    std::set<std::string> ids;
    for (size_t i = 0; i < model.videos.size(); ++i) {
        auto const& video = model.videos[i];
        auto const& owner = model.channels[owner_of[i] - 1];
        EXPECT_TRUE(std::regex_match(video.id, id_shape)) << video.id;
        ASSERT_NE(model.channel(video.channel_id), nullptr) << video.id;
        EXPECT_EQ(video.channel_id, owner.id) << video.id;
        EXPECT_EQ(video.channel_name, owner.name) << video.id;
        EXPECT_EQ(video.channel_seed, owner.seed) << video.id;
        EXPECT_EQ(video.seed, video.id);
        EXPECT_TRUE(video.channel_avatar_url.empty());
        EXPECT_TRUE(video.thumbnail_url.empty());
        EXPECT_FALSE(video.live);
        EXPECT_FALSE(video.category.empty());
        EXPECT_TRUE(video.published.ends_with(" ago")) << video.published;
        EXPECT_GT(video.views, 0u);
        EXPECT_GT(video.duration, 0u);
        ids.insert(video.id);
    }
    EXPECT_EQ(ids.size(), 12u);
    EXPECT_EQ(model.videos_of_channel(model.channels[1].id).size(), 3u);
}

TEST(SampleCatalogue, SixVideosCarryACalmTitleAndExactlyThoseADeArrowThumbnail)
{
    auto model = sample_catalogue();
    std::vector<size_t> with_title;
    for (size_t i = 0; i < model.videos.size(); ++i) {
        auto const& video = model.videos[i];
        if (video.dearrow_title) {
            with_title.push_back(i + 1);
            EXPECT_FALSE(video.dearrow_title->empty());
            EXPECT_NE(*video.dearrow_title, video.title);
        }
        EXPECT_EQ(video.dearrow_thumb, video.dearrow_title.has_value()) << video.id;
    }
    EXPECT_EQ(with_title, (std::vector<size_t> { 1, 2, 4, 7, 9, 12 }));
    EXPECT_FALSE(model.videos[5].dearrow_title.has_value());
    EXPECT_TRUE(model.videos[5].sponsor.empty());
}

TEST(SampleCatalogue, SegmentsCoverEveryCategoryInsideTheirVideo)
{
    auto model = sample_catalogue();
    std::set<SegmentCategory> seen;
    for (auto const& video : model.videos) {
        for (auto const& segment : video.sponsor) {
            seen.insert(segment.category);
            EXPECT_LT(segment.start, segment.end) << video.id;
            EXPECT_GE(segment.start, 0.0) << video.id;
            EXPECT_LE(segment.end, static_cast<double>(video.duration)) << video.id;
        }
    }
    EXPECT_EQ(seen.size(), 8u);
}

TEST(SampleCatalogue, FirstVideoHoldsTheKnownSegments)
{
    auto model = sample_catalogue();
    // Votes of 0 here mean "any count".
    Segment const expected[] = {
        { SegmentCategory::Intro, 0, 18, 0 },
        { SegmentCategory::Sponsor, 1440, 1570, 1893 },
        { SegmentCategory::Interaction, 540, 552, 0 },
        { SegmentCategory::Outro, 1565, 1620, 0 },
    };
    auto const& sponsor = model.videos[0].sponsor;
    for (auto const& want : expected) {
        auto found = std::ranges::find_if(sponsor, [&](Segment const& s) {
            return s.category == want.category && s.start == want.start && s.end == want.end;
        });
        ASSERT_NE(found, sponsor.end()) << segment_category_api_id(want.category);
        if (want.votes != 0) {
            EXPECT_EQ(found->votes, want.votes);
        }
    }
}

TEST(SampleCatalogue, CommentsHaveTheirShape)
{
    auto model = sample_catalogue();
    for (auto const& video : model.videos) {
        for (auto const& comment : video.comments) {
            EXPECT_TRUE(comment.author.starts_with('@')) << comment.author;
            EXPECT_EQ(comment.initials.size(), 2u) << comment.author;
            EXPECT_FALSE(comment.text.empty());
            EXPECT_TRUE(comment.time_ago.ends_with(" ago"));
            EXPECT_FALSE(comment.pinned || comment.hearted);
            EXPECT_EQ(comment.replies, 0u);
        }
    }
}

TEST(SampleCatalogue, LibraryStateReferencesKnownRecords)
{
    auto model = sample_catalogue();
    EXPECT_EQ(model.subscriptions, (Ids { model.channels[1].id, model.channels[2].id, model.channels[0].id }));
    EXPECT_EQ(model.history, (Ids { model.videos[1].id, model.videos[2].id }));
    std::map<std::string, uint64_t> const dislikes {
        { model.videos[0].id, 1'240 },
        { model.videos[1].id, 8'400 },
        { model.videos[2].id, 2'300 },
        { model.videos[3].id, 3'050 },
        { model.videos[6].id, 410 },
    };
    EXPECT_EQ(model.dislikes, dislikes);
    for (auto const& id : model.subscriptions)
        EXPECT_TRUE(model.is_subscribed(id)) << id;
    EXPECT_EQ(model.history_videos().size(), 2u);
}

TEST(SampleCatalogue, EverythingElseIsTheEmptyModel)
{
    auto model = sample_catalogue();
    EXPECT_EQ(model.owner_id, "profile:local");
    EXPECT_EQ(model.status_label, "offline — sample data");
    EXPECT_FALSE(model.status_live);
    EXPECT_EQ(model.route, Route::home());

    auto expected = VexaModel::empty();
    expected.channels = model.channels;
    expected.videos = model.videos;
    expected.subscriptions = model.subscriptions;
    expected.history = model.history;
    expected.dislikes = model.dislikes;
    expected.status_label = model.status_label;
    EXPECT_EQ(model, expected);
}

}
