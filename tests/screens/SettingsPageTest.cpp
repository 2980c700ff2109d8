// The Settings page: each switch, pill and chip with the action it queues, the muted DeArrow
// rows, the mode pills' looks, and the device section over the device-sync states.

#include <gtest/gtest.h>

#include <limits>

#include <fmt/format.h>

#include "kaso/ui/LocalTextCell.h"
#include "kaso/ui/TextInput.h"
#include "src/screens/Buttons.h"
#include "src/screens/SettingsPage.h"
#include "tests/screens/PageCase.h"
#include "tests/screens/ScreenFixtures.h"

namespace vexa {
namespace {

using kaso::ui::Theme;
using test::check_page;
using test::find_by_id;
using test::PageCase;

kaso::ui::Scrollable settings_of(VexaModel const& model, OperationQueueHandle const& queue, DeviceSectionInput const& devices = {})
{
    return settings_screen(model, Theme::dark(), 1.0f, queue, devices);
}

TEST(SettingsPage, EachSwitchShowsItsSettingAndTogglesIt)
{
    struct Case {
        char const* id;
        SettingFlag flag;
        char const* title;
    };
    // In page order.
    Case const cases[] = {
        { "switch_autoplay", SettingFlag::Autoplay, "Autoplay next video" },
        { "switch_comments", SettingFlag::ShowComments, "Show comments" },
        { "switch_dislikes", SettingFlag::ReturnDislike, "Show dislikes" },
        { "switch_sponsorblock", SettingFlag::SponsorBlock, "Enable SponsorBlock" },
        { "switch_dearrow", SettingFlag::DeArrow, "Enable DeArrow" },
        { "switch_dearrow_titles", SettingFlag::DeArrowTitles, "Replace clickbait titles" },
        { "switch_dearrow_thumbs", SettingFlag::DeArrowThumbnails, "Replace thumbnails" },
    };
    // Every other flag off, so a switch reading the wrong setting shows.
    for (bool first_on : { true, false }) {
        auto model = sample_catalogue();
        bool on = first_on;
        for (auto const& c : cases) {
            model.settings.set_flag(c.flag, on);
            on = !on;
        }
        auto queue = OperationQueue::create();
        auto page = settings_of(model, queue);
        auto switches = test::widgets_of_type<Switch>(page);
        ASSERT_EQ(switches.size(), std::size(cases));
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            auto const& c = cases[i];
            SCOPED_TRACE(c.id);
            EXPECT_EQ(switches[i]->widget_id(), c.id);
            EXPECT_EQ(switches[i]->is_on(), model.settings.flag(c.flag));
            EXPECT_EQ(switches[i]->accessibility()->name, c.title);
            EXPECT_EQ(test::activate(*switches[i], queue), UiAction::toggle_setting(uint8_t(c.flag)));
            EXPECT_TRUE(test::has_text(page, c.title));
        }
    }
}

TEST(SettingsPage, DeArrowSubRowsAreMutedWhileDeArrowIsOffAndStillToggle)
{
    std::pair<char const*, char const*> const rows[] = {
        { "Replace clickbait titles", "Show community-submitted, factual titles instead of clickbait." },
        { "Replace thumbnails", "Use neutral community thumbnails in place of clickbait frames." },
    };
    for (bool dearrow : { true, false }) {
        SCOPED_TRACE(dearrow ? "DeArrow on" : "DeArrow off");
        auto model = sample_catalogue();
        model.settings.dearrow = dearrow;
        auto theme = Theme::dark();
        auto queue = OperationQueue::create();
        auto page = settings_of(model, queue);
        for (auto const& [title, subtitle] : rows) {
            EXPECT_EQ(test::find_text(page, title)->color(), dearrow ? theme.text : theme.text_muted) << title;
            EXPECT_EQ(test::find_text(page, subtitle)->color(), theme.text_muted) << subtitle;
        }
        EXPECT_EQ(test::find_text(page, "Enable DeArrow")->color(), theme.text);
        EXPECT_EQ(test::activate(*find_by_id(page, "switch_dearrow_titles"), queue), UiAction::toggle_setting(uint8_t(SettingFlag::DeArrowTitles)));
        EXPECT_EQ(test::activate(*find_by_id(page, "switch_dearrow_thumbs"), queue),
            UiAction::toggle_setting(uint8_t(SettingFlag::DeArrowThumbnails)));
    }
}

TEST(SettingsPage, QualityPillAsksForTheNextQuality)
{
    std::pair<std::string, std::string> const cases[] = {
        { "1080p", "720p" }, { "720p", "480p" }, { "480p", "auto" }, { "auto", "1080p" }, { "4K", "720p" }, { "", "720p" }, { "AUTO", "720p" },
        { "720p ", "720p" },
    };
    for (auto const& [preferred, next] : cases) {
        SCOPED_TRACE(preferred);
        EXPECT_EQ(next_quality(preferred), next);
        auto model = sample_catalogue();
        model.settings.preferred_quality = preferred;
        auto queue = OperationQueue::create();
        auto page = settings_of(model, queue);
        std::vector<Flex*> pills;
        for (auto* flex : test::widgets_of_type<Flex>(page))
            if (flex->action() && flex->action()->kind == UiActionKind::SetQuality)
                pills.push_back(flex);
        ASSERT_EQ(pills.size(), 1u);
        EXPECT_EQ(test::activate(*pills[0], queue), UiAction::set_quality(next));
        EXPECT_EQ(pills[0]->accessibility()->name, "Playback quality, currently " + preferred);
    }
}

TEST(SettingsPage, ModePillsShowTheStoredModesWhateverTheSponsorBlockSwitch)
{
    auto theme = Theme::dark();
    for (bool sponsorblock : { true, false }) {
        SCOPED_TRACE(sponsorblock ? "SponsorBlock on" : "SponsorBlock off");
        auto model = sample_catalogue();
        model.settings.sponsorblock = sponsorblock;
        model.settings.sponsor_categories["sponsor"] = SegmentMode::Show;
        model.settings.sponsor_categories.erase("intro"); // missing: auto-skip
        auto queue = OperationQueue::create();
        auto page = settings_of(model, queue);
        struct Case {
            SegmentCategory category;
            char const* id;
            char const* label;
            kaso::ui::Color ink;
        };
        auto skip_ink = with_contrast_text_color(theme.highlight).second;
        Case const cases[] = {
            { SegmentCategory::Sponsor, "mode_sponsor", "Sponsor: Show", theme.text },
            { SegmentCategory::SelfPromo, "mode_selfpromo", "Self-promo: Auto-skip", skip_ink },
            { SegmentCategory::Intro, "mode_intro", "Intermission / intro: Auto-skip", skip_ink },
            { SegmentCategory::Filler, "mode_filler", "Filler tangent: Off", theme.text_muted },
        };
        for (auto const& c : cases) {
            SCOPED_TRACE(c.id);
            auto* pill = dynamic_cast<Flex*>(find_by_id(page, c.id));
            ASSERT_NE(pill, nullptr);
            EXPECT_EQ(pill->accessibility()->name, c.label);
            auto labels = test::widgets_of_type<kaso::ui::Text>(*pill);
            ASSERT_EQ(labels.size(), 1u);
            EXPECT_EQ(labels[0]->color(), c.ink);
            EXPECT_EQ(test::activate(*pill, queue), UiAction::cycle_segment_mode(uint8_t(c.category)));
        }
        EXPECT_EQ(test::ids_with_prefix(page, "mode_").size(), all_segment_categories.size());
    }
}

// The device section over the device-sync states, each fixture a row.
TEST(SettingsPage, DeviceSectionOverEveryState)
{
    std::string const broker = "Encrypted Grayjay sync is available when the desktop secret broker is unlocked.";
    std::string const unavailable_notice
        = "Encrypted device sync is unavailable on this desktop. Ensure the desktop secret broker is available and unlocked, then reopen Vexa.";
    std::string const no_approved = "No approved devices yet. Pairing requires confirmation on both devices.";
    std::vector<std::string> const pairing = { "grayjay_pairing_invite", "grayjay_pair" };
    std::vector<std::string> const all_device_ids = { "grayjay_pairing_invite", "grayjay_pair", "grayjay_sync_now", "grayjay_approve_B5:73:0D:1",
        "grayjay_revoke_6A:1C:92:7" };
    auto demo_without_buffer = test::device_fixture("demo");
    demo_without_buffer.pairing_invite = nullptr;
    PageCase rows[] = {
        PageCase().name("no status")
            .devices(test::device_fixture("none"))
            .texts({ "Device sync", "Grayjay devices", "Unavailable", broker })
            .absent_ids(all_device_ids)
            .absent_texts({ "Pair a device", unavailable_notice }),
        PageCase().name("a status without a pairing buffer: the header only")
            .devices(demo_without_buffer)
            .texts({ "Ready", "Two devices are ready; one awaits your approval." })
            .absent_ids(all_device_ids)
            .absent_texts({ "Pair a device", "Approved devices", no_approved }),
        PageCase().name("unavailable: the notice, never the pairing block")
            .devices(test::device_fixture("unavailable"))
            .texts({ "Unavailable", "Start the live app to initialize device sync.", unavailable_notice })
            .absent_ids(all_device_ids)
            .absent_texts({ "Pair a device", broker }),
        PageCase().name("ready without devices")
            .devices(test::device_fixture("no-peers"))
            .ids(pairing)
            .absent_ids({ "grayjay_sync_now" })
            .texts({ "Ready", "This device · VX7K2M9QPL4RT8WN3H… · key held by desktop secret broker", "Pair a device",
                "In Grayjay, open Sync → Add device, then paste its invite here.", "Pair device", no_approved })
            .activations({ { "grayjay_pair", UiAction::pair_device() } }),
        PageCase().name("demo: one approved, one pending")
            .devices(test::device_fixture("demo"))
            .ids(all_device_ids)
            .texts({ "Confirm this device", "Fingerprint B5:73:0D:1 · verify it on Grayjay", "Approved devices", "Pixel phone",
                "6A:1C:92:7 · Last synced 3 minutes ago", "Approve", "Revoke", "Sync now" })
            .absent_texts({ no_approved, "Living-room tablet" })
            .activations({ { "grayjay_pair", UiAction::pair_device() }, { "grayjay_sync_now", UiAction::sync_devices() },
                { "grayjay_approve_B5:73:0D:1", UiAction::approve_device("B5:73:0D:11:9A:CE") },
                { "grayjay_revoke_6A:1C:92:7", UiAction::revoke_device("6A:1C:92:7E:4B:80") } }),
        PageCase().name("syncing: revoked devices are not shown")
            .devices(test::device_fixture("syncing"))
            .ids({ "grayjay_revoke_6A:1C:92:7", "grayjay_revoke_D1:E2:F3:0" })
            .absent_ids({ "grayjay_revoke_C0:FF:EE:0", "grayjay_approve_C0:FF:EE:0" })
            .texts({ "Syncing…", "Work phone", "D1:E2:F3:0 · Not synced yet" })
            .absent_texts({ "Old laptop" }),
        PageCase().name("needs attention: the last error wins over the last sync")
            .devices(test::device_fixture("attention"))
            .texts({ "Needs attention", "1 device could not be synced." })
            .absent_texts({ "6A:1C:92:7 · Last synced 3 minutes ago" }),
    };
    for (auto& row : rows)
        check_page(std::move(row).route(Route::settings()).model([] { return sample_catalogue(); }));

    // One "Sync now" for any number of approved devices.
    for (auto name : { "demo", "syncing", "attention" }) {
        auto model = sample_catalogue();
        auto page = settings_of(model, OperationQueue::create(), test::device_fixture(name));
        EXPECT_EQ(test::ids_with_prefix(page, "grayjay_sync_now").size(), 1u) << name;
    }
}

TEST(SettingsPage, APendingRevokedDeviceIsShownNowhere)
{
    auto devices = test::device_fixture("demo");
    devices.status->peers[1].revoked_at = test::shot_now_seconds;
    auto model = sample_catalogue();
    auto page = settings_of(model, OperationQueue::create(), devices);
    EXPECT_TRUE(test::ids_with_prefix(page, "grayjay_approve_").empty());
    EXPECT_EQ(test::ids_with_prefix(page, "grayjay_revoke_"), std::vector<std::string> { "grayjay_revoke_6A:1C:92:7" });
    EXPECT_FALSE(test::has_text(page, "Confirm this device"));
}

TEST(SettingsPage, PairingFieldEditsTheSharedBuffer)
{
    auto devices = test::device_fixture("demo");
    devices.pairing_invite->publish("grayjay://sync/abc");
    auto model = sample_catalogue();
    auto page = settings_of(model, OperationQueue::create(), devices);
    auto fields = test::widgets_of_type<kaso::ui::widget::TextInput>(page);
    ASSERT_EQ(fields.size(), 1u);
    auto const& field = *fields[0];
    EXPECT_EQ(field.id(), "grayjay_pairing_invite");
    EXPECT_EQ(field.cell(), devices.pairing_invite);
    EXPECT_EQ(field.text(), "grayjay://sync/abc");
    EXPECT_EQ(field.placeholder(), "grayjay:// pairing invite");
    EXPECT_EQ(field.description(), "Grayjay pairing invite");
    EXPECT_TRUE(field.fills_width());
}

TEST(DeviceSyncText, AgesErrorsAndTheirBounds)
{
    constexpr uint64_t now = test::shot_now_seconds;
    constexpr uint64_t most = std::numeric_limits<uint64_t>::max();
    auto synced = [](std::optional<uint64_t> at, std::optional<std::string> error = std::nullopt) {
        sync::PeerRecord peer;
        peer.id = "6A:1C:92:7E:4B:80";
        peer.last_sync_at = at;
        peer.last_error = std::move(error);
        return peer;
    };
    std::string const cut_ascii(200, 'e');
    std::string accents;
    for (int i = 0; i < 201; ++i)
        accents += "é";
    struct Case {
        char const* name;
        sync::PeerRecord peer;
        uint64_t now;
        std::string text;
    };
    Case const cases[] = {
        { "never synced", synced(std::nullopt), now, "Not synced yet" },
        { "three minutes", synced(now - 180), now, "Last synced 3 minutes ago" },
        { "at this second", synced(now), now, "Last synced just now" },
        { "in the future", synced(now + 3'600), now, "Last synced just now" },
        { "the farthest future", synced(most), 0, "Last synced just now" },
        { "the longest age saturates", synced(0), most, "Last synced 292471208677 years ago" },
        { "an error wins over a sync", synced(now - 180, "refused"), now, "Could not sync · refused" },
        { "an error of exactly 200 characters", synced(std::nullopt, cut_ascii), now, "Could not sync · " + cut_ascii },
        { "a longer error is cut", synced(std::nullopt, cut_ascii + "tail"), now, "Could not sync · " + cut_ascii + "…" },
        { "cut between characters, not bytes", synced(std::nullopt, accents), now,
            "Could not sync · " + accents.substr(0, 400) + "…" },
    };
    for (auto const& c : cases)
        EXPECT_EQ(device_sync_text(c.peer, c.now), c.text) << c.name;
    // The stored text is left as it was.
    auto peer = synced(std::nullopt, cut_ascii + "tail");
    (void)device_sync_text(peer, now);
    EXPECT_EQ(peer.last_error, cut_ascii + "tail");
}

}
}
