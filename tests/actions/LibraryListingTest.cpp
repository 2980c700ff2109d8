#include <gtest/gtest.h>

#include <fmt/format.h>

#include "src/actions/LibraryListing.h"
#include "src/model/VexaModel.h"

namespace vexa {
namespace {

using kaso::search::SearchResult;

Video video(std::string id, std::string title, std::optional<std::string> dearrow = std::nullopt)
{
    Video made;
    made.id = std::move(id);
    made.title = std::move(title);
    made.dearrow_title = std::move(dearrow);
    made.channel_name = "Orbit Lab";
    return made;
}

VexaModel small_library()
{
    auto model = VexaModel::empty();
    model.videos = { video("vid_moon", "MOON BASE!!!", "A lunar habitat"), video("vid_comet", "Comet Watch") };
    Channel creator;
    creator.id = "ch_orbit";
    creator.name = "Orbit Lab";
    creator.handle = "@orbitlab";
    model.channels = { creator };
    Playlist playlist;
    playlist.id = "pl_space";
    playlist.title = "Space Picks";
    playlist.channel_name = "Orbit Lab";
    model.playlists = { playlist };
    model.history = { "vid_gone", "vid_comet" };
    return model;
}

TEST(LibraryListing, ListsEachGroupUnderItsOpenAction)
{
    auto catalog = build_library_listing(small_library());
    EXPECT_EQ(catalog->name(), "Vexa");
    EXPECT_EQ(catalog->stats().entries, 5u) << "the unknown history entry is left out";
    struct Case {
        char const* key;
        SearchResult result;
    };
    Case const cases[] = {
        { "vexa.video:vid_moon#open", { "A lunar habitat", "Orbit Lab", "Videos", "vexa.video:vid_moon", "open", 74 } },
        { "vexa.video:vid_comet#open", { "Comet Watch", "Orbit Lab", "Videos", "vexa.video:vid_comet", "open", 74 } },
        { "vexa.channel:ch_orbit#open", { "Orbit Lab", "@orbitlab", "Creators", "vexa.channel:ch_orbit", "open", 4 } },
        { "vexa.playlist:pl_space#open", { "Space Picks", "Orbit Lab", "Playlists", "vexa.playlist:pl_space", "open", 64 } },
        { "vexa.history:vid_comet#open", { "Comet Watch", "Orbit Lab", "Watch history", "vexa.history:vid_comet", "open", 60 } },
    };
    for (auto const& test : cases) {
        SCOPED_TRACE(test.key);
        EXPECT_EQ(catalog->result(test.key), test.result);
    }
    // Entries are numbered in the order of the groups.
    EXPECT_LT(catalog->document_number("vexa.video:vid_comet#open"), catalog->document_number("vexa.channel:ch_orbit#open"));
    EXPECT_LT(catalog->document_number("vexa.playlist:pl_space#open"), catalog->document_number("vexa.history:vid_comet#open"));
    EXPECT_FALSE(catalog->result("vexa.history:vid_gone#open"));
}

TEST(LibraryListing, FindsAVideoByItsOwnTitleCreatorAndId)
{
    auto catalog = build_library_listing(small_library());
    for (auto query : { "moon base", "lunar", "vid_moon", "orbit comet" }) {
        SCOPED_TRACE(query);
        auto found = catalog->search_limited(query, 10);
        std::vector<std::string> resources;
        for (auto const& result : found)
            resources.push_back(result.resource);
        if (std::string_view(query) == "lunar")
            EXPECT_TRUE(found.empty()) << "the shown DeArrow title is not searched";
        else if (std::string_view(query) == "orbit comet")
            EXPECT_EQ(resources, (std::vector<std::string> { "vexa.video:vid_comet", "vexa.history:vid_comet" }));
        else
            EXPECT_EQ(resources, (std::vector<std::string> { "vexa.video:vid_moon" }));
    }
    // Titles are shown replaced only while both settings are on.
    auto plain = small_library();
    plain.settings.dearrow_titles = false;
    EXPECT_EQ(build_library_listing(plain)->result("vexa.video:vid_moon#open")->title, "MOON BASE!!!");
}

TEST(LibraryListing, CutsEachGroupAtAHundred)
{
    auto model = VexaModel::empty();
    for (int i = 0; i < 150; ++i) {
        model.videos.push_back(video(fmt::format("v{}", i), "match"));
        Playlist playlist;
        playlist.id = fmt::format("p{}", i);
        playlist.title = "match";
        model.playlists.push_back(playlist);
        model.history.push_back(fmt::format("v{}", i));
    }
    auto catalog = build_library_listing(model);
    EXPECT_EQ(catalog->stats().entries, 300u);
    EXPECT_TRUE(catalog->result("vexa.video:v99#open"));
    EXPECT_FALSE(catalog->result("vexa.video:v100#open"));
    EXPECT_FALSE(catalog->result("vexa.playlist:p100#open"));
    EXPECT_FALSE(catalog->result("vexa.history:v100#open"));

    CatalogSearchProvider provider(catalog);
    EXPECT_EQ(provider.name(), "Vexa");
    EXPECT_EQ(provider.statistics(), catalog->stats().generation);
    EXPECT_EQ(provider.statistics(), 300u);
    EXPECT_EQ(provider.search("match").size(), CatalogSearchProvider::search_limit);
    EXPECT_EQ(provider.search_limited("match", 10).size(), 10u);
    auto page = provider.query_page("match", std::nullopt, 100);
    ASSERT_TRUE(page.next);
    EXPECT_TRUE(provider.cursor_is_current(*page.next));
}

}
}
