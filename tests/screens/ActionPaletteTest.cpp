// The action palette's content search over the sample catalogue and over made-up models (the
// limits), and the overlay it builds: states, rows, texts, actions.

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <tuple>

#include <fmt/format.h>

#include "kaso/ui/LocalTextCell.h"
#include "kaso/ui/TextInput.h"
#include "src/backend/ModelBackend.h"
#include "src/backend/SampleCatalogue.h"
#include "src/screens/ActionPalette.h"
#include "tests/screens/TreeSearch.h"

namespace vexa {
namespace {

using kaso::ui::Theme;

// A row as the table writes it: its title, and "creator" or "video".
struct Row {
    std::string title;
    std::string what;
    bool operator==(Row const&) const = default;
};

void PrintTo(Row const& row, std::ostream* out) { *out << row.what << " " << row.title; }

std::vector<Row> rows_of(std::vector<PaletteMatch> const& matches)
{
    std::vector<Row> rows;
    for (auto const& match : matches)
        rows.push_back({ match.title, match.kind == palette_channel_kind ? "creator" : "video" });
    return rows;
}

std::vector<PaletteMatch> full_search(VexaModel const& model, std::string_view query)
{
    ModelBackend backend(model);
    return search_palette_matches(static_cast<ContentBackend&>(backend), model, query);
}

std::vector<PaletteMatch> keystroke_search(VexaModel const& model, std::string_view query, std::size_t limit = palette_row_limit)
{
    return search_palette_matches(ModelBackend::borrowing(model), model, query, limit);
}

Video made_video(std::string id, std::string title, std::string creator = "Someone")
{
    Video video;
    video.id = std::move(id);
    video.title = std::move(title);
    video.channel_name = std::move(creator);
    video.seed = video.id;
    return video;
}

Channel made_creator(std::string id, std::string name, std::string handle)
{
    Channel channel;
    channel.id = std::move(id);
    channel.name = std::move(name);
    channel.handle = std::move(handle);
    channel.seed = channel.id;
    return channel;
}

// `videos` videos titled "match video {}" and `creators` creators, of which those at the given
// positions are named "match creator {}" (the others "other {}").
VexaModel made_model(std::size_t videos, std::size_t creators, std::vector<std::size_t> matching_creators)
{
    auto model = VexaModel::empty();
    for (std::size_t i = 0; i < videos; ++i)
        model.videos.push_back(made_video(fmt::format("v{}", i), fmt::format("match video {}", i)));
    for (std::size_t i = 0; i < creators; ++i) {
        bool matching = std::ranges::find(matching_creators, i) != matching_creators.end();
        model.channels.push_back(made_creator(fmt::format("c{}", i), fmt::format("{} {}", matching ? "match creator" : "other", i), fmt::format("@c{}", i)));
    }
    return model;
}

std::string const donut = "The ONLY Donut Recipe You'll EVER Need!!! (Bakeries HATE This)";

TEST(PaletteSearch, QueriesOverTheSampleCatalogue)
{
    struct Case {
        char const* query;
        std::vector<Row> rows;
    };
    Case const cases[] = {
        { "", {} },
        { "   ", {} },
        { "kitchen", { { donut, "video" }, { "Midnight Kitchen", "creator" } } },
        { "  KitChen ", { { donut, "video" }, { "Midnight Kitchen", "creator" } } },
        // Titles shown are the DeArrow ones where a video has one (the setting is on).
        { "orbit",
            { { "Building a scale model of a lunar habitat", "video" }, { "What happens to matter that falls into a black hole", "video" },
                { "How to spot this year's visible comet", "video" }, { "Orbit Lab", "creator" } } },
        // A video is found by its own title and shown under its DeArrow title; the words of the
        // DeArrow title find nothing, as the content search reads only the video's own texts.
        { "moon", { { "Building a scale model of a lunar habitat", "video" } } },
        { "lunar habitat", {} },
        // The category matches too; creators are found by name or handle, never by category.
        { "science",
            { { "Building a scale model of a lunar habitat", "video" }, { "What happens to matter that falls into a black hole", "video" },
                { "How to spot this year's visible comet", "video" } } },
        // Only a handle holds the at sign.
        { "@trail", { { "Trail Notes", "creator" } } },
        // A creator found by name and by handle is listed once.
        { "groove", { { "This ONE Bass Line Changed Music FOREVER (Nobody Talks About It!)", "video" }, { "Groove Theory", "creator" } } },
        { "no such thing", {} },
    };
    auto model = sample_catalogue();
    for (auto const& test : cases) {
        SCOPED_TRACE(test.query);
        EXPECT_EQ(rows_of(full_search(model, test.query)), test.rows);
        EXPECT_EQ(rows_of(keystroke_search(model, test.query)), test.rows);
    }
}

TEST(PaletteSearch, TitlesFollowTheDeArrowSettings)
{
    auto model = sample_catalogue();
    for (auto [dearrow, titles, shown] : { std::tuple { true, true, "Building a scale model of a lunar habitat" },
             { true, false, "I Built a MOON BASE in My Garage!!! (NASA Won't Believe This)" },
             { false, true, "I Built a MOON BASE in My Garage!!! (NASA Won't Believe This)" } }) {
        model.settings.dearrow = dearrow;
        model.settings.dearrow_titles = titles;
        auto matches = keystroke_search(model, "moon");
        ASSERT_EQ(matches.size(), 1u);
        EXPECT_EQ(matches[0].title, shown);
        EXPECT_EQ(matches[0].link, "vexa://watch/vid_moon_base");
        EXPECT_EQ(matches[0].subtitle, "Orbit Lab");
        EXPECT_EQ(matches[0].duration, 1725u);
    }
    auto creator = keystroke_search(model, "@midnight");
    ASSERT_EQ(creator.size(), 1u);
    EXPECT_EQ(creator[0], (PaletteMatch { "Midnight Kitchen", "@midnightkitchen", "ch_kitchen", "vexa://channel/ch_kitchen", palette_channel_kind, 0 }));
}

// The bounds: at most 50 matches; the creators looked at are the first 50 − (video matches).
TEST(PaletteSearch, LimitsTheMatchesAndTheCreatorsLookedAt)
{
    struct Case {
        char const* name;
        VexaModel model;
        std::size_t videos;
        std::vector<std::string> creators; // the ids of the creators found, in order
    };
    Case const cases[] = {
        { "60 video matches: 50 listed, no creator looked at", made_model(60, 3, { 0, 1, 2 }), 50, {} },
        { "50 video matches: no creator looked at", made_model(50, 3, { 0, 1, 2 }), 50, {} },
        { "45 video matches: the first 5 creators only", made_model(45, 10, { 1, 4, 5, 9 }), 45, { "c1", "c4" } },
        { "no video match: the creator at position 51 is never found", made_model(0, 60, { 3, 50 }), 0, { "c3" } },
        { "60 matching creators: 50 listed", made_model(0, 60, [] {
              std::vector<std::size_t> all(60);
              std::iota(all.begin(), all.end(), 0);
              return all;
          }()),
            0, {} },
    };
    for (auto const& test : cases) {
        SCOPED_TRACE(test.name);
        auto matches = full_search(test.model, "MATCH");
        std::size_t videos = 0;
        std::vector<std::string> creators;
        for (auto const& match : matches) {
            if (match.kind == palette_video_kind)
                ++videos;
            else
                creators.push_back(match.link.substr(std::string_view("vexa://channel/").size()));
        }
        EXPECT_EQ(videos, test.videos);
        if (std::string_view(test.name).starts_with("60 matching"))
            EXPECT_EQ(creators.size(), 50u);
        else
            EXPECT_EQ(creators, test.creators);
        EXPECT_LE(matches.size(), palette_match_limit);
        // A keystroke's search keeps only what the palette shows, and those are the same rows.
        for (std::size_t limit : { std::size_t(1), palette_row_limit, palette_match_limit }) {
            auto kept = keystroke_search(test.model, "MATCH", limit);
            auto expected = std::vector<PaletteMatch>(matches.begin(), matches.begin() + std::ptrdiff_t(std::min(limit, matches.size())));
            EXPECT_EQ(kept, expected) << "limit " << limit;
        }
    }
}

// A backend that fails every search, or answers one with something other than videos.
class RefusingBackend final : public ContentBackend {
public:
    explicit RefusingBackend(bool error)
        : m_error(error)
    {
    }
    std::string name() const override { return "refusing"; }
    BackendResult<FetchResult> search(std::string_view) override
    {
        if (m_error)
            return backend_error("search refused");
        return FetchedVideo { made_video("v", "match") };
    }
    BackendResult<FetchResult> video(std::string_view) override { return backend_error("no"); }
    BackendResult<FetchResult> channel(std::string_view) override { return backend_error("no"); }
    BackendResult<FetchResult> related(std::string_view) override { return backend_error("no"); }
    BackendResult<FetchResult> trending() override { return backend_error("no"); }

private:
    bool m_error;
};

TEST(PaletteSearch, ABackendThatFailsGivesOnlyTheCreators)
{
    auto model = made_model(0, 2, { 1 });
    for (bool error : { true, false }) {
        RefusingBackend backend(error);
        auto matches = search_palette_matches(backend, model, "match");
        ASSERT_EQ(matches.size(), 1u);
        EXPECT_EQ(matches[0].link, "vexa://channel/c1");
        EXPECT_TRUE(model.notices.empty());
    }
}

// The palette as built for a model, with its texts.
struct BuiltPalette {
    explicit BuiltPalette(VexaModel const& model)
        : queue(OperationQueue::create())
        , built(action_palette(model, Theme::dark(), queue, kaso::ui::LocalTextCell::create(model.palette_query)))
    {
    }
    OperationQueueHandle queue;
    std::optional<Flex> built;
};

VexaModel open_on(VexaModel model, std::string query)
{
    model.palette_open = true;
    model.palette_query = std::move(query);
    return model;
}

TEST(ActionPalette, IsNoneWhileClosed)
{
    auto model = sample_catalogue();
    model.palette_query = "kitchen";
    EXPECT_FALSE(BuiltPalette(model).built);
}

TEST(ActionPalette, ShowsTheStateOrTheRows)
{
    struct Case {
        char const* query;
        std::vector<std::string> rows;
        char const* state; // the state text, when no rows
    };
    Case const cases[] = {
        { "", {}, "Type to search across Vexa" },
        { "  \t ", {}, "Type to search across Vexa" },
        { "zzzz", {}, "No matches" },
        { "kitchen", { "palette_row_0", "palette_row_1" }, nullptr },
        // Twelve videos hold an "e": eight rows.
        { "e", { "palette_row_0", "palette_row_1", "palette_row_2", "palette_row_3", "palette_row_4", "palette_row_5", "palette_row_6", "palette_row_7" }, nullptr },
    };
    for (auto const& test : cases) {
        SCOPED_TRACE(test.query);
        BuiltPalette palette(open_on(sample_catalogue(), test.query));
        ASSERT_TRUE(palette.built);
        auto& root = *palette.built;
        EXPECT_EQ(root.widget_id(), "palette_scrim");
        EXPECT_EQ(test::ids_with_prefix(root, "palette_row_"), test.rows);
        auto texts = test::label_texts(root);
        EXPECT_EQ(std::ranges::count(texts, "Ctrl K"), 1);
        if (test.state)
            EXPECT_EQ(std::ranges::count(texts, std::string(test.state)), 1);
        else
            EXPECT_EQ(std::ranges::count(texts, "No matches") + std::ranges::count(texts, "Type to search across Vexa"), 0);
    }
}

TEST(ActionPalette, RowsTellWhatTheyOpen)
{
    BuiltPalette palette(open_on(sample_catalogue(), "night train"));
    auto& root = *palette.built;
    auto* row = test::find_by_id(root, "palette_row_0");
    ASSERT_NE(row, nullptr);
    // Named for what it opens; the pointer's label names the kind of action.
    EXPECT_EQ(row->accessibility()->name, "Open search result: A full day aboard an overnight sleeper train");
    EXPECT_EQ(row->action_label(), "Open search result");
    // 3725 seconds, after the creator's name.
    auto texts = test::label_texts(*row);
    EXPECT_EQ(texts, (std::vector<std::string> { "A full day aboard an overnight sleeper train", "Trail Notes · 1:02:05" }));

    BuiltPalette creators(open_on(sample_catalogue(), "pixel"));
    auto* last = test::find_by_id(*creators.built, "palette_row_2");
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(test::label_texts(*last), (std::vector<std::string> { "Pixel Forge", "Channel · @pixelforge" }));

    // Activating a row queues the opening of its link; the card keeps the palette open; the
    // scrim closes it.
    auto* flex = dynamic_cast<Flex*>(row);
    ASSERT_NE(flex, nullptr);
    EXPECT_EQ(flex->action(), UiAction::open_search_result("vexa://watch/vid_night_train"));
    auto* card = dynamic_cast<Flex*>(test::find_by_id(root, "palette_card"));
    ASSERT_NE(card, nullptr);
    EXPECT_EQ(card->action(), UiAction::open_palette());
    EXPECT_EQ(card->accessibility()->name, "Action search dialog");
    EXPECT_EQ(root.action(), UiAction::close_palette());
    EXPECT_EQ(root.accessibility()->name, "Close action search");
}

TEST(ActionPalette, TheInputIsTheSearchFieldOverTheQueryCell)
{
    auto cell = kaso::ui::LocalTextCell::create("kitchen");
    auto queue = OperationQueue::create();
    auto palette = action_palette(open_on(sample_catalogue(), "kitchen"), Theme::dark(), queue, cell);
    ASSERT_TRUE(palette);
    auto inputs = test::widgets_of_type<kaso::ui::widget::TextInput>(*palette);
    ASSERT_EQ(inputs.size(), 1u);
    EXPECT_EQ(inputs[0]->id(), "palette_input");
    EXPECT_EQ(inputs[0]->kind(), kaso::ui::TextInputKind::Search);
    EXPECT_EQ(inputs[0]->placeholder(), "Search videos and channels…");
    EXPECT_EQ(inputs[0]->font_size(), 16.0f);
    EXPECT_TRUE(inputs[0]->fills_width());
    EXPECT_EQ(inputs[0]->cell(), cell);
}

}
}
