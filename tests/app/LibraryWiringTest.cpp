// The application and the runtime's library store: each library change a user makes is
// dispatched onto the store before its local echo, kept in the file, and read back by a new
// application on the same file; failures leave the document and the file as they were.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <unistd.h>

#include "automerge/Document.h"
#include "kaso/actions/LibraryStore.h"
#include "kaso/ui/FrameDriver.h"
#include "src/actions/LibraryReader.h"
#include "src/app/AppState.h"
#include "src/app/VexaApp.h"

using kaso::actions::LibraryStore;
using vexa::AppState;
using vexa::SegmentCategory;
using vexa::SegmentMode;
using vexa::SettingFlag;
using vexa::UiAction;
using vexa::VexaAction;
using vexa::VexaModel;
namespace fs = std::filesystem;

namespace {

class TemporaryDirectory {
public:
    TemporaryDirectory()
    {
        m_path = fs::temp_directory_path() / ("vexa-library-wiring-" + std::to_string(getpid()) + "-" + std::to_string(s_counter++));
        fs::remove_all(m_path);
        fs::create_directories(m_path);
    }
    ~TemporaryDirectory() { fs::remove_all(m_path); }
    fs::path const& path() const { return m_path; }
    fs::path library() const { return m_path / "library.automerge"; }

private:
    static inline int s_counter = 0;
    fs::path m_path;
};

std::vector<char> bytes_of(fs::path const& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

void frame(AppState& state, LibraryStore& store)
{
    kaso::ui::SyncContext context { &store.document(), 0, &store };
    state.run_frame(context, nullptr);
}

// A new application on the file, after one frame: what a restart shows.
VexaModel reopened(fs::path const& path)
{
    auto store = LibraryStore::open_at(path);
    AppState state("user:test");
    frame(state, store);
    return state.model();
}

vexa::Video const& first_video(VexaModel const& model)
{
    EXPECT_FALSE(model.videos.empty());
    return model.videos.front();
}

}

TEST(LibraryWiring, EachLibraryChangeIsKeptAcrossARestart)
{
    struct Case {
        char const* name;
        std::function<UiAction(VexaModel const&)> action;
        std::function<bool(VexaModel const&)> shown; // what the change shows, before and after the restart
    };
    Case const cases[] = {
        { "like", [](VexaModel const& m) { return UiAction::toggle_like(first_video(m).id); },
            [](VexaModel const& m) { return m.is_liked(first_video(m).id); } },
        { "subscription", [](VexaModel const& m) { return UiAction::toggle_subscription(first_video(m).channel_id); },
            [](VexaModel const& m) { return m.is_subscribed(first_video(m).channel_id); } },
        { "autoplay off", [](VexaModel const&) { return UiAction::toggle_setting(uint8_t(SettingFlag::Autoplay)); },
            [](VexaModel const& m) { return !m.settings.autoplay; } },
        { "comments off", [](VexaModel const&) { return UiAction::toggle_setting(uint8_t(SettingFlag::ShowComments)); },
            [](VexaModel const& m) { return !m.settings.show_comments; } },
        { "quality", [](VexaModel const&) { return UiAction::set_quality("480p"); },
            [](VexaModel const& m) { return m.settings.preferred_quality == "480p"; } },
        { "segment mode", [](VexaModel const&) { return UiAction::cycle_segment_mode(uint8_t(SegmentCategory::Intro)); },
            [](VexaModel const& m) { return m.settings.stored_segment_mode(SegmentCategory::Intro) == SegmentMode::Show; } },
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.name);
        TemporaryDirectory directory;
        auto store = LibraryStore::open_at(directory.library());
        AppState state("user:test");
        frame(state, store);
        bool initially = c.shown(state.model()); // the sample subscribes to some creators

        state.carry_out(c.action(state.model()), &store);
        EXPECT_EQ(c.shown(state.model()), !initially); // the echo
        frame(state, store);
        EXPECT_EQ(c.shown(state.model()), !initially); // the document agrees
        ASSERT_TRUE(fs::exists(directory.library()));
        EXPECT_EQ(c.shown(reopened(directory.library())), !initially);

        // Undone the same way, and kept undone.
        if (std::string_view(c.name) != "quality" && std::string_view(c.name) != "segment mode") {
            state.carry_out(c.action(state.model()), &store);
            EXPECT_EQ(c.shown(reopened(directory.library())), initially);
        }
    }
}

TEST(LibraryWiring, QueueMembershipIsKeptAcrossARestart)
{
    TemporaryDirectory directory;
    auto store = LibraryStore::open_at(directory.library());
    AppState state("user:test");
    auto const& videos = state.model().videos;
    ASSERT_GE(videos.size(), 2u);
    std::string first = videos[0].id, second = videos[1].id;

    EXPECT_TRUE(state.library().dispatch(&store, VexaAction::SetQueueMembership { second, true }));
    EXPECT_TRUE(state.library().dispatch(&store, VexaAction::AddToQueue { first }));
    EXPECT_EQ(reopened(directory.library()).queue, (std::vector<std::string> { first, second })); // the document's key order
    EXPECT_TRUE(state.library().dispatch(&store, VexaAction::SetQueueMembership { second, false }));
    EXPECT_EQ(reopened(directory.library()).queue, std::vector<std::string> { first });
}

TEST(LibraryWiring, SegmentModesCycleFromWhatIsShown)
{
    TemporaryDirectory directory;
    auto store = LibraryStore::open_at(directory.library());
    AppState state("user:test");
    frame(state, store);
    auto cycle = UiAction::cycle_segment_mode(uint8_t(SegmentCategory::Sponsor));
    for (auto expected : { SegmentMode::Show, SegmentMode::Disabled, SegmentMode::Skip }) {
        state.carry_out(cycle, &store);
        frame(state, store);
        EXPECT_EQ(state.model().settings.stored_segment_mode(SegmentCategory::Sponsor), expected);
        EXPECT_EQ(reopened(directory.library()).settings.stored_segment_mode(SegmentCategory::Sponsor), expected);
    }

    // With SponsorBlock off every category shows as disabled: the document gets the mode after
    // that one, while the model cycles the mode it stores.
    state.carry_out(UiAction::toggle_setting(uint8_t(SettingFlag::SponsorBlock)), &store);
    frame(state, store);
    ASSERT_FALSE(state.model().settings.sponsorblock);
    state.carry_out(cycle, &store);
    EXPECT_EQ(vexa::library_snapshot(store.document()).segment_modes[size_t(SegmentCategory::Sponsor)], SegmentMode::Skip);
}

TEST(LibraryWiring, TheDispatchCarriesItsLabelAndProvenance)
{
    auto store = LibraryStore::in_memory();
    AppState state("user:test");
    auto heads = store.document().heads();
    state.carry_out(UiAction::toggle_like(first_video(state.model()).id), &store);
    auto const& record = state.library().host().last_dispatch();
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->kind, "vexa.action");
    EXPECT_EQ(record->context.label, "Set video liked");
    EXPECT_EQ(record->context.resource_id, "io.vexa.Vexa");
    EXPECT_EQ(record->context.resource_title, "Vexa");
    EXPECT_EQ(record->heads_before, heads);
    EXPECT_EQ(record->heads_after, store.document().heads());
    EXPECT_NE(record->heads_after, heads);
}

TEST(LibraryWiring, AFailedDispatchLeavesTheDocumentAndTheFileAndKeepsTheEcho)
{
    // A write that fails: the other instance left a file that cannot be read.
    {
        TemporaryDirectory directory;
        auto store = LibraryStore::open_at(directory.library());
        AppState state("user:test");
        auto const& video = first_video(state.model());
        state.carry_out(UiAction::toggle_setting(uint8_t(SettingFlag::DeArrow)), &store);
        fs::remove(directory.library());
        std::ofstream(directory.library(), std::ios::binary) << "not a library";
        auto bytes = bytes_of(directory.library());
        auto heads = store.document().heads();
        auto record = state.library().host().last_dispatch();

        state.carry_out(UiAction::toggle_like(video.id), &store);
        EXPECT_EQ(store.document().heads(), heads);
        EXPECT_EQ(bytes_of(directory.library()), bytes);
        EXPECT_EQ(state.library().host().last_dispatch()->heads_after, record->heads_after);
        // The echo stays while the document holds no likes to settle it.
        EXPECT_TRUE(state.model().is_liked(video.id));
        frame(state, store);
        EXPECT_TRUE(state.model().is_liked(video.id));
    }
    // An action the writer refuses.
    {
        TemporaryDirectory directory;
        auto store = LibraryStore::open_at(directory.library());
        AppState state("user:test");
        ASSERT_TRUE(state.library().dispatch(&store, VexaAction::SetPreferredQuality { "720p" }));
        auto bytes = bytes_of(directory.library());
        auto heads = store.document().heads();
        EXPECT_FALSE(state.library().dispatch(&store, VexaAction::CyclePreferredQuality {}));
        EXPECT_FALSE(state.library().dispatch(&store, VexaAction::SetPreferredQuality { "360p" }));
        EXPECT_FALSE(state.library().dispatch(&store, VexaAction::SetVideoLiked { "bad\xff", true }));
        EXPECT_EQ(store.document().heads(), heads);
        EXPECT_EQ(bytes_of(directory.library()), bytes);
    }
}

TEST(LibraryWiring, TwoApplicationsLikingDifferentVideosBothKeepTheirLike)
{
    TemporaryDirectory directory;
    auto store_one = LibraryStore::open_at(directory.library());
    auto store_two = LibraryStore::open_at(directory.library());
    AppState one("user:test"), two("user:test");
    frame(one, store_one);
    frame(two, store_two);
    auto const& videos = one.model().videos;
    ASSERT_GE(videos.size(), 2u);
    one.carry_out(UiAction::toggle_like(videos[0].id), &store_one);
    two.carry_out(UiAction::toggle_like(videos[1].id), &store_two);

    auto model = reopened(directory.library());
    EXPECT_TRUE(model.is_liked(videos[0].id));
    EXPECT_TRUE(model.is_liked(videos[1].id));
    frame(two, store_two); // the second has merged the first's like before it saved
    EXPECT_TRUE(two.model().is_liked(videos[0].id));
}

TEST(LibraryWiring, AnUnusableLibraryFileIsToldOnceAtStart)
{
    TemporaryDirectory directory;
    std::ofstream(directory.library(), std::ios::binary) << "not a library";
    auto store = LibraryStore::open_at(directory.library());
    ASSERT_TRUE(store.notice().has_value());
    AppState state("user:test");
    frame(state, store);
    frame(state, store);
    EXPECT_EQ(std::count(state.model().notices.begin(), state.model().notices.end(), *store.notice()), 1);

    auto fine = LibraryStore::in_memory();
    AppState quiet("user:test");
    auto notices = quiet.model().notices;
    frame(quiet, fine);
    EXPECT_EQ(quiet.model().notices, notices);
}

TEST(LibraryWiring, TheEventPathDispatchesOntoTheAttachedStore)
{
    auto store = LibraryStore::in_memory();
    auto app = vexa::VexaApp::create_for_owner("user:test");
    auto* root = app.get();
    kaso::ui::FrameDriver driver(std::move(app), kaso::ui::Theme::dark());
    driver.attach_library(store);
    driver.frame(0);
    auto video = first_video(root->model()).id;
    root->operations()->push(UiAction::toggle_like(video));
    driver.dispatch(kaso::ui::PointerLeave {}, {});
    auto liked = vexa::library_snapshot(store.document()).liked;
    ASSERT_TRUE(liked.has_value());
    EXPECT_EQ(*liked, std::vector<std::string> { video });
    driver.frame(16);
    EXPECT_TRUE(root->model().is_liked(video));
}

TEST(LibraryWiring, ThePlayerMenusQualityIsSavedLikeTheSettingsPages)
{
    using namespace kaso::ui;
    auto store = LibraryStore::in_memory();
    auto app = vexa::VexaApp::create_for_owner("user:test");
    auto* root = app.get();
    root->apply_launch_route(vexa::Route::watch(first_video(root->model()).id));
    FrameDriver driver(std::move(app), Theme::dark());
    driver.attach_library(store);
    driver.set_viewport(1280, 800, 1.0f);
    uint64_t now = 0;
    driver.frame(now += 16);

    // A change on the settings page first: from then on the document holds a quality, which
    // every frame reads back.
    root->operations()->push(UiAction::set_quality("720p"));
    driver.dispatch(PointerLeave {}, {});
    driver.frame(now += 16);
    ASSERT_EQ(root->model().settings.preferred_quality, "720p");

    // At 1280 by 800 the player is x 221..1145, y 66..586: its settings button sits at the right
    // end of the control bar, and the menu's rows are 32 high from y 402.
    auto click = [&](double x, double y) {
        driver.dispatch(PointerDown { x, y }, {});
        driver.dispatch(PointerUp { x, y }, {});
        driver.frame(now += 16);
    };
    auto choose = [&](size_t row) {
        driver.dispatch(PointerMove { 683, 300 }, {});
        click(1119, 562);
        ASSERT_TRUE(root->player()->menu_open());
        click(1067, 402 + 32 * double(row) + 16);
        driver.frame(now += 16);
    };
    for (auto [row, label] : { std::pair { size_t(2), "480p" }, { size_t(3), "auto" }, { size_t(0), "1080p" } }) {
        choose(row);
        EXPECT_EQ(root->model().settings.preferred_quality, label);
        EXPECT_EQ(vexa::library_snapshot(store.document()).preferred_quality, label);
        EXPECT_EQ(root->player()->setting().selected, row);
    }
}
